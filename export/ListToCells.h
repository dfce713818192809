#pragma once

#include "CellValue.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// How the lines of a saved list become worksheet values: the keys of the five
// legend lines, the seven columns of a record line and the status words.
class ListToCells
{
public:
    static constexpr int ColumnCount = 7;
    using Row = std::array<CellValue, ColumnCount>;

    // The value after the key of legend line `lineNumber` (1 to 5), or
    // nothing when the line lacks its key.
    static std::optional<QString> legendValue(int lineNumber, const QString &line);

    // The legend date as the program writes it or in the short date form of
    // `locale`, as a day count. A two-digit year is the year nearest `today`.
    static std::optional<double> legendDate(const QString &text, const QDate &today,
                                            const QLocale &locale = QLocale::system());

    // Instrument number, date-time, value, mark, units, status, detector,
    // as RecordLine::read takes them; nothing when the line is no record line.
    static std::optional<Row> recordRow(QStringView line);

    // "ok (0)", "OvrThrDose (5)", "  (-1)".
    static QString statusText(int code);
    // "ok", "OvrThrDose", " " for a negative code.
    static QString statusWord(int code);

    // "Instrument", "Date and time", "Value", "Mark", "Units", "Status", "Detector".
    static QString columnTitle(int column);
};
