#include "ListLineReader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 BlockSize = 256 * 1024;

bool isBlank(qint64 length, char first)
{
    return length == 0 || (length == 1 && first == '\r');
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

bool ListLineReader::nextLine(QByteArray &line)
{
    for (;;) {
        line.clear();
        qint64 length = 0;
        char first = 0;
        bool ended = false;
        while (!ended) {
            if (m_pos >= m_block.size() && !fillBlock())
                break;
            const char *data = m_block.constData() + m_pos;
            const qsizetype available = m_block.size() - m_pos;
            const auto *newline =
                static_cast<const char *>(std::memchr(data, '\n', static_cast<size_t>(available)));
            const qsizetype taken = newline ? newline - data : available;
            if (length == 0 && taken > 0)
                first = data[0];
            length += taken;
            const qsizetype room = MaxLineLength - line.size();
            if (room > 0)
                line.append(data, std::min(taken, room));
            m_pos += taken + (newline ? 1 : 0);
            ended = newline != nullptr;
        }
        if (!ended && length == 0)
            return false;
        if (isBlank(length, first))
            continue;
        if (length <= MaxLineLength && line.endsWith('\r'))
            line.chop(1);
        return true;
    }
}

qint64 ListLineReader::countRemainingLines()
{
    qint64 count = 0;
    qint64 length = 0;
    char first = 0;
    while (m_pos < m_block.size() || fillBlock()) {
        const char *data = m_block.constData();
        const qsizetype size = m_block.size();
        while (m_pos < size) {
            const auto *newline = static_cast<const char *>(
                std::memchr(data + m_pos, '\n', static_cast<size_t>(size - m_pos)));
            const qsizetype end = newline ? newline - data : size;
            if (length == 0 && end > m_pos)
                first = data[m_pos];
            length += end - m_pos;
            if (!newline) {
                m_pos = size;
                break;
            }
            if (!isBlank(length, first))
                ++count;
            length = 0;
            m_pos = end + 1;
        }
    }
    if (!isBlank(length, first))
        ++count;
    return count;
}
