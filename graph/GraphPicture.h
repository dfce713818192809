#pragma once

#include "GraphData.h"

#include <QColor>
#include <QRectF>

#include <optional>

class QPainter;

// The whole graph as a picture on any painter (an image, a PDF or SVG file,
// a printer): frame, value labels, time labels, the curves and point marks
// as vector paths, and the thresholds as horizontal lines. Sizes follow the
// device's resolution, so a page at 1200 dpi looks like the screen at 96.
// The painter's font sets the size of the texts.
class GraphPicture
{
public:
    struct Thresholds
    {
        std::optional<double> warning, alarm;
    };

    static inline const QColor WarningColour{224, 128, 0};
    static inline const QColor AlarmColour{160, 0, 0};

    // Draws the whole graph of `data` (as CalculateScale set it up) into
    // `area` of `painter`, on a white ground.
    static void paint(QPainter &painter, const QRectF &area, const GraphData &data,
                      const Thresholds &thresholds = {}, bool marks = false);

    // Where paint puts the full scale inside `area`: its top-left is the top
    // of the scale at the first time, its bottom-right the bottom at the last.
    static QRectF scaleArea(const QPainter &painter, const QRectF &area, const GraphData &data);
};
