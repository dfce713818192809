#pragma once

#include "DateStyles.h"
#include "SheetFiller.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <cstdlib>

// Fills `sheet` as the export does and stops the run when the filled sheet is
// not well-formed XML; false when the filler refused the sheet.
inline bool fillWellFormed(DateStyles &styles, const QString &name, const QByteArray &sheet,
                           const SheetFiller::Cells &cells, SheetFiller::Table &table)
{
    QByteArray filled;
    QBuffer out(&filled);
    out.open(QIODevice::WriteOnly);
    SheetFiller filler(styles);
    QString problem;
    if (!filler.write(name, sheet, cells, &table, out, problem))
        return false;
    QXmlStreamReader check(filled);
    while (!check.atEnd())
        check.readNext();
    if (check.hasError())
        std::abort();
    return true;
}
