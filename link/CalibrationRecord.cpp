#include "CalibrationRecord.h"

#include "NumberText.h"

namespace {

// The characters of bytes first to last; bytes beyond the message are left out.
QString charactersOf(QByteArrayView message, qsizetype first, qsizetype last)
{
    if (first >= message.size())
        return {};
    return QString::fromLatin1(
        message.sliced(first, std::min(last, message.size() - 1) - first + 1));
}

} // namespace

CalibrationRecord CalibrationRecord::fromMessage(QByteArrayView message)
{
    CalibrationRecord record;
    record.meter = charactersOf(message, 1, 8);
    record.factor =
        NumberText::plain(NumberText::leadingNumber(charactersOf(message, 9, 12)) / 1000);
    record.name = charactersOf(message, 13, 24);
    record.due = charactersOf(message, 25, 26) + QChar(u'/') + charactersOf(message, 27, 28) +
                 QChar(u'/') + charactersOf(message, 29, 32);
    return record;
}
