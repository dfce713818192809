#include "WorkFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

const QString Prefix = QStringLiteral(".tesk-cli-");

// The host name as it may stand in a file name.
QString hostWord()
{
    QString host = QSysInfo::machineHostName();
    host.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9.]")), QStringLiteral("_"));
    return host.isEmpty() ? QStringLiteral("host") : host;
}

bool processEnded(qint64 pid)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

WorkFolder::WorkFolder(const QString &folder)
    : m_dir(QStringLiteral("%1/%2%3-%4-XXXXXX")
                .arg(folder, Prefix, hostWord())
                .arg(QCoreApplication::applicationPid()))
{}

int WorkFolder::removeStale(const QString &folder)
{
    // .tesk-cli-HOST-PID-XXXXXX, the last part as QTemporaryDir makes it.
    static const QRegularExpression name(
        QRegularExpression::anchoredPattern(QStringLiteral("\\.tesk-cli-(.+)-(\\d+)-\\w{6}")));
    const QString host = hostWord();
    int removed = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {Prefix + QChar(u'*')},
        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        const QRegularExpressionMatch match = name.match(entry.fileName());
        if (!match.hasMatch() || match.captured(1) != host || entry.ownerId() != ::geteuid() ||
            !processEnded(match.captured(2).toLongLong()))
            continue;
        if (QDir(entry.filePath()).removeRecursively())
            ++removed;
    }
    return removed;
}
