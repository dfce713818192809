#pragma once

#include "CellValue.h"
#include "FormulaResults.h"
#include "ListToCells.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class DateStyles;
class QXmlStreamReader;
class XmlPartWriter;

// Writes one worksheet of the template with cells filled in: a few single
// cells and a table of record rows that are pulled one at a time, so a list
// of any length is never held whole. Everything else of the sheet comes out
// as it was, but for the stored results of formulas; a filled cell keeps the
// format of the cell it replaces.
class SheetFiller
{
public:
    using Cells = std::map<std::pair<int, int>, CellValue>; // (row, column) -> value

    struct Table
    {
        int row = 0;
        int column = 0;
        // The next record row; false at the end of the records or on a failure.
        std::function<bool(ListToCells::Row &)> next;
        qint64 rowsWritten = 0;
    };

    // A row of the template is held whole while it is filled; no more than this.
    static constexpr qint64 MaxRowSize = 8LL * 1024 * 1024;

    explicit SheetFiller(DateStyles &styles);

    // False, with the reason in `problem`, when the sheet `part` could not be
    // read or `out` could not be written (then `out` tells why).
    bool write(const QString &part, const QByteArray &sheetXml, const Cells &cells, Table *table,
               QIODevice &out, QString &problem);
    // After a failed write: true when the template's sheet was at fault, not `out`.
    bool templateFault() const { return m_templateFault; }

private:
    struct TemplateCell
    {
        int column = 0;
        int style = -1;
        QByteArray xml;
    };

    // Reads the row the reader stands on: its start tag and each of its cells whole.
    void readTemplateRow(QXmlStreamReader &xml, int row, QByteArray &rowStart,
                         std::vector<TemplateCell> &templateCells);
    std::optional<int> nextUpdateRow() const;
    void writeRowsBefore(int row);
    void writeRow(int row, const std::vector<TemplateCell> &templateCells,
                  const QByteArray &rowStart);
    void writeCell(QByteArray &out, const QByteArray &rowText, int column, const CellValue &value,
                   int base);
    int columnStyle(int column);
    // The cells table, made where a sheet without one has it.
    void writeSheetData();
    bool pullTableRow();

    DateStyles &m_styles;
    bool m_templateFault = false;
    FormulaResults m_formulaResults; // the template's cells come without them
    XmlPartWriter *m_writer = nullptr;
    const Cells *m_cells = nullptr;
    Cells::const_iterator m_nextCell;
    Table *m_table = nullptr;
    std::optional<ListToCells::Row> m_pending;
    int m_pendingRow = 0;
    struct ColumnStyle
    {
        int first;
        int last;
        int style;
    };
    std::vector<ColumnStyle> m_columnStyles;
    // The column styles of the record table's columns, found once the
    // columns are all read (a sheet may describe thousands).
    std::optional<std::array<int, ListToCells::ColumnCount>> m_tableColumnStyles;
    // The sheet's own prefix for its main namespace, such as "x:", for the
    // elements written here.
    QByteArray m_prefix;
    std::vector<QByteArray> m_columnLetters;
    QByteArray m_row; // the row being written, kept for its capacity
};
