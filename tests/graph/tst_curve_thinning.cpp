#include "CurveThinning.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>

class CurveThinningTest : public QObject
{
    Q_OBJECT

private slots:
    // Each row: a background of `count` readings between 0.08 and 0.14, with
    // a spike (and a dip to 0) at each of `marked`, thinned to `limit`.
    void thinnedCurveKeepsEveryPeakTheEndsAndTheOrder_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QList<int>>("marked");
        QTest::newRow("short survey: every reading") << 40 << 3001 << QList<int>{0, 17, 39};
        QTest::newRow("one reading too many") << 3002 << 3001 << QList<int>{1500};
        QTest::newRow("long survey, peaks first and last")
            << 100000 << 3001 << QList<int>{0, 99999};
        QTest::newRow("long survey, peaks spread out")
            << 100000 << 3001 << QList<int>{5, 33333, 33334, 50000, 77777, 99998};
        QTest::newRow("two points: the ends") << 50 << 2 << QList<int>{};
    }

    void thinnedCurveKeepsEveryPeakTheEndsAndTheOrder()
    {
        QFETCH(int, count);
        QFETCH(int, limit);
        QFETCH(QList<int>, marked);
        std::vector<double> values(static_cast<size_t>(count));
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = 0.08 + 0.06 * std::fabs(std::sin(static_cast<double>(i)));
        for (qsizetype k = 0; k < marked.size(); ++k)
            values[static_cast<size_t>(marked[k])] = k % 2 ? 0.0 : 9.0 + static_cast<double>(k);
        const std::vector<size_t> kept = CurveThinning::pick(values, static_cast<size_t>(limit));

        QVERIFY(kept.size() <= static_cast<size_t>(limit));
        QVERIFY(std::is_sorted(kept.begin(), kept.end()));
        QVERIFY(std::adjacent_find(kept.begin(), kept.end()) == kept.end());
        QCOMPARE(kept.front(), size_t{0});
        QCOMPARE(kept.back(), values.size() - 1);
        if (count <= limit)
            QCOMPARE(kept.size(), values.size());
        for (const int index : std::as_const(marked))
            QVERIFY2(std::binary_search(kept.begin(), kept.end(), static_cast<size_t>(index)),
                     qPrintable(QString::number(index)));
    }
};

QTEST_GUILESS_MAIN(CurveThinningTest)
#include "tst_curve_thinning.moc"
