#include "PortSelection.h"

#include "PortDevices.h"
#include "PortOpener.h"
#include "ProfileFile.h"
#include "TeskCommonPart.h"

#include <QCoreApplication>

const QString PortSelection::OpenFailureText =
    QStringLiteral("Error in opening Communication port");

PortSelection::PortSelection(PortOpener &opener, const PortDevices &devices,
                             const ProfileFile &settings)
    : m_opener(opener), m_devices(devices), m_settings(settings)
{
    begin();
}

bool PortSelection::isPort(int port)
{
    return port >= PortDevices::FirstPort && port <= PortDevices::LastPort;
}

void PortSelection::begin()
{
    m_pending = isPort(TeskCommonPart::CommPortNumber) ? TeskCommonPart::CommPortNumber : 0;
    m_editedDevices.fill(QString());
}

void PortSelection::choose(int port)
{
    if (isPort(port))
        m_pending = static_cast<qint16>(port);
}

QString PortSelection::device(int port) const
{
    if (!isPort(port))
        return {};
    const QString &edited = m_editedDevices[static_cast<std::size_t>(port)];
    return edited.isEmpty() ? m_devices.devicePath(port) : edited;
}

void PortSelection::setDevice(int port, const QString &path)
{
    if (isPort(port))
        m_editedDevices[static_cast<std::size_t>(port)] = path.trimmed();
}

void PortSelection::cancel()
{
    begin();
}

QString PortSelection::confirm()
{
    if (!isPort(m_pending)) {
        // Nothing chosen: the open port is left alone rather than closed for nothing.
        return OpenFailureText + QChar(u'\n') +
               QCoreApplication::translate("PortSelection",
                                           "Choose one of the ports Com1 to Com4.");
    }
    const QString path = device(m_pending);
    const QString cause = m_opener.reopenPort(m_pending, path);
    if (!cause.isEmpty()) {
        TeskCommonPart::PortInUse = 0;
        m_pending = isPort(TeskCommonPart::CommPortNumber) ? TeskCommonPart::CommPortNumber : 0;
        return OpenFailureText + QChar(u'\n') + cause;
    }
    TeskCommonPart::PortInUse = m_pending;
    TeskCommonPart::CommPortNumber = m_pending;
    // Settings writes are best effort: the port is open for this run either way.
    m_settings.writeNumber(QStringLiteral("CommPort"), m_pending);
    if (path != m_devices.devicePath(m_pending))
        m_devices.setDevicePath(m_pending, path);
    return {};
}
