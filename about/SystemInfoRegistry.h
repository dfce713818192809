#pragma once

#include <QString>

// The look-ups that locate the system information tool, in the form of
// registry values: a root, a key path and a value name.
class SystemInfoRegistry
{
public:
    enum class RootKey { LocalMachine };

    // The value holding the tool's full path.
    static constexpr QLatin1String ToolPathKey{"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"};
    static constexpr QLatin1String ToolPathValue{"PATH"};
    // The value holding the folder of MSINFO32.EXE.
    static constexpr QLatin1String ToolFolderKey{"SOFTWARE\\Microsoft\\Shared Tools Location"};
    static constexpr QLatin1String ToolFolderValue{"MSINFO"};

    virtual ~SystemInfoRegistry() = default;

    // True with the value's text in KeyVal; false with KeyVal empty when there is no such value.
    virtual bool GetKeyValue(RootKey KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                             QString &KeyVal) const = 0;
};
