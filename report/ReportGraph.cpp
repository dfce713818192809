#include "ReportGraph.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QObject>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The smallest of 1, 2 and 5 x 10^k that is at least `raw`.
double roundStep(double raw)
{
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * magnitude >= raw * (1 - 1e-9))
            return m * magnitude;
    return 10 * magnitude;
}

QString valueText(double value, int decimals)
{
    // "-0.0" is no tick a reader expects.
    return QLocale::c().toString(std::abs(value) < 1e-12 ? 0.0 : value, 'f', decimals);
}

QString timeLabel(const QDateTime &time, qint64 step, qint64 span)
{
    if (step >= 86400)
        return time.toString(QStringLiteral("yyyy-MM-dd"));
    const QString clock =
        time.toString(step < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
    return span < 86400 ? clock : time.toString(QStringLiteral("MM-dd ")) + clock;
}

} // namespace

ReportGraph::Scale ReportGraph::valueScale(double minimum, double maximum, int most)
{
    most = std::max(most, 2);
    double low = std::min(0.0, minimum);
    double high = std::max(maximum, low);
    if (!(high > low))
        high = low + (low == 0 ? 1 : std::abs(low));
    Scale scale;
    scale.step = roundStep((high - low) / most);
    scale.low = std::floor(low / scale.step) * scale.step;
    scale.high = std::ceil(high / scale.step) * scale.step;
    // A reading on or next to the top line would look cut off: give it a step of room.
    const double room = (scale.high - scale.low) * 0.02;
    if (scale.high - maximum < room)
        scale.high += scale.step;
    if (scale.low < 0 && minimum - scale.low < room)
        scale.low -= scale.step;
    scale.decimals =
        std::clamp(static_cast<int>(-std::floor(std::log10(scale.step) + 1e-9)), 0, 12);
    return scale;
}

qint64 ReportGraph::timeStep(qint64 spanSeconds, int most)
{
    static constexpr std::array<qint64, 22> Steps{
        1,    2,    5,    10,    15,    30,    60,    120,    300,    600,     900,
        1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800, 604800, 1209600, 2592000};
    most = std::max(most, 1);
    for (const qint64 step : Steps)
        if (spanSeconds / step < most)
            return step;
    const double days = roundStep(static_cast<double>(spanSeconds) / 86400.0 / most);
    return static_cast<qint64>(std::ceil(days)) * 86400;
}

std::vector<RecordFields> ReportGraph::points(const CompactRecords &records, const QString &units,
                                              const QDateTime &first, const QDateTime &last)
{
    // The list holds its records packed; thinning works on each reading's
    // time, value and place, and only the readings kept are unpacked.
    struct Point
    {
        qint64 msecs;
        double value;
        size_t index;
    };
    std::vector<Point> points;
    for (size_t i = 0; i < records.size(); ++i) {
        const RecordFields r = records[i];
        if (r.units == units)
            points.push_back({first.msecsTo(r.time), r.value, i});
    }
    const auto byTime = [](const Point &a, const Point &b) { return a.msecs < b.msecs; };
    std::stable_sort(points.begin(), points.end(), byTime);

    std::vector<Point> kept;
    if (points.size() <= DrawnWhole) {
        kept = points;
    } else {
        const double span = static_cast<double>(first.msecsTo(last));
        std::vector<std::pair<const Point *, const Point *>> columns(ThinnedColumns,
                                                                     {nullptr, nullptr});
        for (const Point &p : points) {
            // Readings all of one time fall in the first column.
            const double at = span > 0 ? static_cast<double>(p.msecs) / span : 0;
            auto &[low, high] = columns[static_cast<size_t>(
                std::clamp(at * (ThinnedColumns - 1), 0.0, double(ThinnedColumns - 1)))];
            if (!low || p.value < low->value)
                low = &p;
            if (!high || p.value > high->value)
                high = &p;
        }
        kept.push_back(points.front());
        for (const auto &[low, high] : columns) {
            if (!low)
                continue;
            kept.push_back(*low);
            if (high != low)
                kept.push_back(*high);
        }
        kept.push_back(points.back());
        std::stable_sort(kept.begin(), kept.end(), byTime);
        kept.erase(std::unique(kept.begin(), kept.end(),
                               [](const Point &a, const Point &b) { return a.index == b.index; }),
                   kept.end());
    }
    std::vector<RecordFields> drawn;
    drawn.reserve(kept.size());
    for (const Point &p : kept)
        drawn.push_back(records[p.index]);
    return drawn;
}

