#include "RecordLine.h"

#include "DateTimeText.h"
#include "NumberText.h"
#include "TeskCommonPart.h"

#include <algorithm>

namespace {

constexpr auto W = RecordLine::FieldWidths;

// A short field takes its width plus the one blank of PadField.
constexpr qsizetype slot(int field)
{
    return W[static_cast<size_t>(field)] + 1;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The character at `i`, or a blank past the end of the line.
QChar charAt(QStringView line, qsizetype i)
{
    return i < line.size() ? line[i] : QChar(u' ');
}

bool blanksOnly(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

// The length of the general date-time text at `pos` (19 with the time of
// day, 10 for a reading at midnight), or 0 when none starts there. The text
// must end at a blank or at the end of the line.
qsizetype timeLengthAt(QStringView line, qsizetype pos)
{
    if (!isDigit(charAt(line, pos)))
        return 0;
    for (const qsizetype length : {19, 10}) {
        if (pos + length <= line.size() && charAt(line, pos + length) == u' ' &&
            DateTimeText::parse(line.mid(pos, length)))
            return length;
    }
    return 0;
}

// "12.5", "234000.00", "-3": an optional sign, digits, and decimals after a point.
bool isNumber(QStringView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i]))
            ++digits;
        else if (text[i] == u'.' && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

// The length of a value that ran past its field and straight into the units:
// the written form "##0.00" ends two digits after the point.
qsizetype overflowedValueLength(QStringView line, qsizetype pos)
{
    qsizetype end = pos;
    if (charAt(line, end) == u'-')
        ++end;
    while (end < line.size() && isDigit(line[end]))
        ++end;
    if (charAt(line, end) == u'.') {
        ++end;
        for (int decimals = 0; decimals < 2 && isDigit(charAt(line, end)); ++decimals)
            ++end;
    }
    return end - pos;
}

// Where units that ran past their field end: at the blank or the minus sign
// that begins the status code.
qsizetype overflowedUnitsEnd(QStringView line, qsizetype pos)
{
    qsizetype end = pos + W[4];
    while (end < line.size() && line[end] != u' ' &&
           !(line[end] == u'-' && isDigit(charAt(line, end + 1))))
        ++end;
    return end;
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

std::optional<RecordFields> RecordLine::read(QStringView line)
{
    if (auto fields = readWritten(line))
        return fields;
    return readFixed(line);
}

bool RecordLine::isRecord(QStringView line)
{
    return DateTimeText::parse(fixedTime(line)).has_value() || readWritten(line).has_value();
}

QStringView RecordLine::fixedTime(QStringView line)
{
    // A line torn inside the time characters has no time: "2026-12-05" alone
    // would read as midnight.
    if (line.size() < slot(0) + W[1])
        return {};
    return line.mid(slot(0), W[1]);
}

std::optional<RecordFields> RecordLine::readFixed(QStringView line)
{
    const auto time = DateTimeText::parse(fixedTime(line));
    if (!time)
        return std::nullopt;
    const auto field = [line](qsizetype from, qsizetype length) {
        return line.mid(std::min(from, line.size()), length).trimmed();
    };
    RecordFields fields;
    fields.instrument = field(0, W[0]).toString();
    fields.time = *time;
    qsizetype pos = slot(0) + slot(1);
    fields.marked = field(pos, slot(2)).contains(u'*');
    pos += slot(2);
    fields.valueText = field(pos, W[3]).toString();
    fields.value = NumberText::leadingNumber(fields.valueText);
    pos += slot(3);
    fields.units = field(pos, W[4]).toString();
    // The status and the detector follow as two words from the blank that
    // ends the units' field on, so a status one column early is still found.
    const QStringView rest = field(pos + W[4], line.size());
    const qsizetype blank = rest.indexOf(u' ');
    const QStringView status = blank < 0 ? rest : rest.left(blank);
    if (isNumber(status) && !status.contains(u'.') && status.size() <= 7) {
        fields.status = static_cast<int>(NumberText::leadingNumber(status));
        fields.detector = blank < 0 ? QString() : rest.mid(blank).trimmed().toString();
    } else {
        fields.detector = rest.toString();
    }
    return fields;
}

std::optional<RecordFields> RecordLine::readWritten(QStringView line)
{
    // The time starts after the instrument number's field, or later when a
    // longer number pushed it on (no blank then pads the number's field).
    qsizetype pos = slot(0);
    qsizetype timeLength = timeLengthAt(line, pos);
    const bool overflowed = charAt(line, W[0]) != u' ';
    while (timeLength == 0 && overflowed && ++pos + 10 <= line.size())
        timeLength = timeLengthAt(line, pos);
    if (timeLength == 0)
        return std::nullopt;
    RecordFields fields;
    fields.instrument = line.left(pos).trimmed().toString();
    fields.time = *DateTimeText::parse(line.mid(pos, timeLength));

    // No date-time text fills its field: the padding up to the mark is blank,
    // and the mark field holds "*" or a blank, then blanks.
    const qsizetype mark = pos + slot(1);
    if (mark + slot(2) > line.size() ||
        !blanksOnly(line.mid(pos + timeLength, mark - pos - timeLength)) ||
        !blanksOnly(line.mid(mark + 1, slot(2) - 1)) || (line[mark] != u' ' && line[mark] != u'*'))
        return std::nullopt;
    fields.marked = line[mark] == u'*';

    pos = mark + slot(2);
    if (charAt(line, pos + W[3]) == u' ') {
        fields.valueText = line.mid(pos, W[3]).trimmed().toString();
        pos += slot(3);
    } else {
        const qsizetype length = overflowedValueLength(line, pos);
        if (length <= W[3])
            return std::nullopt;
        fields.valueText = line.mid(pos, length).toString();
        pos += length;
    }
    if (!fields.valueText.isEmpty() && !isNumber(fields.valueText))
        return std::nullopt;
    fields.value = NumberText::leadingNumber(fields.valueText);

    if (charAt(line, pos + W[4]) == u' ') {
        fields.units = line.mid(pos, W[4]).trimmed().toString();
        pos += slot(4);
    } else {
        const qsizetype end = overflowedUnitsEnd(line, pos);
        fields.units = line.mid(pos, end - pos).trimmed().toString();
        pos = end;
    }

    // The status code is the display text of a number: a blank or a minus
    // sign, then its digits.
    const QChar sign = charAt(line, pos);
    qsizetype end = pos + 1;
    while (end < line.size() && isDigit(line[end]))
        ++end;
    if ((sign != u' ' && sign != u'-') || end == pos + 1 || end - pos > 7)
        return std::nullopt;
    fields.status = line.mid(pos + 1, end - pos - 1).toInt() * (sign == u'-' ? -1 : 1);
    pos = std::max(end, pos + slot(5));

    fields.detector = line.mid(std::min(pos, line.size())).trimmed().toString();
    return fields;
}
