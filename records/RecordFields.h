#pragma once

#include <QDateTime>
#include <QString>

// The fields of one record line of a list file, as RecordLine::read takes them.
struct RecordFields
{
    QString instrument; // instrument number as written, trimmed
    QDateTime time;     // when the reading was taken (the list's wall-clock date-time)
    QString valueText;  // the value as written, for example "234000.00"
    double value = 0;
    bool marked = false; // "*": a threshold of the meter was exceeded
    QString units;       // units text, possibly with the prefix "f"
    int status = 0;      // status code as written
    QString detector;    // detector name, may be empty

    bool operator==(const RecordFields &) const = default;
};
