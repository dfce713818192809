#pragma once

#include <QDateTime>

// Date-times as 64-bit day counts with the time of day as the fraction;
// day 0 is 30 December 1899. Before day 0 the whole part counts back and the
// fraction still counts forward from midnight (-1.25 is 29 December 06:00).
class SerialDate
{
public:
    static double fromDateTime(const QDateTime &dateTime);
    // Rounded to the millisecond; an invalid result for values beyond the
    // program's years.
    static QDateTime toDateTime(double days);

    static QDate dayZero() { return {1899, 12, 30}; }
};
