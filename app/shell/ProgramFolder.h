#pragma once

#include <QString>

// The folder that holds the working list file, saved lists, workbooks, the
// trace file and the alarm sound: one fixed, writable place the user can
// find, created on first run and seeded with the program's own files.
// TESK_HOME names another folder (portable installs, tests).
class ProgramFolder
{
public:
    static QString path();

    // Creates the folder and writes the default files that are missing.
    // Returns an empty text, or what went wrong.
    static QString prepare(const QString &folder);
};
