#include "WaveHeader.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

// The alarm sound is a file the user may replace with anything.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (const std::optional<WaveHeader> header = WaveHeader::read(buffer)) {
        if (header->dataSize > size)
            __builtin_trap();
        (void)header->durationMs();
    }
    return 0;
}
