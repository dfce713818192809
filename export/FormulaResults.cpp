#include "FormulaResults.h"

#include <QXmlStreamReader>

bool FormulaResults::skipStored(QXmlStreamReader &xml)
{
    // A cell holds its formula before its value, each at most once.
    if (xml.isEndElement() && xml.name() == u"c") {
        m_inCell = false;
    } else if (xml.isStartElement()) {
        if (xml.name() == u"c") {
            m_inCell = true;
            m_formula = false;
        } else if (m_inCell && xml.name() == u"f") {
            m_formula = true;
        } else if (m_inCell && m_formula && xml.name() == u"v") {
            xml.skipCurrentElement();
            return true;
        }
    }
    return false;
}
