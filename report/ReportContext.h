#pragma once

#include "CalibrationDue.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>

class Clock;
class ProfileFile;

// What a survey report takes from outside its list: the thresholds in force
// (in the units of the readings, as the alarms compare them), the calibration
// record kept for an instrument, the list file it was read from, and when and
// by what program it is made.
struct ReportContext
{
    std::optional<double> warning; // Threshold1
    std::optional<double> alarm;   // Threshold2
    // The calibration record kept for an instrument number as the list writes it.
    std::function<CalibrationDue::Kept(const QString &instrument)> calibration =
        [](const QString &) {
            return CalibrationDue::Kept();
        };
    QDate today;
    QDateTime madeAt; // with the computer's offset from UTC
    QString listPath; // the list file, for its name, size and digest; may be empty
    QString program;  // "TESK Meter View 1.2.3"
    // Called after each page of the record table with the pages done and the
    // pages in all; false stops the report, which then writes nothing.
    std::function<bool(int done, int total)> pageDone;

    // The thresholds and calibration records of the settings, now by `clock`,
    // and the list the report is made from.
    static ReportContext fromSettings(const ProfileFile &settings, const Clock &clock,
                                      const QString &listPath = QString());

    // The instrument's state over the survey, judged on the days of its first
    // and last reading: "in calibration at the survey (due 2027-03-31)",
    // "out of calibration at the survey: due 2026-11-30, 5 days before its
    // first reading". Empty when no due date is known.
    static QString stateAtSurvey(const std::optional<QDate> &due, const QDate &first,
                                 const QDate &last);
    // Today's state, when it differs from the survey's: "today: overdue by 12 days".
    QString stateToday(const std::optional<QDate> &due, const QDate &last) const;
};
