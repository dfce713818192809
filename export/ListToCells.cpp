#include "ListToCells.h"

#include "DateTimeText.h"
#include "NumberText.h"
#include "SerialDate.h"

#include <QLocale>

#include <cmath>

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

std::optional<double> ListToCells::legendDate(const QString &text)
{
    if (const auto written = DateTimeText::parse(text))
        return std::floor(SerialDate::fromDateTime(*written));
    const QDate local = QLocale::system().toDate(text.trimmed(), QLocale::ShortFormat);
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
