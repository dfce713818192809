#pragma once

#include <QString>
#include <QtGlobal>

// One decoded reading of the meter, as the texts that the grid, the list file,
// the displays and the alarms show or store, plus the raw status byte.
struct MeasurementRecord
{
    QString InstNum;  // instrument number, 11 characters as sent
    QString time;     // general date-time text
    QString vl;       // value, "##0.00"
    QString Units;    // units, possibly with the prefix "f"
    QString status;   // status word
    QString Detector; // detector name
    QString ErrorSn;  // "*" when a threshold of the meter was exceeded, else a blank
    qint16 sta = 0;   // raw status byte, 0 to 255

    bool operator==(const MeasurementRecord &) const = default;
};
