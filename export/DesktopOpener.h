#pragma once

#include <QString>

// Opening a file in the desktop's application for its type (the spreadsheet
// application for a workbook); tests script it.
class DesktopOpener
{
public:
    virtual ~DesktopOpener() = default;
    // Empty when the file was handed to an application, else why not.
    virtual QString open(const QString &path) = 0;
};