QString ReportGraph::levelText(double value)
{
    const QString two = QLocale::c().toString(value, 'f', 2);
    return two.toDouble() == value ? two : QLocale::c().toString(value, 'g', 12);
}

QString ReportGraph::outsideNote(const Level &level, const Scale &scale)
{
    if (level.value > scale.high)
        return QObject::tr("%1 %2, above the scale").arg(level.name, levelText(level.value));
    if (level.value < scale.low)
        return QObject::tr("%1 %2, below the scale").arg(level.name, levelText(level.value));
    return {};
}

void ReportGraph::paint(QPainter &painter, const QRectF &area,
                        const std::vector<RecordFields> &points, const QString &units,
                        qint64 total, const QDateTime &first, const QDateTime &last,
                        const std::vector<Level> &levels)
{
    if (points.empty())
        return;
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.lineSpacing();
    double minimum = points.front().value;
    double maximum = minimum;
    for (const RecordFields &r : points) {
        minimum = std::min(minimum, r.value);
        maximum = std::max(maximum, r.value);
    }

    QStringList notes;
    const Scale scale =
        valueScale(minimum, maximum, static_cast<int>(area.height() * 0.75 / (3 * line)));
    for (const Level &level : levels)
        if (const QString note = outsideNote(level, scale); !note.isEmpty())
            notes << note;

    QString title = units.trimmed().isEmpty() ? QObject::tr("(no units)") : units.trimmed();
    if (static_cast<qint64>(points.size()) < total)
        title += QObject::tr(": %1 of %2 readings drawn, each stretch's lowest and highest "
                             "and the first and last")
                     .arg(QLocale::c().toString(static_cast<qint64>(points.size())),
                          QLocale::c().toString(total));
    else
        title += total == 1 ? QObject::tr(": 1 reading")
                            : QObject::tr(": %1 readings").arg(QLocale::c().toString(total));

    double labelWidth = 0;
    for (double v = scale.low; v <= scale.high + scale.step / 2; v += scale.step)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(valueText(v, scale.decimals)));
    const QRectF plot(area.left() + labelWidth + line * 0.6, area.top() + line * 1.4,
                      area.width() - labelWidth - line * 0.6,
                      area.height() - line * (1.4 + 2.2 + static_cast<double>(notes.size())));
    if (plot.height() <= line || plot.width() <= line)
        return;

    // One reading, or several of one time, get a minute either side.
    qint64 from = first.toSecsSinceEpoch();
    qint64 to = last.toSecsSinceEpoch();
    if (to <= from) {
        from -= 60;
        to += 60;
    }
    const double spanSeconds = static_cast<double>(to - from);
    // The first and last reading stand clear of the frame, a peak there included.
    const double inset = plot.width() * 0.015;
    const auto x = [&](const QDateTime &t) {
        return plot.left() + inset +
               (plot.width() - 2 * inset) * static_cast<double>(t.toSecsSinceEpoch() - from) /
                   spanSeconds;
    };
    const auto y = [&](double v) {
        return plot.bottom() - plot.height() * (v - scale.low) / (scale.high - scale.low);
    };

    painter.save();
    painter.drawText(QPointF(area.left(), area.top() + metrics.ascent()), title);

    QPen grid(QColor(200, 200, 200));
    grid.setWidthF(0);
    QPen frame(Qt::black);
    frame.setWidthF(line * 0.06);
    for (int i = 0; scale.low + i * scale.step <= scale.high + scale.step / 2; ++i) {
        const double v = scale.low + i * scale.step;
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
        painter.setPen(frame);
        const QString text = valueText(v, scale.decimals);
        painter.drawText(QPointF(plot.left() - line * 0.3 - metrics.horizontalAdvance(text),
                                 y(v) + metrics.ascent() / 2 - metrics.descent() / 2),
                         text);
    }

    const qint64 span = to - from;
    const double widest = metrics.horizontalAdvance(timeLabel(first, 60, span)) + line * 0.5;
    const qint64 step =
        timeStep(span, std::max(1, static_cast<int>(plot.width() / (widest * 1.25))));
    // Ticks fall on round times of the list's own clock.
    for (qint64 t = (from + step - 1) / step * step; t <= to; t += step) {
        const QDateTime at = QDateTime::fromSecsSinceEpoch(t, first.timeSpec());
        const double tx = x(at);
        painter.setPen(grid);
        painter.drawLine(QPointF(tx, plot.top()), QPointF(tx, plot.bottom()));
        painter.setPen(frame);
        const QString text = timeLabel(at, step, span);
        painter.drawText(QPointF(tx - metrics.horizontalAdvance(text) / 2,
                                 plot.bottom() + line * 0.2 + metrics.ascent()),
                         text);
    }
    painter.setPen(frame);
    painter.drawText(QPointF(plot.left(), plot.bottom() + line * 1.2 + metrics.ascent()),
                     QObject::tr("from %1 to %2")
                         .arg(first.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                              last.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    for (qsizetype i = 0; i < notes.size(); ++i)
        painter.drawText(
            QPointF(plot.left(),
                    plot.bottom() + line * (2.2 + static_cast<double>(i)) + metrics.ascent()),
            notes[i]);

    // Threshold lines under the curve; their captions over it on a blank
    // ground, stacked upwards so none covers another.
    std::vector<Level> inside;
    for (const Level &level : levels)
        if (level.value >= scale.low && level.value <= scale.high)
            inside.push_back(level);
    std::sort(inside.begin(), inside.end(),
              [](const Level &a, const Level &b) { return a.value < b.value; });
    std::vector<std::pair<QPen, QPointF>> captions;
    double captionBaseline = plot.bottom() + line;
    for (const Level &level : inside) {
        QPen dashed(level.name == QObject::tr("Alarm") ? QColor(200, 0, 0) : QColor(200, 140, 0));
        dashed.setWidthF(line * 0.06);
        dashed.setStyle(Qt::DashLine);
        painter.setPen(dashed);
        const double ly = y(level.value);
        painter.drawLine(QPointF(plot.left(), ly), QPointF(plot.right(), ly));
        captionBaseline = std::min(ly - metrics.descent() - line * 0.1, captionBaseline - line);
        const QString caption = level.name + QChar(u' ') + levelText(level.value);
        captions.push_back(
            {dashed, QPointF(plot.right() - metrics.horizontalAdvance(caption) - line * 0.3,
                             captionBaseline)});
    }

    QPen curve(QColor(0, 0, 160));
    curve.setWidthF(line * 0.05);
    painter.setPen(curve);
    painter.setClipRect(plot.adjusted(-line, -line, line, line));
    QPolygonF polyline;
    polyline.reserve(static_cast<qsizetype>(points.size()));
    for (const RecordFields &r : points)
        polyline << QPointF(x(r.time), y(r.value));
    if (polyline.size() == 1)
        painter.drawEllipse(polyline.front(), line * 0.15, line * 0.15);
    else
        painter.drawPolyline(polyline);
    painter.setClipping(false);

    for (size_t i = 0; i < captions.size(); ++i) {
        const QString caption = inside[i].name + QChar(u' ') + levelText(inside[i].value);
        const QPointF at = captions[i].second;
        painter.fillRect(QRectF(at.x() - line * 0.15, at.y() - metrics.ascent(),
                                metrics.horizontalAdvance(caption) + line * 0.3, line),
                         Qt::white);
        painter.setPen(QPen(captions[i].first.color()));
        painter.drawText(at, caption);
    }
    painter.setPen(frame);
    painter.drawRect(plot);
    painter.restore();
}
