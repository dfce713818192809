#include "ProgramHarness.h"
#include "RecordLine.h"
#include "TestBroker.h"

#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

constexpr int Patience = 30000; // ms; generous for a loaded machine
const QString Prefix = QStringLiteral("site/hall2");
const QString Readings = Prefix + QStringLiteral("/reading");
const QString State = Prefix + QStringLiteral("/state");

bool waitFor(const std::function<bool()> &done)
{
    return QTest::qWaitFor(done, Patience);
}

// tesk-cli monitor against the harness's meter, publishing under Prefix.
struct Monitor
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString list;
    QString err;

    Monitor(ProgramHarness &h, const QString &url, const QStringList &more = {})
        : list(h.path("online.lst"))
    {
        process->setProcessEnvironment(h.environment());
        process->start(TESK_CLI,
                       QStringList{"monitor", "--port", h.meter->linkPath(), "--interval", "00:01",
                                   "--list", list, "--new", "--mqtt", url, "--topic", Prefix} +
                           more);
    }
    ~Monitor() { TestBroker::endProcess(process.get()); }

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

    // Sends `signal` (none: 0) and waits for the end: the exit code, -1 after
    // a crash or a kill, -2 when it goes on.
    int end(int signal)
    {
        if (signal != 0 && process->state() != QProcess::NotRunning)
            ::kill(static_cast<pid_t>(process->processId()), signal);
        if (!waitFor([this] { return process->state() == QProcess::NotRunning; }))
            return -2;
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    }
};

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
    // A thousand readings a second, then the broker away for a while: what
    // was stored arrives once and in order, the last of it before "offline".
    void everyStoredReadingArrivesOnceAndInOrderAcrossABrokerOutage()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        auto subscriber = broker.subscribe(Prefix, "order");
        ProgramHarness h(rampingMeter(1));
        Monitor monitor(h, broker.url());
        QVERIFY2(waitFor([&] { return subscriber->payloadsOf(Readings).size() >= 1000; }),
                 qPrintable(monitor.errors()));
        // Stopped with no reading on its way: one the broker took but had not
        // yet acknowledged would be sent again, as QoS 1 allows.
        h.meter->setSilent(true);
        QVERIFY(waitFor([&] {
            return subscriber->payloadsOf(Readings).size() == monitor.storedValues().size();
        }));
        broker.stop();
        h.meter->setSilent(false);
        const QStringList before = subscriber->valuesOf(Readings);
        subscriber.reset();
        const qsizetype storedAtStop = monitor.storedValues().size();
        QVERIFY(waitFor([&] { return monitor.errors().contains(QStringLiteral("is away")); }));
        QVERIFY(waitFor([&] { return monitor.storedValues().size() >= storedAtStop + 150; }));
        QVERIFY(broker.start());
        subscriber = broker.subscribe(Prefix, "order");
        QVERIFY(waitFor([&] {
            return monitor.errors().count(QStringLiteral("Connected to the broker")) >= 2;
        }));
        QCOMPARE(monitor.end(SIGINT), 0);
        QVERIFY(waitFor([&] { return subscriber->payloadsOf(State).endsWith("offline"); }));
        QCOMPARE(before + subscriber->valuesOf(Readings), monitor.storedValues());
    }

    // Over TLS with the broker's CA. After a kill the broker says it through
    // the last will.
    void stateIsOnlineWhileRunningAndOfflineAfterAnInterruptOrAKill()
    {
        TestBroker broker(true);
        QVERIFY(broker.start());
        const auto subscriber = broker.subscribe(Prefix, "state");
        ProgramHarness h(rampingMeter(50));
        for (const int signal : {SIGINT, SIGKILL}) {
            const qsizetype seen = subscriber->payloadsOf(State).size();
            Monitor monitor(h, broker.url(), {"--cafile", broker.caFile()});
            QVERIFY2(
                waitFor([&] { return subscriber->payloadsOf(State).mid(seen).contains("online"); }),
                qPrintable(monitor.errors()));
            QCOMPARE(monitor.end(signal), signal == SIGINT ? 0 : -1);
            QVERIFY(waitFor([&] { return subscriber->payloadsOf(State).endsWith("offline"); }));
            h.meter->setOptions(h.meter->options()); // the killed run left the meter collecting
        }
    }

    void alarmTopicFollowsEachThresholdAndALostContact()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        const auto subscriber = broker.subscribe(Prefix, "alarm");
        MeterOptions options;
        options.values = {0.1, 0.3, 6};
        options.onlineMs = 200;
        ProgramHarness h(options);
        h.settings->WriteProfileKey("LostContactInterval", "1");
        Monitor monitor(h, broker.url());
        const QString alarm = Prefix + QStringLiteral("/alarm");
        QVERIFY2(waitFor([&] { return subscriber->payloadsOf(alarm).size() >= 4; }),
                 qPrintable(monitor.errors()));
        QCOMPARE(subscriber->payloadsOf(alarm).mid(0, 4),
                 (QStringList{"ok", "warning", "alarm", "ok"}));
        h.meter->setSilent(true);
        QVERIFY(waitFor([&] { return subscriber->payloadsOf(alarm).endsWith("lost contact"); }));
        QCOMPARE(monitor.end(SIGINT), 0);
    }

    void badBrokerSettingsGiveClearMessages_data()
    {
        QTest::addColumn<QString>("url"); // "broker": the running broker's
        QTest::addColumn<bool>("tls");
        QTest::addColumn<int>("exitCode"); // -1: goes on collecting until interrupted
        QTest::addColumn<QString>("message");
        QTest::newRow("no scheme") << "127.0.0.1:1883" << false << 2 << "mqtt://host[:port]";
        QTest::newRow("other scheme")
            << "http://127.0.0.1" << false << 2 << "must begin with mqtt://";
        QTest::newRow("wrong password") << "broker" << false << 1 << "not authorised";
        QTest::newRow("other CA") << "broker" << true << 1 << "certificate verify failed";
        // The broker's port, where nothing listens.
        QTest::newRow("nobody listening")
            << "mqtt://127.0.0.1:%1" << false << -1 << "Connection refused";
    }

    void badBrokerSettingsGiveClearMessages()
    {
        QFETCH(QString, url);
        QFETCH(bool, tls);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        TestBroker broker(tls, "meter", "right");
        if (url == "broker") {
            QVERIFY(broker.start());
            url = broker.url();
        }
        if (url.contains("%1"))
            url = url.arg(broker.port);
        ProgramHarness h(rampingMeter(50));
        QFile password(h.path("password"));
        QVERIFY(password.open(QIODevice::WriteOnly) && password.write("wrong\n") > 0);
        password.close();
        QStringList more{"--mqtt-user", "meter", "--mqtt-password-file", password.fileName()};
        if (tls)
            more << "--cafile" << broker.otherCaFile();
        Monitor monitor(h, url, more);
        QVERIFY2(waitFor([&] { return monitor.errors().contains(message); }),
                 qPrintable(monitor.errors()));
        QCOMPARE(monitor.end(exitCode < 0 ? SIGINT : 0), qMax(exitCode, 0));
    }
};

QTEST_MAIN(CliMqttTest)
#include "tst_cli_mqtt.moc"
