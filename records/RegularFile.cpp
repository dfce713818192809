#include "RegularFile.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QCoreApplication::translate("RegularFile", "a folder");
    if (S_ISFIFO(mode))
        return QCoreApplication::translate("RegularFile", "a named pipe (FIFO)");
    if (S_ISSOCK(mode))
        return QCoreApplication::translate("RegularFile", "a socket");
    return QCoreApplication::translate("RegularFile", "a device");
}

QString notAFile(const QString &path, const QString &kind)
{
    return QCoreApplication::translate("RegularFile", "%1 is %2, not a file.").arg(path, kind);
}

} // namespace

QString RegularFile::kind(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return kindOf(info.st_mode);
}

bool RegularFile::open(QFile &file, const QString &path, QString &problem)
{
    // Opened without waiting for a pipe's writer, then judged by what was opened,
    // so a path swapped between a check and the opening cannot slip through.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = QCoreApplication::translate("RegularFile", "%1 cannot be opened: %2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        problem = notAFile(path, kindOf(info.st_mode));
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        problem = QCoreApplication::translate("RegularFile", "%1 cannot be opened: %2")
                      .arg(path, file.errorString());
        return false;
    }
    return true;
}
