#include "GraphPicture.h"

#include "GraphLabels.h"
#include "GraphMapping.h"
#include "GraphPainter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// Where everything goes; lengths in the painter's units.
struct Geometry
{
    double unit = 1; // one pixel of a 96 dpi screen
    double lineHeight = 0;
    QRectF plot;  // the frame
    QRectF scale; // what the full scale maps onto
    QStringList left, right, times;
    double leftWidth = 0;
};

double deviceUnit(const QPainter &painter)
{
    const QPaintDevice *device = painter.device();
    return device && device->logicalDpiY() > 0 ? device->logicalDpiY() / 96.0 : 1.0;
}

double widest(const QFontMetricsF &metrics, const QStringList &texts)
{
    double width = 0;
    for (const QString &text : texts)
        width = std::max(width, metrics.horizontalAdvance(text));
    return width;
}

Geometry geometry(const QPainter &painter, const QRectF &area, const GraphData &data)
{
    Geometry g;
    g.unit = deviceUnit(painter);
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double h = metrics.height();
    const double pad = 3 * g.unit;
    const double margin = GraphPainter::Margin * g.unit;
    g.lineHeight = h;
    // The unit captions above, the time labels below; every value label
    // centred on its height of the scale.
    const double top = area.top() + 1.5 * h;
    const double bottom = area.bottom() - 1.5 * h;
    const double scaleHeight = std::max(1.0, bottom - top - 2 * margin);
    const double timeWidth = metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + h;
    const GraphLabels::Layout counts =
        GraphLabels::layout(QRect(0, 0, 1, qRound(scaleHeight)), qRound(h), qRound(timeWidth));
    g.left = GraphLabels::leftCaptions(data, counts.YLabelCount);
    if (data.twoChannels())
        g.right = GraphLabels::rightCaptions(data, counts.YLabelCount);
    g.leftWidth = std::max(widest(metrics, g.left) + pad, timeWidth / 2);
    const double rightWidth = std::max(widest(metrics, g.right) + pad, timeWidth / 2);
    g.plot = QRectF(
        QPointF(area.left() + g.leftWidth, top),
        QPointF(std::max(area.left() + g.leftWidth + 2 * margin + 1, area.right() - rightWidth),
                top + scaleHeight + 2 * margin));
    g.scale = g.plot.adjusted(margin, margin, -margin, -margin);
    const int timeCount =
        GraphLabels::layout(QRect(0, 0, qRound(g.scale.width()), 1), qRound(h), qRound(timeWidth))
            .XLabelCount;
    g.times = GraphLabels::timeCaptions(data, timeCount);
    return g;
}

// Position k of `count` spread evenly from `start` over `length`.
double along(double start, double length, qsizetype k, qsizetype count)
{
    return start + static_cast<double>(k) * length / static_cast<double>(count - 1);
}

// Far-off points are pulled in, which keeps the visible part of their
// segments in place.
QPointF bounded(const QPointF &p)
{
    const auto near = [](double v) {
        constexpr double Far = 1e7;
        return std::isnan(v) ? Far : std::clamp(v, -Far, Far);
    };
    return {near(p.x()), near(p.y())};
}

void drawCurves(QPainter &painter, const Geometry &g, const GraphMapping &map,
                const GraphData &data, bool marks)
{
    const int n = data.lastDrawn() + 1;
    if (data.NumberOfPoints < 1 || !map.usable())
        return;
    const auto at = [&](int i, size_t channel) {
        const auto p = static_cast<size_t>(i);
        const double v = data.Values[p][channel];
        return bounded(map.toPoint(data.Times[p], channel == 1 ? data.MapToLeftScale(v) : v));
    };
    // Channel 0 throughout, the opening segment included; points at the time
    // of point 0 are skipped and the curve goes on from the last drawn one.
    const auto curve = [&](size_t channel, QPainterPath *dots) {
        QPainterPath path(at(0, channel));
        path.lineTo(at(1, channel));
        const double half = GraphPainter::MarkHalfSize * g.unit;
        for (int i = 1; i < n; ++i) {
            if (data.Times[static_cast<size_t>(i)] == 0.0)
                continue;
            const QPointF p = at(i, channel);
            path.lineTo(p);
            if (dots)
                dots->addRect(p.x() - half, p.y() - half, 2 * half, 2 * half);
        }
        return path;
    };
    QPainterPath dots;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(GraphPainter::Channel0Colour, g.unit));
    painter.drawPath(curve(0, marks ? &dots : nullptr));
    if (marks) {
        painter.setPen(QPen(GraphPainter::MarkColour, g.unit));
        painter.drawPath(dots);
    }
    // Single-channel data has no second curve at all.
    if (data.twoChannels()) {
        painter.setPen(QPen(GraphPainter::Channel1Colour, g.unit));
        painter.drawPath(curve(1, nullptr));
    }
}

