#include "SheetFiller.h"

#include "DateStyles.h"
#include "WorkbookParts.h"
#include "XmlPartWriter.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

void appendNumber(QByteArray &out, int value)
{
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

void appendNumber(QByteArray &out, double value)
{
    if (!std::isfinite(value))
        value = 0;
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

int intAttribute(const QXmlStreamReader &xml, const QString &name, int otherwise)
{
    bool ok = false;
    const int value = xml.attributes().value(name).toInt(&ok);
    return ok ? value : otherwise;
}

} // namespace

SheetFiller::SheetFiller(DateStyles &styles) : m_styles(styles) {}

int SheetFiller::columnStyle(int column) const
{
    for (const ColumnStyle &range : m_columnStyles)
        if (column >= range.first && column <= range.last)
            return range.style;
    return 0;
}

bool SheetFiller::pullTableRow()
{
    m_pending.reset();
    if (!m_table)
        return false;
    const qint64 row = m_table->row + m_table->rowsWritten;
    if (row >= WorkbookParts::RowLimit)
        return false;
    ListToCells::Row values;
    if (!m_table->next(values))
        return false;
    m_pending = std::move(values);
    m_pendingRow = static_cast<int>(row);
    return true;
}

std::optional<int> SheetFiller::nextUpdateRow() const
{
    std::optional<int> row;
    if (m_nextCell != m_cells->end())
        row = m_nextCell->first.first;
    if (m_pending && (!row || m_pendingRow < *row))
        row = m_pendingRow;
    return row;
}

void SheetFiller::writeCell(QByteArray &out, const QByteArray &rowText, int column,
                            const CellValue &value, int base)
{
    const int style = m_styles.styleFor(base, value.kind);
    out += "<c r=\"";
    if (static_cast<size_t>(column) < m_columnLetters.size())
        out += m_columnLetters[static_cast<size_t>(column)];
    else
        out += WorkbookParts::cellReference(0, column).chopped(1);
    out += rowText;
    out += '"';
    if (style > 0) {
        out += " s=\"";
        appendNumber(out, style);
        out += '"';
    }
    if (value.kind == CellValue::Kind::Text) {
        // An inline text is never read as a formula, whatever it starts with.
        const bool edges =
            !value.text.isEmpty() && (value.text.front().isSpace() || value.text.back().isSpace());
        out += edges ? QByteArrayView(" t=\"inlineStr\"><is><t xml:space=\"preserve\">")
                     : QByteArrayView(" t=\"inlineStr\"><is><t>");
        XmlPartWriter::appendEscaped(out, value.text);
        out += "</t></is></c>";
    } else {
        out += "><v>";
        appendNumber(out, value.number);
        out += "</v></c>";
    }
}

void SheetFiller::writeRow(int row, const std::vector<TemplateCell> &templateCells,
                           const QByteArray &rowStart)
{
    const bool tableRow = m_pending && m_pendingRow == row;
    const bool singles = m_nextCell != m_cells->end() && m_nextCell->first.first == row;
    QByteArray &out = m_row;
    out.clear();
    QByteArray rowText;
    appendNumber(rowText, row + 1);
    if (rowStart.isEmpty())
        out += "<row r=\"" + rowText + "\">";
    else
        out += rowStart;

    if (tableRow && !singles && templateCells.empty() &&
        m_table->column + ListToCells::ColumnCount <= WorkbookParts::ColumnLimit) {
        // A record row of its own: the seven cells in order.
        for (int i = 0; i < ListToCells::ColumnCount; ++i) {
            const CellValue &value = (*m_pending)[static_cast<size_t>(i)];
            const int column = m_table->column + i;
            writeCell(out, rowText, column, value,
                      m_styles.columnStyleFor(columnStyle(column), value.kind));
        }
    } else {
        // The single cells of this row, with the table's cells over them.
        std::map<int, const CellValue *> updates;
        for (; m_nextCell != m_cells->end() && m_nextCell->first.first == row; ++m_nextCell)
            updates[m_nextCell->first.second] = &m_nextCell->second;
        if (tableRow)
            for (int i = 0; i < ListToCells::ColumnCount; ++i)
                if (m_table->column + i < WorkbookParts::ColumnLimit)
                    updates[m_table->column + i] = &(*m_pending)[static_cast<size_t>(i)];
        auto cell = templateCells.begin();
        for (const auto &[column, value] : updates) {
            for (; cell != templateCells.end() && cell->column < column; ++cell)
                out += cell->xml;
            int base = m_styles.columnStyleFor(columnStyle(column), value->kind);
            if (cell != templateCells.end() && cell->column == column) {
                if (cell->style >= 0)
                    base = cell->style;
                ++cell;
            }
            writeCell(out, rowText, column, *value, base);
        }
        for (; cell != templateCells.end(); ++cell)
            out += cell->xml;
    }
    out += "</row>";
    m_writer->raw(out);

    if (tableRow) {
        ++m_table->rowsWritten;
        pullTableRow();
    }
}

void SheetFiller::writeRowsBefore(int row)
{
    for (auto next = nextUpdateRow(); next && *next < row; next = nextUpdateRow())
        writeRow(*next, {}, {});
}

void SheetFiller::readTemplateRow(QXmlStreamReader &xml, int row, QByteArray &rowStart,
                                  std::vector<TemplateCell> &templateCells)
{
    {
        QBuffer buffer(&rowStart);
        buffer.open(QIODevice::WriteOnly);
        XmlPartWriter startWriter(buffer);
        startWriter.copyStartElement(xml, {u"spans", u"r"},
                                     "r=\"" + QByteArray::number(row + 1) + '"');
        startWriter.raw({});
    }
    int column = -1;
    int depth = 1;
    QByteArray cellBytes;
    QBuffer cellBuffer(&cellBytes);
    cellBuffer.open(QIODevice::WriteOnly);
    std::optional<XmlPartWriter> cellWriter;
    while (depth > 0 && !xml.atEnd()) {
        const auto t = xml.readNext();
        if (m_formulaResults.skipStored(xml))
            continue;
        if (t == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 2) {
                cellBytes.clear();
                cellBuffer.seek(0);
                cellWriter.emplace(cellBuffer);
                TemplateCell c;
                if (xml.name() == u"c") {
                    column = column + 1;
                    int r = 0;
                    WorkbookParts::parseCellReference(xml.attributes().value(QStringLiteral("r")),
                                                      r, column);
                    c.column = column;
                    c.style = intAttribute(xml, QStringLiteral("s"), -1);
                    cellWriter->copyStartElement(
                        xml, {u"r"}, "r=\"" + WorkbookParts::cellReference(row, column) + '"');
                } else {
                    c.column = std::numeric_limits<int>::max();
                    cellWriter->copyToken(xml);
                }
                templateCells.push_back(c);
                continue;
            }
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
            if (depth == 1) {
                cellWriter->copyToken(xml);
                cellWriter->flush();
                cellWriter.reset();
                templateCells.back().xml = cellBytes;
                continue;
            }
            if (depth == 0)
                break;
        }
        if (cellWriter)
            cellWriter->copyToken(xml);
    }
}

