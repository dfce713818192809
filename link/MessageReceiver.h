#pragma once

#include "UnexpectedFailure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>

// Collects the bytes the port delivers into complete inbound messages and
// checks each one. A message ends at a byte 4 once at least 26 bytes are
// held; a 4 among the first 25 bytes is ordinary data. Messages may arrive
// in any number of pieces.
class MessageReceiver
{
public:
    // Results of `check`, and of a message dropped for running too long.
    enum Result : qint16 {
        Measurement = 1, // valid, at most 30 bytes
        BadChecksum = 2,
        TooShort = 3,     // fewer than 20 bytes
        Overflow = 4,     // 100 bytes without a terminator: dropped
        Calibration = 10, // valid, more than 30 bytes
    };
    static constexpr int MaximumStored = 100;

    using MessageHandler = std::function<void(const QByteArray &message, qint16 result)>;
    using FailureHandler = std::function<void(const UnexpectedFailure &failure)>;

    // Takes one block of received bytes. Each completed message goes to
    // onMessage with its result, in order. After a wrong checksum the rest of
    // the block is dropped. After 100 bytes without a terminator what was
    // collected is handed on as an Overflow and the next byte starts a new
    // message. A failure thrown while handling a byte goes to onFailure and
    // processing goes on with the next byte. Returns how many of the block's
    // bytes were taken (all but those dropped), which its "Part " line shows;
    // the line is left to the caller, who may not want it.
    qsizetype processInput(QByteArrayView block, const MessageHandler &onMessage,
                           const FailureHandler &onFailure = {});

    // Checks the message collected so far: 3, 2, 1 or 10.
    qint16 check() const;

    // The bytes collected for the message under way.
    QByteArray collected() const;
    void clear() { MesPoint = 0; }

    std::array<quint8, MaximumStored + 1> RxBuffer{};
    qint16 MesPoint = 0;
};
