#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

// The one place where date-times become texts and texts become date-times.
// The program's general date-time form is "yyyy-MM-dd HH:mm:ss", and the date
// alone when the time is exactly midnight. Date-times are wall-clock values:
// they are kept in Qt::UTC so that no time-zone rule ever shifts them.
class DateTimeText
{
public:
    // Years the program's date-times can hold; list files and workbooks rely on
    // four-digit years.
    static constexpr int FirstYear = 100;
    static constexpr int LastYear = 9999;

    static QString format(const QDateTime &dateTime);

    // Reads both general forms; blanks around the text are ignored.
    static std::optional<QDateTime> parse(QStringView text);

    // A wall-clock date-time from a date and a time of day.
    static QDateTime wallClock(const QDate &date, const QTime &time);
    // The wall-clock reading of a date-time in any time spec.
    static QDateTime wallClock(const QDateTime &dateTime);

    static bool inRange(const QDate &date);
};
