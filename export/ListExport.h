#pragma once

#include <QString>
#include <QStringList>

class QSaveFile;
class WorkingListFile;

// The text export: copies the working list file, byte for byte, onto the
// user's file and the common hand-over file in the program folder, then
// starts the working list afresh with the legend header. Each copy is
// written beside its final name, synced and renamed into place, so a failed
// or interrupted export never leaves a half file under a final name, and the
// working list is touched only once both copies are on the disk.
class ListExport
{
public:
    struct Result
    {
        bool saved = false;
        QString problem; // why nothing was saved, for the user
    };

    static inline const QString Extension = QStringLiteral(".lst");

    // Empty when the typed name stays inside the program folder, else why not.
    // The name is used as typed otherwise; an empty name gives ".lst".
    static QString nameProblem(const QString &name);
    // The same for the common file's name, which comes from the settings and
    // may name a subfolder of the program folder.
    static QString commonNameProblem(const QString &name);

    // Empty unless a copy would land on the working list itself.
    static QString targetProblem(const WorkingListFile &list, const QString &folder,
                                 const QString &userName, const QString &commonName);

    static QString listPath(const QString &folder, const QString &name);

    // `legendLines` are the five legend lines of the restarted working list.
    static Result WriteListFiles(WorkingListFile &list, const QString &folder,
                                 const QString &userName, const QString &commonName,
                                 const QStringList &legendLines);

    // Copies `source` onto `target` through a file beside it; empty on
    // success, else the reason. `target` is untouched on failure.
    static QString copyInPlace(const QString &source, const QString &target);
    // Writes `bytes` onto `target` the same way.
    static QString writeInPlace(const QByteArray &bytes, const QString &target);
};
