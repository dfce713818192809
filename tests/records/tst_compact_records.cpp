#include "CompactRecords.h"
#include "DateTimeText.h"
#include "TextPool.h"

#include <QTest>

#include <algorithm>
#include <limits>

namespace {

RecordFields reading(int n)
{
    RecordFields r;
    r.instrument = QStringLiteral("12345678901");
    r.time = DateTimeText::wallClock(QDate(2026, 12, 5), QTime(9, 30)).addSecs(5LL * n);
    r.valueText = QString::number(n % 1000) + QStringLiteral(".25");
    r.value = n % 1000 + 0.25;
    r.units = QStringLiteral("uSv/h");
    r.status = n % 7;
    r.detector = QStringLiteral("GM");
    return r;
}

template<typename Change> RecordFields changed(Change change)
{
    RecordFields r = reading(1);
    change(r);
    return r;
}

} // namespace

Q_DECLARE_METATYPE(RecordFields)

class TestCompactRecords : public QObject
{
    Q_OBJECT

private slots:
    void everyRecordReadsBackAsItWasPutIn_data()
    {
        QTest::addColumn<RecordFields>("record");
        QTest::newRow("ordinary") << reading(3);
        QTest::newRow("midnight") << changed([](RecordFields &r) {
            r.time = DateTimeText::wallClock(QDate(2026, 12, 6), QTime(0, 0));
        });
        QTest::newRow("milliseconds, first year") << changed([](RecordFields &r) {
            r.time = DateTimeText::wallClock(QDate(DateTimeText::FirstYear, 1, 1),
                                             QTime(23, 59, 59, 999));
        });
        QTest::newRow("no time") << changed([](RecordFields &r) { r.time = QDateTime(); });
        QTest::newRow("local time") << changed([](RecordFields &r) {
            r.time = QDateTime(QDate(2026, 3, 29), QTime(1, 30), Qt::LocalTime);
        });
        QTest::newRow("negative codes and values") << changed([](RecordFields &r) {
            r.status = std::numeric_limits<int>::min();
            r.value = -1e300;
            r.valueText = QStringLiteral("-999999.99");
            r.marked = true;
        });
        QTest::newRow("empty texts") << changed([](RecordFields &r) {
            r.instrument.clear();
            r.valueText.clear();
            r.value = 0;
            r.units.clear();
            r.detector.clear();
        });
        QTest::newRow("Latin-1 upper half") << changed([](RecordFields &r) {
            r.units = QStringLiteral("\u00b5Sv/h");
            r.detector = QStringLiteral("D\u00e9tecteur \u00ff");
        });
        QTest::newRow("beyond Latin-1") << changed([](RecordFields &r) {
            r.detector = QStringLiteral("\u03b2\u2013\u03b3 \u691c\u51fa\u5668 \U0001F600");
            r.instrument = QString(QChar(0xd800)) + QStringLiteral("lone surrogate");
        });
        QTest::newRow("line-long texts") << changed([](RecordFields &r) {
            r.instrument = QString(4096, u'9');
            r.detector = QString(4000, QChar(0x4e2d));
        });
        // Longer than a block of the pool, which then takes one of its own.
        QTest::newRow("texts past a block") << changed([](RecordFields &r) {
            r.detector = QString(TextPool::BlockBytes, QChar(0x0416));
            r.units = QString(TextPool::BlockBytes + 3, u'u');
        });
    }

    void everyRecordReadsBackAsItWasPutIn()
    {
        QFETCH(RecordFields, record);
        // Among ordinary records, so that texts shared with the neighbours count.
        const std::vector<RecordFields> given{reading(0), record, record, reading(2), record};
        CompactRecords records(std::vector<RecordFields>{reading(4), reading(5), reading(6)});
        // Put in again, they replace the earlier ones.
        records = given;
        QCOMPARE(records.size(), given.size());
        for (size_t i = 0; i < given.size(); ++i) {
            QCOMPARE(records[i], given[i]);
            QCOMPARE(records[i].time.timeSpec(), given[i].time.timeSpec());
        }
    }

    void aLongListWithManyDifferentTextsReadsBackWhole()
    {
        // More different texts than the pool keeps an index of, over many blocks.
        const int count = static_cast<int>(TextPool::MaxKnownTexts) + 5000;
        std::vector<RecordFields> given;
        CompactRecords records;
        for (int n = 0; n < count; ++n) {
            RecordFields r = reading(n);
            r.valueText = QString::number(n) + QStringLiteral(".00");
            r.detector = QStringLiteral("probe %1 of a long survey").arg(n % 3 ? n : 0);
            r.instrument = QString::number(n % 3);
            records.push_back(r);
            given.push_back(r);
        }
        QVERIFY(std::equal(records.begin(), records.end(), given.begin(), given.end()));
        QCOMPARE(records.back(), given.back());
        records.clear();
        QVERIFY(records.empty());
    }
};

QTEST_GUILESS_MAIN(TestCompactRecords)
#include "tst_compact_records.moc"
