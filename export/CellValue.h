#pragma once

#include <QString>

// One value the export puts in a worksheet cell.
struct CellValue
{
    enum class Kind { Text, Number, Date, DateTime };

    Kind kind = Kind::Text;
    QString text;      // for Text
    double number = 0; // for Number; the day count for Date and DateTime

    static CellValue ofText(QString t) { return {Kind::Text, std::move(t), 0}; }
    static CellValue ofNumber(double n) { return {Kind::Number, {}, n}; }
    static CellValue ofDate(double days) { return {Kind::Date, {}, days}; }
    static CellValue ofDateTime(double days) { return {Kind::DateTime, {}, days}; }
};
