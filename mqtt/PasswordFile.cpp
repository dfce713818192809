#include "PasswordFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>

std::optional<QString> PasswordFile::read(const QString &path, QString *problem)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *problem = QObject::tr("The password file %1 cannot be read.").arg(path);
        return std::nullopt;
    }
    if (file.size() > MaxBytes) {
        *problem = QObject::tr("The password file %1 is too long to hold a password.").arg(path);
        return std::nullopt;
    }
    QByteArray bytes = file.read(MaxBytes);
    if (const qsizetype end = bytes.indexOf('\n'); end >= 0)
        bytes.truncate(end);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    return QString::fromUtf8(bytes);
}

bool PasswordFile::write(const QString &path, const QString &password, QString *problem)
{
    if (password.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            *problem = QObject::tr("The password file %1 cannot be removed.").arg(path);
            return false;
        }
        return true;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // The permissions are set before a byte of the password is written.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(password.toUtf8() + '\n') < 0 || !file.commit()) {
        *problem =
            QObject::tr("The password file %1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
