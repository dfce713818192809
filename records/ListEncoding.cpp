#include "ListEncoding.h"

#include <algorithm>

namespace {

constexpr qint64 BlockSize = 256 * 1024;

// Where a sequence that the block's end cut short begins; the size when none is.
qsizetype completeLength(const QByteArray &data)
{
    const qsizetype size = data.size();
    for (qsizetype i = size - 1; i >= 0 && i >= size - 4; --i) {
        const auto c = static_cast<uchar>(data[i]);
        if ((c & 0xC0) == 0x80)
            continue;
        const qsizetype needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return size - i < needed ? i : size;
    }
    return size;
}

} // namespace

bool ListEncoding::isUtf8(QIODevice &device)
{
    if (device.isSequential())
        return false;
    const qint64 start = device.pos();
    QByteArray pending;
    bool beyondAscii = false;
    bool valid = true;
    while (valid) {
        const QByteArray block = device.read(BlockSize);
        if (block.isEmpty())
            break;
        const QByteArray data = pending + block;
        const qsizetype whole = completeLength(data);
        const QByteArrayView checked(data.constData(), whole);
        beyondAscii = beyondAscii ||
                      std::any_of(checked.begin(), checked.end(), [](char c) { return c & 0x80; });
        valid = checked.isValidUtf8();
        pending = data.mid(whole);
    }
    device.seek(start);
    return valid && pending.isEmpty() && beyondAscii;
}
