// Arbitrary text as the settings file: reading never fails, and a write
// changes exactly the one key it names.
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where there is such a place: every write of the settings is synced to disk.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tesk-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tesk-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("Tesk.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    const ProfileFile settings(path);
    const QStringList keys = {QStringLiteral("CommPort"), QStringLiteral("Threshold1"),
                              QStringLiteral("Department"), QStringLiteral("Com2Device")};
    QList<ProfileFile::Value> before;
    for (const QString &key : keys) {
        const auto value = settings.ReadProfileKey(key, QStringLiteral("default"), 30);
        if (value.count != value.text.size() || value.count > 29)
            std::abort();
        before.append(value);
        double number = 0;
        settings.readNumber(key, QString(), 10, number);
    }
    if (!settings.WriteProfileKey(QStringLiteral("Threshold1"), QStringLiteral(" .25")))
        return 0;
    if (settings.ReadProfileKey(QStringLiteral("Threshold1"), QString(), 30).text !=
        QStringLiteral(".25"))
        std::abort();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i] == QStringLiteral("Threshold1"))
            continue;
        const auto after = settings.ReadProfileKey(keys[i], QStringLiteral("default"), 30);
        if (after.text != before[i].text)
            std::abort();
    }
    return 0;
}
