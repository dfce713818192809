#include "ProgramHarness.h"
#include "RecordLine.h"
#include "TestBroker.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

constexpr int Patience = 30000; // ms; generous for a loaded machine
const QString Prefix = QStringLiteral("site/hall2");

// tesk-cli monitor against the harness's meter, publishing under Prefix.
struct Monitor
{
    std::unique_ptr<QProcess> process;
    QString list;
    QString err;

    Monitor(ProgramHarness &h, const QString &url, const QStringList &more = {})
        : list(h.path(QStringLiteral("online.lst")))
    {
        process = std::make_unique<QProcess>();
        process->setProcessEnvironment(h.environment());
        process->start(QStringLiteral(TESK_CLI),
                       QStringList{QStringLiteral("monitor"), QStringLiteral("--port"),
                                   h.meter->linkPath(), QStringLiteral("--interval"),
                                   QStringLiteral("00:01"), QStringLiteral("--list"), list,
                                   QStringLiteral("--new"), QStringLiteral("--mqtt"), url,
                                   QStringLiteral("--topic"), Prefix} +
                           more);
    }

    ~Monitor()
    {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(Patience);
        }
    }

    const QString &errors()
    {
        err += QString::fromLocal8Bit(process->readAllStandardError());
        return err;
    }

    // The values of the readings in the list file, in order.
    QStringList storedValues() const
    {
        QFile file(list);
        QStringList values;
        if (!file.open(QIODevice::ReadOnly))
            return values;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QByteArray item = line.trimmed();
            if (item.size() < 2)
                continue;
            if (const auto fields =
                    RecordLine::read(QString::fromLatin1(item.mid(1, item.size() - 2))))
                values.append(QString::number(fields->value, 'f', 2));
        }
        return values;
    }

    bool end(int signal)
    {
        ::kill(static_cast<pid_t>(process->processId()), signal);
        return QTest::qWaitFor([this] { return process->state() == QProcess::NotRunning; },
                               Patience);
    }

    int exitCode() const
    {
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    }
};

QStringList valuesOf(const QStringList &payloads)
{
    QStringList values;
    for (const QString &payload : payloads)
        values.append(QString::number(QJsonDocument::fromJson(payload.toUtf8())
                                          .object()
                                          .value(QStringLiteral("value"))
                                          .toDouble(),
                                      'f', 2));
    return values;
}

// Each reading 0.01 above the one before: a reading lost, repeated or out of
// order shows in the sequence.
MeterOptions rampingMeter(int everyMs)
{
    MeterOptions options;
    options.values = {0};
    options.rampStep = 0.01;
    options.onlineMs = everyMs;
    return options;
}

} // namespace

