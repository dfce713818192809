#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

// Reads one XML part of a template a block at a time: decoding the whole
// part at once would double it. A part that declares a DTD is refused, for
// workbooks never have one and the entities it declares would multiply the
// part's text. Every reader of a template's parts checks problem() once it
// stops, so a part that breaks off is refused, never copied in part.
class PartReader
{
public:
    explicit PartReader(const QByteArray &bytes);
    PartReader(const PartReader &) = delete;
    PartReader &operator=(const PartReader &) = delete;

    QXmlStreamReader &xml() { return m_xml; }
    bool atEnd() const { return m_xml.atEnd(); }
    QXmlStreamReader::TokenType readNext() { return readNext(m_xml); }

    // The reader's next token; a DTD stops it with an error.
    static QXmlStreamReader::TokenType readNext(QXmlStreamReader &xml);

    // Empty when the reader met no fault so far; else why the part named
    // `part` cannot be used.
    static QString problem(const QXmlStreamReader &xml, const QString &part);
    QString problem(const QString &part) const { return problem(m_xml, part); }

private:
    QBuffer m_buffer;
    QXmlStreamReader m_xml;
};