void drawThreshold(QPainter &painter, const Geometry &g, const GraphMapping &map,
                   std::optional<double> value, const QColor &colour, const QString &name)
{
    if (!value || !map.usable())
        return;
    const double y = map.toPoint(0, *value).y();
    if (!std::isfinite(y) || y < g.plot.top() || y > g.plot.bottom())
        return;
    painter.setPen(QPen(colour, g.unit, Qt::DashLine));
    painter.drawLine(QPointF(g.plot.left(), y), QPointF(g.plot.right(), y));
    const QRectF caption(g.plot.left(), y - g.lineHeight - g.unit, g.plot.width() - 4 * g.unit,
                         g.lineHeight);
    painter.drawText(caption, Qt::AlignRight | Qt::AlignBottom,
                     name + QChar(u' ') + GraphLabels::valueText(*value));
}

} // namespace

QRectF GraphPicture::scaleArea(const QPainter &painter, const QRectF &area, const GraphData &data)
{
    return geometry(painter, area, data).scale;
}

void GraphPicture::paint(QPainter &painter, const QRectF &area, const GraphData &data,
                         const Thresholds &thresholds, bool marks)
{
    const Geometry g = geometry(painter, area, data);
    const GraphMapping map(data.frame, g.scale);
    const double h = g.lineHeight;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(area, Qt::white);

    // The unit captions above the value labels.
    painter.setPen(GraphPainter::Channel0Colour);
    painter.drawText(QRectF(area.left(), area.top(), area.width() / 2, h),
                     Qt::AlignLeft | Qt::AlignVCenter, data.UnitNames[0].trimmed());
    if (data.twoChannels()) {
        painter.setPen(GraphPainter::Channel1Colour);
        painter.drawText(QRectF(area.center().x(), area.top(), area.width() / 2, h),
                         Qt::AlignRight | Qt::AlignVCenter, data.UnitNames[1].trimmed());
    }
    // Value labels from the top of the scale down, each centred on its height.
    const auto height = [&](qsizetype k, qsizetype count) {
        return along(g.scale.top(), g.scale.height(), k, count);
    };
    const double pad = 3 * g.unit;
    painter.setPen(GraphPainter::Channel0Colour);
    for (qsizetype k = 0; k < g.left.size(); ++k)
        painter.drawText(QRectF(area.left(), height(k, g.left.size()) - h / 2,
                                g.leftWidth - pad + 2 * g.unit, h),
                         Qt::AlignRight | Qt::AlignVCenter, g.left[k]);
    painter.setPen(GraphPainter::Channel1Colour);
    for (qsizetype k = 0; k < g.right.size(); ++k)
        painter.drawText(QRectF(g.plot.right() + pad - 2 * g.unit,
                                height(k, g.right.size()) - h / 2, area.right() - g.plot.right(),
                                h),
                         Qt::AlignLeft | Qt::AlignVCenter, g.right[k]);
    // Time labels, each centred on its time.
    painter.setPen(Qt::black);
    for (qsizetype k = 0; k < g.times.size(); ++k) {
        const double x = along(g.scale.left(), g.scale.width(), k, g.times.size());
        painter.drawText(QRectF(x - g.leftWidth, g.plot.bottom() + h / 4, 2 * g.leftWidth, h),
                         Qt::AlignHCenter | Qt::AlignTop, g.times[k]);
    }

    painter.setClipRect(g.plot.adjusted(-g.unit, -g.unit, g.unit, g.unit), Qt::IntersectClip);
    drawCurves(painter, g, map, data, marks);
    drawThreshold(painter, g, map, thresholds.warning, WarningColour, QStringLiteral("Warning"));
    drawThreshold(painter, g, map, thresholds.alarm, AlarmColour, QStringLiteral("Alarm"));
    painter.setPen(QPen(Qt::black, g.unit));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(g.plot);
    painter.restore();
}
