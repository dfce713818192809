#include "PartReader.h"

#include <QObject>

namespace {

const QString DtdError = QStringLiteral("a DTD");

} // namespace

PartReader::PartReader(const QByteArray &bytes)
{
    m_buffer.setData(bytes);
    m_buffer.open(QIODevice::ReadOnly);
    m_xml.setDevice(&m_buffer);
}

QXmlStreamReader::TokenType PartReader::readNext(QXmlStreamReader &xml)
{
    const auto token = xml.readNext();
    if (token != QXmlStreamReader::DTD)
        return token;
    xml.raiseError(DtdError);
    return QXmlStreamReader::Invalid;
}

QString PartReader::problem(const QXmlStreamReader &xml, const QString &part)
{
    if (!xml.hasError())
        return {};
    if (xml.error() == QXmlStreamReader::CustomError && xml.errorString() == DtdError)
        return QObject::tr("its part %1 declares a DTD, which no workbook has").arg(part);
    if (xml.error() == QXmlStreamReader::CustomError)
        return QObject::tr("in its part %1, %2").arg(part, xml.errorString());
    QString reason = xml.errorString();
    if (reason.endsWith(QChar(u'.')))
        reason.chop(1);
    return QObject::tr("its part %1 is damaged: %2 (line %3)")
        .arg(part, reason, QString::number(xml.lineNumber()));
}
