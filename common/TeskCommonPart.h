#pragma once

#include <QString>
#include <QtGlobal>

// Small text helpers and the program-wide port numbers shared by every window.
namespace TeskCommonPart {

// The part of the text before its first NUL character.
QString TrimAtNull(const QString &text);

// The text followed by blanks up to n + 1 characters; longer texts are returned whole.
// Grid cells and the fixed-width fields of the list file rely on the n + 1 width.
QString PadField(const QString &text, int n);

// Number of the serial port taken from the settings (1 to 4).
inline qint16 CommPortNumber = 0;
// Number of the port that is open, 0 when none is.
inline qint16 PortInUse = 0;

} // namespace TeskCommonPart
