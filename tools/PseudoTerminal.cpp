#include "PseudoTerminal.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal(QObject *parent) : QObject(parent) {}

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::fail(const QString &what)
{
    m_errorString =
        QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
    close();
    return false;
}

bool PseudoTerminal::open(const QString &linkPath)
{
    close();
    m_errorString.clear();
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    const char *name = ptsname(m_master);
    if (name == nullptr)
        return fail(QStringLiteral("ptsname"));
    m_devicePath = QString::fromLocal8Bit(name);

    // Our own slave descriptor keeps the line alive while the program has its port
    // closed (no hang-up on the master), and keeps the line raw: in the default text
    // mode the terminal would echo and take byte 4 for end-of-file before the program
    // has opened the port and set it up.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail(QStringLiteral("open %1").arg(m_devicePath));
    termios settings{};
    if (::tcgetattr(m_slave, &settings) != 0)
        return fail(QStringLiteral("tcgetattr"));
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    if (::tcsetattr(m_slave, TCSANOW, &settings) != 0)
        return fail(QStringLiteral("tcsetattr"));

    if (!linkPath.isEmpty() && !makeLink(linkPath))
        return false;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PseudoTerminal::readAvailable);
    return true;
}

bool PseudoTerminal::makeLink(const QString &linkPath)
{
    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        if (!QFile::remove(linkPath))
            return fail(QStringLiteral("cannot replace the link %1").arg(linkPath));
    } else if (existing.exists()) {
        errno = EEXIST;
        return fail(QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath));
    }
    if (!QFile::link(m_devicePath, linkPath))
        return fail(QStringLiteral("cannot create the link %1").arg(linkPath));
    m_linkPath = linkPath;
    return true;
}

void PseudoTerminal::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_devicePath)
        QFile::remove(m_linkPath);
    m_linkPath.clear();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
    m_devicePath.clear();
}

qsizetype PseudoTerminal::write(const QByteArray &bytes)
{
    if (m_master < 0)
        return bytes.size();
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + written,
                                  static_cast<size_t>(bytes.size() - written));
        if (n > 0)
            written += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // full: a real line does not keep what nobody reads either
    }
    return bytes.size() - written;
}

qsizetype PseudoTerminal::unreadBytes() const
{
    int waiting = 0;
    if (m_slave < 0 || ::ioctl(m_slave, FIONREAD, &waiting) != 0)
        return 0;
    return waiting;
}

void PseudoTerminal::readAvailable()
{
    QByteArray received;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    if (!received.isEmpty())
        emit dataReceived(received);
}
