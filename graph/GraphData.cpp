#include "GraphData.h"

#include <cmath>

namespace {

constexpr double NoMinimum = 9999999.0;

// A difference of date-times taken as a time of day, in whole seconds.
qint64 timeOfDaySeconds(double days)
{
    const double fraction = days - std::floor(days);
    return std::llround(fraction * 86400.0) % 86400;
}

} // namespace

GraphData::GraphData()
    : AllValues(PointCapacity, Point{})
    , AllTimes(PointCapacity, 0.0)
    , Values(PointCapacity, Point{})
    , Times(PointCapacity, 0.0)
{
    UnitNames.fill(QString(UnitWidth, QChar(u' ')));
}

qint16 GraphData::PutDataForGraph()
{
    if (RangeStart > RangeEnd)
        std::swap(RangeStart, RangeEnd);
    const auto inRange = [this](int j) {
        const double t = AllTimes[static_cast<size_t>(j)];
        return RangeStart <= t && t <= RangeEnd;
    };
    int found = 0;
    for (int j = 0; j <= AllNumberOfPoints && found < PointsNeeded; ++j)
        found += inRange(j) ? 1 : 0;
    if (found < PointsNeeded)
        return 0;
    int c = -1;
    for (int j = 0; j <= AllNumberOfPoints; ++j) {
        if (!inRange(j))
            continue;
        const auto p = static_cast<size_t>(j);
        if (++c == 0)
            FirstTime = AllTimes[p];
        Values[static_cast<size_t>(c)] = AllValues[p];
        Times[static_cast<size_t>(c)] = AllTimes[p] - FirstTime;
    }
    return static_cast<qint16>(c);
}

bool GraphData::showAll()
{
    RangeStart = AllTimes[0];
    RangeEnd = AllTimes[static_cast<size_t>(AllNumberOfPoints)];
    return showRange();
}

bool GraphData::selectRange(double x)
{
    RangeStart += FirstTime;
    RangeEnd = x + FirstTime;
    return showRange();
}

bool GraphData::showRange()
{
    const qint16 n = PutDataForGraph();
    if (n <= 0)
        return false;
    NumberOfPoints = n;
    CalculateScale();
    return true;
}

void GraphData::CalculateScale()
{
    ScaleMin = {NoMinimum, NoMinimum};
    ScaleMax = {0.0, 0.0};
    TimeMin = Times[0];
    const int last = lastDrawn();
    TimeMax = last >= 0 ? Times[static_cast<size_t>(last)] : 0.0;
    if (Scaling == 0 || Scaling == 1) {
        // Every point the curves run through, point 0 and the points at its
        // time included: a first reading that is the survey's peak stays
        // inside the picture.
        for (int i = 0; i <= last; ++i) {
            const auto p = static_cast<size_t>(i);
            for (size_t c = 0; c < 2; ++c) {
                ScaleMin[c] = std::min(ScaleMin[c], Values[p][c]);
                ScaleMax[c] = std::max(ScaleMax[c], Values[p][c]);
            }
        }
        for (size_t c = 0; c < 2; ++c) {
            if (ScaleMin[c] == ScaleMax[c])
                ScaleMax[c] = ScaleMin[c] + 1;
            ScaleMin[c] *= 0.8;
            ScaleMax[c] *= 1.1;
        }
    } else if (Scaling >= 2 && Scaling <= 4) {
        const double top = Scaling == 2 ? 10.0 : Scaling == 3 ? 100.0 : 1000.0;
        ScaleMin = {0.0, 0.0};
        ScaleMax = {top, top};
    }
    if (TimeMax <= 0)
        return;
    frame.left = static_cast<float>(TimeMin);
    frame.width = static_cast<float>(TimeMax - TimeMin);
    frame.top = static_cast<float>(ScaleMax[0]);
    frame.height = static_cast<float>(-(ScaleMax[0] - ScaleMin[0]));
}

double GraphData::MapToLeftScale(double value) const
{
    return (value - ScaleMin[1]) * ((ScaleMax[0] - ScaleMin[0]) / (ScaleMax[1] - ScaleMin[1])) +
           ScaleMin[0];
}

GraphData::Totals GraphData::CalcTotals() const
{
    Totals totals;
    const int last = lastDrawn();
    for (int i = 0; i < last; ++i) {
        const auto p = static_cast<size_t>(i);
        const auto s = static_cast<double>(timeOfDaySeconds(Times[p + 1] - Times[p]));
        totals.TotCounts1 += s * Values[p + 1][0] * Values[p + 1][2];
        totals.TotCounts2 += s * Values[p + 1][1] * Values[p + 1][2];
    }
    if (last >= 0)
        totals.TotSec =
            static_cast<qint32>(timeOfDaySeconds(Times[static_cast<size_t>(last)] - Times[0]));
    return totals;
}

int GraphData::nearestPoint(double x) const
{
    const auto fx = static_cast<float>(x);
    int i = 0;
    while (i < NumberOfPoints && static_cast<float>(Times[static_cast<size_t>(i)]) < fx)
        ++i;
    if (i >= 1 && std::abs(Times[static_cast<size_t>(i - 1)] - x) <
                      std::abs(Times[static_cast<size_t>(i)] - x))
        return i - 1;
    return i;
}
