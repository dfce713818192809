#pragma once

#include "MeasurementRecord.h"
#include "RecordFields.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// One reading as the fixed-width line of a list file. Each field is padded to
// its width + 1 characters; a longer field is written whole and shifts the
// later ones. A field that fills its width (a status of 10 or more) or runs
// past it (a value of 100000.00 or more) leaves no blank before the next one.
class RecordLine
{
public:
    // InstNum, time, ErrorSn, vl, Units, sta, Detector.
    static constexpr std::array<int, 7> FieldWidths{13, 25, 3, 8, 9, 2, 10};

    // 77 characters when no field is longer than its width.
    static QString format(const MeasurementRecord &r);

    // The fields of a record line; nothing when the line is no record line.
    // A line of the writer's layout gives back what format() put into it,
    // whatever the fields' lengths (readWritten). Any other line whose time
    // characters (15 to 39) hold a date-time is a record too, cut at the
    // fixed positions (readFixed): a hand-edited or damaged line still counts.
    // Texts are trimmed; a value without a leading number reads as 0.
    static std::optional<RecordFields> read(QStringView line);

    // Whether read() takes the line, cheaply for the usual line.
    static bool isRecord(QStringView line);

private:
    // The writer's layout: a field that ran past its width is taken whole, up
    // to where the next field's text begins. The time must be a general
    // date-time text followed by the padding of its field, and the line must
    // run on to a status code.
    static std::optional<RecordFields> readWritten(QStringView line);
    // The fixed positions, each number by the leading-number rule; status and
    // detector are the first word and the rest after the units' field.
    static std::optional<RecordFields> readFixed(QStringView line);
    static QStringView fixedTime(QStringView line);
};
