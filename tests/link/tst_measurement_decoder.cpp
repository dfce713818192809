#include "CalibrationRecord.h"
#include "DateTimeText.h"
#include "MeasurementDecoder.h"
#include "MessageSamples.h"

#include <QTest>

// Downloads and online readings through the whole program are in tests/app; these are
// the codes the simulated meter never sends.
class MeasurementDecoderTest : public QObject
{
    Q_OBJECT

    const QDateTime computerClock = DateTimeText::wallClock(QDate(2026, 12, 6), QTime(10, 11, 12));

    static QByteArray withTime(int month, int day, int century, int year, int hour, int minute)
    {
        QByteArray message = MessageSamples::workedExample();
        int at = 13;
        for (const int field : {month, day, century, year, hour, minute})
            message[at++] = static_cast<char>(field);
        return message;
    }

    MeasurementRecord decode(const QByteArray &message) const
    {
        return MeasurementDecoder::GetDataFromMess(message, true, computerClock);
    }

private slots:
    void valueCodeIsReadAsTheMeterShowsIt_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("vl");
        QTest::newRow("51234: 234e1") << 51234 << "2340.00";
        QTest::newRow("60123: exponent 0") << 60123 << "123.00";
        QTest::newRow("1234 keeps its blank") << 1234 << "23.40";
        QTest::newRow("999") << 999 << "0.00";
        QTest::newRow("largest code") << 65535 << "0.01";
        QTest::newRow("59999") << 59999 << "999000000000.00";
        QTest::newRow("13345 rounds half up") << 13345 << "0.35";
    }

    void valueCodeIsReadAsTheMeterShowsIt()
    {
        QFETCH(int, code);
        QFETCH(QString, vl);
        const QByteArray message = MessageSamples::measurement(static_cast<quint8>(code / 256),
                                                               static_cast<quint8>(code % 256));
        QCOMPARE(decode(message).vl, vl);
    }

    void thresholdMarkFollowsStatusBits()
    {
        for (const auto &[status, mark] : QList<std::pair<int, QString>>{
                 {0, " "}, {1, " "}, {5, "*"}, {8, "*"}, {40, "*"}, {48, " "}}) {
            const QByteArray message =
                MessageSamples::measurement(0x30, 0x39, 1, 5, static_cast<quint8>(status));
            QCOMPARE(decode(message).ErrorSn, mark);
        }
    }

    void meterTimeOutOfRangeRollsOverOrFallsToDayZero_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("time");
        QTest::newRow("month 13") << withTime(13, 1, 20, 26, 8, 0) << "2027-01-01 08:00:00";
        QTest::newRow("day 0") << withTime(3, 0, 20, 24, 8, 0) << "2024-02-29 08:00:00";
        QTest::newRow("month 0") << withTime(0, 15, 20, 26, 8, 0) << "2025-12-15 08:00:00";
        QTest::newRow("hour 24") << withTime(12, 31, 20, 26, 24, 0) << "2027-01-01";
        QTest::newRow("minute 75") << withTime(12, 5, 20, 26, 9, 75) << "2026-12-05 10:15:00";
        QTest::newRow("year 0 cannot be held") << withTime(1, 1, 0, 0, 0, 0) << "1899-12-30";
        QTest::newRow("last year that can")
            << withTime(12, 31, 99, 99, 23, 59) << "9999-12-31 23:59:00";
        QTest::newRow("rolled past the last year")
            << withTime(12, 31, 99, 99, 24, 0) << "1899-12-30";
    }

    void meterTimeOutOfRangeRollsOverOrFallsToDayZero()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, time);
        QCOMPARE(decode(message).time, time);
    }

    void shortMessagesNeverReadOutOfBounds()
    {
        QCOMPARE(decode(QByteArray("\x01*")).vl, QStringLiteral("0.00"));
        QVERIFY(MeasurementDecoder::isEndOfData(QByteArray("\x01*")));
        QCOMPARE(CalibrationRecord::fromMessage(QByteArray("\2AB")).meter, QStringLiteral("AB"));
    }

    void calibrationRecordReadsTheFactorInThousandthsAndTheDueDate()
    {
        const auto factor = [](const QByteArray &digits) {
            return CalibrationRecord::fromMessage(MessageSamples::calibration("M", digits, "", ""))
                .factor;
        };
        QCOMPARE(factor("0985"), QStringLiteral("0.985"));
        QCOMPARE(factor("1000"), QStringLiteral("1"));
        QCOMPARE(factor("12x4"), QStringLiteral("0.012"));
        const CalibrationRecord record = CalibrationRecord::fromMessage(
            MessageSamples::calibration("M-0042", "1250", "J. Calibrator", "01022027"));
        QCOMPARE(record.name, QStringLiteral("J. Calibrato"));
        QCOMPARE(record.due, QStringLiteral("01/02/2027"));
    }
};

QTEST_GUILESS_MAIN(MeasurementDecoderTest)
#include "tst_measurement_decoder.moc"
