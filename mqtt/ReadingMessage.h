#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct MeasurementRecord;

// The texts a broker's subscribers receive: one JSON object (UTF-8) per stored
// reading, and the alarm state as a word.
class ReadingMessage
{
public:
    // {"instrument", "time", "value", "units", "status", "status_word",
    //  "detector", "marked", "level"}; `taken` is the wall-clock time the
    // reading was stored, written with the computer's UTC offset.
    static QByteArray json(const MeasurementRecord &record, const QDateTime &taken,
                           double warningLevel, double alarmLevel);

    // "ok", "warning" or "alarm": the value as shown (two decimals) against the
    // thresholds, a value equal to a threshold not being above it.
    static QString level(const QString &vl, double warningLevel, double alarmLevel);

    // The word for an alarm level of the window: "ok", "warning", "alarm" or
    // "lost contact".
    static QString alarmWord(int alarmLevel);

    // ISO 8601 with the UTC offset the computer's zone has at that wall-clock time.
    static QString isoTime(const QDateTime &wallClock);
};
