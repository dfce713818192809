#pragma once

#include "XlsxPackage.h"

#include <QString>

#include <map>
#include <optional>
#include <vector>

// What the export needs to know of a template workbook: where its parts
// are, which cell each defined name points to and which cell formats show
// dates.
class WorkbookParts
{
public:
    struct CellPlace
    {
        QString sheetPart; // e.g. "xl/worksheets/sheet1.xml"
        int row = 0;       // from 0
        int column = 0;    // from 0
    };

    static constexpr int RowLimit = 1048576;
    static constexpr int ColumnLimit = 16384;

    // Nothing, with the reason in `problem`, when the parts do not form a workbook.
    static std::optional<WorkbookParts> parse(const std::vector<XlsxPackage::Part> &parts,
                                              QString &problem);

    // The cell a defined name points to (the top-left cell of a range).
    std::optional<CellPlace> place(const QString &name, QString &problem) const;

    // "B3" as row 2, column 1.
    static bool parseCellReference(QStringView text, int &row, int &column);
    static QByteArray cellReference(int row, int column);

    // True for the part of a sheet the workbook lists.
    bool isSheetPart(const QString &part) const;

    bool isDateStyle(int xf) const;
    static bool isDateFormat(int numFmtId, const QString &code);

    QString workbookPart;
    QString workbookRelsPart;
    QString stylesPart;
    QString calcChainPart;
    bool date1904 = false;      // day 0 is 1 January 1904 rather than 30 December 1899
    std::vector<int> xfNumFmts; // the number format of each cell format
    std::map<int, QString> numFmtCodes;

private:
    std::map<QString, QString> m_sheetParts; // sheet name -> part
    std::map<QString, QString> m_names;      // defined name -> reference text
};
