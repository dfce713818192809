#pragma once

#include <QString>

class ProfileFile;

// Which device each of the serial ports 1 to 4 opens. COMn opens
// /dev/ttyS<n-1> unless the settings name another device with the key
// Com<n>Device (for example Com2Device=/dev/ttyUSB0). For one run a single
// device can stand in for every port (the simulated meter).
class PortDevices
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 4;

    explicit PortDevices(const ProfileFile &settings);

    QString devicePath(int port) const;
    static QString defaultPath(int port);
    static QString keyOf(int port);
    // Stores the device of a port in the settings; false when that failed.
    bool setDevicePath(int port, const QString &path) const;

    void setRunOverride(const QString &path) { m_runOverride = path; }
    const QString &runOverride() const { return m_runOverride; }

private:
    const ProfileFile &m_settings;
    QString m_runOverride;
};
