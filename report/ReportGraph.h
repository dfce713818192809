#pragma once

#include "CompactRecords.h"
#include "RecordFields.h"

#include <QDateTime>
#include <QRectF>
#include <QString>

#include <vector>

class QPainter;

// The report's graph of one unit's readings over the survey: a value scale
// of round steps holding every reading, time ticks on round clock steps, the
// thresholds as lines, and the levels that lie outside the scale named below.
class ReportGraph
{
public:
    // Up to this many readings of a unit are drawn one by one; more are thinned
    // to the lowest and highest of each of ThinnedColumns stretches of time.
    static constexpr size_t DrawnWhole = 3000;
    static constexpr int ThinnedColumns = 1000;

    struct Scale
    {
        double low = 0;
        double high = 1;
        double step = 1;  // 1, 2 or 5 x 10^k
        int decimals = 0; // as many as the step needs
    };
    struct Level
    {
        QString name; // "Warning", "Alarm"
        double value = 0;
    };

    // A scale from at most about `most` steps whose ends hold `minimum` and
    // `maximum` with room to spare; it starts at 0 for readings of 0 and over.
    static Scale valueScale(double minimum, double maximum, int most);
    // A round step of the clock (seconds, minutes, hours, days) giving at most
    // about `most` ticks over `spanSeconds`.
    static qint64 timeStep(qint64 spanSeconds, int most);
    // The readings of `units` to draw, in time order: all of them, or when
    // there are more than DrawnWhole, the lowest and highest of each stretch
    // of time between `first` and `last` together with the unit's earliest
    // and latest reading, so no peak is lost.
    static std::vector<RecordFields> points(const CompactRecords &records, const QString &units,
                                           const QDateTime &first, const QDateTime &last);
    // "Alarm 5.00, above the scale"; empty when the level lies inside it.
    static QString outsideNote(const Level &level, const Scale &scale);
    static QString levelText(double value);

    // Draws the graph of `points` (all of `units`, `total` readings of them)
    // in `area` with the painter's font; the time axis runs from `first` to `last`.
    static void paint(QPainter &painter, const QRectF &area,
                      const std::vector<RecordFields> &points, const QString &units,
                      qint64 total, const QDateTime &first, const QDateTime &last,
                      const std::vector<Level> &levels);
};
