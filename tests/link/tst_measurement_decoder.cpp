#include "DateTimeText.h"
#include "MeasurementDecoder.h"
#include "MessageSamples.h"

#include <QTest>

class MeasurementDecoderTest : public QObject
{
    Q_OBJECT

    const QDateTime computerClock = DateTimeText::wallClock(QDate(2026, 12, 6), QTime(10, 11, 12));

    static QByteArray withTime(int month, int day, int century, int year, int hour, int minute)
    {
        QByteArray message = MessageSamples::workedExample();
        message[13] = static_cast<char>(month);
        message[14] = static_cast<char>(day);
        message[15] = static_cast<char>(century);
        message[16] = static_cast<char>(year);
        message[17] = static_cast<char>(hour);
        message[18] = static_cast<char>(minute);
        return message;
    }

private slots:
    void workedExampleDecodesFieldForField()
    {
        const MeasurementRecord r = MeasurementDecoder::GetDataFromMess(
            MessageSamples::workedExample(), true, computerClock);
        QCOMPARE(r.InstNum, QStringLiteral("12345678901"));
        QCOMPARE(r.time, QStringLiteral("2026-12-05 09:30:00"));
        QCOMPARE(r.vl, QStringLiteral("3.45"));
        QCOMPARE(r.Units, QStringLiteral("mR/h"));
        QCOMPARE(r.Detector, QStringLiteral("HT50"));
        QCOMPARE(r.status, QStringLiteral("ok"));
        QCOMPARE(r.ErrorSn, QStringLiteral(" "));
        QCOMPARE(r.sta, qint16(0));
        // Outside a download the computer's clock stamps the reading.
        QCOMPARE(MeasurementDecoder::GetDataFromMess(MessageSamples::workedExample(), false,
                                                     computerClock)
                     .time,
                 QStringLiteral("2026-12-06 10:11:12"));
    }

    void valueCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("vl");
        QTest::newRow("12345: 345e-2") << 12345 << "3.45";
        QTest::newRow("51234: 234e1") << 51234 << "2340.00";
        QTest::newRow("51000: zero") << 51000 << "0.00";
        QTest::newRow("60123: exponent 0") << 60123 << "123.00";
        QTest::newRow("1234 keeps its blank") << 1234 << "23.40";
        QTest::newRow("999") << 999 << "0.00";
        QTest::newRow("0") << 0 << "0.00";
        QTest::newRow("largest code") << 65535 << "0.01";
        QTest::newRow("59999") << 59999 << "999000000000.00";
        QTest::newRow("13345 rounds half up") << 13345 << "0.35";
    }

    void valueCodes()
    {
        QFETCH(int, code);
        QFETCH(QString, vl);
        const QByteArray message = MessageSamples::measurement(static_cast<quint8>(code / 256),
                                                               static_cast<quint8>(code % 256));
        QCOMPARE(MeasurementDecoder::GetDataFromMess(message, true, computerClock).vl, vl);
    }

    void tables()
    {
        QCOMPARE(MeasurementDecoder::units(80), QStringLiteral("fcpm"));
        QCOMPARE(MeasurementDecoder::units(16), QStringLiteral(" 16"));
        QCOMPARE(MeasurementDecoder::units(3), QStringLiteral(" 3"));
        QCOMPARE(MeasurementDecoder::units(224), QStringLiteral("uCi"));
        QCOMPARE(MeasurementDecoder::units(240), QStringLiteral("fuCi"));
        QCOMPARE(MeasurementDecoder::detector(254), QStringLiteral("Farprobe"));
        QCOMPARE(MeasurementDecoder::detector(255), QStringLiteral("PELLOR"));
        QCOMPARE(MeasurementDecoder::detector(10), QStringLiteral("VX31X"));
        QCOMPARE(MeasurementDecoder::detector(11), QStringLiteral(" 11"));
        const QList<std::pair<int, QString>> statuses = {
            {0, "ok"},          {1, "LowBat"},      {3, "DetFail"},     {5, "OvrThrDose"},
            {15, "OvrThrRate"}, {16, "OvrFlwRate"}, {40, "OvrFlwDose"}, {255, "OvrFlwDose"}};
        for (const auto &[code, word] : statuses)
            QCOMPARE(MeasurementDecoder::status(static_cast<quint8>(code)), word);
    }

    void thresholdMarkFollowsStatusBits()
    {
        for (const auto &[status, mark] : QList<std::pair<int, QString>>{
                 {0, " "}, {1, " "}, {5, "*"}, {8, "*"}, {40, "*"}, {48, " "}}) {
            const QByteArray message =
                MessageSamples::measurement(0x30, 0x39, 1, 5, static_cast<quint8>(status));
            const MeasurementRecord r =
                MeasurementDecoder::GetDataFromMess(message, true, computerClock);
            QCOMPARE(r.ErrorSn, mark);
            QCOMPARE(r.sta, qint16(status));
        }
    }

    void meterTimeRollsOver_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("time");
        QTest::newRow("month 13") << withTime(13, 1, 20, 26, 8, 0) << "2027-01-01 08:00:00";
        QTest::newRow("day 0") << withTime(3, 0, 20, 24, 8, 0) << "2024-02-29 08:00:00";
        QTest::newRow("month 0") << withTime(0, 15, 20, 26, 8, 0) << "2025-12-15 08:00:00";
        QTest::newRow("hour 24") << withTime(12, 31, 20, 26, 24, 0) << "2027-01-01";
        QTest::newRow("minute 75") << withTime(12, 5, 20, 26, 9, 75) << "2026-12-05 10:15:00";
        QTest::newRow("day 40") << withTime(1, 40, 20, 26, 0, 0) << "2026-02-09";
        QTest::newRow("midnight shows the date only")
            << withTime(12, 5, 20, 26, 0, 0) << "2026-12-05";
        QTest::newRow("year 0 cannot be held") << withTime(1, 1, 0, 0, 0, 0) << "1899-12-30";
        QTest::newRow("year 25755 cannot be held")
            << withTime(12, 31, 255, 255, 255, 255) << "1899-12-30";
        QTest::newRow("last year that can")
            << withTime(12, 31, 99, 99, 23, 59) << "9999-12-31 23:59:00";
        QTest::newRow("rolled past the last year")
            << withTime(12, 31, 99, 99, 24, 0) << "1899-12-30";
    }

    void meterTimeRollsOver()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, time);
        QCOMPARE(MeasurementDecoder::GetDataFromMess(message, true, computerClock).time, time);
    }

    void shortMessagesNeverReadOutOfBounds()
    {
        const MeasurementRecord r =
            MeasurementDecoder::GetDataFromMess(QByteArray("\x01*"), true, computerClock);
        QCOMPARE(r.vl, QStringLiteral("0.00"));
        QVERIFY(MeasurementDecoder::isEndOfData(QByteArray("\x01*")));
        QVERIFY(!MeasurementDecoder::isEndOfData(MessageSamples::workedExample()));
    }
};

QTEST_GUILESS_MAIN(MeasurementDecoderTest)
#include "tst_measurement_decoder.moc"
