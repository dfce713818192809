// tesk-cli monitor at 1,000 readings a second from the simulated meter, with
// and without publishing to a Mosquitto broker on the loopback: the processor
// time tesk-cli uses in each case (share of one core), and the delay from the
// meter sending a reading to the broker delivering it to a subscriber. That
// delay also holds the line, the decoding and the synced write of the list,
// so it bounds the delay from storing a reading to its delivery.
// Run: bench_mqtt [seconds]
#include "BenchTiming.h"
#include "MeasurementDecoder.h"
#include "MeterServer.h"
#include "ReadingPublisher.h"
#include "RecordLine.h"
#include "TestBroker.h"
#include "WorkingListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

const QString Prefix = QStringLiteral("bench/m");

qint64 realTimeNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<qint64>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Processor time of a process in seconds, from /proc.
double processSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

struct Result
{
    bool ok = false;
    double readingsPerSecond = 0;
    double corePercent = 0;
    std::vector<double> delaysMs;
};

Result monitor(TestBroker *broker, int seconds)
{
    Result result;
    QTemporaryDir dir;
    MeterOptions options;
    options.link = dir.filePath(QStringLiteral("meter"));
    options.onlineMs = 1;
    // A thousand different values in turn: a delivered reading names the one
    // sent, even when the line lost some on the way.
    options.values.clear();
    for (int n = 0; n < 1000; ++n)
        options.values.append(n * 0.01);
    MeterServer meter(options);
    if (!meter.start())
        return result;
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> sent;
    QHash<QString, qint64> lastSent; // by value
    qsizetype delivered = 0;
    bool online = false;
    QObject::connect(&meter.simulator(), &MeterSimulator::onlineIntervalChanged,
                     [&online](int ms) { online = ms > 0; });
    QObject::connect(
        &meter.simulator(), &MeterSimulator::writeRequested, [&](const QByteArray &message) {
            if (!online)
                return;
            sent.push_back(clock.nsecsElapsed());
            const MeasurementRecord r = MeasurementDecoder::GetDataFromMess(message, false, {});
            lastSent.insert(r.vl.trimmed(), realTimeNs());
        });
    std::unique_ptr<TestBroker::Subscriber> subscriber;
    QByteArray pending;
    if (broker != nullptr) {
        // Each line: the topic, the message and the moment it arrived.
        subscriber = broker->subscribe(
            Prefix, QStringLiteral("bench"),
            {QStringLiteral("-F"), QStringLiteral("%t %p %U"), QStringLiteral("--nodelay")});
        QProcess *sub = subscriber->process.get();
        sub->readAllStandardOutput();
        QObject::connect(sub, &QProcess::readyReadStandardOutput, [&, sub] {
            pending += sub->readAllStandardOutput();
            qsizetype end = 0;
            while ((end = pending.indexOf('\n')) >= 0) {
                const QByteArray topic = Prefix.toUtf8() + "/reading ";
                if (pending.startsWith(topic)) {
                    ++delivered;
                    const QList<QByteArray> fields = pending.left(end).split(' ');
                    const double value = QJsonDocument::fromJson(fields.value(1))
                                             .object()
                                             .value(QStringLiteral("value"))
                                             .toDouble();
                    const QList<QByteArray> arrived = fields.value(2).split('.');
                    const qint64 now =
                        arrived.value(0).toLongLong() * 1000000000 + arrived.value(1).toLongLong();
                    const qint64 at = lastSent.value(QString::number(value, 'f', 2), -1);
                    if (at >= 0)
                        result.delaysMs.push_back(static_cast<double>(now - at) / 1e6);
                }
                pending.remove(0, end + 1);
            }
        });
    }

    const QString list = dir.filePath(QStringLiteral("bench.lst"));
    QStringList arguments{QStringLiteral("monitor"),
                          QStringLiteral("--port"),
                          meter.linkPath(),
                          QStringLiteral("--interval"),
                          QStringLiteral("00:01"),
                          QStringLiteral("--list"),
                          list};
    if (broker != nullptr)
        arguments << QStringLiteral("--mqtt") << broker->url() << QStringLiteral("--topic")
                  << Prefix;
    // Thresholds above every value: the run is about readings, not alarms.
    QDir().mkpath(dir.filePath(QStringLiteral("config")));
    QFile settings(dir.filePath(QStringLiteral("config/Tesk.ini")));
    if (settings.open(QIODevice::WriteOnly))
        settings.write("[COMMON]\r\nThreshold1=100\r\nThreshold2=200\r\n");
    settings.close();
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("TESK_HOME"), dir.filePath(QStringLiteral("home")));
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(TESK_CLI), arguments);
    if (!cli.waitForStarted())
        return result;
    runFor(2000); // the link test, the online start, and a steady flow
    const qint64 pid = cli.processId();
    const double cpuBefore = processSeconds(pid);
    const qint64 wallBefore = clock.nsecsElapsed();
    const size_t sentBefore = sent.size();
    runFor(seconds * 1000);
    const double wall = static_cast<double>(clock.nsecsElapsed() - wallBefore) / 1e9;
    result.corePercent = (processSeconds(pid) - cpuBefore) / wall * 100;
    result.readingsPerSecond = static_cast<double>(sent.size() - sentBefore) / wall;
    ::kill(static_cast<pid_t>(pid), SIGINT);
    QEventLoop ended;
    QObject::connect(&cli, &QProcess::finished, &ended, &QEventLoop::quit);
    QTimer::singleShot(30000, &ended, &QEventLoop::quit);
    if (cli.state() != QProcess::NotRunning)
        ended.exec();
    runFor(500); // the last deliveries
    QFile file(list);
    const qsizetype stored = file.open(QIODevice::ReadOnly) ? file.readAll().count("\r\n") - 6 : -1;
    result.ok = cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0 && stored > 0;
    if (broker != nullptr) {
        // Each stored reading delivered once.
        result.ok = result.ok && delivered == stored;
    }
    if (!result.ok)
        std::fprintf(stderr, "run failed: exit %d, %lld stored, %lld delivered\n%s\n",
                     cli.exitCode(), static_cast<long long>(stored),
                     static_cast<long long>(delivered), cli.readAllStandardError().constData());
    return result;
}

