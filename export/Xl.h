#pragma once

#include "SheetFiller.h"
#include "WorkbookParts.h"
#include "XlsxPackage.h"

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class DesktopOpener;
class ListLineReader;
class UserPrompt;

// The spreadsheet export: fills a workbook made from the template
// "MyTemp.xlsx" with a saved list, saves it beside the program and opens it
// in the desktop's spreadsheet application on request. One object serves one
// command of the save dialog.
class Xl
{
public:
    static inline const QString TemplateName = QStringLiteral("MyTemp.xlsx");
    static inline const QString WorkbookExtension = QStringLiteral(".xlsx");
    static inline const QString NoRecords = QStringLiteral("The list holds no records.");

    // `clock` gives today for legend dates with a two-digit year; the
    // computer's clock when none is given.
    Xl(QString programFolder, UserPrompt &prompt, DesktopOpener &opener,
       const Clock *clock = nullptr);
    ~Xl();

    // Fills the workbook from the list file FileName.lst and saves it as
    // FileName.xlsx; opens it afterwards unless mClose. False on any failure,
    // with the cause in problem(). A list of the legend alone gives the
    // legend's cells and an empty table. Lines that are no records are
    // skipped and counted.
    bool SaveXl(const QString &FileName, bool mClose);

    // Opens the user's macro workbook ("template.xls", or the same name with
    // .xlsm, .xlsx or .ods, the first found) in the desktop's application,
    // which decides about its macros. False when there is none or it could
    // not be opened.
    bool OpenTemplate(bool mClose);

    const QString &problem() const { return m_problem; }
    // Records that did not fit on the worksheet.
    qint64 recordsLeftOut() const { return m_leftOut; }
    // Records in the workbook's table.
    qint64 recordsWritten() const { return m_recordsWritten; }
    // Lines after the legend that were no records, and the 1-based number of
    // the first (0 when none).
    qint64 skippedLines() const { return m_skippedLines; }
    qint64 firstSkippedLine() const { return m_firstSkippedLine; }

private:
    // Reads the template and finds the cells of its six names.
    bool OpenXl(const QString &templatePath, bool visible);
    void CloseXl();
    // Reads the legend lines of the list file; the record lines follow while
    // the workbook is written.
    bool ListToXl(const QString &basePath);
    bool saveWorkbook(const QString &path);
    bool nextRecord(ListToCells::Row &row);
    static QString templateProblem(const QString &templatePath, const QString &problem);

    QString m_folder;
    QString m_templatePath;
    UserPrompt &m_prompt;
    DesktopOpener &m_opener;
    const Clock *m_clock;
    QString m_problem;
    qint64 m_leftOut = 0;
    qint64 m_recordsWritten = 0;
    qint64 m_skippedLines = 0;
    qint64 m_firstSkippedLine = 0;

    std::optional<std::vector<XlsxPackage::Part>> m_template;
    std::optional<WorkbookParts> m_parts;
    std::map<QString, WorkbookParts::CellPlace> m_places;
    std::map<QString, SheetFiller::Cells> m_cells; // sheet part -> filled single cells
    QFile m_list;
    std::unique_ptr<ListLineReader> m_records; // set while record lines are to be read
    qint64 m_lineNumber = 0;
    bool m_utf8 = false; // the list's bytes are UTF-8 (ListEncoding)
};
