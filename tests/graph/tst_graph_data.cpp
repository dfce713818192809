#include "GraphController.h"
#include "GraphData.h"
#include "GraphHost.h"
#include "GraphLabels.h"

#include <QTest>

namespace {

constexpr double Minute = 1.0 / 1440;
constexpr double Day0 = 46000.0; // a date in 2025

struct Readings
{
    std::vector<std::array<double, 4>> values;
    std::vector<double> times;
    std::array<QString, 4> names{QStringLiteral("SIM-1")};
    std::array<QString, 4> units{QStringLiteral("uSv/h")};

    // One reading a minute, or at `at` minutes when given.
    explicit Readings(const QList<double> &readings, const QList<double> &at = {})
    {
        for (qsizetype i = 0; i < readings.size(); ++i) {
            values.push_back({readings[i], 0, 0, 0});
            times.push_back(Day0 + (at.isEmpty() ? static_cast<double>(i) : at[i]) * Minute);
        }
    }
    template<typename Target> bool handTo(Target &target, int last, int graphIndex = 0)
    {
        return target.template PutData<4>(names, last, values, units, times, graphIndex, 1);
    }
};

struct Host : GraphHost
{
    int totals = 0;
    void reReadList() override {}
    void GetParamsFromGraph(double &, double &, qint32 &) override { ++totals; }
};

} // namespace

class GraphDataTest : public QObject
{
    Q_OBJECT

private slots:
    void automaticRangeTakesEveryDrawnPoint_data()
    {
        QTest::addColumn<QList<double>>("earlier"); // handed over first, left in later slots
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<QList<double>>("minutes");
        QTest::addColumn<double>("bottom");
        QTest::addColumn<double>("top");
        const QList<double> none;
        QTest::newRow("first reading is the peak")
            << none << QList<double>{9, 0.5, 0.7, 0.6, 0.55, 0.65, 0.6, 0.5} << none << 0.4 << 9.9;
        QTest::newRow("readings at the time of point 0")
            << none << QList<double>{100, 0, 5, 5, 5, 5, 5, 5}
            << QList<double>{0, 0, 0, 1, 2, 3, 4, 5} << 0.0 << 110.0;
        QTest::newRow("equal readings widen")
            << none << QList<double>(8, 5.0) << none << 4.0 << 6.6;
        QTest::newRow("slots beyond the shown points")
            << QList<double>(20, 50.0) << QList<double>{1, 2, 3, 4, 5, 6, 7, 8} << none << 0.8
            << 7.7;
    }

    void automaticRangeTakesEveryDrawnPoint()
    {
        QFETCH(QList<double>, earlier);
        QFETCH(QList<double>, readings);
        QFETCH(QList<double>, minutes);
        QFETCH(double, bottom);
        QFETCH(double, top);
        GraphData data;
        if (!earlier.isEmpty())
            QVERIFY(Readings(earlier).handTo(data, static_cast<int>(earlier.size()) - 1));
        // The last point handed over is not drawn: the main window hands its
        // newest reading over with the next one.
        QVERIFY(Readings(readings, minutes).handTo(data, static_cast<int>(readings.size()) - 1));
        QCOMPARE(data.ScaleMin[0], bottom);
        QCOMPARE(data.ScaleMax[0], top);
        // The missing channel: below the bottom, not seen.
        QCOMPARE(data.ScaleMin[1], -0.8);
        QCOMPARE(data.ScaleMax[1], 0.0);
    }

    void manualScaleIsTheAutomaticOneAndFixedScalesStartAtZero()
    {
        GraphData data;
        QVERIFY(Readings(QList<double>(8, 5.0)).handTo(data, 7));
        data.Scaling = GraphController::ScalingManual;
        data.CalculateScale();
        QCOMPARE(data.ScaleMin[0], 4.0);
        data.Scaling = 3;
        data.CalculateScale();
        QCOMPARE(data.ScaleMin[0], 0.0);
        QCOMPARE(data.ScaleMax[0], 100.0);
        QCOMPARE(data.frame.top, 100.0f);
        QCOMPARE(data.frame.height, -100.0f);
    }

