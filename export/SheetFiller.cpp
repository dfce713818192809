#include "SheetFiller.h"

#include "DateStyles.h"
#include "PartReader.h"
#include "WorkbookParts.h"
#include "XmlPartWriter.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <algorithm>
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

// An attribute's whole number, read as 64 bits so that arithmetic on the
// lowest or highest 32-bit number cannot overflow.
qint64 intAttribute(const QXmlStreamReader &xml, const QString &name, qint64 otherwise)
{
    bool ok = false;
    const qint64 value = xml.attributes().value(name).toLongLong(&ok);
    return ok ? value : otherwise;
}

int clamped(qint64 value, int lowest, int highest)
{
    return static_cast<int>(std::clamp<qint64>(value, lowest, highest));
}

} // namespace

SheetFiller::SheetFiller(DateStyles &styles) : m_styles(styles) {}

int SheetFiller::columnStyle(int column)
{
    const auto find = [this](int c) {
        for (const ColumnStyle &range : m_columnStyles)
            if (c >= range.first && c <= range.last)
                return range.style;
        return 0;
    };
    if (!m_table || column < m_table->column ||
        column >= m_table->column + ListToCells::ColumnCount)
        return find(column);
    if (!m_tableColumnStyles) {
        m_tableColumnStyles.emplace();
        for (int i = 0; i < ListToCells::ColumnCount; ++i)
            (*m_tableColumnStyles)[static_cast<size_t>(i)] = find(m_table->column + i);
    }
    return (*m_tableColumnStyles)[static_cast<size_t>(column - m_table->column)];
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
    out += '<';
    out += m_prefix;
    out += "c r=\"";
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
        if (m_prefix.isEmpty()) {
            out += edges ? QByteArrayView(" t=\"inlineStr\"><is><t xml:space=\"preserve\">")
                         : QByteArrayView(" t=\"inlineStr\"><is><t>");
            XmlPartWriter::appendEscaped(out, value.text);
            out += "</t></is></c>";
        } else {
            out += " t=\"inlineStr\"><" + m_prefix + "is><" + m_prefix +
                   (edges ? "t xml:space=\"preserve\">" : "t>");
            XmlPartWriter::appendEscaped(out, value.text);
            out += "</" + m_prefix + "t></" + m_prefix + "is></" + m_prefix + "c>";
        }
    } else if (m_prefix.isEmpty()) {
        out += "><v>";
        appendNumber(out, value.number);
        out += "</v></c>";
    } else {
        out += "><" + m_prefix + "v>";
        appendNumber(out, value.number);
        out += "</" + m_prefix + "v></" + m_prefix + "c>";
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
        out += '<' + m_prefix + "row r=\"" + rowText + "\">";
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
    out += "</";
    out += m_prefix;
    out += "row>";
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

void SheetFiller::writeSheetData()
{
    m_writer->raw('<' + m_prefix + "sheetData>");
    writeRowsBefore(std::numeric_limits<int>::max());
    m_writer->raw("</" + m_prefix + "sheetData>");
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
    qint64 held = rowStart.size();
    while (depth > 0 && !xml.atEnd()) {
        if (held + cellBytes.size() > MaxRowSize) {
            xml.raiseError(
                QObject::tr("its row %1 takes more than %2 MB")
                    .arg(QString::number(row + 1), QString::number(MaxRowSize / (1024 * 1024))));
            break;
        }
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
                    c.style = clamped(intAttribute(xml, QStringLiteral("s"), -1), -1,
                                      std::numeric_limits<int>::max());
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
                held += cellBytes.size();
                continue;
            }
            if (depth == 0)
                break;
        }
        if (cellWriter)
            cellWriter->copyToken(xml);
    }
}

