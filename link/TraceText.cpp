#include "TraceText.h"

#include "DateTimeText.h"
#include "NumberText.h"

namespace {

QString blankSeparatedHex(QString line, QByteArrayView bytes)
{
    line.reserve(line.size() + bytes.size() * 3 + 8);
    for (const char byte : bytes) {
        line += QChar(u' ');
        line += TraceText::hexOf(static_cast<quint8>(byte));
    }
    return line;
}

} // namespace

QString TraceText::hexOf(quint8 byte)
{
    return QString::number(byte, 16).toUpper();
}

QString TraceText::CnvStrToHex(qint16 cnt, QByteArrayView bf)
{
    QString text;
    const qsizetype count = std::min<qsizetype>(std::max<qint16>(cnt, 0), bf.size());
    for (qsizetype i = 0; i < count; ++i) {
        text += hexOf(static_cast<quint8>(bf[i]));
        text += QChar(u' ');
    }
    return text;
}

QString TraceText::partLine(QByteArrayView block)
{
    return blankSeparatedHex(QStringLiteral("Part "), block);
}

QString TraceText::allLine(QByteArrayView message, qint16 result)
{
    return blankSeparatedHex(QStringLiteral("All "), message) + QStringLiteral(" Ret=") +
           NumberText::display(result);
}

QString TraceText::sendLine(QByteArrayView command)
{
    return QStringLiteral("Send ") + CnvStrToHex(9, command);
}

QString TraceText::onlineStoppedLine(const QDateTime &now)
{
    return QStringLiteral("Online stoped on ") + DateTimeText::format(now);
}
