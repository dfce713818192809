// Arbitrary bytes as a worksheet of a user's template, and as a record line:
// filling the sheet never crashes, and whenever the sheet could be read the
// filled sheet is well-formed XML.
#include "DateStyles.h"
#include "FilledSheetCheck.h"
#include "ListToCells.h"
#include "SheetFiller.h"
#include "WorkbookParts.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);
    const auto row = ListToCells::recordRow(text);

    static const QByteArray Styles =
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";
    QString problem;
    const auto parts =
        WorkbookParts::parse({{QStringLiteral("xl/workbook.xml"), QByteArray("<workbook/>"), {}},
                              {QStringLiteral("xl/styles.xml"), Styles, {}}},
                             problem);
    if (!parts)
        std::abort();
    DateStyles styles(*parts, Styles);
    SheetFiller::Cells cells;
    cells[{2, 1}] = CellValue::ofText(text.left(40));
    cells[{3, 1}] = CellValue::ofDate(45000);
    int left = 3;
    SheetFiller::Table table{
        4, 0,
        [&](ListToCells::Row &next) {
            if (left-- == 0)
                return false;
            next = row.value_or(ListToCells::Row{
                CellValue::ofText(text), CellValue::ofDateTime(45000.5), CellValue::ofNumber(1.5),
                CellValue::ofText(QStringLiteral("*")), CellValue::ofText(text),
                CellValue::ofText(text), CellValue::ofText(text)});
            return true;
        },
        0};
    fillWellFormed(styles, QStringLiteral("sheet"), bytes, cells, table);
    return 0;
}
