#include "CommandFrame.h"
#include "MeterFinder.h"
#include "MeterServer.h"
#include "PseudoTerminal.h"

#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

using Outcome = MeterFinder::Outcome;

std::unique_ptr<PseudoTerminal> silentLine(const QString &link = {})
{
    auto line = std::make_unique<PseudoTerminal>();
    if (!line->open(link))
        qFatal("no pseudo-terminal: %s", qPrintable(line->errorString()));
    return line;
}

MeterFinder::Candidate candidateOf(const QString &path)
{
    return MeterFinder::candidates({path}, QStringLiteral("/nonexistent")).first();
}

} // namespace

class SerialDevicesTest : public QObject
{
    Q_OBJECT

private slots:
    void candidatesNameEachDeviceOnceStableNamesFirst()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("by-id"))));
        const auto first = silentLine(dir.filePath(QStringLiteral("by-id/usb-Meter-port0")));
        const auto second = silentLine(dir.filePath(QStringLiteral("meter")));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyUSB9"),
                            dir.filePath(QStringLiteral("by-id/usb-Gone-port0"))));

        const QList<MeterFinder::Candidate> found = MeterFinder::candidates(
            {first->devicePath(), QStringLiteral(" "), second->linkPath(), second->devicePath()},
            dir.filePath(QStringLiteral("by-id")));
        QVERIFY(found.size() >= 3);
        QCOMPARE(found[0].device, QString()); // the gone link, still listed once
        QCOMPARE(found[1].path, first->linkPath());
        QCOMPARE(found[2].path, second->linkPath());
        for (qsizetype i = 3; i < found.size(); ++i)
            QVERIFY(found[i].device != first->devicePath() &&
                    found[i].device != second->devicePath());
    }

    void meterIsFoundAmongSilentDevicesAndEachDeviceIsReported()
    {
        QTemporaryDir dir;
        MeterOptions options;
        options.link = dir.filePath(QStringLiteral("meter"));
        MeterServer meter(options);
        QVERIFY2(meter.start(), qPrintable(meter.errorString()));
        QList<int> meterCommands;
        connect(&meter, &MeterServer::commandReceived, this,
                [&](int code, const QByteArray &) { meterCommands.append(code); });

        // Ten devices to try: nine silent lines and the meter among them.
        std::vector<std::unique_ptr<PseudoTerminal>> silent;
        QList<MeterFinder::Candidate> candidates;
        for (int i = 0; i < 9; ++i) {
            silent.push_back(silentLine());
            candidates.append(candidateOf(silent.back()->devicePath()));
            if (i == 5)
                candidates.append(candidateOf(meter.linkPath()));
        }
        // Besides: the program's own port, a device held by another program, one gone.
        const auto own = silentLine();
        const auto held = silentLine();
        QSerialPort other(held->devicePath());
        QVERIFY(other.open(QIODevice::ReadWrite));
        candidates << candidateOf(own->devicePath()) << candidateOf(held->devicePath())
                   << candidateOf(dir.filePath(QStringLiteral("unplugged")));

        MeterFinder finder;
        finder.setOwnDevice(own->devicePath(), false);
        QSignalSpy probed(&finder, &MeterFinder::probed);
        QSignalSpy finished(&finder, &MeterFinder::finished);
        finder.start(candidates);
        QVERIFY(finished.wait(60000));

        QCOMPARE(probed.size(), candidates.size());
        QList<MeterFinder::Result> results;
        for (const QList<QVariant> &signal : std::as_const(probed))
            results.append(signal.at(0).value<MeterFinder::Result>());
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(results[i].candidate.path, candidates[i].path);
            QCOMPARE(results[i].outcome, i == 6 ? Outcome::Answered : Outcome::NoAnswer);
        }
        QCOMPARE(results[6].detail, QStringLiteral("SIM-0000001"));
        QCOMPARE(results[10].outcome, Outcome::InUseHere);
        QCOMPARE(results[11].outcome, Outcome::Busy);
        QCOMPARE(results[12].outcome, Outcome::Gone);

        // The meter heard the test and nothing more: it was neither stopped nor started.
        QCOMPARE(meterCommands, QList<int>({CommandFrame::Test}));
    }

    void cancelStopsTheSearchAndFreesTheDevice()
    {
        const auto first = silentLine();
        const auto second = silentLine();
        MeterFinder finder;
        QSignalSpy probed(&finder, &MeterFinder::probed);
        QSignalSpy finished(&finder, &MeterFinder::finished);
        QSignalSpy heard(first.get(), &PseudoTerminal::dataReceived);
        finder.start({candidateOf(first->devicePath()), candidateOf(second->devicePath())});
        QVERIFY(heard.wait(10000)); // the first device is being tried
        finder.cancel();
        QCOMPARE(finished.size(), 1);
        QSerialPort again(first->devicePath());
        QVERIFY(again.open(QIODevice::ReadWrite));
        QCoreApplication::processEvents();
        QCOMPARE(probed.size(), 0);
    }
};

QTEST_GUILESS_MAIN(SerialDevicesTest)
#include "tst_serial_devices.moc"
