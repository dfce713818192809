#pragma once

#include <QByteArrayView>
#include <QString>

// The meter's calibration record, as the texts of the calibration window.
struct CalibrationRecord
{
    QString meter;  // instrument number, 8 characters
    QString factor; // calibration factor, shortest decimal ("1.25", "0.985", "1")
    QString name;   // who calibrated it, 12 characters
    QString due;    // calibration due date, "dd/dd/dddd"

    static CalibrationRecord fromMessage(QByteArrayView message);
};
