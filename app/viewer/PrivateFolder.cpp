#include "PrivateFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

QString PrivateFolder::problemWith(const QString &path)
{
    struct stat status
    {
    };
    // lstat: a link is refused as a link, whatever it points to.
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return QCoreApplication::translate("PrivateFolder", "%1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(status.st_mode))
        return QCoreApplication::translate("PrivateFolder", "%1 is a link.").arg(path);
    if (!S_ISDIR(status.st_mode))
        return QCoreApplication::translate("PrivateFolder", "%1 is not a folder.").arg(path);
    if (status.st_uid != ::geteuid())
        return QCoreApplication::translate("PrivateFolder", "%1 belongs to user %2.")
            .arg(path, QString::number(status.st_uid));
    if ((status.st_mode & 077) != 0)
        return QCoreApplication::translate("PrivateFolder", "%1 is open to others (mode %2).")
            .arg(path, QString::number(status.st_mode & 0777, 8));
    return {};
}

QString PrivateFolder::make(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(path).path());
        ::mkdir(name.constData(), 0700);
    }
    return problemWith(path);
}

PrivateFolder::Choice PrivateFolder::choose()
{
    QStringList problems;
    // Qt checks the runtime folder too, but gives the shared temporary folder's
    // "runtime-<user>" when the system names none: checked here again.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        const QString problem = problemWith(runtime);
        if (problem.isEmpty())
            return {runtime, {}};
        problems << problem;
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty() && QDir::isAbsolutePath(cache)) {
        const QString own = cache + QStringLiteral("/tesk");
        const QString problem = make(own);
        if (problem.isEmpty())
            return {own, {}};
        problems << problem;
    } else {
        problems << QCoreApplication::translate("PrivateFolder", "There is no cache folder.");
    }
    return {{}, problems.join(u' ')};
}
