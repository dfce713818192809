#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

class PortDevices;
class PortOpener;
class ProfileFile;

// The port dialog's choice: which of COM1 to COM4 the meter is on and which
// device that port opens. Confirming reopens the line and stores the choice;
// the program-wide CommPortNumber and PortInUse follow the outcome.
class PortSelection
{
public:
    PortSelection(PortOpener &opener, const PortDevices &devices, const ProfileFile &settings);

    // Starts a new choice from the configured port, with no device edited.
    void begin();
    // 0 when the configured port is none of 1 to 4 and nothing was chosen yet.
    qint16 pending() const { return m_pending; }
    void choose(int port);

    // The device a port would open: the one typed or picked for it, else the configured one.
    QString device(int port) const;
    // An empty path forgets the edit.
    void setDevice(int port, const QString &path);

    void cancel();
    // Reopens the line on the pending port. Returns an empty text on success,
    // otherwise the message for the user: the failure line, a line break and the cause.
    // On success the settings get CommPort and, when it differs from the
    // configured one, the port's device key; on failure nothing is written.
    QString confirm();

    static const QString OpenFailureText;

private:
    static bool isPort(int port);

    PortOpener &m_opener;
    const PortDevices &m_devices;
    const ProfileFile &m_settings;
    qint16 m_pending = 0;
    std::array<QString, 5> m_editedDevices; // index 1 to 4
};
