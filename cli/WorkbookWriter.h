#pragma once

#include <QString>
#include <QtGlobal>

// Fills a workbook from a list file with the window's spreadsheet export
// (Xl), wherever the two files are. The workbook is made in a work folder
// beside its final name, by a child process that an interrupt ends at once,
// and renamed into place only when it is complete, so a failed or interrupted
// export leaves an existing workbook as it was and no work file behind.
class WorkbookWriter
{
public:
    struct Result
    {
        QString problem; // empty on success
        qint64 recordsLeftOut = 0;
        bool interrupted = false; // then nothing was written
        qint64 recordsWritten = 0;
        qint64 skippedLines = 0;     // lines of the list that were no records
        qint64 firstSkippedLine = 0; // 1-based; 0 when none
    };

    // Why the workbook cannot be made from these files, naming them; empty
    // when it can. `listMustExist` false: the list is still to be written (a
    // download checks before it reads the meter).
    static QString check(const QString &listPath, const QString &workbookPath,
                         const QString &templatePath, bool replace, bool listMustExist = true);

    // `templatePath` empty: the program folder's MyTemp.xlsx when there is
    // one (the window's template), else the program's own. `interruptFd`
    // becomes readable on an interrupt (-1: none).
    static Result write(const QString &listPath, const QString &workbookPath,
                        const QString &templatePath, bool replace, int interruptFd = -1);
};
