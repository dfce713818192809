#include "DateTimeText.h"
#include "SerialDate.h"

#include <QTest>

class DateTimeTextTest : public QObject
{
    Q_OBJECT

    static QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
    {
        return DateTimeText::wallClock(QDate(y, mo, d), QTime(h, mi, s));
    }

private slots:
    void parseAcceptsBothFormsAndNothingElse()
    {
        QCOMPARE(DateTimeText::parse(u" 2026-12-05 09:30:00   "), at(2026, 12, 5, 9, 30));
        QCOMPARE(DateTimeText::parse(u"2026-12-05"), at(2026, 12, 5));
        for (const char16_t *bad :
             {u"", u"2026-13-01", u"2026-02-30", u"2026-12-05 24:00:00", u"2026/12/05",
              u"2026-12-05T09:30:00", u"26-12-05", u"abcd-ef-gh", u"0099-12-05"})
            QVERIFY2(!DateTimeText::parse(bad), QString::fromUtf16(bad).toUtf8());
    }

    void serialDatesRoundTripAndRefuseWhatNoDateHolds()
    {
        QCOMPARE(SerialDate::fromDateTime(at(1899, 12, 30)), 0.0);
        QCOMPARE(SerialDate::fromDateTime(at(1900, 1, 1, 12)), 2.5);
        QCOMPARE(SerialDate::toDateTime(-1.25), at(1899, 12, 29, 6));
        const QDateTime stamp = at(2026, 12, 5, 9, 30, 7);
        QCOMPARE(SerialDate::toDateTime(SerialDate::fromDateTime(stamp)), stamp);
        QCOMPARE(SerialDate::toDateTime(46000.999999999),
                 at(2025, 12, 10)); // rounds into the next day
        QVERIFY(!SerialDate::toDateTime(1e12).isValid());
        QVERIFY(!SerialDate::toDateTime(qQNaN()).isValid());
    }
};

QTEST_GUILESS_MAIN(DateTimeTextTest)
#include "tst_date_time_text.moc"
