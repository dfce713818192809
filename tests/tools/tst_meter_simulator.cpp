#include "CommandFrame.h"
#include "MessageFrame.h"
#include "MeterSimulator.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

quint8 at(const QByteArray &bytes, int index)
{
    return static_cast<quint8>(bytes[index]);
}

// The program's reading of a value code: the last five characters of its number text
// (a blank before it) give d1, e and m; m x 10^e when d1 is 5, else m x 10^-e.
double decodeValue(quint16 code)
{
    const QString t = (u' ' + QString::number(code)).right(5).rightJustified(5, u' ');
    const auto digit = [&t](int i) {
        return t[i].isDigit() ? t[i].digitValue() : 0;
    };
    const int m = digit(2) * 100 + digit(3) * 10 + digit(4);
    return digit(0) == 5 ? m * std::pow(10.0, digit(1)) : m * std::pow(10.0, -digit(1));
}

bool checksumHolds(const QByteArray &message)
{
    const QByteArrayView payload(message.constData() + 1, message.size() - 3);
    return at(message, static_cast<int>(message.size()) - 2) == MessageFrame::checksumOf(payload);
}

// What the simulator writes in answer to one command, one entry per write.
QList<QByteArray> answer(MeterSimulator &meter, quint8 code)
{
    QSignalSpy writes(&meter, &MeterSimulator::writeRequested);
    meter.processInput(CommandFrame::plain(code));
    QList<QByteArray> written;
    for (const QList<QVariant> &write : writes)
        written.append(write[0].toByteArray());
    return written;
}

} // namespace

class MeterSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void valueCodesRoundTripWithThreeSignificantDigits_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("decoded");
        QTest::newRow("zero") << 0.0 << 0.0;
        QTest::newRow("rounded") << 1.23456 << 1.23;
        QTest::newRow("rounds up a decade") << 999.7 << 1000.0;
        QTest::newRow("smallest") << 1e-9 << 1e-9;
        QTest::newRow("too small") << 1e-12 << 0.0;
        QTest::newRow("too large clamped") << 5e15 << 999e9;
        QTest::newRow("negative clamped") << -2.0 << 0.0;
        QTest::newRow("nan") << qQNaN() << 0.0;
    }

    void valueCodesRoundTripWithThreeSignificantDigits()
    {
        QFETCH(double, value);
        QFETCH(double, decoded);
        const quint16 code = MeterSimulator::valueCode(value);
        QVERIFY2(code >= 10000, "the program reads five digits only from codes of 10000 up");
        QVERIFY(qAbs(decodeValue(code) - decoded) <= decoded * 1e-12);
        for (double v = 1.7e-6; v < 900e9; v *= 1.37)
            QVERIFY2(qAbs(decodeValue(MeterSimulator::valueCode(v)) - v) <= v * 0.005,
                     qPrintable(QString::number(v)));
    }

    // Splitting belongs to MeterServer and is checked over the line.
    void faultsCorruptDropSilenceAndCloseAsAsked()
    {
        MeterOptions options;
        options.records = 5;
        options.corruptEvery = 2;
        options.dropEvery = 3;
        options.closeAfter = 3;
        MeterSimulator meter(options);
        QSignalSpy unplug(&meter, &MeterSimulator::unplugRequested);
        // The second message is corrupted, the third request dropped: a dropped request
        // never reached the meter, so the next one gets its reading.
        const QByteArray first = answer(meter, CommandFrame::GetStoredData).value(0);
        const QByteArray second = answer(meter, CommandFrame::NextRecord).value(0);
        QVERIFY(answer(meter, CommandFrame::NextRecord).isEmpty());
        QCOMPARE(unplug.size(), 0);
        const QByteArray third = answer(meter, CommandFrame::NextRecord).value(0);
        QVERIFY(checksumHolds(first));
        QVERIFY(!checksumHolds(second));
        QCOMPARE(second.back(), MessageFrame::Terminator);
        QVERIFY(checksumHolds(third));
        QCOMPARE(at(third, 18), (at(second, 18) + 1) % 60);
        // The unplug is asked for once, after the third stored reading.
        QCOMPARE(unplug.size(), 1);
        for (int i = 0; i < 3; ++i)
            answer(meter, CommandFrame::NextRecord);
        QCOMPARE(unplug.size(), 1);

        meter.setSilent(true);
        QSignalSpy commands(&meter, &MeterSimulator::commandReceived);
        QVERIFY(answer(meter, CommandFrame::Test).isEmpty());
        QCOMPARE(commands.size(), 1);
        meter.setSilent(false);
        QVERIFY(!answer(meter, CommandFrame::Test).isEmpty());

        // Noise follows every message as a bad message of its own: at least 26 bytes,
        // ending in its only terminator, with a checksum that fails.
        MeterOptions noisy;
        noisy.noise = 3;
        MeterSimulator noisyMeter(noisy);
        for (int i = 0; i < 200; ++i) {
            const QList<QByteArray> written = answer(noisyMeter, CommandFrame::Test);
            QCOMPARE(written.size(), 2);
            QVERIFY(checksumHolds(written[0]));
            QCOMPARE(written[1].size(), 26);
            QCOMPARE(written[1].indexOf(MessageFrame::Terminator), 25);
            QVERIFY(!checksumHolds(written[1]));
        }
    }

    void calibrationChecksumIsNeverTheTerminator()
    {
        // The program ends a message at the first 4 from index 25 on, so the checksum
        // (index 34) must never be one, whatever the fields.
        MeterOptions options;
        bool checksumWouldBeFour = false;
        for (int byte = 0; byte < 256; ++byte) {
            options.calibratedBy = QString(QChar(byte));
            const QByteArray message = MeterSimulator::calibrationMessage(options);
            QVERIFY(checksumHolds(message));
            QCOMPARE(message.indexOf(MessageFrame::Terminator, 25), message.size() - 1);
            checksumWouldBeFour |= MessageFrame::checksumOf(message.mid(1, 32) + ' ') == 4;
        }
        QVERIFY(checksumWouldBeFour);
    }
};

QTEST_GUILESS_MAIN(MeterSimulatorTest)
#include "tst_meter_simulator.moc"
