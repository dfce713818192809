#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

// The meter's serial port: opened 9600,N,8,1 and read as raw bytes. A device
// that goes away (a USB adapter pulled out) is closed and reported, so the
// program can open it again when it comes back.
class SerialTransport : public QObject
{
    Q_OBJECT

public:
    explicit SerialTransport(QObject *parent = nullptr);

    // Opens the device; returns an empty text, or the cause in words a user
    // can act on. Any port already open is closed first.
    QString open(const QString &devicePath);
    void close();
    bool isOpen() const { return m_port.isOpen(); }
    QString devicePath() const { return m_devicePath; }

    void write(const QByteArray &bytes);
    // Drops whatever input is waiting, in the driver and in our buffer.
    void discardInput();

signals:
    void bytesReceived(const QByteArray &bytes);
    // The open device failed (unplugged): it has been closed.
    void lost(const QString &reason);

private:
    void readWaiting();
    void handleError(QSerialPort::SerialPortError error);
    QString openFailureCause(QSerialPort::SerialPortError error) const;

    QSerialPort m_port;
    QString m_devicePath;
};
