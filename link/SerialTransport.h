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

    // Whether the driver was asked to pass received bytes on at once. USB serial
    // adapters otherwise hold a short reply for their latency timer (16 ms by
    // default), which slows a download by up to a third.
    enum class LowLatency { NotTried, Set, AlreadySet, Unsupported };
    LowLatency lowLatency() const { return m_lowLatency; }
    // One line for the trace window saying what was set on the device.
    static QString lowLatencyNote(const QString &devicePath, LowLatency state);

    void write(const QByteArray &bytes);
    // Drops whatever input is waiting, in the driver and in our buffer.
    void discardInput();

signals:
    void bytesReceived(const QByteArray &bytes);
    // The open device failed (unplugged): it has been closed.
    void lost(const QString &reason);
    // After each successful open: what was set on the device, for the trace.
    void opened(const QString &note);

private:
    void readWaiting();
    void handleError(QSerialPort::SerialPortError error);
    QString openFailureCause(QSerialPort::SerialPortError error) const;
    void requestLowLatency();
    void restoreLatency();

    QSerialPort m_port;
    QString m_devicePath;
    LowLatency m_lowLatency = LowLatency::NotTried;
};
