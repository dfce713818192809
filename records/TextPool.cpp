#include "TextPool.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// A reference is the block's number above the text's offset in its block.
constexpr int OffsetBits = 20;
static_assert(TextPool::BlockBytes == qsizetype(1) << OffsetBits);
static_assert(TextPool::MaxBlocks << OffsetBits == qsizetype(1) << 32);

// The most bytes a text's head can take.
constexpr qsizetype MaxHeadBytes = 10;

bool isLatin1(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
}

// A text's head gives its byte count times two, plus one for UTF-16 code
// units, in groups of seven bits, lowest first; a set top bit means more follow.
void appendHead(QByteArray &block, quint64 head)
{
    do {
        auto byte = static_cast<quint8>(head & 0x7f);
        head >>= 7;
        if (head != 0)
            byte |= 0x80;
        block.append(static_cast<char>(byte));
    } while (head != 0);
}

} // namespace

TextPool::Ref TextPool::add(const QString &text)
{
    if (text.isEmpty())
        return Empty;
    if (const auto known = m_known.constFind(text); known != m_known.cend())
        return *known;

    const bool latin1 = isLatin1(text);
    const qsizetype size = latin1 ? text.size() : text.size() * 2;
    if (m_blocks.empty())
        m_blocks.emplace_back(1, '\0'); // the offset of the empty text, never given out
    if (m_blocks.back().size() + MaxHeadBytes + size > BlockBytes) {
        if (static_cast<qsizetype>(m_blocks.size()) == MaxBlocks)
            throw std::length_error("the text pool is full");
        m_blocks.back().squeeze();
        m_blocks.emplace_back();
    }
    QByteArray &block = m_blocks.back();
    const Ref ref =
        static_cast<Ref>(m_blocks.size() - 1) << OffsetBits | static_cast<Ref>(block.size());
    appendHead(block, static_cast<quint64>(size) << 1 | (latin1 ? 0 : 1));
    if (latin1) {
        for (const QChar c : text)
            block.append(static_cast<char>(c.unicode()));
    } else {
        block.append(reinterpret_cast<const char *>(text.utf16()), size);
    }
    if (m_known.size() < MaxKnownTexts)
        m_known.insert(text, ref);
    return ref;
}

QString TextPool::text(Ref ref) const
{
    if (ref == Empty)
        return {};
    const QByteArray &block = m_blocks[ref >> OffsetBits];
    const char *at = block.constData() + (ref & (BlockBytes - 1));
    quint64 head = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<quint8>(*at++);
        head |= static_cast<quint64>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0)
            break;
    }
    const auto size = static_cast<qsizetype>(head >> 1);
    if ((head & 1) == 0)
        return QString::fromLatin1(at, size);
    QString text(size / 2, Qt::Uninitialized);
    std::memcpy(text.data(), at, static_cast<size_t>(size));
    return text;
}

void TextPool::clear()
{
    m_blocks.clear();
    m_known.clear();
}