bool SheetFiller::write(const QByteArray &sheetXml, const Cells &cells, Table *table,
                        QIODevice &out, QString &problem)
{
    XmlPartWriter writer(out);
    m_writer = &writer;
    m_cells = &cells;
    m_nextCell = cells.begin();
    m_table = table;
    m_columnStyles.clear();
    m_columnLetters.clear();
    if (table)
        for (int i = 0; i <= table->column + ListToCells::ColumnCount; ++i)
            m_columnLetters.push_back(WorkbookParts::cellReference(0, i).chopped(1));
    pullTableRow();

    writer.declaration();
    QXmlStreamReader xml(sheetXml);
    bool inSheetData = false;
    int lastRow = -1;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"dimension") {
                // The used range grows with the records; the sheet is valid without it.
                xml.skipCurrentElement();
                continue;
            }
            if (xml.name() == u"col") {
                const int style = intAttribute(xml, QStringLiteral("style"), 0);
                m_columnStyles.push_back({intAttribute(xml, QStringLiteral("min"), 1) - 1,
                                          intAttribute(xml, QStringLiteral("max"), 1) - 1, style});
            }
            if (xml.name() == u"sheetData")
                inSheetData = true;
            if (inSheetData && xml.name() == u"row") {
                const int row = intAttribute(xml, QStringLiteral("r"), lastRow + 2) - 1;
                if (row <= lastRow || row >= WorkbookParts::RowLimit) {
                    problem = QObject::tr("its rows are out of order");
                    return false;
                }
                lastRow = row;
                writeRowsBefore(row);
                const auto next = nextUpdateRow();
                const bool filled = next && *next == row;
                QByteArray rowStart;
                std::vector<TemplateCell> templateCells;
                readTemplateRow(xml, row, rowStart, templateCells);
                if (filled) {
                    writeRow(row, templateCells, rowStart);
                } else {
                    QByteArray whole = rowStart;
                    for (const TemplateCell &c : templateCells)
                        whole += c.xml;
                    writer.raw(whole + "</row>");
                }
                continue;
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"sheetData") {
            writeRowsBefore(std::numeric_limits<int>::max());
            inSheetData = false;
        }
        writer.copyToken(xml);
    }
    if (xml.hasError()) {
        problem = QObject::tr("a worksheet is damaged: %1").arg(xml.errorString());
        return false;
    }
    if (!writer.flush()) {
        problem = out.errorString();
        return false;
    }
    return true;
}
