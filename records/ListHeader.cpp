#include "ListHeader.h"

#include "RecordLine.h"

const QStringList &ListHeader::captions()
{
    static const QStringList texts = {
        QStringLiteral("Department:"), QStringLiteral("Date:"), QStringLiteral("Instrument Type:"),
        QStringLiteral("Survey location:"), QStringLiteral("Surveyor:")};
    return texts;
}

QStringList ListHeader::blank()
{
    QStringList lines;
    for (const QString &caption : captions())
        lines << caption + QChar(u' ');
    lines << SignatureLine;
    return lines;
}

bool ListHeader::hasCaption(qsizetype place, const QString &text)
{
    if (place < 0 || place >= LineCount)
        return false;
    return text.startsWith(place < captions().size() ? captions()[place] : SignatureLine);
}

bool ListHeader::takes(qsizetype place, const QString &text)
{
    return place < LineCount && (hasCaption(place, text) || !RecordLine::read(text));
}
