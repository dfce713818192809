#include "GraphMapping.h"

#include <cmath>

GraphMapping::GraphMapping(const GraphData::Frame &frame, const QRectF &scale)
    : m_frame(frame), m_scale(scale)
{}

QRectF GraphMapping::inside(const QSizeF &size, double margin)
{
    return {margin, margin, size.width() - 1 - 2 * margin, size.height() - 1 - 2 * margin};
}

QPointF GraphMapping::toPoint(double x, double y) const
{
    const GraphData::Frame &f = m_frame;
    return {m_scale.left() + (x - f.left) / f.width * m_scale.width(),
            m_scale.top() + (y - f.top) / f.height * m_scale.height()};
}

double GraphMapping::xAt(double px) const
{
    return m_frame.left + (px - m_scale.left()) / m_scale.width() * m_frame.width;
}

bool GraphMapping::usable() const
{
    // A scale of no height (values -1.375 and -1 widen to the same -1.1) or
    // beyond a float's range gives no picture rather than a division by zero.
    const GraphData::Frame &f = m_frame;
    return std::isfinite(f.left) && std::isfinite(f.top) && std::isfinite(f.width) &&
           std::isfinite(f.height) && f.width != 0 && f.height != 0 && m_scale.width() > 0 &&
           m_scale.height() > 0;
}
