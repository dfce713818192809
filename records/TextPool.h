#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>

#include <vector>

// Texts kept side by side as bytes, each named by a 32-bit reference: a text
// of Latin-1 characters as Latin-1, any other as its UTF-16 code units, so
// that every text reads back exactly as it was given. A text the pool has
// seen before is kept once, up to MaxKnownTexts different texts; past that
// new texts are kept again each time, so the index stays bounded.
class TextPool
{
public:
    using Ref = quint32;

    // The empty text, which takes no room.
    static constexpr Ref Empty = 0;
    // Bytes of one block of the pool; a longer text takes a block of its own.
    static constexpr qsizetype BlockBytes = qsizetype(1) << 20;
    static constexpr qsizetype MaxBlocks = qsizetype(1) << 12;
    static constexpr qsizetype MaxKnownTexts = qsizetype(1) << 16;

    // Throws std::length_error when the pool's 4 GB of references are used up.
    Ref add(const QString &text);
    QString text(Ref ref) const;
    void clear();

private:
    std::vector<QByteArray> m_blocks;
    QHash<QString, Ref> m_known;
};
