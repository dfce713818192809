#pragma once

#include "MeasurementRecord.h"

#include <QString>
#include <QStringView>

#include <array>

// One reading as the fixed-width line of a list file. Each field is padded to
// its width + 1 characters; a longer field is written whole and shifts the
// later ones, while readers still cut at the fixed positions.
class RecordLine
{
public:
    // InstNum, time, ErrorSn, vl, Units, sta, Detector.
    static constexpr std::array<int, 7> FieldWidths{13, 25, 3, 8, 9, 2, 10};

    // 77 characters when no field is longer than its width.
    static QString format(const MeasurementRecord &r);

    // The fields a loader takes from a line, cut at the fixed positions
    // (1-based characters 1-13, 15-39, 45-52 and 54-62). A short line gives
    // short or empty texts.
    static QStringView instrumentText(QStringView line);
    static QStringView timeText(QStringView line);
    static QStringView valueText(QStringView line);
    static QStringView unitsText(QStringView line);
};
