#include "ZipLayout.h"

#include <QByteArray>
#include <QObject>

#include <algorithm>
#include <set>
#include <vector>

namespace {

constexpr quint32 EndSignature = 0x06054b50;
constexpr quint32 End64Signature = 0x06064b50;
constexpr quint32 End64LocatorSignature = 0x07064b50;
constexpr quint32 CentralSignature = 0x02014b50;
constexpr quint32 LocalSignature = 0x04034b50;
constexpr qint64 EndSize = 22;
constexpr qint64 CentralSize = 46;
constexpr qint64 LocalSize = 30;
constexpr quint32 Escaped32 = 0xFFFFFFFF;

quint64 little(const QByteArray &bytes, qint64 at, int width)
{
    quint64 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes[static_cast<qsizetype>(at + i)]);
    return value;
}

struct Range
{
    quint64 start;
    quint64 end;
};

QString damaged()
{
    return QObject::tr("its zip directory is damaged");
}

} // namespace

QString ZipLayout::problem(qint64 fileSize, const ReadAt &read)
{
    const auto bytesAt = [&](qint64 offset, qint64 size, QByteArray &out) {
        if (offset < 0 || size < 0 || offset > fileSize || size > fileSize - offset)
            return false;
        out.resize(static_cast<qsizetype>(size));
        return read(offset, out.data(), size);
    };
    // The end record, behind a comment of at most 65,535 bytes.
    QByteArray tail;
    const qint64 tailSize = std::min<qint64>(fileSize, EndSize + 0xFFFF);
    if (!bytesAt(fileSize - tailSize, tailSize, tail))
        return damaged();
    qint64 end = -1;
    for (qint64 at = tailSize - EndSize; at >= 0 && end < 0; --at)
        if (little(tail, at, 4) == EndSignature)
            end = at;
    if (end < 0)
        return QObject::tr("it is not a workbook: it has no zip directory");
    quint64 count = little(tail, end + 10, 2);
    quint64 directorySize = little(tail, end + 12, 4);
    quint64 directoryStart = little(tail, end + 16, 4);
    if (count == 0xFFFF || directorySize == Escaped32 || directoryStart == Escaped32) {
        QByteArray locator;
        QByteArray end64;
        const qint64 locatorAt = fileSize - tailSize + end - 20;
        if (!bytesAt(locatorAt, 20, locator) || little(locator, 0, 4) != End64LocatorSignature ||
            !bytesAt(static_cast<qint64>(std::min<quint64>(little(locator, 8, 8), 1ULL << 62)), 56,
                     end64) ||
            little(end64, 0, 4) != End64Signature)
            return damaged();
        count = little(end64, 32, 8);
        directorySize = little(end64, 40, 8);
        directoryStart = little(end64, 48, 8);
    }
    if (directorySize > static_cast<quint64>(MaxDirectorySize))
        return QObject::tr("its zip directory is larger than %1 MB")
            .arg(MaxDirectorySize / (1024 * 1024));
    QByteArray directory;
    if (directoryStart > static_cast<quint64>(fileSize) ||
        !bytesAt(static_cast<qint64>(directoryStart), static_cast<qint64>(directorySize),
                 directory))
        return damaged();

    std::vector<Range> ranges;
    ranges.reserve(static_cast<size_t>(std::min<quint64>(count, 1 << 20)));
    std::set<QString> names;
    qint64 at = 0;
    for (quint64 i = 0; i < count; ++i) {
        if (at + CentralSize > directory.size() || little(directory, at, 4) != CentralSignature)
            return damaged();
        quint64 compressed = little(directory, at + 20, 4);
        const quint64 size = little(directory, at + 24, 4);
        const qint64 nameLength = static_cast<qint64>(little(directory, at + 28, 2));
        const qint64 extraLength = static_cast<qint64>(little(directory, at + 30, 2));
        const qint64 commentLength = static_cast<qint64>(little(directory, at + 32, 2));
        quint64 offset = little(directory, at + 42, 4);
        const qint64 next = at + CentralSize + nameLength + extraLength + commentLength;
        if (next > directory.size())
            return damaged();
        // Part names differ in more than their case; a second copy would be
        // read in one place and written in another.
        const QString name = QString::fromUtf8(directory.constData() + at + CentralSize,
                                               static_cast<qsizetype>(nameLength));
        if (!names.insert(name.toLower()).second)
            return QObject::tr("it holds the part %1 twice").arg(name);
        // The 64-bit values stand in the extra field, in this order, for each
        // 32-bit value that is escaped.
        for (qint64 e = at + CentralSize + nameLength;
             e + 4 <= at + CentralSize + nameLength + extraLength;) {
            const quint64 id = little(directory, e, 2);
            const qint64 length = static_cast<qint64>(little(directory, e + 2, 2));
            if (id == 1) {
                qint64 field = e + 4;
                const auto take = [&](quint64 &value) {
                    if (value == Escaped32 && field + 8 <= e + 4 + length) {
                        value = little(directory, field, 8);
                        field += 8;
                    }
                };
                quint64 unpacked = size;
                take(unpacked);
                take(compressed);
                take(offset);
            }
            e += 4 + length;
        }
        QByteArray local;
        if (offset > static_cast<quint64>(fileSize) ||
            !bytesAt(static_cast<qint64>(offset), LocalSize, local) ||
            little(local, 0, 4) != LocalSignature)
            return damaged();
        const quint64 dataStart = offset + LocalSize + little(local, 26, 2) + little(local, 28, 2);
        if (compressed > static_cast<quint64>(fileSize))
            return QObject::tr("its parts claim more bytes than the file holds");
        ranges.push_back({offset, dataStart + compressed});
        at = next;
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const Range &a, const Range &b) { return a.start < b.start; });
    quint64 claimed = 0;
    for (size_t i = 0; i < ranges.size(); ++i) {
        claimed += ranges[i].end - ranges[i].start;
        if (ranges[i].end > directoryStart || claimed > static_cast<quint64>(fileSize))
            return QObject::tr("its parts claim more bytes than the file holds");
        if (i + 1 < ranges.size() && ranges[i].end > ranges[i + 1].start)
            return QObject::tr("its parts overlap: one stored part is named more than once "
                               "or lies inside another");
    }
    return {};
}
