#include "WaveHeader.h"

#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

namespace {

// Enough for any file a user would name as an alarm; stops a crafted file from
// keeping the reader busy with millions of empty chunks.
constexpr int MaxChunks = 256;
constexpr qint64 FormatChunkSize = 16;

quint16 u16At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

quint32 u32At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

bool usable(const WaveHeader &header)
{
    return header.channels > 0 && header.sampleRate > 0 && header.byteRate > 0 &&
           header.blockAlign > 0 && header.bitsPerSample > 0;
}

} // namespace

std::optional<WaveHeader> WaveHeader::read(QIODevice &device)
{
    const QByteArray riff = device.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return std::nullopt;

    WaveHeader header;
    bool formatSeen = false;
    for (int chunk = 0; chunk < MaxChunks; ++chunk) {
        const QByteArray chunkHeader = device.read(8);
        if (chunkHeader.size() != 8)
            return std::nullopt;
        const QByteArray id = chunkHeader.left(4);
        const qint64 size = u32At(chunkHeader, 4);

        if (id == "data") {
            if (!formatSeen)
                return std::nullopt;
            const qint64 present = device.isSequential() ? size : device.size() - device.pos();
            header.dataSize = static_cast<quint32>(qBound<qint64>(0, present, size));
            return header;
        }

        if (id == "fmt ") {
            if (size < FormatChunkSize)
                return std::nullopt;
            const QByteArray format = device.read(FormatChunkSize);
            if (format.size() != FormatChunkSize)
                return std::nullopt;
            header.formatTag = u16At(format, 0);
            header.channels = u16At(format, 2);
            header.sampleRate = u32At(format, 4);
            header.byteRate = u32At(format, 8);
            header.blockAlign = u16At(format, 12);
            header.bitsPerSample = u16At(format, 14);
            if (!usable(header))
                return std::nullopt;
            formatSeen = true;
            // The rest of an extended format chunk is skipped below with the padding.
            const qint64 rest = size - FormatChunkSize + (size & 1);
            if (rest > 0 && device.skip(rest) != rest)
                return std::nullopt;
            continue;
        }

        // Chunks are padded to an even length.
        const qint64 skipped = size + (size & 1);
        if (skipped > 0 && device.skip(skipped) != skipped)
            return std::nullopt;
    }
    return std::nullopt;
}

qint64 WaveHeader::durationMs() const
{
    if (byteRate == 0)
        return 0;
    return static_cast<qint64>(dataSize) * 1000 / byteRate;
}
