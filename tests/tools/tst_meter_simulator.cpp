#include "CommandFrame.h"
#include "DateTimeText.h"
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

double valueOf(const QByteArray &message)
{
    return decodeValue(static_cast<quint16>(at(message, 19) * 256 + at(message, 20)));
}

bool checksumHolds(const QByteArray &message)
{
    const QByteArrayView payload(message.constData() + 1, message.size() - 3);
    return at(message, static_cast<int>(message.size()) - 2) == MessageFrame::checksumOf(payload);
}

QDateTime wall(int y, int mo, int d, int h, int mi)
{
    return DateTimeText::wallClock(QDate(y, mo, d), QTime(h, mi));
}

// What the simulator writes in answer to one input, one entry per write.
QList<QByteArray> answer(MeterSimulator &meter, const QByteArray &input)
{
    QSignalSpy writes(&meter, &MeterSimulator::writeRequested);
    meter.processInput(input);
    QList<QByteArray> written;
    for (const QList<QVariant> &write : writes)
        written.append(write[0].toByteArray());
    return written;
}

QList<QByteArray> answer(MeterSimulator &meter, quint8 code)
{
    return answer(meter, CommandFrame::plain(code));
}

} // namespace

class MeterSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void testIsAnsweredWithTheCurrentReadingOnTheMeterClock()
    {
        MeterOptions options;
        options.instrument = QStringLiteral("AB-12");
        options.units = 80;
        options.detector = 254;
        options.status = 5;
        options.values = {3.45};
        MeterSimulator meter(options);
        QVERIFY(answer(meter, CommandFrame::setClock(wall(2026, 12, 5, 9, 30))).isEmpty());
        const QList<QByteArray> replies = answer(meter, CommandFrame::Test);
        QCOMPARE(replies.size(), 1);
        const QByteArray &reply = replies.first();
        QCOMPARE(reply.size(), MeterSimulator::MeasurementLength);
        QVERIFY(checksumHolds(reply));
        QCOMPARE(reply.back(), MessageFrame::Terminator);
        QCOMPARE(reply.mid(1, 11), QByteArray("AB-12      "));
        QCOMPARE(reply.mid(13, 5), QByteArray("\x0c\x05\x14\x1a\x09"));
        QVERIFY(at(reply, 18) == 30 || at(reply, 18) == 31); // the clock runs on
        QCOMPARE(reply.mid(19), QByteArray("\x30\x39\x50\xfe\x05", 5) + reply.mid(24));
        // An impossible date leaves the clock alone.
        QByteArray badDate = CommandFrame::setClock(wall(2030, 1, 5, 9, 30));
        badDate[2] = 13;
        answer(meter, badDate);
        QCOMPARE(at(answer(meter, CommandFrame::Test).first(), 16), 26);
    }

    void aReadingHasTheLayoutTheProgramDecodes()
    {
        const MeterSimulator::Reading reading{wall(2026, 12, 5, 9, 30), 3.45, 1, 5, 0};
        const QByteArray expected(
            "\x01"
            "12345678901\x00\x0c\x05\x14\x1a\x09\x1e\x30\x39\x01\x05\x00\xed\x04",
            26);
        QCOMPARE(MeterSimulator::measurementMessage(reading, QStringLiteral("12345678901")),
                 expected);
        const QByteArray mark = MeterSimulator::endOfDataMark(wall(2026, 1, 1, 0, 0));
        QCOMPARE(mark.size(), MeterSimulator::MeasurementLength);
        QCOMPARE(mark[1], '*');
        QVERIFY(checksumHolds(mark));
    }

    void downloadSendsEachStoredReadingThenTheMark()
    {
        MeterOptions options;
        options.values = {1, 2, 3};
        MeterSimulator meter(options);
        QList<QByteArray> messages = answer(meter, CommandFrame::GetStoredData);
        for (int i = 0; i < 4; ++i)
            messages += answer(meter, CommandFrame::NextRecord);
        QCOMPARE(messages.size(), 5);
        const QDateTime latest =
            meter.clock().addSecs(-60 * MeterSimulator::StoredReadingsEndMinutesAgo);
        QDateTime previous;
        for (int i = 0; i < 3; ++i) {
            const QByteArray &m = messages[i];
            QVERIFY(checksumHolds(m));
            QCOMPARE(valueOf(m), i + 1.0);
            const QDateTime taken =
                DateTimeText::wallClock(QDate(at(m, 15) * 100 + at(m, 16), at(m, 13), at(m, 14)),
                                        QTime(at(m, 17), at(m, 18)));
            QVERIFY(taken <= latest);
            QVERIFY(!previous.isValid() || previous.secsTo(taken) == 60);
            previous = taken;
        }
        QCOMPARE(messages[3][1], '*');
        QCOMPARE(messages[4], messages[3]);
        QVERIFY(checksumHolds(messages[3]));
        QCOMPARE(answer(meter, CommandFrame::GetStoredData), QList<QByteArray>{messages[0]});

        meter.setStoredReadings({});
        QCOMPARE(answer(meter, CommandFrame::GetStoredData).first()[1], '*');
    }

    void calibrationMessageCarriesItsFields()
    {
        MeterOptions options;
        options.calibrationMeter = QStringLiteral("M-7");
        options.calibrationFactor = 1.25;
        options.calibratedBy = QStringLiteral("A very long name indeed");
        options.calibrationDue = QDate(2027, 3, 9);
        MeterSimulator meter(options);
        const QList<QByteArray> replies = answer(meter, CommandFrame::GetCalibration);
        QCOMPARE(replies.size(), 1);
        const QByteArray &reply = replies.first();
        QCOMPARE(reply.size(), MeterSimulator::CalibrationLength);
        QVERIFY(checksumHolds(reply));
        QCOMPARE(reply.mid(1, 32), QByteArray("M-7     1250A very long 09032027"));
        options.calibrationFactor = 0.985;
        QCOMPARE(MeterSimulator::calibrationMessage(options).mid(9, 4), QByteArray("0985"));

        // The program ends a message at the first 4 from index 25 on, so the checksum
        // (index 34) must never be one, whatever the fields.
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

    void valueCodesRoundTripWithThreeSignificantDigits_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("decoded");
        QTest::newRow("example") << 3.45 << 3.45;
        QTest::newRow("zero") << 0.0 << 0.0;
        QTest::newRow("thousands") << 2340.0 << 2340.0;
        QTest::newRow("rounded") << 1.23456 << 1.23;
        QTest::newRow("rounds up a decade") << 999.7 << 1000.0;
        QTest::newRow("smallest") << 1e-9 << 1e-9;
        QTest::newRow("too small") << 1e-12 << 0.0;
        QTest::newRow("largest") << 999e9 << 999e9;
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

    void framingSurvivesPiecesAndGarbage()
    {
        MeterSimulator meter;
        QSignalSpy commands(&meter, &MeterSimulator::commandReceived);
        QSignalSpy notes(&meter, &MeterSimulator::note);
        const QByteArray test = CommandFrame::plain(CommandFrame::Test);
        for (const char byte : test)
            meter.processInput(QByteArray(1, byte));
        QCOMPARE(commands.size(), 1);
        QCOMPARE(commands[0], (QList<QVariant>{6, test}));
        QVERIFY(notes.isEmpty());

        // Noise, a start byte without its terminator, then two commands in one read.
        meter.processInput(QByteArray("\xff\x04\x01\x06"
                                      "000",
                                      7) +
                           test + CommandFrame::plain(CommandFrame::GetCalibration));
        QCOMPARE(commands.size(), 3);
        QCOMPARE(commands[1][0].toInt(), 6);
        QCOMPARE(commands[2][0].toInt(), 8);
        QCOMPARE(notes.size(), 1);
        QVERIFY(notes[0][0].toString().startsWith(QStringLiteral("ignored 7 bytes")));

        // Clock data may hold 1s and 4s: an aligned frame is taken whole.
        meter.processInput(CommandFrame::setClock(wall(2001, 1, 4, 1, 4)));
        QCOMPARE(commands.size(), 4);
        QCOMPARE(meter.clock().date().year(), 2001);
    }

    void onlineSendsItsReadingsUntilStopped()
    {
        MeterOptions options;
        options.values = {1, 2};
        options.rampStep = 0.5;
        MeterSimulator meter(options);
        QSignalSpy interval(&meter, &MeterSimulator::onlineIntervalChanged);
        QSignalSpy writes(&meter, &MeterSimulator::writeRequested);
        meter.sendOnlineReading();
        QVERIFY(answer(meter, CommandFrame::onlineStart(2, 30)).isEmpty());
        QCOMPARE(interval.takeFirst()[0].toInt(), 150000);
        for (int i = 0; i < 3; ++i)
            meter.sendOnlineReading();
        QCOMPARE(writes.size(), 3);
        // A list cycles, a ramp adds its step per reading.
        QCOMPARE(valueOf(writes[2][0].toByteArray()), 2.0);
        QCOMPARE(valueOf(writes[1][0].toByteArray()), 2.5);
        answer(meter, CommandFrame::onlineStop());
        QCOMPARE(interval.takeFirst()[0].toInt(), 0);
        meter.sendOnlineReading();
        QCOMPARE(writes.size(), 3);
    }

    void faults()
    {
        MeterOptions options;
        options.records = 5;
        options.corruptEvery = 2;
        options.dropEvery = 3;
        MeterSimulator meter(options);
        // The second message is corrupted, the third request dropped: a dropped request
        // never reached the meter, so the next one gets its reading.
        const QByteArray first = answer(meter, CommandFrame::GetStoredData).value(0);
        const QByteArray second = answer(meter, CommandFrame::NextRecord).value(0);
        QVERIFY(answer(meter, CommandFrame::NextRecord).isEmpty());
        const QByteArray third = answer(meter, CommandFrame::NextRecord).value(0);
        QVERIFY(checksumHolds(first));
        QVERIFY(!checksumHolds(second));
        QCOMPARE(second.back(), MessageFrame::Terminator);
        QVERIFY(checksumHolds(third));
        QCOMPARE(at(third, 18), (at(second, 18) + 1) % 60);

        meter.setSilent(true);
        QSignalSpy commands(&meter, &MeterSimulator::commandReceived);
        QVERIFY(answer(meter, CommandFrame::Test).isEmpty());
        QCOMPARE(commands.size(), 1);
        meter.setSilent(false);
        QCOMPARE(answer(meter, CommandFrame::Test).size(), 1);
    }

    void noiseIsABadMessageOfItsOwn()
    {
        MeterOptions options;
        options.noise = 3;
        MeterSimulator meter(options);
        for (int i = 0; i < 200; ++i) {
            const QList<QByteArray> written = answer(meter, CommandFrame::Test);
            QCOMPARE(written.size(), 2);
            QVERIFY(checksumHolds(written[0]));
            QCOMPARE(written[1].size(), 26);
            QCOMPARE(written[1].indexOf(MessageFrame::Terminator), 25);
            QVERIFY(!checksumHolds(written[1]));
        }
        options.noise = 100;
        meter.setOptions(options);
        QCOMPARE(answer(meter, CommandFrame::Test).value(1).indexOf(MessageFrame::Terminator), 99);
    }

    void closeAfterAsksOnceForTheUnplug()
    {
        MeterOptions options;
        options.records = 4;
        options.closeAfter = 2;
        MeterSimulator meter(options);
        QSignalSpy unplug(&meter, &MeterSimulator::unplugRequested);
        answer(meter, CommandFrame::GetStoredData);
        QCOMPARE(unplug.size(), 0);
        answer(meter, CommandFrame::NextRecord);
        answer(meter, CommandFrame::NextRecord);
        answer(meter, CommandFrame::GetStoredData);
        QCOMPARE(unplug.size(), 1);
    }

    void commandLine()
    {
        QString error;
        const auto parse = [&error](QStringList arguments) {
            arguments.prepend(QStringLiteral("tesk-meter-sim"));
            return MeterOptions::fromArguments(arguments, &error);
        };
        auto options = parse({"--link", "/tmp/m", "--values", "ramp:1.5:-0.25", "--units", "64",
                              "--pace", "--cal-due", "2028-02-29", "--cal-factor", "0.985"});
        QVERIFY2(options, qPrintable(error));
        QCOMPARE(options->link, QStringLiteral("/tmp/m"));
        QCOMPARE(options->values, QList<double>{1.5});
        QCOMPARE(options->rampStep, -0.25);
        QCOMPARE(options->units, 64);
        QVERIFY(options->pace);
        QCOMPARE(options->calibrationDue, QDate(2028, 2, 29));
        QCOMPARE(options->calibrationFactor, 0.985);
        QCOMPARE(parse({"--values", "list:1,2.5,1e3"})->values, (QList<double>{1, 2.5, 1000}));

        for (const QStringList &bad : {QStringList{"--values", "list:"},
                                       {"--values", "ramp:1"},
                                       {"--values", "sine:1"},
                                       {"--units", "256"},
                                       {"--records", "x"},
                                       {"--cal-due", "2027-02-30"},
                                       {"--cal-factor", "10"},
                                       {"--frobnicate"},
                                       {"stray"}}) {
            error.clear();
            QVERIFY2(!parse(bad) && !error.isEmpty(), qPrintable(bad.join(u' ')));
        }
    }
};

QTEST_GUILESS_MAIN(MeterSimulatorTest)
#include "tst_meter_simulator.moc"
