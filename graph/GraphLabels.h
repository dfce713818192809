#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class GraphData;

// Where the graph's axis labels go and what they say. Sizes are in pixels;
// `plot` is where the scale lies inside the window (its top and left are the
// top of the scale and the first time, top + height and left + width the
// bottom and the last time), h the height of a value label and w the width
// of a time label.
class GraphLabels
{
public:
    static constexpr int MaxValueLabels = 11; // lblY0..lblY10, lblY1_0..lblY1_10
    static constexpr int MaxTimeLabels = 6;   // lblX0..lblX5

    struct Layout
    {
        int YLabelCount = 2;
        int XLabelCount = 2;
        QList<int> valueTops; // top of value label k (both sides)
        QList<int> timeLefts; // left of time label k
        int timeTop = 0;
    };

    // The numbers of labels come from the size of the picture, their places
    // from `scale`, the rectangle the full scale maps onto.
    static Layout layout(const QSize &picture, const QRect &scale, int h, int w);
    static Layout layout(const QRect &plot, int h, int w)
    {
        return layout(plot.size(), plot, h, w);
    }

    static constexpr int MaxDecimals = 6;

    // A value rounded to `decimals` decimals, halves to the even neighbour, in
    // its shortest form with a full stop: "12.5", "0", "-3.2".
    static QString valueText(double value, int decimals = 1);

    // Captions from the top of the scale down: "100-", ... (left), "-3.2"
    // (right); one decimal, or the fewest more (up to 6) that tell
    // neighbouring captions apart.
    static QStringList leftCaptions(const GraphData &data, int count);
    static QStringList rightCaptions(const GraphData &data, int count);
    // Date-times from the left edge to the right one.
    static QStringList timeCaptions(const GraphData &data, int count);
};
