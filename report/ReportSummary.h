#pragma once

#include "CompactRecords.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

// The figures a survey report gives about a list's records: how many there
// are and when they were taken, the values of each unit, how often and how
// long they stayed above each threshold, and how many carry each status word.
class ReportSummary
{
public:
    struct UnitFigures
    {
        QString units;
        qint64 count = 0;
        double minimum = 0;
        double maximum = 0;
        double mean = 0;
        QDateTime maximumTime; // the first reading of the maximum
    };

    struct ThresholdFigures
    {
        QString name; // "Warning", "Alarm"
        double level = 0;
        qint64 above = 0;      // readings above the level (equal is not above)
        qint64 longestRun = 0; // most readings above it one after another, in list order
        QDateTime runStart;    // the first and last reading of that run
        QDateTime runEnd;
    };

    struct InstrumentFigures
    {
        QString instrument;
        qint64 count = 0;
        QDateTime first; // its earliest and latest reading
        QDateTime last;
    };

    struct StatusCount
    {
        QString word;
        qint64 count = 0;
    };

    qint64 records = 0;
    QDateTime first; // the earliest and the latest reading
    QDateTime last;
    std::vector<UnitFigures> units;             // in the order the units first appear
    std::vector<InstrumentFigures> instruments; // in the order of their first reading
    std::vector<ThresholdFigures> thresholds;   // warning, then alarm, those in force
    std::vector<StatusCount> statuses;          // in the order the words first appear

    static ReportSummary of(const CompactRecords &records, std::optional<double> warning,
                            std::optional<double> alarm);

    // "3 d 04:05:06", or "04:05:06" under a day.
    static QString spanText(qint64 seconds);
};
