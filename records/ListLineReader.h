#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QtGlobal>

// Reads a list file line by line in blocks, so that neither a damaged file
// with a line of megabytes nor a long list is ever held in memory whole.
// A line ends with CR LF, LF or CR alike. Blank lines are not lines of the
// list and are passed over by both reading and counting.
class ListLineReader
{
public:
    // Longer lines are cut to this; the rest of such a line is skipped.
    static constexpr qsizetype MaxLineLength = 4096;

    explicit ListLineReader(QIODevice &device);

    // The next non-blank line; false at the end of the data.
    bool nextLine(QByteArray &line);

    // The 1-based number of the line nextLine gave last, as an editor counts
    // it: blank lines included, CR LF one line end.
    qint64 lineNumber() const { return m_lineNumber; }

    // The number of non-blank lines from here to the end, without keeping them.
    qint64 countRemainingLines();

private:
    bool fillBlock();
    // Where the next CR or LF lies in the block from m_pos; the block's end when none.
    qsizetype lineEnd() const;
    // Passes over the line end at m_pos, counting it.
    void takeLineEnd();

    QIODevice &m_device;
    QByteArray m_block;
    qsizetype m_pos = 0;
    qint64 m_lineEnds = 0;  // line ends passed so far
    bool m_afterCr = false; // the last byte passed was a CR: an LF now ends no line
    qint64 m_lineNumber = 0;
};
