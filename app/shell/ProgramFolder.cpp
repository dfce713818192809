#include "ProgramFolder.h"

#include "WaveTone.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QStandardPaths>

QString ProgramFolder::path()
{
    const QString home = qEnvironmentVariable("TESK_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QDir(home).absolutePath());
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/TESK Meter View");
}

QString ProgramFolder::prepare(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return QObject::tr("The folder %1 could not be created.").arg(folder);
    const QString sound = folder + QStringLiteral("/Notify.wav");
    if (!QFileInfo::exists(sound) && !WaveTone::writeAlarmWave(sound))
        return QObject::tr("The alarm sound %1 could not be written.").arg(sound);
    return {};
}
