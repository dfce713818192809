#include "XmlPartWriter.h"

#include <QXmlStreamReader>

namespace {

constexpr qsizetype FlushSize = 256 * 1024;

void appendName(QByteArray &out, QStringView name)
{
    out += name.toUtf8();
}

} // namespace

XmlPartWriter::XmlPartWriter(QIODevice &device) : m_device(device)
{
    m_buffer.reserve(FlushSize + 4096);
}

XmlPartWriter::~XmlPartWriter()
{
    flush();
}

void XmlPartWriter::appendEscaped(QByteArray &out, QStringView text)
{
    const qsizetype size = text.size();
    // Most texts are plain printable ASCII and are copied in one step.
    qsizetype plain = 0;
    while (plain < size) {
        const char16_t c = text[plain].unicode();
        if (c < 0x20 || c >= 0x7F || c == u'&' || c == u'<' || c == u'>' || c == u'"')
            break;
        ++plain;
    }
    if (plain > 0) {
        const qsizetype at = out.size();
        out.resize(at + plain);
        char *to = out.data() + at;
        for (qsizetype i = 0; i < plain; ++i)
            to[i] = static_cast<char>(text[i].unicode());
    }
    for (qsizetype i = plain; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            switch (c) {
            case u'&':
                out += "&amp;";
                continue;
            case u'<':
                out += "&lt;";
                continue;
            case u'>':
                out += "&gt;";
                continue;
            case u'"':
                out += "&quot;";
                continue;
            case u'\t':
                out += "&#9;";
                continue;
            case u'\n':
                out += "&#10;";
                continue;
            case u'\r':
                out += "&#13;";
                continue;
            default:
                out += c < 0x20 ? ' ' : static_cast<char>(c);
                continue;
            }
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            out += text.mid(i, 2).toUtf8();
            ++i;
        } else if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            out += ' ';
        } else {
            out += text.mid(i, 1).toUtf8();
        }
    }
}

void XmlPartWriter::closeStartTag()
{
    if (m_startOpen) {
        m_buffer += '>';
        m_startOpen = false;
    }
    if (m_buffer.size() >= FlushSize)
        flush();
}

bool XmlPartWriter::flush()
{
    if (!m_buffer.isEmpty() && !m_failed) {
        const char *data = m_buffer.constData();
        qsizetype left = m_buffer.size();
        m_failed = m_device.write(data, left) != left;
    }
    m_buffer.clear();
    return !m_failed;
}

void XmlPartWriter::declaration()
{
    raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
}

void XmlPartWriter::copyStartElement(const QXmlStreamReader &reader,
                                     const QList<QStringView> &dropped, const QByteArray &added)
{
    closeStartTag();
    m_buffer += '<';
    appendName(m_buffer, reader.qualifiedName());
    for (const QXmlStreamNamespaceDeclaration &ns : reader.namespaceDeclarations()) {
        m_buffer += ns.prefix().isEmpty() ? QByteArray(" xmlns") : " xmlns:" + ns.prefix().toUtf8();
        m_buffer += "=\"";
        appendEscaped(m_buffer, ns.namespaceUri());
        m_buffer += '"';
    }
    for (const QXmlStreamAttribute &a : reader.attributes()) {
        if (dropped.contains(a.qualifiedName()))
            continue;
        m_buffer += ' ';
        appendName(m_buffer, a.qualifiedName());
        m_buffer += "=\"";
        appendEscaped(m_buffer, a.value());
        m_buffer += '"';
    }
    if (!added.isEmpty())
        m_buffer += ' ' + added;
    m_startOpen = true;
}

void XmlPartWriter::copyToken(const QXmlStreamReader &reader)
{
    switch (reader.tokenType()) {
    case QXmlStreamReader::StartElement:
        copyStartElement(reader);
        break;
    case QXmlStreamReader::EndElement:
        if (m_startOpen) {
            m_buffer += "/>";
            m_startOpen = false;
        } else {
            m_buffer += "</";
            appendName(m_buffer, reader.qualifiedName());
            m_buffer += '>';
        }
        break;
    case QXmlStreamReader::Characters:
        closeStartTag();
        appendEscaped(m_buffer, reader.text());
        break;
    case QXmlStreamReader::Comment:
        closeStartTag();
        m_buffer += "<!--" + reader.text().toUtf8() + "-->";
        break;
    case QXmlStreamReader::ProcessingInstruction:
        closeStartTag();
        m_buffer += "<?" + reader.processingInstructionTarget().toUtf8() + ' ' +
                    reader.processingInstructionData().toUtf8() + "?>";
        break;
    case QXmlStreamReader::EntityReference:
        closeStartTag();
        appendEscaped(m_buffer, reader.text());
        break;
    default:
        break;
    }
}

void XmlPartWriter::startElement(const char *name)
{
    closeStartTag();
    m_buffer += '<';
    m_buffer += name;
    m_startOpen = true;
}

void XmlPartWriter::attribute(const char *name, QStringView value)
{
    m_buffer += ' ';
    m_buffer += name;
    m_buffer += "=\"";
    appendEscaped(m_buffer, value);
    m_buffer += '"';
}

void XmlPartWriter::attribute(const char *name, const QByteArray &value)
{
    m_buffer += ' ';
    m_buffer += name;
    m_buffer += "=\"";
    m_buffer += value;
    m_buffer += '"';
}

void XmlPartWriter::endElement(const char *name)
{
    if (m_startOpen) {
        m_buffer += "/>";
        m_startOpen = false;
    } else {
        m_buffer += "</";
        m_buffer += name;
        m_buffer += '>';
    }
    if (m_buffer.size() >= FlushSize)
        flush();
}

void XmlPartWriter::text(QStringView text)
{
    closeStartTag();
    appendEscaped(m_buffer, text);
}

void XmlPartWriter::raw(const QByteArray &bytes)
{
    closeStartTag();
    m_buffer += bytes;
}
