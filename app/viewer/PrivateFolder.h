#pragma once

#include <QString>

// A folder that only its user can enter: owned by the user, mode 0700 and not
// a link. The hand-over socket lives in one, so that no other user can take
// its name first or read the paths handed over.
class PrivateFolder
{
public:
    // Why `path` is not such a folder; empty when it is.
    static QString problemWith(const QString &path);

    // Makes `path` (mode 0700, its parents as needed) when it is missing, then
    // checks it as problemWith() does.
    static QString make(const QString &path);

    struct Choice
    {
        QString path;    // empty when no folder could be had
        QString problem; // why not, when path is empty
    };
    // The user's runtime folder when the system gives one, else "tesk" under
    // the user's cache folder.
    static Choice choose();
};
