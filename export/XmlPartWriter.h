#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QStringView>

class QXmlStreamReader;

// Writes the XML of a workbook part as UTF-8 bytes: tokens copied from a
// reader as they come, or elements and escaped texts of our own. Output is
// gathered in a block and handed to the device in large writes. A start tag
// is left open until its first content, so an element without content
// comes out as an empty-element tag.
class XmlPartWriter
{
public:
    explicit XmlPartWriter(QIODevice &device);
    ~XmlPartWriter();

    void declaration();
    // Copies the reader's current token (not the XML declaration or a DTD).
    void copyToken(const QXmlStreamReader &reader);
    // Copies the start tag of the reader's current element without the
    // attributes named in `dropped` and with `added` (raw name="value" text).
    void copyStartElement(const QXmlStreamReader &reader, const QList<QStringView> &dropped = {},
                          const QByteArray &added = {});

    void startElement(const char *name);
    void attribute(const char *name, QStringView value);
    void attribute(const char *name, const QByteArray &value);
    void endElement(const char *name);
    void text(QStringView text);
    // Bytes that are already XML.
    void raw(const QByteArray &bytes);

    // Writes what is gathered; false once a write fell short.
    bool flush();

    // Escapes a text for element content or an attribute; characters that XML
    // cannot hold (control characters, lone surrogates) become blanks.
    static void appendEscaped(QByteArray &out, QStringView text);

private:
    void closeStartTag();

    QIODevice &m_device;
    QByteArray m_buffer;
    bool m_startOpen = false;
    bool m_failed = false;
};
