#include "PortDevices.h"

#include "ProfileFile.h"

PortDevices::PortDevices(const ProfileFile &settings) : m_settings(settings) {}

QString PortDevices::devicePath(int port) const
{
    if (!m_runOverride.isEmpty())
        return m_runOverride;
    QString path = defaultPath(port);
    if (port >= FirstPort && port <= LastPort)
        m_settings.readText(keyOf(port), path, 260, path);
    return path.trimmed();
}

QString PortDevices::defaultPath(int port)
{
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

QString PortDevices::keyOf(int port)
{
    return QStringLiteral("Com%1Device").arg(port);
}

bool PortDevices::setDevicePath(int port, const QString &path) const
{
    if (port < FirstPort || port > LastPort)
        return false;
    return m_settings.WriteProfileKey(keyOf(port), path.trimmed());
}