    void rangeSelectionNeedsFivePointsTakesEitherDirectionAndDropsDataDuringADrag()
    {
        GraphData data;
        Readings list({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        data.Selecting = 1;
        QVERIFY(!list.handTo(data, 9));
        QCOMPARE(data.AllNumberOfPoints, 0);
        data.Selecting = 0;
        QVERIFY(list.handTo(data, 9));
        // Four points: nothing changes.
        data.RangeStart = 2 * Minute;
        QVERIFY(!data.selectRange(5 * Minute));
        QCOMPARE(data.NumberOfPoints, 9);
        // Right to left over five points.
        data.RangeStart = 7 * Minute;
        QVERIFY(data.selectRange(3 * Minute));
        QCOMPARE(data.NumberOfPoints, 4);
        QCOMPARE(data.FirstTime, Day0 + 3 * Minute);
        QCOMPARE(data.Values[0][0], 4.0);
        QVERIFY(std::abs(data.Times[4] - 4 * Minute) < 1e-9);
    }

    void nearestPointTieTakesTheLaterOneAndMayPassTheEnd()
    {
        GraphData data;
        // Quarters of a day are exact in binary, so 0.375 is truly half-way
        // between 0.25 and 0.5 (no fraction of a minute is: 1/1440 is not).
        data.NumberOfPoints = 3;
        data.Times = {0, 0.25, 0.5, 0.75};
        QCOMPARE(data.nearestPoint(0.375), 2);
        QCOMPARE(data.nearestPoint(0.37), 1);
        QCOMPARE(data.nearestPoint(-1.0), 0);
        // Beyond the last drawn point (2): the point after it is nearer.
        QCOMPARE(data.nearestPoint(0.7), 3);
    }

    void totalsWeighChannelsByTheFlowOverTheSeconds()
    {
        GraphData data;
        data.NumberOfPoints = 3;
        data.Times = {0, Minute, 3 * Minute, 10 * Minute};
        data.Values = {{9, 9, 9}, {2, 3, 0.5}, {4, 1, 2}, {100, 100, 100}};
        const GraphData::Totals totals = data.CalcTotals();
        QCOMPARE(totals.TotCounts1, 60 * 2 * 0.5 + 120 * 4 * 2.0);
        QCOMPARE(totals.TotCounts2, 60 * 3 * 0.5 + 120 * 1 * 2.0);
        QCOMPARE(totals.TotSec, 180);
    }

    void valueLabelsTakeTheDecimalsThatTellNeighboursApart_data()
    {
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("bottom");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("whole numbers")
            << 100.0 << 0.0 << 6 << QStringList{"100-", "80-", "60-", "40-", "20-", "0-"};
        QTest::newRow("one decimal suffices")
            << 6.6 << 1.6 << 3 << QStringList{"6.6-", "4.1-", "1.6-"};
        // Readings of 0.08 to 0.14 widened.
        QTest::newRow("background dose rate")
            << 0.154 << 0.064 << 5 << QStringList{"0.15-", "0.13-", "0.11-", "0.09-", "0.06-"};
        QTest::newRow("no more than six decimals")
            << 1.00000001 << 1.0 << 3 << QStringList{"1-", "1-", "1-"};
    }

    void valueLabelsTakeTheDecimalsThatTellNeighboursApart()
    {
        QFETCH(double, top);
        QFETCH(double, bottom);
        QFETCH(int, count);
        QFETCH(QStringList, captions);
        GraphData data;
        data.ScaleMin = {bottom, 3.25};
        data.ScaleMax = {top, 12.25};
        QCOMPARE(GraphLabels::leftCaptions(data, count), captions);
    }

    void labelTextsAndLayout()
    {
        GraphData data;
        data.ScaleMin = {0, 3.25};
        data.ScaleMax = {100, 12.25};
        QCOMPARE(GraphLabels::rightCaptions(data, 2), QStringList({"-12.2", "-3.2"}));
        data.ScaleMin[1] = -3.25;
        QCOMPARE(GraphLabels::rightCaptions(data, 2).last(), QStringLiteral("--3.2"));
        QCOMPARE(GraphLabels::valueText(-0.04), QStringLiteral("0"));
        QCOMPARE(GraphLabels::valueText(12.46), QStringLiteral("12.5"));
        // The counts come from the picture (105 high: 3.5 label rows, 4 labels;
        // 420 wide: 3.5 time labels, 4), the places from the scale inside it.
        const GraphLabels::Layout inside =
            GraphLabels::layout(QSize(420, 105), QRect(45, 50, 410, 95), 10, 100);
        QCOMPARE(inside.YLabelCount, 4);
        QCOMPARE(inside.valueTops, QList<int>({45, 77, 109, 141}));
        QCOMPARE(inside.XLabelCount, 4);
        QCOMPARE(inside.timeLefts, QList<int>({-5, 132, 269, 406}));
        QCOMPARE(inside.timeTop, 150);
        QCOMPARE(GraphLabels::layout(QRect(0, 0, 200, 60), 10, 100).YLabelCount, 2);
        QCOMPARE(GraphLabels::layout(QRect(0, 0, 200, 900), 10, 100).YLabelCount, 10);
        QCOMPARE(GraphLabels::layout(QRect(0, 0, 900, 900), 10, 100).XLabelCount, 5);
    }

    // Each row: the actions in turn (a: the graph comes to the front, g: its
    // Online button, o: the options window's Online button), each followed by
    // whether readings are pushed then (1) or not (0).
    void graphsOnlineCaptionAndThePushesNeverDisagree_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::newRow("graph's button") << "a0g1a1";
        QTest::newRow("options window on until activation") << "a0o1a0";
        QTest::newRow("options window off until activation") << "a0g1o0a1";
        QTest::newRow("options window on, then graph's button") << "a0o1g1a1";
    }

    void graphsOnlineCaptionAndThePushesNeverDisagree()
    {
        QFETCH(QString, steps);
        Host host;
        GraphController graph(host);
        for (qsizetype i = 0; i + 1 < steps.size(); i += 2) {
            const QChar action = steps[i];
            if (action == u'a')
                graph.activated();
            else if (action == u'g')
                graph.onlineSwitch();
            else
                graph.dataHandleOnlineClicked();
            if (action == u'a')
                QCOMPARE(graph.bOnline(), graph.GraphOnline());
            QCOMPARE(graph.onlineButtonCaption() == QStringLiteral("OffLine"), graph.bOnline());
            QCOMPARE(graph.onlineMenuCaption().compare(QStringLiteral("OffLine"),
                                                       Qt::CaseInsensitive) == 0,
                     graph.bOnline());
            QCOMPARE(graph.bOnline(), steps[i + 1] == u'1');
        }
    }

    // Clicks, a drag's zoom and online turning off are driven through the window in
    // tests/app/tst_graph.
    void arrowKeysStepWithinTheDrawnPointsAndListRowsAreNewestFirst()
    {
        Host host;
        GraphController graph(host);
        Readings list({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
        QVERIFY(list.handTo(graph, 13));
        graph.CurPoint = 12;
        graph.stepCursor(+1, false); // 12 is the last drawn point
        QCOMPARE(graph.CurPoint, 12);
        graph.stepCursor(-1, true);
        QCOMPARE(graph.CurPoint, 2);
        QCOMPARE(graph.markerPoint(), 2);
        graph.stepCursor(+1, true);
        QCOMPARE(graph.CurPoint, 12);
        graph.drawingFinished();
        QVERIFY(!graph.markerPoint());
        QCOMPARE(host.totals, 1);

        // The list's rows are newest first and follow Togle.
        list = Readings({1, 2, 3, 4, 5, 6, 7, 8});
        QVERIFY(list.handTo(graph, 6));
        QList<GraphController::ListRow> rows = graph.listRows();
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows.first().value1, QStringLiteral("7"));
        QCOMPARE(rows.first().value2, QStringLiteral("-1"));
        QCOMPARE(rows.last().value1, QStringLiteral("1"));
        graph.btTogle();
        QCOMPARE(graph.listRows().first().value1, QStringLiteral("-1"));
        // The next hand-off keeps the point's name in the title.
        QVERIFY(list.handTo(graph, 7, -1));
        QCOMPARE(graph.title(), QStringLiteral("Graph for point SIM-1"));
        // Channel 2 is no channel Togle could leave: it becomes 1.
        QVERIFY(list.handTo(graph, 7, 2));
        graph.btTogle();
        QCOMPARE(graph.data().GraphIndex, 0);
    }
};

QTEST_GUILESS_MAIN(GraphDataTest)
#include "tst_graph_data.moc"
