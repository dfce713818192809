#include "BrokerCommand.h"
#include "ProgramHarness.h"
#include "RecordLine.h"
#include "TeskCommonPart.h"
#include "TestBroker.h"
#include "frmMqtt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>

class BrokerWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { TeskCommonPart::PortInUse = TeskCommonPart::CommPortNumber = 0; }

    void mqttDialogKeepsTheSetupAndThePasswordOnlyInAFileOfTheUsersOwn()
    {
        ProgramHarness program;
        program.start();
        QString problemShown;
        ProgramHarness::whenModal<frmMqtt>([&problemShown](frmMqtt *dialog) {
            dialog->findChild<QCheckBox *>(QStringLiteral("chkEnabled"))->setChecked(true);
            auto *url = dialog->findChild<QLineEdit *>(QStringLiteral("edUrl"));
            url->setText(QStringLiteral("broker.site"));
            dialog->findChild<QLineEdit *>(QStringLiteral("edUser"))
                ->setText(QStringLiteral("meter"));
            dialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))
                ->setText(QStringLiteral("s3cret"));
            auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("OKButton"));
            ok->click();
            problemShown = dialog->findChild<QLabel *>(QStringLiteral("lblProblem"))->text();
            url->setText(QStringLiteral("mqtt://broker.site:1884"));
            ok->click();
        });
        program.action(QStringLiteral("mnMqtt"))->trigger();
        QVERIFY2(problemShown.contains(QStringLiteral("mqtt://host[:port]")),
                 qPrintable(problemShown));

        QFile settings(program.settings->path());
        QVERIFY(settings.open(QIODevice::ReadOnly));
        const QByteArray kept = settings.readAll();
        QVERIFY(kept.contains("MqttUrl=mqtt://broker.site:1884"));
        QVERIFY(kept.contains("MqttUser=meter"));
        QVERIFY(!kept.contains("s3cret"));
        const QString passwordFile = program.window->brokerCommand().passwordPath();
        QCOMPARE(QFile::permissions(passwordFile) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QFile password(passwordFile);
        QVERIFY(password.open(QIODevice::ReadOnly));
        QCOMPARE(password.readAll(), QByteArray("s3cret\n"));
        auto *linkLine = program.widget<QLabel>(BrokerCommand::LinkLine);
        QVERIFY(linkLine->isVisibleTo(program.window.get()));
        QVERIFY(linkLine->text().contains(QStringLiteral("mqtt://broker.site:1884")));
    }

    void onlineReadingsReachTheBrokerAndTheLinkLineFollowsItsState()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        const QString prefix = QStringLiteral("tesk/SIM-0000001");
        const auto subscriber = broker.subscribe(prefix, QStringLiteral("window"));
        MeterOptions options;
        options.values = {0};
        options.rampStep = 0.01;
        options.onlineMs = 50;
        ProgramHarness program(options);
        program.settings->WriteProfileKey(QStringLiteral("SecInt"), QStringLiteral(" 1"));
        QVERIFY(program.startConnected());
        BrokerCommand &command = program.window->brokerCommand();
        QCOMPARE(command.apply({true, broker.url(), {}, {}, {}}, std::nullopt), QString());
        auto *linkLine = program.widget<QLabel>(BrokerCommand::LinkLine);

        program.prompt.answers = {UserPrompt::Answer::No};
        QPushButton *start = program.button(QStringLiteral("btStart"));
        start->click();
        const QString readings = prefix + QStringLiteral("/reading");
        QVERIFY(QTest::qWaitFor([&] { return subscriber->payloadsOf(readings).size() >= 10; },
                                TestBroker::PatienceMs));
        QVERIFY2(linkLine->text().endsWith(QStringLiteral(": connected")),
                 qPrintable(linkLine->text()));
        QVERIFY(program.controller->trace().lines().contains(
            QStringLiteral("Connected to the broker at 127.0.0.1:%1.").arg(broker.port)));

        // What arrived is the list's readings, in order, from the first one.
        QStringList published;
        for (const QString &payload : subscriber->payloadsOf(readings))
            published.append(QString::number(QJsonDocument::fromJson(payload.toUtf8())
                                                 .object()
                                                 .value(QStringLiteral("value"))
                                                 .toDouble(),
                                             'f', 2));
        QStringList listed;
        for (const QString &line : program.listLines().mid(6, published.size()))
            listed.append(
                QString::number(RecordLine::read(line.mid(1, line.size() - 2))->value, 'f', 2));
        QCOMPARE(published, listed);

        broker.stop();
        QTRY_VERIFY_WITH_TIMEOUT(linkLine->text().endsWith(QStringLiteral(": away since 09:30")),
                                 TestBroker::PatienceMs);
        // Collecting goes on without the broker.
        const qsizetype stored = program.listLines().size();
        QTRY_VERIFY_WITH_TIMEOUT(program.listLines().size() > stored + 5, TestBroker::PatienceMs);
        start->click();
        QCOMPARE(command.publisher().client().state(), BrokerClient::State::Stopped);
    }
};

QTEST_MAIN(BrokerWindowTest)
#include "tst_broker.moc"
