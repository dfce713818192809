#pragma once

#include <QString>
#include <QtGlobal>

class QSaveFile;

// The last step of every file the program writes aside: the new file takes
// the place of the old one in one rename, and the folder is synced after it,
// so that neither the new file's bytes nor its name can be lost to a power
// cut. A replaced file's permissions stay. A target that is a symbolic link
// stays a link: the file it points to is the one replaced.
class FileReplacement
{
public:
    // The file that writing `target` replaces: `target` itself, or where its
    // symbolic links (its own or its folders') lead. It need not exist yet.
    static QString finalPath(const QString &target);

    // Commits a save file that was handed `written` bytes: empty on success,
    // else the reason. Nothing replaces the old file when the disk took fewer.
    static QString commit(QSaveFile &file, qint64 written);

    // Renames the synced file `written` over `target` (its final path),
    // giving it the permissions of the file it replaces: empty on success,
    // else the reason. `written` must lie on the same file system.
    static QString renameOnto(const QString &written, const QString &target);

    // Makes the names in `folder` durable (an fsync of the folder itself).
    static bool syncFolder(const QString &folder);

    // True when both names reach one existing file (the same device and
    // inode), whatever their spelling, links or the case of their letters.
    static bool sameFile(const QString &a, const QString &b);
};