bool SheetFiller::write(const QString &part, const QByteArray &sheetXml, const Cells &cells,
                        Table *table, QIODevice &out, QString &problem)
{
    XmlPartWriter writer(out);
    m_writer = &writer;
    m_templateFault = false;
    m_cells = &cells;
    m_nextCell = cells.begin();
    m_table = table;
    m_columnStyles.clear();
    m_tableColumnStyles.reset();
    m_prefix.clear();
    m_columnLetters.clear();
    if (table)
        for (int i = 0; i <= table->column + ListToCells::ColumnCount; ++i)
            m_columnLetters.push_back(WorkbookParts::cellReference(0, i).chopped(1));
    pullTableRow();

    writer.declaration();
    // Read a block at a time: decoding the whole part at once would double it.
    QBuffer in;
    in.setData(sheetXml);
    in.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&in);
    bool inSheetData = false;
    // An element of another name (a markup-compatibility choice, say) may
    // stand before the cells table; only a sheet that has none gets one.
    bool hadSheetData = sheetXml.contains("sheetData");
    int depth = 0;
    int lastRow = -1;
    while (!xml.atEnd()) {
        const auto token = PartReader::readNext(xml);
        if (token == QXmlStreamReader::StartElement) {
            if (depth == 0)
                m_prefix = xml.prefix().isEmpty() ? QByteArray() : xml.prefix().toUtf8() + ':';
            // A sheet without a cells table gets one where it belongs: after
            // the sheet's properties, views and columns.
            static const QStringList BeforeSheetData = {
                QStringLiteral("sheetPr"),    QStringLiteral("dimension"),
                QStringLiteral("sheetViews"), QStringLiteral("sheetFormatPr"),
                QStringLiteral("cols"),       QStringLiteral("sheetData")};
            if (depth == 1 && !hadSheetData && !BeforeSheetData.contains(xml.name())) {
                writeSheetData();
                hadSheetData = true;
            }
            if (xml.name() == u"dimension") {
                // The used range grows with the records; the sheet is valid without it.
                xml.skipCurrentElement();
                continue;
            }
            if (xml.name() == u"col") {
                const int style = clamped(intAttribute(xml, QStringLiteral("style"), 0), 0,
                                          std::numeric_limits<int>::max());
                m_columnStyles.push_back({clamped(intAttribute(xml, QStringLiteral("min"), 1) - 1,
                                                  -1, WorkbookParts::ColumnLimit),
                                          clamped(intAttribute(xml, QStringLiteral("max"), 1) - 1,
                                                  -1, WorkbookParts::ColumnLimit),
                                          style});
            }
            if (xml.name() == u"sheetData") {
                inSheetData = true;
                hadSheetData = true;
                m_prefix = xml.prefix().isEmpty() ? QByteArray() : xml.prefix().toUtf8() + ':';
            }
            if (inSheetData && xml.name() == u"row") {
                const qint64 row = intAttribute(xml, QStringLiteral("r"), lastRow + 2) - 1;
                if (row <= lastRow || row >= WorkbookParts::RowLimit) {
                    problem = QObject::tr("its part %1 has its rows out of order").arg(part);
                    m_templateFault = true;
                    return false;
                }
                lastRow = static_cast<int>(row);
                writeRowsBefore(lastRow);
                const auto next = nextUpdateRow();
                const bool filled = next && *next == lastRow;
                QByteArray rowStart;
                std::vector<TemplateCell> templateCells;
                readTemplateRow(xml, lastRow, rowStart, templateCells);
                if (xml.hasError())
                    break;
                if (filled) {
                    writeRow(lastRow, templateCells, rowStart);
                } else {
                    QByteArray whole = rowStart;
                    for (const TemplateCell &c : templateCells)
                        whole += c.xml;
                    writer.raw(whole + "</" + m_prefix + "row>");
                }
                continue;
            }
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (depth == 0 && !hadSheetData) {
                writeSheetData();
                hadSheetData = true;
            }
            if (xml.name() == u"sheetData") {
                writeRowsBefore(std::numeric_limits<int>::max());
                inSheetData = false;
            }
        }
        writer.copyToken(xml);
    }
    if (xml.hasError()) {
        problem = PartReader::problem(xml, part);
        m_templateFault = true;
        return false;
    }
    if (!writer.flush()) {
        problem = out.errorString();
        return false;
    }
    return true;
}
