#include "TeskCommonPart.h"

namespace TeskCommonPart {

QString TrimAtNull(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString PadField(const QString &text, int n)
{
    if (text.size() > n)
        return text;
    QString padded = text;
    padded.resize(n + 1, QChar(u' '));
    return padded;
}

} // namespace TeskCommonPart
