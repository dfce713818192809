#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QtGlobal>

// Reads a list file line by line in blocks, so that neither a damaged file
// with a line of megabytes nor a long list is ever held in memory whole.
// A line ends with LF; one CR before it is dropped. Blank lines are not lines
// of the list and are passed over by both reading and counting.
class ListLineReader
{
public:
    // Longer lines are cut to this; the rest of such a line is skipped.
    static constexpr qsizetype MaxLineLength = 4096;

    explicit ListLineReader(QIODevice &device);

    // The next non-blank line; false at the end of the data.
    bool nextLine(QByteArray &line);

    // The number of non-blank lines from here to the end, without keeping them.
    qint64 countRemainingLines();

private:
    bool fillBlock();

    QIODevice &m_device;
    QByteArray m_block;
    qsizetype m_pos = 0;
};
