#include "DateTimeText.h"

namespace {

// Reads exactly `count` digits at `pos`; -1 when they are not all digits.
int digitsAt(QStringView text, qsizetype pos, int count)
{
    if (pos + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

QString DateTimeText::format(const QDateTime &dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    QString text = QStringLiteral("%1-%2-%3")
                       .arg(date.year(), 4, 10, QChar(u'0'))
                       .arg(date.month(), 2, 10, QChar(u'0'))
                       .arg(date.day(), 2, 10, QChar(u'0'));
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0) {
        text += QStringLiteral(" %1:%2:%3")
                    .arg(time.hour(), 2, 10, QChar(u'0'))
                    .arg(time.minute(), 2, 10, QChar(u'0'))
                    .arg(time.second(), 2, 10, QChar(u'0'));
    }
    return text;
}

std::optional<QDateTime> DateTimeText::parse(QStringView text)
{
    text = text.trimmed();
    if (text.size() != 10 && text.size() != 19)
        return std::nullopt;
    const int year = digitsAt(text, 0, 4);
    const int month = digitsAt(text, 5, 2);
    const int day = digitsAt(text, 8, 2);
    if (year < 0 || month < 0 || day < 0 || text[4] != u'-' || text[7] != u'-')
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid() || !inRange(date))
        return std::nullopt;
    QTime time(0, 0);
    if (text.size() == 19) {
        const int hour = digitsAt(text, 11, 2);
        const int minute = digitsAt(text, 14, 2);
        const int second = digitsAt(text, 17, 2);
        if (text[10] != u' ' || text[13] != u':' || text[16] != u':' || hour < 0 || minute < 0 ||
            second < 0)
            return std::nullopt;
        time = QTime(hour, minute, second);
        if (!time.isValid())
            return std::nullopt;
    }
    return wallClock(date, time);
}

QDateTime DateTimeText::wallClock(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

QDateTime DateTimeText::wallClock(const QDateTime &dateTime)
{
    return wallClock(dateTime.date(), dateTime.time());
}

bool DateTimeText::inRange(const QDate &date)
{
    return date.isValid() && date.year() >= FirstYear && date.year() <= LastYear;
}
