#include "LocalSystemInfoRegistry.h"

#include <QSettings>
#include <QStandardPaths>

const QStringList LocalSystemInfoRegistry::ToolNames = {
    QStringLiteral("hardinfo2"),
    QStringLiteral("hardinfo"),
    QStringLiteral("kinfocenter"),
    QStringLiteral("lshw-gtk"),
    QStringLiteral("gnome-system-monitor"),
    QStringLiteral("mate-system-monitor"),
    QStringLiteral("xfce4-taskmanager"),
};

bool LocalSystemInfoRegistry::GetKeyValue(RootKey KeyRoot, const QString &KeyName,
                                          const QString &SubKeyRef, QString &KeyVal) const
{
    KeyVal.clear();
    if (KeyRoot != RootKey::LocalMachine)
        return false;
#ifdef Q_OS_WIN
    const QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\") + KeyName,
                             QSettings::NativeFormat);
    const QVariant value = registry.value(SubKeyRef);
    if (!value.isValid())
        return false;
    KeyVal = value.toString();
    return true;
#else
    if (KeyName.compare(ToolPathKey, Qt::CaseInsensitive) != 0 ||
        SubKeyRef.compare(ToolPathValue, Qt::CaseInsensitive) != 0)
        return false;
    for (const QString &name : ToolNames) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) {
            KeyVal = path;
            return true;
        }
    }
    return false;
#endif
}
