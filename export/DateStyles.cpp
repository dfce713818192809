#include "DateStyles.h"

#include "WorkbookParts.h"
#include "XmlPartWriter.h"

#include <QBuffer>
#include <QXmlStreamReader>

DateStyles::DateStyles(const WorkbookParts &parts, const QByteArray &stylesXml) : m_parts(parts)
{
    QXmlStreamReader xml(stylesXml);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
            inCellXfs = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"cellXfs")
            inCellXfs = true;
        else if (inCellXfs && xml.name() == u"xf")
            m_xfs.push_back(xml.attributes());
    }
}

int DateStyles::styleFor(int base, CellValue::Kind kind)
{
    if (kind != CellValue::Kind::Date && kind != CellValue::Kind::DateTime)
        return base;
    // Without cell formats to copy, a date can only be shown as its day count.
    if (m_xfs.empty() || m_parts.isDateStyle(base))
        return base;
    if (base < 0 || static_cast<size_t>(base) >= m_xfs.size())
        base = 0;
    const int format = kind == CellValue::Kind::Date ? DateFormat : DateTimeFormat;
    const auto key = std::make_pair(base, format);
    if (const auto found = m_clones.find(key); found != m_clones.end())
        return found->second;
    const int index = static_cast<int>(m_xfs.size() + m_added.size());
    m_clones[key] = index;
    m_added.push_back(key);
    return index;
}

int DateStyles::columnStyleFor(int columnStyle, CellValue::Kind kind) const
{
    const bool date = kind == CellValue::Kind::Date || kind == CellValue::Kind::DateTime;
    return !date && m_parts.isDateStyle(columnStyle) ? 0 : columnStyle;
}

QByteArray DateStyles::rewrite(const QByteArray &stylesXml) const
{
    QByteArray result;
    QBuffer out(&result);
    out.open(QIODevice::WriteOnly);
    XmlPartWriter writer(out);
    writer.declaration();
    QXmlStreamReader xml(stylesXml);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == u"cellXfs") {
            writer.copyStartElement(
                xml, {u"count"},
                "count=\"" +
                    QByteArray::number(static_cast<qsizetype>(m_xfs.size() + m_added.size())) +
                    '"');
            continue;
        }
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") {
            for (const auto &[base, format] : m_added) {
                writer.startElement("xf");
                for (const QXmlStreamAttribute &a : m_xfs[static_cast<size_t>(base)]) {
                    if (a.qualifiedName() == u"numFmtId" ||
                        a.qualifiedName() == u"applyNumberFormat")
                        continue;
                    writer.attribute(a.qualifiedName().toUtf8().constData(), a.value());
                }
                writer.attribute("numFmtId", QByteArray::number(format));
                writer.attribute("applyNumberFormat", QByteArray("1"));
                writer.endElement("xf");
            }
        }
        writer.copyToken(xml);
    }
    writer.flush();
    return result;
}
