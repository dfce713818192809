#include "RecordLine.h"

#include <QTest>

class TestRecordLine : public QObject
{
    Q_OBJECT

private:
    static MeasurementRecord sample()
    {
        MeasurementRecord r;
        r.InstNum = QStringLiteral("12345678901");
        r.time = QStringLiteral("2024-05-01 10:11:12");
        r.vl = QStringLiteral("12.50");
        r.Units = QStringLiteral("uSv/h");
        r.Detector = QStringLiteral("GM tube");
        r.ErrorSn = QStringLiteral("*");
        return r;
    }

private slots:
    // The whole line is compared after a download in tests/app.
    void theReadPositionsFindTheFieldsOfAFormattedLine()
    {
        const QString line = RecordLine::format(sample());
        QCOMPARE(RecordLine::instrumentText(line), QStringLiteral("12345678901  "));
        QCOMPARE(RecordLine::timeText(line).trimmed(), QStringLiteral("2024-05-01 10:11:12"));
        QCOMPARE(RecordLine::valueText(line), QStringLiteral("12.50   "));
        QCOMPARE(RecordLine::unitsText(line), QStringLiteral("uSv/h    "));
        QCOMPARE(RecordLine::valueText(u"too short"), QStringView());
    }

    void aLongFieldShiftsTheLaterOnes()
    {
        MeasurementRecord r = sample();
        r.sta = 200;
        QCOMPARE(RecordLine::format(r).mid(63, 5), QStringLiteral(" 200G"));
        r.InstNum = QStringLiteral("ABCDEFGHIJKLMNOPQRST"); // 20 characters: 6 past the field
        const QString line = RecordLine::format(r);
        QCOMPARE(line.size(), 84);
        QCOMPARE(RecordLine::instrumentText(line), QStringLiteral("ABCDEFGHIJKLM"));
        QCOMPARE(RecordLine::timeText(line).left(7), QStringLiteral("OPQRST2"));
    }
};

QTEST_GUILESS_MAIN(TestRecordLine)
#include "tst_record_line.moc"
