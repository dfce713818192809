#include "GraphPainter.h"

#include <QLineF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

GraphPainter::GraphPainter(const GraphData &data, QSize size)
    : m_data(data), m_map(data.frame, GraphMapping::inside(size, Margin))
{}

QPointF GraphPainter::toPixel(double x, double y) const
{
    return m_map.toPoint(x, y);
}

double GraphPainter::xFromPixel(double px) const
{
    return m_map.xAt(px);
}

void GraphPainter::drawCurves(QImage &picture, bool marks) const
{
    picture.fill(Qt::white);
    const int n = m_data.lastDrawn() + 1;
    if (m_data.NumberOfPoints < 1 || !usable())
        return;
    QPainter painter(&picture);
    const auto &times = m_data.Times;
    const auto &values = m_data.Values;
    const auto at = [&](int i, size_t channel) {
        const auto p = static_cast<size_t>(i);
        const double v = values[p][channel];
        return toPixel(times[p], channel == 1 ? m_data.MapToLeftScale(v) : v);
    };
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);

    // Whole pixels: the raster engine draws them much faster than fractions.
    // Far-off points are pulled in to a million pixels, which keeps the
    // visible part of their segments within a pixel of its true place.
    const auto pixel = [&](int i, size_t channel) {
        const QPointF p = at(i, channel);
        const auto whole = [](double v) {
            constexpr double Far = 1e6;
            return static_cast<int>(std::lround(std::isnan(v) ? Far : std::clamp(v, -Far, Far)));
        };
        return QPoint(whole(p.x()), whole(p.y()));
    };
    // Channel 0 throughout, the opening segment included; points at the time
    // of point 0 are skipped and the curve goes on from the last drawn one.
    std::vector<QPoint> line;
    std::vector<QPoint> dots;
    line.reserve(static_cast<size_t>(n) + 1);
    line.push_back(pixel(0, 0));
    line.push_back(pixel(1, 0));
    for (int i = 1; i < n; ++i) {
        if (times[static_cast<size_t>(i)] == 0.0)
            continue;
        const QPoint p = pixel(i, 0);
        if (line.back() != p)
            line.push_back(p);
        if (marks)
            dots.push_back(p);
    }
    painter.setPen(QPen(Channel0Colour, 0));
    painter.drawPolyline(line.data(), static_cast<int>(line.size()));

    // Single-channel data has no second curve at all.
    if (m_data.twoChannels()) {
        line.clear();
        line.push_back(pixel(0, 1));
        line.push_back(pixel(1, 1));
        for (int i = 1; i < n; ++i) {
            if (times[static_cast<size_t>(i)] != 0.0)
                line.push_back(pixel(i, 1));
        }
        painter.setPen(QPen(Channel1Colour, 0));
        painter.drawPolyline(line.data(), static_cast<int>(line.size()));
    }
    painter.end();
    if (marks && picture.depth() == 32)
        drawMarks(picture, dots);
}

// Each mark is the outline of a box one pixel either side of its point,
// written straight into the picture: thousands of tiny boxes cost the
// painter far more than the curves.
void GraphPainter::drawMarks(QImage &picture, const std::vector<QPoint> &points)
{
    const QRgb colour = MarkColour.rgb();
    const int mark = static_cast<int>(MarkHalfSize);
    const QRect inside = picture.rect();
    const auto put = [&](int x, int y) {
        if (inside.contains(x, y))
            reinterpret_cast<QRgb *>(picture.scanLine(y))[x] = colour;
    };
    for (const QPoint &p : points) {
        for (int d = -mark; d <= mark; ++d) {
            put(p.x() + d, p.y() - mark);
            put(p.x() + d, p.y() + mark);
            put(p.x() - mark, p.y() + d);
            put(p.x() + mark, p.y() + d);
        }
    }
}

QRectF GraphPainter::cursorBox(int p) const
{
    const auto i = static_cast<size_t>(p);
    const QPointF centre =
        toPixel(m_data.Times[i], m_data.Values[i][static_cast<size_t>(m_data.GraphIndex)]);
    return {centre.x() - CursorHalfSize, centre.y() - CursorHalfSize, 2 * CursorHalfSize,
            2 * CursorHalfSize};
}

QRectF GraphPainter::band(double start, double end) const
{
    const double a = toPixel(start, 0).x();
    const double b = toPixel(end, 0).x();
    const QRectF scale = m_map.scale();
    return {std::min(a, b), scale.top(), std::abs(b - a), scale.height()};
}
