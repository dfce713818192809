#pragma once

#include <QString>

// Opens the meter's serial port. The port dialog uses it to reopen the line;
// the main window's link provides it.
class PortOpener
{
public:
    virtual ~PortOpener() = default;

    // Closes the port in use, then opens the device as port number `port`
    // with 9600,N,8,1. Returns an empty text on success, otherwise the cause
    // in words a user can act on (no such device, permission, busy).
    virtual QString reopenPort(int port, const QString &devicePath) = 0;
};
