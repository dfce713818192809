#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// An inbound message from the meter: a start byte, the payload, a checksum
// and the terminator 4. The payload bytes and the checksum add up to 0
// modulo 256; the start byte and the terminator are not summed.
class MessageFrame
{
public:
    static constexpr char Terminator = 4;
    // The shortest message that can end: a 4 among the first 25 bytes is data.
    static constexpr int MinimumLength = 26;
    // Longer messages than this are calibration records.
    static constexpr int MeasurementMaximum = 30;

    // The checksum byte that makes the payload sum to 0 modulo 256.
    static quint8 checksumOf(QByteArrayView payload);

    // A whole message: start byte, payload, checksum, terminator.
    static QByteArray build(quint8 start, QByteArrayView payload);
};
