#include "ListExport.h"

#include "FileReplacement.h"
#include "WorkingListFile.h"

#include <QFile>
#include <QObject>
#include <QSaveFile>

namespace {

constexpr qint64 CopyBlock = 256 * 1024;

bool leavesFolder(const QString &name)
{
    return name.contains(QChar(u'/')) || name.contains(QChar(u'\0')) ||
           name == QStringLiteral(".") || name == QStringLiteral("..");
}

} // namespace

QString ListExport::commonNameProblem(const QString &name)
{
    // A name in a subfolder ("exports/Data4Excel") stays inside the program
    // folder; only an absolute name or a ".." step can leave it.
    const bool leaves = name.startsWith(QChar(u'/')) || name.contains(QChar(u'\0')) ||
                        name.split(QChar(u'/')).contains(QStringLiteral(".."));
    if (leaves)
        return QObject::tr("The common file name \"%1\" (the setting CommonFileName) cannot be "
                           "used: it leaves the program folder, where the files are saved. A "
                           "name may hold subfolders, but not begin with a slash, hold a \"..\" "
                           "step or a NUL character. Correct the setting in the settings file.")
            .arg(QString(name).replace(QChar(u'\0'), QChar(u' ')));
    return {};
}

QString ListExport::nameProblem(const QString &name)
{
    if (leavesFolder(name))
        return QObject::tr("The file name \"%1\" cannot be used: a name may not contain a slash "
                           "or a NUL character, nor be \".\" or \"..\", because the files are "
                           "saved in the program folder.")
            .arg(QString(name).replace(QChar(u'\0'), QChar(u' ')));
    return {};
}

QString ListExport::targetProblem(const WorkingListFile &list, const QString &folder,
                                  const QString &userName, const QString &commonName)
{
    // The working list itself is restarted after the copies, so a copy onto it
    // would be lost. A link, another spelling or a file system that ignores
    // case can give it another name: only the file itself tells.
    for (const QString &name : {userName, commonName}) {
        if (FileReplacement::sameFile(listPath(folder, name), list.path()))
            return QObject::tr("The name \"%1\" is the working list's own; choose another.")
                .arg(name);
    }
    return {};
}

QString ListExport::listPath(const QString &folder, const QString &name)
{
    return folder + QChar(u'/') + name + Extension;
}

QString ListExport::copyInPlace(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return QObject::tr("%1 could not be read: %2").arg(source, in.errorString());
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return QObject::tr("%1 could not be written: %2").arg(target, out.errorString());
    QByteArray block;
    qint64 copied = 0;
    for (;;) {
        block = in.read(CopyBlock);
        if (block.isEmpty())
            break;
        if (out.write(block) != block.size()) {
            const QString reason = out.errorString();
            out.cancelWriting();
            return QObject::tr("%1 could not be written: %2").arg(target, reason);
        }
        copied += block.size();
    }
    if (in.error() != QFileDevice::NoError) {
        out.cancelWriting();
        return QObject::tr("%1 could not be read: %2").arg(source, in.errorString());
    }
    return FileReplacement::commit(out, copied);
}

QString ListExport::writeInPlace(const QByteArray &bytes, const QString &target)
{
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return QObject::tr("%1 could not be written: %2").arg(target, out.errorString());
    if (out.write(bytes) != bytes.size()) {
        const QString reason = out.errorString();
        out.cancelWriting();
        return QObject::tr("%1 could not be written: %2").arg(target, reason);
    }
    return FileReplacement::commit(out, bytes.size());
}

ListExport::Result ListExport::WriteListFiles(WorkingListFile &list, const QString &folder,
                                              const QString &userName, const QString &commonName,
                                              const QStringList &legendLines)
{
    if (QString problem = nameProblem(userName); !problem.isEmpty())
        return {false, problem};
    if (QString problem = commonNameProblem(commonName); !problem.isEmpty())
        return {false, problem};
    if (QString problem = targetProblem(list, folder, userName, commonName); !problem.isEmpty())
        return {false, problem};
    if (!WorkingListFile::FileExist(list.path()))
        return {false, QObject::tr("There is nothing to save: the working list file %1 does not "
                                   "exist. The last save took its readings; new readings start "
                                   "a new list.")
                           .arg(list.path())};
    // The channel is closed so that the copies see every byte appended so far.
    const bool wasOpen = list.isOpen();
    list.close();
    QString problem = copyInPlace(list.path(), listPath(folder, userName));
    if (problem.isEmpty())
        problem = copyInPlace(list.path(), listPath(folder, commonName));
    if (!problem.isEmpty()) {
        if (wasOpen)
            list.reopenForAppend();
        return {false, problem};
    }
    // Both copies are on the disk: the list restarts as a new list does.
    list.OpenNewTempFile(legendLines);
    return {true, {}};
}
