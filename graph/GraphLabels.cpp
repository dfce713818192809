#include "GraphLabels.h"

#include "DateTimeText.h"
#include "GraphData.h"
#include "NumberText.h"
#include "SerialDate.h"

#include <algorithm>
#include <cmath>

namespace {

int roundEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

bool neighboursDiffer(const QStringList &texts)
{
    return std::adjacent_find(texts.begin(), texts.end()) == texts.end();
}

// One decimal, or as many more as make neighbouring labels differ: at low
// dose rates one decimal would label several heights alike.
QStringList captions(double top, double bottom, int count, const QString &before,
                     const QString &after)
{
    const double step = (top - bottom) / (count - 1);
    QStringList texts;
    for (int decimals = 1; decimals <= GraphLabels::MaxDecimals; ++decimals) {
        texts.clear();
        for (int k = 0; k < count; ++k)
            texts.append(before + GraphLabels::valueText(top - k * step, decimals) + after);
        if (neighboursDiffer(texts))
            break;
    }
    return texts;
}

} // namespace

GraphLabels::Layout GraphLabels::layout(const QSize &picture, const QRect &scale, int h, int w)
{
    Layout result;
    result.YLabelCount =
        std::clamp(roundEven(picture.height() / (3.0 * std::max(h, 1))), 2, MaxValueLabels - 1);
    const int ySpacing = roundEven(static_cast<double>(scale.height()) / (result.YLabelCount - 1));
    for (int k = 0; k < result.YLabelCount; ++k)
        result.valueTops.append(scale.top() - h / 2 + k * ySpacing);
    result.XLabelCount =
        std::clamp(roundEven(picture.width() / (1.2 * std::max(w, 1))), 2, MaxTimeLabels - 1);
    const int xSpacing = roundEven(static_cast<double>(scale.width()) / (result.XLabelCount - 1));
    for (int k = 0; k < result.XLabelCount; ++k)
        result.timeLefts.append(scale.left() - w / 2 + k * xSpacing);
    result.timeTop = scale.top() + scale.height() + h / 2;
    return result;
}

QString GraphLabels::valueText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::nearbyint(value * scale) / scale;
    return rounded == 0.0 ? QStringLiteral("0") : NumberText::plain(rounded);
}

QStringList GraphLabels::leftCaptions(const GraphData &data, int count)
{
    return captions(data.ScaleMax[0], data.ScaleMin[0], count, QString(), QStringLiteral("-"));
}

QStringList GraphLabels::rightCaptions(const GraphData &data, int count)
{
    return captions(data.ScaleMax[1], data.ScaleMin[1], count, QStringLiteral("-"), QString());
}

QStringList GraphLabels::timeCaptions(const GraphData &data, int count)
{
    QStringList texts;
    const double step = (data.TimeMax - data.TimeMin) / (count - 1);
    for (int k = 0; k < count; ++k) {
        const QDateTime time = SerialDate::toDateTime(data.FirstTime + data.TimeMin + k * step);
        texts.append(time.isValid() ? DateTimeText::format(time) : QString());
    }
    return texts;
}
