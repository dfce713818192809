#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The ten bytes of every command to the meter: 1, the command code, seven
// data bytes ("0" unless the command carries data) and the terminator 4.
// Commands carry no checksum.
class CommandFrame
{
public:
    static constexpr int Length = 10;

    enum Code : quint8 {
        GetStoredData = 4,
        NextRecord = 5,
        Test = 6,
        GetCalibration = 8,
        Online = 9,
        SetClock = 32,
    };

    // A command whose seven data bytes are all "0".
    static QByteArray plain(quint8 code);
    // Online start: minutes and seconds as two characters each ("##00").
    static QByteArray onlineStart(double minutes, double seconds);
    static QByteArray onlineStop() { return plain(Online); }
    // Set clock: month, day, century, year in century, hour, minute, second as numbers.
    static QByteArray setClock(const QDateTime &dateTime);

    // The command code of a ten-byte frame, or -1 when the bytes are not one.
    static int codeOf(const QByteArray &frame);
};
