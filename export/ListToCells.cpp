#include "ListToCells.h"

#include "DateTimeText.h"
#include "NumberText.h"
#include "SerialDate.h"

#include <cmath>
#include <cstdlib>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Where the record's date-time starts: the first "dddd-dd-dd" after a blank.
qsizetype timeStart(QStringView line)
{
    for (qsizetype i = 1; i + 10 <= line.size(); ++i) {
        if (line[i - 1] != u' ' || !isDigit(line[i]) || line[i + 4] != u'-' || line[i + 7] != u'-')
            continue;
        if (isDigit(line[i + 1]) && isDigit(line[i + 2]) && isDigit(line[i + 3]) &&
            isDigit(line[i + 5]) && isDigit(line[i + 6]) && isDigit(line[i + 8]) &&
            isDigit(line[i + 9]))
            return i;
    }
    return -1;
}

// The text before the rest's first blank, and the rest after it.
QStringView takeToken(QStringView &rest)
{
    rest = rest.trimmed();
    const qsizetype blank = rest.indexOf(u' ');
    const QStringView token = blank < 0 ? rest : rest.left(blank);
    rest = blank < 0 ? QStringView() : rest.mid(blank + 1).trimmed();
    return token;
}

} // namespace

std::optional<QString> ListToCells::legendValue(int lineNumber, const QString &line)
{
    static const QString Keys[] = {QStringLiteral("Department: "), QStringLiteral("Date: "),
                                   QStringLiteral("Instrument Type: "),
                                   QStringLiteral("location: "), QStringLiteral("Surveyor")};
    if (lineNumber < 1 || lineNumber > 5)
        return std::nullopt;
    const QString &key = Keys[lineNumber - 1];
    const qsizetype at = line.indexOf(key);
    if (at < 0)
        return std::nullopt;
    QStringView value = QStringView(line).mid(at + key.size());
    if (lineNumber == 5) {
        if (value.startsWith(u':'))
            value = value.mid(1);
        if (value.startsWith(u' '))
            value = value.mid(1);
    }
    return value.toString();
}

namespace {

// The date with the last two digits of `date`'s year that lies nearest `today`.
QDate nearestWithSameYearDigits(const QDate &date, const QDate &today)
{
    const int century = today.year() - today.year() % 100;
    QDate nearest;
    for (const int start : {century - 100, century, century + 100}) {
        const QDate candidate(start + date.year() % 100, date.month(), date.day());
        if (candidate.isValid() && (!nearest.isValid() || std::abs(candidate.daysTo(today)) <
                                                              std::abs(nearest.daysTo(today))))
            nearest = candidate;
    }
    return nearest;
}

} // namespace

std::optional<double> ListToCells::legendDate(const QString &text, const QDate &today,
                                              const QLocale &locale)
{
    if (const auto written = DateTimeText::parse(text))
        return std::floor(SerialDate::fromDateTime(*written));
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QDate local = locale.toDate(text.trimmed(), format);
    if (local.isValid() && !format.contains(QStringLiteral("yyyy")) &&
        format.contains(QStringLiteral("yy")))
        local = nearestWithSameYearDigits(local, today);
    if (!DateTimeText::inRange(local))
        return std::nullopt;
    return SerialDate::fromDateTime(DateTimeText::wallClock(local, QTime(0, 0)));
}

std::optional<ListToCells::Row> ListToCells::recordRow(QStringView line)
{
    const qsizetype start = timeStart(line);
    if (start < 0)
        return std::nullopt;
    // The date-time is the date alone for a reading at midnight.
    QStringView timeText = line.mid(start, 10);
    if (line.size() >= start + 19 && line[start + 10] == u' ' && isDigit(line[start + 11]))
        timeText = line.mid(start, 19);
    const auto time = DateTimeText::parse(timeText);
    if (!time)
        return std::nullopt;
    // The mark, when there is one, is the first thing after the date-time's
    // padding: a lone asterisk, which no value can be.
    QStringView rest = line.mid(start + timeText.size()).trimmed();
    const bool marked = rest.startsWith(u'*') && (rest.size() == 1 || rest[1] == u' ');
    if (marked)
        rest = rest.mid(1);
    const QStringView value = takeToken(rest);
    const QStringView units = takeToken(rest);
    const QStringView status = takeToken(rest);
    const double code = NumberText::leadingNumber(status);
    return Row{CellValue::ofText(line.left(start).trimmed().toString()),
               CellValue::ofDateTime(SerialDate::fromDateTime(*time)),
               CellValue::ofNumber(NumberText::leadingNumber(value)),
               CellValue::ofText(marked ? QStringLiteral("*") : QStringLiteral(" ")),
               CellValue::ofText(units.toString()),
               CellValue::ofText(statusText(static_cast<int>(std::clamp(code, -1e9, 1e9)))),
               CellValue::ofText(rest.trimmed().toString())};
}

QString ListToCells::statusText(int code)
{
    QString word = QStringLiteral(" ");
    if (code == 0)
        word = QStringLiteral("ok");
    else if (code == 1)
        word = QStringLiteral("LowBat");
    else if (code >= 2 && code <= 3)
        word = QStringLiteral("DetFail");
    else if (code >= 4 && code <= 7)
        word = QStringLiteral("OvrThrDose");
    else if (code >= 8 && code <= 15)
        word = QStringLiteral("OvrThrRate");
    else if (code >= 16 && code <= 31)
        word = QStringLiteral("OvrFlwRate");
    else if (code >= 32)
        word = QStringLiteral("OvrFlwDose");
    return word + QStringLiteral(" (") + QString::number(code) + QChar(u')');
}
