#pragma once

#include <QString>

// The program's own template "MyTemp.xlsx": a titled sheet with the five
// legend fields, a heading row over the record table, column widths, date
// formats and the six names the export fills.
class TemplateWorkbook
{
public:
    // Empty on success, else the reason.
    static QString write(const QString &path);
};
