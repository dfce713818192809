#pragma once

#include "MeasurementRecord.h"

#include <QByteArrayView>
#include <QDateTime>

// Turns a measurement message into a MeasurementRecord.
class MeasurementDecoder
{
public:
    // Decodes the 26-byte message (missing bytes count as 0). While
    // downloading, the reading keeps the meter's own time stamp; otherwise it
    // takes `now`, the computer's clock. Month, day, hour and minute outside
    // their ranges roll over as calendar arithmetic does. A meter time stamp
    // whose year falls outside 100..9999 cannot be held by the program's
    // date-times (the list file and workbooks need four-digit years): such a
    // reading gets day 0 of the date-time scale, "1899-12-30", which sorts
    // first and is plainly not a survey time.
    static MeasurementRecord GetDataFromMess(QByteArrayView message, bool downloading,
                                             const QDateTime &now);

    // The parts of a reading, for the simulator, tests and the graph.
    static QDateTime meterTime(QByteArrayView message);
    static double value(quint16 code);
    static QString units(quint8 code);
    static QString detector(quint8 code);
    static QString status(quint8 code);

    // Byte 1 of the end-of-data mark that closes a download.
    static constexpr char EndOfDataMark = '*';
    static bool isEndOfData(QByteArrayView message);
};
