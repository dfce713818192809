#pragma once

#include <QFile>
#include <QString>

// Opens a file the user named for reading only when it is a regular file.
// A named pipe would block the opening until a writer came, and a device
// such as /dev/zero would give bytes without end; both are refused with
// their kind named, and the check never blocks.
class RegularFile
{
public:
    // "a folder", "a named pipe (FIFO)", "a socket" or "a device" for an
    // existing path (followed through links) that is no regular file; empty
    // for a regular file or a path that does not exist.
    static QString kind(const QString &path);

    // Opens `path` read-only on `file`. False with the reason, naming the
    // path, when it cannot be opened or is no regular file. The file is
    // opened from a descriptor, so its fileName() is empty.
    static bool open(QFile &file, const QString &path, QString &problem);
};
