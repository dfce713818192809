#pragma once

#include <QString>
#include <QStringList>

// The header of a list file: the five legend lines and "Signture:". Which
// leading lines belong to it is decided here for every reader of a list.
class ListHeader
{
public:
    static constexpr int LineCount = 6;
    static inline const QString SignatureLine = QStringLiteral("Signture:");

    // The captions that begin the five legend lines, in order.
    static const QStringList &captions();

    // The six lines of a header whose legend texts are all empty.
    static QStringList blank();

    // Whether the leading line `text`, found at `place` (0-based) before any
    // record, belongs to the header: at most six lines do, each one that
    // begins with the caption for its place or that does not read as a
    // record. So a legend text that happens to hold a date stays in the
    // header, and a file without a header loads all its records.
    static bool takes(qsizetype place, const QString &text);

    // Whether the line begins with the caption of the header line at `place`.
    static bool hasCaption(qsizetype place, const QString &text);
};
