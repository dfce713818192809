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

    // The fields format() put into `line`, whatever their length; nothing when
    // the line is not a record line. Lines of the standard layout are cut at
    // the fixed positions; a field that ran past its width is taken whole, up
    // to where the next field's text begins. The time must be a general
    // date-time text followed by the padding of its field, and the line must
    // run on to a status code, so a legend text holding a date is no record.
    // Texts are trimmed; an empty value field reads as 0.
    static std::optional<RecordFields> read(QStringView line);
};
