#include "WorkFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString Prefix = QStringLiteral(".tesk-cli-");
const QString LockName = QStringLiteral(".lock");

// The host name as it may stand in a file name.
QString hostWord()
{
    QString host = QSysInfo::machineHostName();
    host.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9.]")), QStringLiteral("_"));
    return host.isEmpty() ? QStringLiteral("host") : host;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

// The host and process in the name only tell a reader whose folder it is.
WorkFolder::WorkFolder(const QString &folder)
    : m_dir(folder + QChar(u'/') + Prefix + hostWord() + QChar(u'-') +
            QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX"))
{
    if (!m_dir.isValid())
        return;
    // The lock file is locked before it takes its name, so a lock file found
    // under that name is held from the first moment.
    const QByteArray made = QFile::encodeName(m_dir.filePath(LockName + QStringLiteral(".new")));
    const int fd = ::open(made.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        std::rename(made.constData(), QFile::encodeName(m_dir.filePath(LockName)).constData()) !=
            0) {
        m_lockError = systemError();
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_lock = fd;
}

WorkFolder::~WorkFolder()
{
    // Removed while still locked, so no other run removes it at the same time.
    m_dir.remove();
    if (m_lock >= 0)
        ::close(m_lock);
}

QString WorkFolder::errorString() const
{
    return m_dir.isValid() ? m_lockError : m_dir.errorString();
}

int WorkFolder::removeStale(const QString &folder)
{
    int removed = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {Prefix + QChar(u'*')},
        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        if (entry.ownerId() != ::geteuid())
            continue;
        // No lock file: a folder still being made, or none of ours.
        const int fd =
            ::open(QFile::encodeName(entry.filePath() + QChar(u'/') + LockName).constData(),
                   O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && QDir(entry.filePath()).removeRecursively())
            ++removed;
        ::close(fd);
    }
    return removed;
}
