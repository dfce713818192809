#pragma once

#include "SystemInfoRegistry.h"

#include <QStringList>

// The look-ups answered on this machine. On Windows they read the registry.
// Elsewhere the tool's path is the first system information program found on
// the search path, and there is no MSINFO32 folder.
class LocalSystemInfoRegistry : public SystemInfoRegistry
{
public:
    // Best first: hardware and system reports, then system monitors.
    static const QStringList ToolNames;

    bool GetKeyValue(RootKey KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal) const override;
};
