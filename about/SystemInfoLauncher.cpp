#include "SystemInfoLauncher.h"

#include "SystemInfoRegistry.h"

#include <QFileInfo>
#include <QProcess>

const QString SystemInfoLauncher::UnavailableMessage =
    QStringLiteral("System Information Is Unavailable At This Time");

SystemInfoLauncher::SystemInfoLauncher(const SystemInfoRegistry &registry, Starter start,
                                       FileExists exists)
    : m_registry(registry), m_start(std::move(start)), m_exists(std::move(exists))
{}

SystemInfoLauncher::Result SystemInfoLauncher::StartSysInfo() const
{
    using Root = SystemInfoRegistry::RootKey;
    QString value;
    if (m_registry.GetKeyValue(Root::LocalMachine, SystemInfoRegistry::ToolPathKey,
                               SystemInfoRegistry::ToolPathValue, value))
        return startProgram(value);
    if (m_registry.GetKeyValue(Root::LocalMachine, SystemInfoRegistry::ToolFolderKey,
                               SystemInfoRegistry::ToolFolderValue, value)) {
        const QString program = value + QStringLiteral("/MSINFO32.EXE");
        if (m_exists(program))
            return startProgram(program);
    }
    return {false, {}, UnavailableMessage};
}

SystemInfoLauncher::Result SystemInfoLauncher::startProgram(const QString &program) const
{
    if (m_start(program))
        return {true, program, {}};
    return {false, {}, UnavailableMessage};
}

SystemInfoLauncher::Starter SystemInfoLauncher::detachedStarter()
{
    return [](const QString &program) {
        return QProcess::startDetached(program, {});
    };
}

SystemInfoLauncher::FileExists SystemInfoLauncher::fileExists()
{
    return [](const QString &path) {
        return QFileInfo(path).isFile();
    };
}
