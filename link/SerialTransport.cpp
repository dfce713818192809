#include "SerialTransport.h"

#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

SerialTransport::SerialTransport(QObject *parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialTransport::readWaiting);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTransport::handleError);
}

QString SerialTransport::open(const QString &devicePath)
{
    close();
    m_devicePath = devicePath;
    m_port.setPortName(devicePath);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return openFailureCause(m_port.error());
    // Some meters' interfaces draw power from DTR. Pseudo-terminals and some
    // adapters have no such line and report that as unsupported: not a failure.
    m_port.setDataTerminalReady(true);
    m_port.clearError();
    requestLowLatency();
    emit opened(lowLatencyNote(m_devicePath, m_lowLatency));
    return {};
}

void SerialTransport::close()
{
    if (!m_port.isOpen())
        return;
    // A command just written (the online stop on exit) still reaches the meter.
    if (m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(500);
    restoreLatency();
    m_port.close();
}

void SerialTransport::requestLowLatency()
{
    m_lowLatency = LowLatency::Unsupported;
#ifdef Q_OS_LINUX
    const int fd = static_cast<int>(m_port.handle());
    serial_struct serial{};
    // Pseudo-terminals, Bluetooth and many USB CDC devices have no serial_struct
    // (ENOTTY, EINVAL): they pass bytes on at once anyway, so nothing is lost.
    if (fd < 0 || ::ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return;
    const int lowLatencyFlag = static_cast<int>(ASYNC_LOW_LATENCY);
    if ((serial.flags & lowLatencyFlag) != 0) {
        m_lowLatency = LowLatency::AlreadySet;
        return;
    }
    serial.flags |= lowLatencyFlag;
    if (::ioctl(fd, TIOCSSERIAL, &serial) == 0)
        m_lowLatency = LowLatency::Set;
#endif
}

void SerialTransport::restoreLatency()
{
    // The flag outlives the open file in the driver: give the device back as it was found.
    if (m_lowLatency != LowLatency::Set)
        return;
    m_lowLatency = LowLatency::NotTried;
#ifdef Q_OS_LINUX
    const int fd = static_cast<int>(m_port.handle());
    serial_struct serial{};
    if (fd < 0 || ::ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return;
    serial.flags &= ~static_cast<int>(ASYNC_LOW_LATENCY);
    ::ioctl(fd, TIOCSSERIAL, &serial);
#endif
}

QString SerialTransport::lowLatencyNote(const QString &devicePath, LowLatency state)
{
    switch (state) {
    case LowLatency::Set:
        return tr("Low latency set on %1: replies are passed on at once").arg(devicePath);
    case LowLatency::AlreadySet:
        return tr("Low latency already set on %1").arg(devicePath);
    case LowLatency::Unsupported:
        return tr("Low latency not supported by %1: left as it was").arg(devicePath);
    case LowLatency::NotTried:
        break;
    }
    return {};
}

void SerialTransport::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return;
    m_port.write(bytes);
    // Out now, without waiting for the event loop: the meter's reply should
    // not wait behind the work that follows a command.
    m_port.flush();
}

void SerialTransport::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

void SerialTransport::readWaiting()
{
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        emit bytesReceived(bytes);
}

void SerialTransport::handleError(QSerialPort::SerialPortError error)
{
    // A good open reports NoError, and lines a pseudo-terminal lacks report
    // UnsupportedOperationError; neither is a failure of the link.
    if (error == QSerialPort::NoError || error == QSerialPort::UnsupportedOperationError ||
        error == QSerialPort::TimeoutError)
        return;
    if (!m_port.isOpen())
        return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
        error != QSerialPort::WriteError)
        return;
    // The device is gone, but QSerialPort keeps it "open" and, after a read
    // error, reports it again and again until it is closed.
    const QString reason =
        tr("The serial port %1 stopped working (%2).").arg(m_devicePath, m_port.errorString());
    m_lowLatency = LowLatency::NotTried;
    m_port.close();
    m_port.clearError();
    emit lost(reason);
}

QString SerialTransport::openFailureCause(QSerialPort::SerialPortError error) const
{
    const QFileInfo device(m_devicePath);
    if (error == QSerialPort::DeviceNotFoundError || !device.exists()) {
        return tr("There is no device %1: check that the meter's cable or adapter is plugged in, "
                  "or choose another port.")
            .arg(m_devicePath);
    }
    if (error == QSerialPort::PermissionError) {
        if (!device.isReadable() || !device.isWritable()) {
            const QString group =
                device.group().isEmpty() ? QStringLiteral("dialout") : device.group();
            return tr("Permission denied on %1: add your user to the group \"%2\" that owns it "
                      "(for example: sudo usermod -aG %2 $USER), then log in again.")
                .arg(m_devicePath, group);
        }
        return tr("The port %1 is busy: another program is using it.").arg(m_devicePath);
    }
    return tr("%1 could not be opened: %2").arg(m_devicePath, m_port.errorString());
}
