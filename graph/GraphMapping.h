#pragma once

#include "GraphData.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Maps the graph's data coordinates (relative days across, channel-0 values
// up) onto a rectangle of a picture: the left and top of the scale onto the
// rectangle's left and top, its right and bottom onto the rectangle's right
// and bottom edge themselves, so that on a raster picture the full scale
// lands on pixel columns and rows that exist.
class GraphMapping
{
public:
    GraphMapping(const GraphData::Frame &frame, const QRectF &scale);

    // The rectangle of a raster plot of `size` pixels that the scale maps
    // onto: `margin` pixels in from each side, ending on the last row and
    // column but `margin`, so that marks and the cursor box on the edges
    // are drawn whole.
    static QRectF inside(const QSizeF &size, double margin);

    QPointF toPoint(double x, double y) const;
    double xAt(double px) const;
    const QRectF &scale() const { return m_scale; }

    // False when the coordinate system cannot be drawn in.
    bool usable() const;

private:
    GraphData::Frame m_frame;
    QRectF m_scale;
};
