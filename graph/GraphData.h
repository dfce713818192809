#pragma once

#include <QString>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

// The graph's own copy of the readings of one measuring point: the full set
// (up to 3,001 points of three channels) and the shown subset (the whole set
// or a time range), with the vertical and horizontal scale worked out from
// the shown points. Times are date-times in days; the shown set's times are
// relative to its first point. No widget: the windows only draw what this
// holds.
class GraphData
{
public:
    static constexpr int PointCapacity = 3002; // points 0..3001
    static constexpr int LastFullIndex = 3000;
    static constexpr int ChannelCount = 3;
    static constexpr int UnitWidth = 10;
    static constexpr int PointsNeeded = 5;     // in a range, for it to be shown
    static constexpr double Unsupplied = -1.0; // every point of a channel not handed over

    using Point = std::array<double, ChannelCount>;

    // The picture's coordinate system: x runs from left over width, y from
    // top downwards over height (negative: values grow upwards).
    struct Frame
    {
        float left = 0;
        float width = 1;
        float top = 1;
        float height = -1;
    };

    struct Totals
    {
        double TotCounts1 = 0;
        double TotCounts2 = 0;
        qint32 TotSec = 0;
    };

    GraphData();

    // The hand-off from the main window. `values` and `times` are indexed by
    // point, `values` rows by channel; `graphIndex` -1 keeps the selected
    // channel. True when new data is shown; false while a range drag is in
    // progress or when fewer than 5 points lie in the range.
    template<std::size_t Channels>
    bool PutData(std::span<const QString> pointName, int numPnt,
                 std::span<const std::array<double, Channels>> values,
                 std::span<const QString> units, std::span<const double> times, int graphIndex,
                 int numOfar)
    {
        return putData(
            pointName, numPnt,
            [&](int j, int k) { return values[static_cast<size_t>(j)][static_cast<size_t>(k)]; },
            static_cast<int>(std::min(values.size(), times.size())), units, times, graphIndex,
            std::min(numOfar, static_cast<int>(Channels)));
    }

    // Copies the points of the full set between RangeStart and RangeEnd (both
    // included, swapped when reversed) into the shown set; the index of the
    // last one copied, or 0 (shown set untouched) when fewer than 5 lie there.
    qint16 PutDataForGraph();
    // Shows the whole set again; false (nothing changed) when it is too small.
    bool showAll();
    void CalculateScale();
    double MapToLeftScale(double value) const;
    Totals CalcTotals() const;

    // The nearest shown point to relative time x: a tie takes the later one,
    // and the search can end on NumberOfPoints, one past the last drawn point.
    int nearestPoint(double x) const;

    // Ends a range drag at x (relative days): on success the range becomes the
    // shown set and the result is true.
    bool selectRange(double x);

    bool twoChannels() const { return Values[1][1] != Unsupplied; }
    // The absolute date-time of shown point i.
    double absoluteTime(int i) const { return FirstTime + Times[static_cast<size_t>(i)]; }

    // The last shown point that the curves, the scale and the arrow keys
    // reach: the one before NumberOfPoints, or NumberOfPoints itself for a
    // saved file, where no newer reading is still to come.
    int lastDrawn() const { return throughLastPoint ? NumberOfPoints : NumberOfPoints - 1; }

    qint16 NumberOfPoints = 0;
    qint16 AllNumberOfPoints = 0;
    bool throughLastPoint = false;
    qint16 Scaling = 0;
    qint16 GraphIndex = 0;
    qint16 Selecting = 0;

    std::vector<Point> AllValues;
    std::vector<double> AllTimes;
    std::vector<Point> Values;
    std::vector<double> Times;
    double FirstTime = 0;
    double RangeStart = 0;
    double RangeEnd = 0;
    std::array<QString, ChannelCount> UnitNames;
    QString GraphPointName;
    std::array<double, 2> ScaleMin{};
    std::array<double, 2> ScaleMax{};
    double TimeMin = 0;
    double TimeMax = 0;
    Frame frame;

private:
    // Shows the points of RangeStart..RangeEnd when there are enough of them.
    bool showRange();
    template<typename Get>
    bool putData(std::span<const QString> pointName, int numPnt, Get get, int supplied,
                 std::span<const QString> units, std::span<const double> times, int graphIndex,
                 int numOfar);
};

template<typename Get>
bool GraphData::putData(std::span<const QString> pointName, int numPnt, Get get, int supplied,
                        std::span<const QString> units, std::span<const double> times,
                        int graphIndex, int numOfar)
{
    if (Selecting == 1 || supplied <= 0)
        return false;
    // Channels 0 and 1 are the measured ones; Togle switches between them.
    if (graphIndex != -1)
        GraphIndex = static_cast<qint16>(std::clamp(graphIndex, 0, 1));
    AllNumberOfPoints =
        static_cast<qint16>(std::clamp(numPnt, 0, std::min(LastFullIndex, supplied - 1)));
    numOfar = std::clamp(numOfar, 1, ChannelCount);
    for (int k = 0; k < numOfar && k < static_cast<int>(units.size()); ++k)
        UnitNames[static_cast<size_t>(k)] =
            units[static_cast<size_t>(k)].left(UnitWidth).leftJustified(UnitWidth, QChar(u' '));
    // The main window names channel 0 only: a switched channel keeps that name.
    const auto index = static_cast<size_t>(GraphIndex);
    if (index < pointName.size() && !pointName[index].isEmpty())
        GraphPointName = pointName[index];
    else if (!pointName.empty())
        GraphPointName = pointName[0];
    for (int j = 0; j <= AllNumberOfPoints; ++j) {
        const auto p = static_cast<size_t>(j);
        AllTimes[p] = times[p];
        AllValues[p][1] = AllValues[p][2] = Unsupplied;
        for (int k = 0; k < numOfar; ++k)
            AllValues[p][static_cast<size_t>(k)] = get(j, k);
    }
    return showAll();
}