// The publisher in this process, fed as tesk-cli feeds it: every millisecond
// a reading is appended to a list file and synced, then handed over. The
// delay runs from the end of the synced write to the subscriber's arrival.
std::vector<double> storeToDelivery(TestBroker &broker, int seconds)
{
    std::vector<double> delays;
    QTemporaryDir dir;
    WorkingListFile list(dir.filePath(QStringLiteral("store.lst")));
    if (!list.OpenNewTempFile({}))
        return delays;
    const QString prefix = Prefix + QStringLiteral("/store");
    const auto subscriber = broker.subscribe(
        prefix, QStringLiteral("store"),
        {QStringLiteral("-F"), QStringLiteral("%t %p %U"), QStringLiteral("--nodelay")});
    QHash<QString, qint64> storedAt;
    QByteArray pending;
    QProcess *sub = subscriber->process.get();
    sub->readAllStandardOutput();
    QObject::connect(sub, &QProcess::readyReadStandardOutput, [&, sub] {
        pending += sub->readAllStandardOutput();
        const QByteArray topic = prefix.toUtf8() + "/reading ";
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            if (pending.startsWith(topic)) {
                const QList<QByteArray> fields = pending.left(end).split(' ');
                const QString value = QString::number(QJsonDocument::fromJson(fields.value(1))
                                                          .object()
                                                          .value(QStringLiteral("value"))
                                                          .toDouble(),
                                                      'f', 2);
                const QList<QByteArray> arrived = fields.value(2).split('.');
                const qint64 at =
                    arrived.value(0).toLongLong() * 1000000000 + arrived.value(1).toLongLong();
                if (storedAt.contains(value))
                    delays.push_back(static_cast<double>(at - storedAt.value(value)) / 1e6);
            }
            pending.remove(0, end + 1);
        }
    });
    ReadingPublisher publisher;
    BrokerSettings settings;
    settings.address = *BrokerAddress::parse(broker.url(), nullptr);
    publisher.start(settings, prefix);
    MeasurementRecord r{QStringLiteral("BENCH000001"),
                        {},
                        {},
                        QStringLiteral("uSv/h"),
                        QStringLiteral("ok"),
                        QStringLiteral("Internal"),
                        QStringLiteral(" "),
                        0};
    int n = 0;
    QTimer reading;
    reading.setTimerType(Qt::PreciseTimer);
    QObject::connect(&reading, &QTimer::timeout, [&] {
        const QDateTime now = QDateTime::currentDateTime();
        r.time = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        r.vl = QString::number((n++ % 1000) * 0.01, 'f', 2);
        if (!list.appendRecord(RecordLine::format(r)))
            return;
        storedAt.insert(r.vl, realTimeNs());
        publisher.reading(r, now, 100, 200);
    });
    reading.start(1);
    runFor(seconds * 1000);
    reading.stop();
    QEventLoop stopped;
    QObject::connect(&publisher.client(), &BrokerClient::stopped, &stopped, &QEventLoop::quit);
    publisher.stop();
    if (publisher.isStarted())
        stopped.exec();
    runFor(500);
    return delays;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 10;
    TestBroker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "the broker did not start\n");
        return 1;
    }
    const Result alone = monitor(nullptr, seconds);
    const Result published = monitor(&broker, seconds);
    if (!alone.ok || !published.ok || published.delaysMs.empty())
        return 1;
    std::vector<double> sorted = published.delaysMs;
    std::sort(sorted.begin(), sorted.end());
    std::vector<double> stored = storeToDelivery(broker, seconds);
    if (stored.empty())
        return 1;
    std::sort(stored.begin(), stored.end());
    std::printf("collecting alone:   %6.0f readings/s, tesk-cli %5.1f %% of one core\n",
                alone.readingsPerSecond, alone.corePercent);
    std::printf("with the broker:    %6.0f readings/s, tesk-cli %5.1f %% of one core\n",
                published.readingsPerSecond, published.corePercent);
    std::printf("publishing costs:   %5.1f %% of one core\n",
                published.corePercent - alone.corePercent);
    std::printf("meter to subscriber: median %.1f ms, 95th percentile %.1f ms (%zu readings)\n",
                median(published.delaysMs), sorted[sorted.size() * 95 / 100], sorted.size());
    std::printf("stored to delivered: median %.1f ms, 95th percentile %.1f ms (%zu readings)\n",
                median(stored), stored[stored.size() * 95 / 100], stored.size());
    return 0;
}
