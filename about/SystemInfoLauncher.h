#pragma once

#include <QString>

#include <functional>

class SystemInfoRegistry;

// Starts the system information tool: from the path the first look-up gives,
// else MSINFO32.EXE in the folder the second one gives; otherwise the user is
// told it is unavailable.
class SystemInfoLauncher
{
public:
    // Starts a program with normal focus; false when it could not be started.
    using Starter = std::function<bool(const QString &program)>;
    using FileExists = std::function<bool(const QString &path)>;

    struct Result
    {
        bool started = false;
        QString program; // what was started
        QString message; // what to tell the user when nothing was started
    };

    static const QString UnavailableMessage;

    explicit SystemInfoLauncher(const SystemInfoRegistry &registry,
                                Starter start = detachedStarter(),
                                FileExists exists = fileExists());

    Result StartSysInfo() const;

    static Starter detachedStarter();
    static FileExists fileExists();

private:
    Result startProgram(const QString &program) const;

    const SystemInfoRegistry &m_registry;
    Starter m_start;
    FileExists m_exists;
};
