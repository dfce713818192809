#include "BrokerCommand.h"
#include "ProgramHarness.h"
#include "RecordLine.h"
#include "TestBroker.h"
#include "frmMqtt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>

class BrokerWindowTest : public QObject
{
    Q_OBJECT

    static constexpr int Patience = TestBroker::PatienceMs;

private slots:
    void mqttDialogKeepsTheSetupAndThePasswordOnlyInAFileOfTheUsersOwn()
    {
        ProgramHarness program;
        program.start();
        QString problemShown;
        ProgramHarness::whenModal<frmMqtt>([&problemShown](frmMqtt *dialog) {
            const auto type = [dialog](const char *field, const char *text) {
                dialog->findChild<QLineEdit *>(field)->setText(text);
            };
            dialog->findChild<QCheckBox *>("chkEnabled")->setChecked(true);
            type("edUrl", "broker.site");
            type("edUser", "meter");
            type("edPassword", "s3cret");
            auto *ok = dialog->findChild<QPushButton *>("OKButton");
            ok->click();
            problemShown = dialog->findChild<QLabel *>("lblProblem")->text();
            type("edUrl", "mqtt://broker.site:1884");
            ok->click();
        });
        program.action("mnMqtt")->trigger();
        QVERIFY2(problemShown.contains("mqtt://host[:port]"), qPrintable(problemShown));

        const QByteArray kept = ProgramHarness::fileBytes(program.settings->path());
        QVERIFY(kept.contains("MqttUrl=mqtt://broker.site:1884"));
        QVERIFY(kept.contains("MqttUser=meter"));
        QVERIFY(!kept.contains("s3cret"));
        QFile password(program.window->brokerCommand().passwordPath());
        QCOMPARE(password.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(ProgramHarness::fileBytes(password.fileName()), QByteArray("s3cret\n"));
        auto *linkLine = program.widget<QLabel>(BrokerCommand::LinkLine);
        QVERIFY(linkLine->isVisibleTo(program.window.get()));
        QVERIFY(linkLine->text().contains("mqtt://broker.site:1884"));
    }

    void onlineReadingsReachTheBrokerAndTheLinkLineFollowsItsState()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        const QString prefix = QStringLiteral("tesk/SIM-0000001");
        const auto subscriber = broker.subscribe(prefix, "window");
        MeterOptions options;
        options.values = {0};
        options.rampStep = 0.01;
        options.onlineMs = 50;
        ProgramHarness program(options);
        program.settings->WriteProfileKey("SecInt", " 1");
        QVERIFY(program.startConnected());
        BrokerCommand &command = program.window->brokerCommand();
        QCOMPARE(command.apply({true, broker.url(), {}, {}, {}}, std::nullopt), QString());
        auto *linkLine = program.widget<QLabel>(BrokerCommand::LinkLine);

        program.prompt.answers = {UserPrompt::Answer::No};
        QPushButton *start = program.button("btStart");
        start->click();
        const QString readings = prefix + QStringLiteral("/reading");
        QTRY_VERIFY_WITH_TIMEOUT(subscriber->payloadsOf(readings).size() >= 10, Patience);
        QVERIFY2(linkLine->text().endsWith(": connected"), qPrintable(linkLine->text()));

        // What arrived is the list's readings, in order, from the first one.
        const QStringList published = subscriber->valuesOf(readings);
        QStringList listed;
        for (const QString &line : program.listLines().mid(6, published.size()))
            listed.append(
                QString::number(RecordLine::read(line.mid(1, line.size() - 2))->value, 'f', 2));
        QCOMPARE(published, listed);

        broker.stop();
        QTRY_VERIFY_WITH_TIMEOUT(linkLine->text().endsWith(": away since 09:30"), Patience);
        // Collecting goes on without the broker.
        const qsizetype stored = program.listLines().size();
        QTRY_VERIFY_WITH_TIMEOUT(program.listLines().size() > stored + 5, Patience);
        start->click();
        QCOMPARE(command.publisher().client().state(), BrokerClient::State::Stopped);
    }
};

QTEST_MAIN(BrokerWindowTest)
#include "tst_broker.moc"
