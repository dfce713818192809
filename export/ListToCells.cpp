#include "ListToCells.h"

#include "DateTimeText.h"
#include "RecordLine.h"
#include "SerialDate.h"

#include <cmath>
#include <cstdlib>

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
    const auto fields = RecordLine::read(line);
    if (!fields)
        return std::nullopt;
    return Row{CellValue::ofText(fields->instrument),
               CellValue::ofDateTime(SerialDate::fromDateTime(fields->time)),
               CellValue::ofNumber(fields->value),
               CellValue::ofText(fields->marked ? QStringLiteral("*") : QStringLiteral(" ")),
               CellValue::ofText(fields->units),
               CellValue::ofText(statusText(fields->status)),
               CellValue::ofText(fields->detector)};
}

QString ListToCells::statusWord(int code)
{
    if (code == 0)
        return QStringLiteral("ok");
    if (code == 1)
        return QStringLiteral("LowBat");
    if (code >= 2 && code <= 3)
        return QStringLiteral("DetFail");
    if (code >= 4 && code <= 7)
        return QStringLiteral("OvrThrDose");
    if (code >= 8 && code <= 15)
        return QStringLiteral("OvrThrRate");
    if (code >= 16 && code <= 31)
        return QStringLiteral("OvrFlwRate");
    if (code >= 32)
        return QStringLiteral("OvrFlwDose");
    return QStringLiteral(" ");
}

QString ListToCells::statusText(int code)
{
    return statusWord(code) + QStringLiteral(" (") + QString::number(code) + QChar(u')');
}

QString ListToCells::columnTitle(int column)
{
    static const QString Titles[ColumnCount] = {
        QStringLiteral("Instrument"), QStringLiteral("Date and time"), QStringLiteral("Value"),
        QStringLiteral("Mark"),       QStringLiteral("Units"),         QStringLiteral("Status"),
        QStringLiteral("Detector")};
    return column >= 0 && column < ColumnCount ? Titles[column] : QString();
}
