#include "FileReplacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

QString FileReplacement::finalPath(const QString &target)
{
    const QFileInfo info(target);
    if (info.exists())
        return info.canonicalFilePath();
    // A link to a file still to be made: the file it names.
    if (info.isSymLink())
        return info.symLinkTarget();
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QChar(u'/') + info.fileName();
}

QString FileReplacement::commit(QSaveFile &file, qint64 written)
{
    // QSaveFile commits a short write (a full disk, a size limit) as if it
    // were whole, so the size is checked before the new file replaces the old one.
    if (!file.flush() || file.size() != written) {
        file.cancelWriting();
        return QObject::tr("%1 could not be written in full: the disk may be full.")
            .arg(file.fileName());
    }
    // QSaveFile syncs the file, follows a link to the file it replaces and keeps its permissions.
    if (!file.commit())
        return QObject::tr("%1 could not be written: %2").arg(file.fileName(), file.errorString());
    if (!syncFolder(QFileInfo(finalPath(file.fileName())).absolutePath()))
        return QObject::tr("%1 was written, but its folder could not be synced to the disk.")
            .arg(file.fileName());
    return {};
}

QString FileReplacement::renameOnto(const QString &written, const QString &target)
{
    const QString final = finalPath(target);
    const QByteArray from = QFile::encodeName(written);
    const QByteArray to = QFile::encodeName(final);
#ifdef Q_OS_UNIX
    struct stat old
    {
    };
    if (::stat(to.constData(), &old) == 0 && S_ISREG(old.st_mode) &&
        ::chmod(from.constData(), old.st_mode & 07777) != 0)
        return QObject::tr("%1 cannot be replaced: %2")
            .arg(target, QString::fromLocal8Bit(std::strerror(errno)));
#endif
    // rename() replaces an existing file in one step.
    if (std::rename(from.constData(), to.constData()) != 0)
        return QObject::tr("%1 cannot be replaced: %2")
            .arg(target, QString::fromLocal8Bit(std::strerror(errno)));
    if (!syncFolder(QFileInfo(final).absolutePath()))
        return QObject::tr("%1 was written, but its folder could not be synced to the disk.")
            .arg(target);
    return {};
}

bool FileReplacement::syncFolder(const QString &folder)
{
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Some file systems cannot sync a folder; their renames are as durable as they get.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    ::close(fd);
    return synced;
#else
    Q_UNUSED(folder)
    return true;
#endif
}

bool FileReplacement::sameFile(const QString &a, const QString &b)
{
#ifdef Q_OS_UNIX
    struct stat first
    {
    };
    struct stat second
    {
    };
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
#else
    const QFileInfo first(a);
    const QFileInfo second(b);
    return first.exists() && second.exists() &&
           first.canonicalFilePath().compare(second.canonicalFilePath(), Qt::CaseInsensitive) == 0;
#endif
}
