// Arbitrary bytes as a whole template file: the package is read, checked and
// its parts parsed and filled as the export does, without a crash and within
// bounded memory; whenever the sheet of the record table could be filled,
// the filled sheet is well-formed XML.
#include "DateStyles.h"
#include "FilledSheetCheck.h"
#include "SheetFiller.h"
#include "WorkbookParts.h"
#include "XlsxPackage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QString problem;
    auto parts = XlsxPackage::read(bytes, problem);
    if (!parts)
        return 0;
    const auto load = [&parts](const QString &name, QString &why) {
        return XlsxPackage::inflate(*parts, {name}, why);
    };
    const auto workbook = WorkbookParts::parse(*parts, problem, load);
    if (!workbook)
        return 0;
    const auto first = workbook->place(QStringLiteral("FirstLine"), problem);
    if (!first || !load(first->sheetPart, problem))
        return 0;
    const XlsxPackage::Part *sheet = XlsxPackage::find(*parts, first->sheetPart);
    if (!sheet)
        return 0;
    const XlsxPackage::Part *stylesPart = XlsxPackage::find(*parts, workbook->stylesPart);
    const QByteArray stylesXml = stylesPart ? stylesPart->bytes : QByteArray();
    DateStyles styles(*workbook, stylesXml);

    SheetFiller::Cells cells;
    cells[{first->row, first->column}] = CellValue::ofDate(45000);
    int left = 2;
    SheetFiller::Table table{first->row + 1, first->column,
                             [&left](ListToCells::Row &next) {
                                 if (left-- == 0)
                                     return false;
                                 next = {CellValue::ofText(QStringLiteral("SIM-0000001")),
                                         CellValue::ofDateTime(45000.5),
                                         CellValue::ofNumber(1.5),
                                         CellValue::ofText(QStringLiteral("*")),
                                         CellValue::ofText(QStringLiteral("uSv/h")),
                                         CellValue::ofText(QStringLiteral("ok (0)")),
                                         CellValue::ofText(QStringLiteral("GM"))};
                                 return true;
                             },
                             0};
    if (!fillWellFormed(styles, sheet->name, sheet->bytes, cells, table))
        return 0;
    if (styles.changed())
        styles.rewrite(stylesXml);
    return 0;
}
