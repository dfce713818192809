#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// The one place where numbers become texts and texts become numbers.
// The decimal point is always the full stop, whatever the user's locale: stored
// values and thresholds are read back by the leading-number rule, which knows
// no other separator.
class NumberText
{
public:
    // The leading number of a text. Blanks, tabs and line feeds are skipped
    // anywhere; then an optional sign, digits, a full stop and an exponent
    // (E or D) are read as far as they form a number. "&H" and "&O" read a
    // hexadecimal or octal whole number (as an unsigned value). A text without
    // a number gives 0; a number too large for a double gives the largest one.
    static double leadingNumber(QStringView text);

    // Display text: a blank before zero and positive numbers, a minus sign
    // before negative ones, no zero before the decimal point, at most 15
    // significant digits (" 1", " .2", "-3", " 0", " 1E+16").
    static QString display(double value);

    // Shortest plain text for a person to edit ("0.2", "5", "1.25").
    static QString plain(double value);

    // The pattern "##0.00": at least one integer digit and exactly two
    // decimals, halves rounded away from zero on the decimal value.
    static QString fixedTwoDecimals(double value);

    // The pattern "##00": a whole number of at least two digits ("05", "120").
    static QString atLeastTwoDigits(double value);

    // Rounding for 16-bit settings: nearest whole number, halves to the even
    // neighbour; values beyond -32768..32767 are clamped, and NaN gives 0.
    static qint16 roundToInt16(double value);
};
