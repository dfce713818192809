#include "CollectionList.h"

#include "WorkingListFile.h"

#include <QFileInfo>
#include <QObject>

QString CollectionList::open(WorkingListFile &list, CliArguments::Existing existing,
                             const QStringList &legendLines)
{
    const QString path = list.path();
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists && info.isDir())
        return QObject::tr("%1 is a folder, not a list file.").arg(path);
    if (exists && existing == CliArguments::Existing::Refuse)
        return QObject::tr("The list file %1 exists: give --append to add the readings to it, "
                           "or --new to start it afresh.")
            .arg(path);
    if (exists && existing == CliArguments::Existing::Append) {
        if (list.ReadDb() == WorkingListFile::LoadResult::NotReadable || !list.isOpen())
            return QObject::tr("The list file %1 cannot be read and appended to.").arg(path);
        return {};
    }
    if (!list.OpenNewTempFile(legendLines))
        return QObject::tr("The list file %1 cannot be written.").arg(path);
    return {};
}
