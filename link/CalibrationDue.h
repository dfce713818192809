#pragma once

#include <QDate>
#include <QHash>
#include <QString>

#include <optional>

class Clock;
class ProfileFile;
struct CalibrationRecord;

// Whether a meter's calibration has run out. The calibration record carries
// the next due date; the last record seen of each instrument is kept in the
// settings under CalDue<instrument> (for example CalDueSIM1=2027-06-30), with
// its meter number, factor and calibrator under CalMeter<instrument>,
// CalFactor<instrument> and CalBy<instrument>, so readings of an instrument
// out of calibration can be flagged as they arrive and a report can name them.
class CalibrationDue
{
public:
    enum class State { Unknown, Fine, DueSoon, Overdue };
    struct Verdict
    {
        State state = State::Unknown;
        qint64 days = 0; // days overdue, or days left
        QDate due;
    };
    static constexpr int SoonDays = 30;

    // The record last kept for an instrument; empty texts and no date when none is.
    struct Kept
    {
        QString meter;
        QString factor;
        QString calibratedBy;
        std::optional<QDate> due;
    };

    CalibrationDue(const ProfileFile &settings, const Clock &clock);

    // The record's "dd/mm/yyyy" text; a date that cannot be day first
    // (a month above 12) is read month first. nullopt when neither fits.
    static std::optional<QDate> dueDate(const QString &text);
    Verdict verdict(const std::optional<QDate> &due) const;
    // One plain sentence for the calibration window.
    static QString describe(const Verdict &verdict);

    // Keeps the record (its due date, meter number, factor and calibrator)
    // for its instrument.
    void remember(const CalibrationRecord &record);
    // For a reading of this instrument: empty unless its kept due date has passed.
    QString noticeFor(const QString &instrumentNumber);

    // The meter sends its number 8 characters wide in the calibration record
    // and 11 wide in readings ("SIM00001", "SIM-0000001"): both give "SIM1".
    static QString instrumentKey(const QString &instrumentNumber);
    static QString settingsKey(const QString &instrumentNumber);
    // The due date kept in the settings for an instrument; nothing when none is.
    static std::optional<QDate> keptDue(const ProfileFile &settings,
                                        const QString &instrumentNumber);
    static Kept kept(const ProfileFile &settings, const QString &instrumentNumber);

private:
    std::optional<QDate> keptDate(const QString &key);

    const ProfileFile &m_settings;
    const Clock &m_clock;
    QHash<QString, std::optional<QDate>> m_kept; // read from the settings once per instrument
};
