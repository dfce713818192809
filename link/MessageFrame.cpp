#include "MessageFrame.h"

quint8 MessageFrame::checksumOf(QByteArrayView payload)
{
    quint16 sum = 0;
    for (const char byte : payload)
        sum = static_cast<quint16>(sum + static_cast<quint8>(byte));
    return static_cast<quint8>((256 - (sum % 256)) % 256);
}

QByteArray MessageFrame::build(quint8 start, QByteArrayView payload)
{
    QByteArray message;
    message.reserve(payload.size() + 3);
    message.append(static_cast<char>(start));
    message.append(payload);
    message.append(static_cast<char>(checksumOf(payload)));
    message.append(Terminator);
    return message;
}
