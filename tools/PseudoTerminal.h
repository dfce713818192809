#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The device side of a simulated serial line: a pseudo-terminal whose slave the program
// opens like any serial port, optionally reached through a symbolic link. Closing it is
// an unplugged cable: the program's port sees an error and the link disappears.
class PseudoTerminal : public QObject
{
    Q_OBJECT

public:
    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    // Creates a new pseudo-terminal; with a link path, the path becomes a symbolic link
    // to it (an existing link is replaced, anything else is left alone and refused).
    bool open(const QString &linkPath = {});
    // Closes both sides and removes the link, when it still points at this device.
    void close();

    bool isOpen() const { return m_master >= 0; }
    QString devicePath() const { return m_devicePath; }
    QString linkPath() const { return m_linkPath; }
    QString errorString() const { return m_errorString; }

    // Writes what the line takes now; the number of bytes lost because the program
    // left the line's buffer full (or nothing is open) is returned.
    qsizetype write(const QByteArray &bytes);
    // Bytes written to the line that the program has not read yet.
    qsizetype unreadBytes() const;

signals:
    void dataReceived(const QByteArray &bytes);

private:
    bool fail(const QString &what);
    bool makeLink(const QString &linkPath);
    void readAvailable();

    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier *m_notifier = nullptr;
    QString m_devicePath;
    QString m_linkPath;
    QString m_errorString;
};
