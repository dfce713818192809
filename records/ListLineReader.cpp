#include "ListLineReader.h"

#include <algorithm>

namespace {

constexpr qint64 BlockSize = 256 * 1024;

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace

ListLineReader::ListLineReader(QIODevice &device) : m_device(device) {}

bool ListLineReader::fillBlock()
{
    // A short list needs no block of the full size.
    const qint64 wanted = m_device.isSequential()
                              ? BlockSize
                              : std::clamp<qint64>(m_device.bytesAvailable(), 1, BlockSize);
    m_block.resize(wanted);
    const qint64 got = m_device.read(m_block.data(), wanted);
    m_block.resize(std::max<qint64>(got, 0));
    m_pos = 0;
    return !m_block.isEmpty();
}

qsizetype ListLineReader::lineEnd() const
{
    const char *data = m_block.constData();
    return std::find_if(data + m_pos, data + m_block.size(), isLineEnd) - data;
}

void ListLineReader::takeLineEnd()
{
    const char c = m_block[m_pos++];
    if (c == '\r' || !m_afterCr)
        ++m_lineEnds;
    m_afterCr = c == '\r';
}

bool ListLineReader::nextLine(QByteArray &line)
{
    line.clear();
    bool started = false;
    for (;;) {
        if (m_pos >= m_block.size() && !fillBlock())
            return started;
        const qsizetype end = lineEnd();
        if (end > m_pos) {
            if (!started)
                m_lineNumber = m_lineEnds + 1;
            started = true;
            m_afterCr = false;
            const qsizetype room = MaxLineLength - line.size();
            if (room > 0)
                line.append(m_block.constData() + m_pos, std::min(end - m_pos, room));
            m_pos = end;
        }
        if (m_pos < m_block.size()) {
            takeLineEnd();
            if (started)
                return true;
        }
    }
}

qint64 ListLineReader::countRemainingLines()
{
    qint64 count = 0;
    bool inLine = false;
    while (m_pos < m_block.size() || fillBlock()) {
        const qsizetype end = lineEnd();
        if (end > m_pos) {
            inLine = true;
            m_afterCr = false;
            m_pos = end;
        }
        if (m_pos < m_block.size()) {
            takeLineEnd();
            if (inLine)
                ++count;
            inLine = false;
        }
    }
    return count + (inLine ? 1 : 0);
}
