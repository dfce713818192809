#pragma once

#include "MessageFrame.h"

#include <QByteArray>

// Messages as the meter sends them, for the tests.
namespace MessageSamples {

// The worked example: instrument "12345678901", 5 December 2026 09:30,
// value code 12345 (3.45), mR/h, HT50, status ok; checksum 237.
inline QByteArray workedExample()
{
    return QByteArray::fromRawData("\x01"
                                   "12345678901"
                                   "\x00\x0c\x05\x14\x1a\x09\x1e\x30\x39\x01\x05\x00\xed\x04",
                                   26);
}

// A valid 26-byte measurement message with the given bytes 19 to 23.
inline QByteArray measurement(quint8 high, quint8 low, quint8 units = 1, quint8 detector = 5,
                              quint8 status = 0)
{
    QByteArray payload = QByteArrayLiteral("12345678901");
    payload += QByteArray("\x00\x0c\x05\x14\x1a\x09\x1e", 7);
    for (const quint8 byte : {high, low, units, detector, status})
        payload += static_cast<char>(byte);
    return MessageFrame::build(1, payload);
}

// A calibration message: meter, factor digits, name, due date "ddmmyyyy".
inline QByteArray calibration(const QByteArray &meter, const QByteArray &factor,
                              const QByteArray &name, const QByteArray &due)
{
    return MessageFrame::build(
        2, meter.leftJustified(8, ' ', true) + factor.leftJustified(4, '0', true) +
               name.leftJustified(12, ' ', true) + due.leftJustified(8, '0', true));
}

} // namespace MessageSamples
