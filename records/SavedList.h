#pragma once

#include "CompactRecords.h"

#include <QIODevice>
#include <QString>
#include <QStringList>

// A whole list file read at once, for the survey report, the list viewer and
// tesk-cli. Lines are read as the working list loader reads them: one quoted
// text each, the header decided by ListHeader, every later line that
// RecordLine::read takes a record, and any other skipped and counted. The
// text is Latin-1, or UTF-8 where ListEncoding finds the file in UTF-8.
class SavedList
{
public:
    // The largest list file read: a million records take some 80 MB of file
    // and 40 MB held, so a list at the limit stays within a few hundred MB.
    static constexpr qint64 MaxFileBytes = qint64(256) << 20;

    QStringList header; // the leading header (legend) lines, as the loader takes them
    CompactRecords records;            // every record line, in file order
    qint64 firstSkippedLine = 0;       // 1-based line number of the first line that is neither
                                       // header nor record; 0 when none
    qint64 skippedLines = 0;           // how many lines were neither header nor record (each
                                       // passed over, the records after it still read)
    QString error;                     // why the data is not a list at all; empty when it is one

    // Reads CR, LF and CR LF line ends alike; bounded memory per line (a line
    // is cut to ListLineReader::MaxLineLength). Data that holds neither a
    // record nor a line with its header caption is not a list.
    static SavedList read(QIODevice &device);
    static SavedList read(const QString &path); // error set when it cannot be opened
                                                // or is no regular file

    // "Line 9 of <file> cannot be read and is left out." or "3 lines of
    // <file> cannot be read and are left out; the first is line 9."
    static QString skippedText(const QString &file, qint64 count, qint64 first);
};
