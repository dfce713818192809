#include "DateStyles.h"

#include "PartReader.h"
#include "WorkbookParts.h"
#include "XmlPartWriter.h"

#include <QBuffer>
#include <QXmlStreamReader>

DateStyles::DateStyles(const WorkbookParts &parts, const QByteArray &stylesXml) : m_parts(parts)
{
    PartReader reader(stylesXml);
    QXmlStreamReader &xml = reader.xml();
    bool inCellXfs = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
            inCellXfs = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"cellXfs")
            inCellXfs = true;
        else if (inCellXfs && xml.name() == u"xf")
            ++m_xfCount;
    }
}

int DateStyles::styleFor(int base, CellValue::Kind kind)
{
    if (kind != CellValue::Kind::Date && kind != CellValue::Kind::DateTime)
        return base;
    // Without cell formats to copy, a date can only be shown as its day count.
    if (m_xfCount == 0 || m_parts.isDateStyle(base))
        return base;
    if (base < 0 || static_cast<size_t>(base) >= m_xfCount)
        base = 0;
    const int format = kind == CellValue::Kind::Date ? DateFormat : DateTimeFormat;
    const auto key = std::make_pair(base, format);
    if (const auto found = m_clones.find(key); found != m_clones.end())
        return found->second;
    const int index = static_cast<int>(m_xfCount + m_added.size());
    m_clones[key] = index;
    m_added.push_back(key);
    return index;
}

int DateStyles::columnStyleFor(int columnStyle, CellValue::Kind kind) const
{
    const bool date = kind == CellValue::Kind::Date || kind == CellValue::Kind::DateTime;
    return !date && m_parts.isDateStyle(columnStyle) ? 0 : columnStyle;
}

std::optional<QByteArray> DateStyles::rewrite(const QByteArray &stylesXml) const
{
    QByteArray result;
    QBuffer out(&result);
    out.open(QIODevice::WriteOnly);
    XmlPartWriter writer(out);
    writer.declaration();
    // The formats that are copied, taken as the part streams by.
    std::map<int, QXmlStreamAttributes> bases;
    for (const auto &[base, format] : m_added)
        bases[base];
    PartReader reader(stylesXml);
    QXmlStreamReader &xml = reader.xml();
    bool inCellXfs = false;
    int xf = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == u"cellXfs") {
            inCellXfs = true;
            writer.copyStartElement(
                xml, {u"count"},
                "count=\"" +
                    QByteArray::number(static_cast<qsizetype>(m_xfCount + m_added.size())) + '"');
            continue;
        }
        if (token == QXmlStreamReader::StartElement && inCellXfs && xml.name() == u"xf") {
            if (const auto base = bases.find(xf); base != bases.end())
                base->second = xml.attributes();
            ++xf;
        }
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") {
            inCellXfs = false;
            // The new formats are written with the prefix the part gives its own.
            const QByteArray name =
                (xml.prefix().isEmpty() ? QByteArray() : xml.prefix().toUtf8() + ':') + "xf";
            for (const auto &[base, format] : m_added) {
                writer.startElement(name.constData());
                for (const QXmlStreamAttribute &a : bases[base]) {
                    if (a.qualifiedName() == u"numFmtId" ||
                        a.qualifiedName() == u"applyNumberFormat")
                        continue;
                    writer.attribute(a.qualifiedName().toUtf8().constData(), a.value());
                }
                writer.attribute("numFmtId", QByteArray::number(format));
                writer.attribute("applyNumberFormat", QByteArray("1"));
                writer.endElement(name.constData());
            }
        }
        writer.copyToken(xml);
    }
    writer.flush();
    if (xml.hasError())
        return std::nullopt;
    return result;
}
