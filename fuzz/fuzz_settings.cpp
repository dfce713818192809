// Arbitrary bytes as the settings file: reading never fails, and a write
// changes exactly the one key it names. The reading and writing steps run on
// the bytes in memory, so each input costs no disk I/O.
#include "NumberText.h"
#include "ProfileFile.h"

#include <QList>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

// The program's own settings file is some thirty short lines; longer inputs
// only repeat lines, at a cost that grows with their length.
constexpr size_t LongestInput = 2048;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > LongestInput)
        return 0;
    static const QStringList keys = {QStringLiteral("CommPort"), QStringLiteral("Threshold1"),
                                     QStringLiteral("Department"), QStringLiteral("Com2Device")};
    static const QString written = QStringLiteral("Threshold1");
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    QList<std::optional<QString>> before;
    for (const QString &key : keys) {
        const std::optional<QString> value = ProfileFile::storedValue(bytes, key);
        if (value)
            NumberText::leadingNumber(*value);
        before.append(value);
    }
    const std::optional<QByteArray> after =
        ProfileFile::withValue(bytes, written, QStringLiteral(" .25"));
    if (!after || ProfileFile::storedValue(*after, written) != QStringLiteral(".25"))
        std::abort();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i] != written && ProfileFile::storedValue(*after, keys[i]) != before[i])
            std::abort();
    }
    return 0;
}
