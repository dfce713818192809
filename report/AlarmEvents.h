#pragma once

#include "CompactRecords.h"
#include "RecordFields.h"

#include <QDateTime>
#include <QStringList>

#include <optional>
#include <vector>

// The stretches of a list that called for attention: readings one after
// another, in list order, above the warning or the alarm level, or whose
// status carries a threshold or overflow bit.
class AlarmEvents
{
public:
    // The status bits of a dose or rate threshold passed and of an overflow.
    static constexpr int AttentionBits = 0xFC;

    struct Event
    {
        size_t first = 0; // the stretch's first and last record, in list order
        size_t last = 0;
        QDateTime start; // its earliest and latest reading
        QDateTime end;
        size_t peak = 0;   // the record of its highest reading, the first of equals
        QString level;     // "Alarm" or "Warning": the highest level passed; else empty
        QStringList words; // the status words of its readings, in order of first appearance
        qint64 readings() const { return static_cast<qint64>(last - first + 1); }
    };

    static bool callsForAttention(const RecordFields &record, std::optional<double> warning,
                                  std::optional<double> alarm);
    // Every stretch, ordered by its earliest reading.
    static std::vector<Event> of(const CompactRecords &records,
                                 std::optional<double> warning, std::optional<double> alarm);
};
