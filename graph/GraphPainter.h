#pragma once

#include "GraphData.h"
#include "GraphMapping.h"

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>

#include <vector>

class QImage;

// Draws the shown points into a picture of a given size in pixels, through
// the coordinate system that CalculateScale set, inside a margin of the plot: the blue channel-0
// curve with magenta point marks when asked, and the red channel-1 curve on its own scale for
// two-channel data. Also the cursor marker and the rubber band, which the plot lays over its cached
// picture of the curves.
class GraphPainter
{
public:
    static inline const QColor Channel0Colour{0, 0, 255};
    static inline const QColor Channel1Colour{255, 0, 0};
    static inline const QColor MarkColour{255, 0, 255};
    static inline const QColor CursorColour{0, 255, 255};
    static inline const QColor BandColour{0, 0, 63};
    static constexpr double MarkHalfSize = 1.0;   // pixels either side of a point
    static constexpr double CursorHalfSize = 4.0; // pixels either side of the cursor point
    // The scale keeps this many pixels in from each side of the plot, so that
    // the cursor box and the marks of points on the edges are whole.
    static constexpr double Margin = CursorHalfSize + 1;

    GraphPainter(const GraphData &data, QSize size);

    QPointF toPixel(double x, double y) const;
    double xFromPixel(double px) const;

    // False when the coordinate system cannot be drawn in.
    bool usable() const { return m_map.usable(); }
    // The rows and columns that the full scale covers.
    QRectF scaleArea() const { return m_map.scale(); }
    // The picture is cleared to white first; 32-bit pixels.
    void drawCurves(QImage &picture, bool marks) const;
    // The cursor marker of shown point p, on the selected channel's value.
    QRectF cursorBox(int p) const;
    QRectF band(double start, double end) const;

private:
    static void drawMarks(QImage &picture, const std::vector<QPoint> &points);

    const GraphData &m_data;
    GraphMapping m_map;
};
