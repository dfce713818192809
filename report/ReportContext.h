#pragma once

#include <QDate>
#include <QString>

#include <functional>
#include <optional>

class Clock;
class ProfileFile;

// What a survey report takes from outside its list: the thresholds in force
// (in the units of the readings, as the alarms compare them), the kept
// calibration due date of an instrument, and today's date.
struct ReportContext
{
    std::optional<double> warning; // Threshold1
    std::optional<double> alarm;   // Threshold2
    // The due date kept for an instrument number as the list writes it;
    // nothing when none is known.
    std::function<std::optional<QDate>(const QString &instrument)> calibrationDue =
        [](const QString &) {
            return std::optional<QDate>();
        };
    QDate today;

    // The thresholds and due dates of the settings, and today by `clock`.
    static ReportContext fromSettings(const ProfileFile &settings, const Clock &clock);

    // "due 2027-03-31", "overdue by 12 days", "due today"; empty when no
    // due date is known.
    QString calibrationState(const QString &instrument) const;
};
