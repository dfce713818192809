#pragma once

#include "ProfileFile.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The survey legend that heads every list: department, date, instrument type,
// survey location and surveyor. The four lasting texts come from the settings
// at the first use in a run; the date is the day of that first use and stays
// so for the whole run unless the user edits it.
class SurveyLegend
{
public:
    struct Texts
    {
        QString Department;
        QString MyDate;
        QString Detector;
        QString Location;
        QString Personnel;

        bool operator==(const Texts &) const = default;
    };

    // Captions of the legend window's labels, also the heads of the list header lines.
    static inline const QString DepartmentCaption = QStringLiteral("Department:");
    static inline const QString DateCaption = QStringLiteral("Date:");
    static inline const QString DetectorCaption = QStringLiteral("Instrument Type:");
    static inline const QString LocationCaption = QStringLiteral("Survey location:");
    static inline const QString PersonnelCaption = QStringLiteral("Surveyor:");

    // Settings values are read into a 20-character buffer: at most 19 characters.
    static constexpr int SettingSize = 20;

    explicit SurveyLegend(const ProfileFile &settings,
                          std::function<QDate()> today = &QDate::currentDate);

    const Texts &texts() const;

    // "Department: x", "Date: x", "Instrument Type: x", "Survey location: x", "Surveyor: x".
    QStringList headerLines() const;

    // Takes the five texts and stores the four lasting ones, in the order
    // Department, Location, Personnel, Detector. False when a key could not
    // be written; the texts are taken all the same.
    bool confirm(const Texts &texts);

private:
    const ProfileFile &m_settings;
    std::function<QDate()> m_today;
    mutable std::optional<Texts> m_texts;
};
