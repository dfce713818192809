#include "RecordLine.h"

#include "NumberText.h"
#include "TeskCommonPart.h"

namespace {

constexpr auto W = RecordLine::FieldWidths;

// Every field ahead of the one read takes its width plus the one blank of PadField.
constexpr qsizetype InstrumentStart = 0;
constexpr qsizetype TimeStart = W[0] + 1;
constexpr qsizetype ValueStart = W[0] + W[1] + W[2] + 3;
constexpr qsizetype UnitsStart = W[0] + W[1] + W[2] + W[3] + 4;

QStringView cut(QStringView line, qsizetype start, qsizetype length)
{
    if (start >= line.size())
        return {};
    return line.mid(start, std::min(length, line.size() - start));
}

} // namespace

QString RecordLine::format(const MeasurementRecord &r)
{
    using TeskCommonPart::PadField;
    QString line;
    line.reserve(80);
    line += PadField(r.InstNum, W[0]);
    line += PadField(r.time, W[1]);
    line += PadField(r.ErrorSn, W[2]);
    line += PadField(r.vl, W[3]);
    line += PadField(r.Units, W[4]);
    line += PadField(NumberText::display(r.sta), W[5]);
    line += PadField(r.Detector, W[6]);
    return line;
}

QStringView RecordLine::instrumentText(QStringView line)
{
    return cut(line, InstrumentStart, W[0]);
}

QStringView RecordLine::timeText(QStringView line)
{
    return cut(line, TimeStart, W[1]);
}

QStringView RecordLine::valueText(QStringView line)
{
    return cut(line, ValueStart, W[3]);
}

QStringView RecordLine::unitsText(QStringView line)
{
    return cut(line, UnitsStart, W[4]);
}
