#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The lines of the communication trace. Hexadecimal digits are upper case
// without leading zeros, so 10 is "A" and 4 is "4".
class TraceText
{
public:
    // The hexadecimal codes of the first cnt characters of bf, each followed by a blank.
    static QString CnvStrToHex(qint16 cnt, QByteArrayView bf);

    // "Part " and a blank and the digits of each byte of a received block.
    static QString partLine(QByteArrayView block);
    // "All ", each byte of a message, then " Ret=" and the check result as number text.
    static QString allLine(QByteArrayView message, qint16 result);
    // "Send " and the first nine bytes of a command (the terminator is not shown).
    static QString sendLine(QByteArrayView command);
    static QString onlineStoppedLine(const QDateTime &now);

    static QString hexOf(quint8 byte);
};
