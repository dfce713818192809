#pragma once

#include <QString>
#include <QtGlobal>

// Fills a workbook from a list file with the window's spreadsheet export
// (Xl), wherever the two files are. The workbook is made in a work folder
// beside its final name and renamed into place only when it is complete, so a
// failed export leaves an existing workbook as it was.
class WorkbookWriter
{
public:
    struct Result
    {
        QString problem; // empty on success
        qint64 recordsLeftOut = 0;
    };

    // `templatePath` empty: the program folder's MyTemp.xlsx when there is
    // one (the window's template), else the program's own.
    static Result write(const QString &listPath, const QString &workbookPath,
                        const QString &templatePath, bool replace);
};