class CliMqttTest : public QObject
{
    Q_OBJECT

private slots:
    void everyStoredReadingArrivesOnceAndInOrder()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        const auto subscriber = broker.subscribe(Prefix, QStringLiteral("order"));
        ProgramHarness h(rampingMeter(1));
        Monitor monitor(h, broker.url());
        const QString readings = Prefix + QStringLiteral("/reading");
        QVERIFY2(QTest::qWaitFor([&] { return subscriber->payloadsOf(readings).size() >= 1000; },
                                 Patience),
                 qPrintable(monitor.errors()));
        QVERIFY(monitor.end(SIGINT));
        QVERIFY2(monitor.exitCode() == 0, qPrintable(monitor.errors()));
        // The clean end publishes what waited before "offline".
        QVERIFY(QTest::qWaitFor(
            [&] {
                return subscriber->payloadsOf(Prefix + QStringLiteral("/state"))
                    .endsWith(QStringLiteral("offline"));
            },
            Patience));
        const QStringList stored = monitor.storedValues();
        QVERIFY(stored.size() >= 1000);
        QCOMPARE(valuesOf(subscriber->payloadsOf(readings)), stored);
    }

    void readingsStoredWhileTheBrokerIsAwayArriveAfterItReturns()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        auto subscriber = broker.subscribe(Prefix, QStringLiteral("outage"));
        ProgramHarness h(rampingMeter(20));
        Monitor monitor(h, broker.url());
        const QString readings = Prefix + QStringLiteral("/reading");
        QVERIFY(QTest::qWaitFor([&] { return subscriber->payloadsOf(readings).size() >= 20; },
                                Patience));
        // Stopped with no reading on its way: one the broker took but had not
        // yet acknowledged would be sent again, as QoS 1 allows.
        h.meter->setSilent(true);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return subscriber->payloadsOf(readings).size() == monitor.storedValues().size();
            },
            Patience));
        broker.stop();
        h.meter->setSilent(false);
        QList<TestBroker::Message> before = subscriber->update();
        subscriber.reset();
        const qsizetype storedAtStop = monitor.storedValues().size();
        QVERIFY(QTest::qWaitFor(
            [&] { return monitor.errors().contains(QStringLiteral("is away")); }, Patience));
        // About three seconds of readings stored without the broker.
        QVERIFY(QTest::qWaitFor([&] { return monitor.storedValues().size() >= storedAtStop + 150; },
                                Patience));
        QVERIFY(broker.start());
        subscriber = broker.subscribe(Prefix, QStringLiteral("outage"));
        QVERIFY(QTest::qWaitFor(
            [&] { return monitor.errors().count(QStringLiteral("Connected to the broker")) >= 2; },
            Patience));
        QVERIFY(monitor.end(SIGINT));
        QVERIFY2(monitor.exitCode() == 0, qPrintable(monitor.errors()));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return subscriber->payloadsOf(Prefix + QStringLiteral("/state"))
                    .endsWith(QStringLiteral("offline"));
            },
            Patience));
        QStringList received;
        for (const TestBroker::Message &m : before + subscriber->update())
            if (m.topic == readings)
                received.append(m.payload);
        QCOMPARE(valuesOf(received), monitor.storedValues());
    }

    void stateIsOnlineWhileRunningAndOfflineAfterAnInterruptOrAKill()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        const auto subscriber = broker.subscribe(Prefix, QStringLiteral("state"));
        const QString state = Prefix + QStringLiteral("/state");
        ProgramHarness h(rampingMeter(50));
        for (const int signal : {SIGINT, SIGKILL}) {
            const qsizetype seen = subscriber->payloadsOf(state).size();
            Monitor monitor(h, broker.url());
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             return subscriber->payloadsOf(state).mid(seen).contains(
                                 QStringLiteral("online"));
                         },
                         Patience),
                     qPrintable(monitor.errors()));
            QVERIFY(monitor.end(signal));
            // After a kill the broker says it through the last will.
            QVERIFY(QTest::qWaitFor(
                [&] { return subscriber->payloadsOf(state).endsWith(QStringLiteral("offline")); },
                Patience));
            h.meter->setOptions(h.meter->options()); // the killed run left the meter collecting
        }
    }

    void alarmTopicFollowsEachThresholdAndALostContact()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        const auto subscriber = broker.subscribe(Prefix, QStringLiteral("alarm"));
        MeterOptions options;
        options.values = {0.1, 0.3, 6};
        options.onlineMs = 200;
        ProgramHarness h(options);
        h.settings->WriteProfileKey(QStringLiteral("LostContactInterval"), QStringLiteral("1"));
        Monitor monitor(h, broker.url());
        const QString alarm = Prefix + QStringLiteral("/alarm");
        QVERIFY2(
            QTest::qWaitFor([&] { return subscriber->payloadsOf(alarm).size() >= 4; }, Patience),
            qPrintable(monitor.errors()));
        QCOMPARE(subscriber->payloadsOf(alarm).mid(0, 4),
                 (QStringList{QStringLiteral("ok"), QStringLiteral("warning"),
                              QStringLiteral("alarm"), QStringLiteral("ok")}));
        h.meter->setSilent(true);
        QVERIFY(QTest::qWaitFor(
            [&] { return subscriber->payloadsOf(alarm).endsWith(QStringLiteral("lost contact")); },
            Patience));
        QVERIFY(monitor.end(SIGINT));
    }

    void tlsConnectsWithTheBrokersCaAndRefusesAnotherWithTheReason()
    {
        TestBroker broker({true, {}, {}});
        QVERIFY(broker.start());
        const auto subscriber = broker.subscribe(Prefix, QStringLiteral("tls"));
        ProgramHarness h(rampingMeter(50));
        {
            Monitor monitor(h, broker.url(), {QStringLiteral("--cafile"), broker.caFile()});
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             return subscriber->payloadsOf(Prefix + QStringLiteral("/state"))
                                 .contains(QStringLiteral("online"));
                         },
                         Patience),
                     qPrintable(monitor.errors()));
            QVERIFY(monitor.end(SIGINT));
            QCOMPARE(monitor.exitCode(), 0);
        }
        Monitor refused(h, broker.url(), {QStringLiteral("--cafile"), broker.otherCaFile()});
        QVERIFY(QTest::qWaitFor([&] { return refused.process->state() == QProcess::NotRunning; },
                                Patience));
        QCOMPARE(refused.exitCode(), 1);
        QVERIFY2(refused.errors().contains(QStringLiteral("certificate verify failed")),
                 qPrintable(refused.errors()));
    }

    void badBrokerSettingsGiveClearMessages_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("wrongPassword");
        QTest::addColumn<int>("exitCode"); // -1: goes on collecting until interrupted
        QTest::addColumn<QString>("message");
        QTest::newRow("no scheme") << QStringLiteral("127.0.0.1:1883") << false << 2
                                   << QStringLiteral("mqtt://host[:port]");
        QTest::newRow("other scheme") << QStringLiteral("http://127.0.0.1") << false << 2
                                      << QStringLiteral("must begin with mqtt://");
        QTest::newRow("bad port") << QStringLiteral("mqtt://127.0.0.1:99999") << false << 2
                                  << QStringLiteral("not usable");
        QTest::newRow("wrong password")
            << QString() << true << 1 << QStringLiteral("not authorised");
        QTest::newRow("nobody listening") << QStringLiteral("mqtt://127.0.0.1:%1") << false << -1
                                          << QStringLiteral("Connection refused");
    }

    void badBrokerSettingsGiveClearMessages()
    {
        QFETCH(QString, url);
        QFETCH(bool, wrongPassword);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        TestBroker broker({false, QStringLiteral("meter"), QStringLiteral("right")});
        if (wrongPassword) {
            QVERIFY(broker.start());
            url = broker.url();
        }
        if (url.contains(QStringLiteral("%1")))
            url = url.arg(broker.port); // not started: nothing listens there
        ProgramHarness h(rampingMeter(50));
        QFile password(h.path(QStringLiteral("password")));
        QVERIFY(password.open(QIODevice::WriteOnly));
        password.write("wrong\n");
        password.close();
        Monitor monitor(h, url,
                        {QStringLiteral("--mqtt-user"), QStringLiteral("meter"),
                         QStringLiteral("--mqtt-password-file"), password.fileName()});
        QVERIFY2(QTest::qWaitFor([&] { return monitor.errors().contains(message); }, Patience),
                 qPrintable(monitor.errors()));
        if (exitCode < 0)
            QVERIFY(monitor.end(SIGINT));
        QVERIFY(QTest::qWaitFor([&] { return monitor.process->state() == QProcess::NotRunning; },
                                Patience));
        QCOMPARE(monitor.exitCode(), exitCode < 0 ? 0 : exitCode);
    }
};

QTEST_MAIN(CliMqttTest)
#include "tst_cli_mqtt.moc"
