#include "TemplateWorkbook.h"

#include "XlsxPackage.h"

namespace {

const char ContentTypes[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(</Types>)";

const char PackageRels[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";

const char Workbook[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<sheets><sheet name="Survey" sheetId="1" r:id="rId1"/></sheets>)"
    R"(<definedNames>)"
    R"(<definedName name="_xlnm.Print_Titles" localSheetId="0">Survey!$9:$9</definedName>)"
    R"(<definedName name="DateCell">Survey!$B$4</definedName>)"
    R"(<definedName name="DeptCell">Survey!$B$3</definedName>)"
    R"(<definedName name="DetCell">Survey!$B$5</definedName>)"
    R"(<definedName name="FirstLine">Survey!$A$10</definedName>)"
    R"(<definedName name="LocCell">Survey!$B$6</definedName>)"
    R"(<definedName name="UserCell">Survey!$B$7</definedName>)"
    R"(</definedNames><calcPr calcId="0" fullCalcOnLoad="1"/></workbook>)";

const char WorkbookRels[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";

// Cell formats: 0 plain, 1 bold, 2 date, 3 date and time, 4 large bold title.
const char Styles[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy\-mm\-dd"/>)"
    R"(<numFmt numFmtId="165" formatCode="yyyy\-mm\-dd\ hh:mm:ss"/></numFmts>)"
    R"(<fonts count="3"><font><sz val="11"/><name val="Calibri"/></font>)"
    R"(<font><b/><sz val="11"/><name val="Calibri"/></font>)"
    R"(<font><b/><sz val="14"/><name val="Calibri"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill>)"
    R"(<fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="5"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)"
    R"(<xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1"/>)"
    R"(<xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1" applyAlignment="1"><alignment horizontal="left"/></xf>)"
    R"(<xf numFmtId="165" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>)"
    R"(<xf numFmtId="0" fontId="2" fillId="0" borderId="0" xfId="0" applyFont="1"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

const char Sheet[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<sheetPr><pageSetUpPr fitToPage="1"/></sheetPr>)"
    R"(<sheetViews><sheetView workbookViewId="0"><pane ySplit="9" topLeftCell="A10" activePane="bottomLeft" state="frozen"/>)"
    R"(<selection pane="bottomLeft" activeCell="A10" sqref="A10"/></sheetView></sheetViews>)"
    R"(<cols><col min="1" max="1" width="18" customWidth="1"/>)"
    R"(<col min="2" max="2" width="21" style="3" customWidth="1"/>)"
    R"(<col min="3" max="3" width="10" customWidth="1"/>)"
    R"(<col min="4" max="4" width="6" customWidth="1"/>)"
    R"(<col min="5" max="5" width="10" customWidth="1"/>)"
    R"(<col min="6" max="6" width="17" customWidth="1"/>)"
    R"(<col min="7" max="7" width="16" customWidth="1"/></cols>)"
    R"(<sheetData>)"
    R"(<row r="1"><c r="A1" s="4" t="inlineStr"><is><t>TESK Meter View survey</t></is></c></row>)"
    R"(<row r="3"><c r="A3" s="1" t="inlineStr"><is><t>Department:</t></is></c></row>)"
    R"(<row r="4"><c r="A4" s="1" t="inlineStr"><is><t>Date:</t></is></c><c r="B4" s="2"/></row>)"
    R"(<row r="5"><c r="A5" s="1" t="inlineStr"><is><t>Instrument Type:</t></is></c></row>)"
    R"(<row r="6"><c r="A6" s="1" t="inlineStr"><is><t>Survey location:</t></is></c></row>)"
    R"(<row r="7"><c r="A7" s="1" t="inlineStr"><is><t>Surveyor:</t></is></c></row>)"
    R"(<row r="9">)"
    R"(<c r="A9" s="1" t="inlineStr"><is><t>Instrument</t></is></c>)"
    R"(<c r="B9" s="1" t="inlineStr"><is><t>Date and time</t></is></c>)"
    R"(<c r="C9" s="1" t="inlineStr"><is><t>Value</t></is></c>)"
    R"(<c r="D9" s="1" t="inlineStr"><is><t>Mark</t></is></c>)"
    R"(<c r="E9" s="1" t="inlineStr"><is><t>Units</t></is></c>)"
    R"(<c r="F9" s="1" t="inlineStr"><is><t>Status</t></is></c>)"
    R"(<c r="G9" s="1" t="inlineStr"><is><t>Detector</t></is></c></row>)"
    R"(</sheetData>)"
    // Printed landscape, the seven columns on one page width and as many pages
    // down as the records need, the heading row (Print_Titles) on each page.
    R"(<pageMargins left="0.5" right="0.5" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>)"
    R"(<pageSetup orientation="landscape" fitToWidth="1" fitToHeight="0"/>)"
    R"(</worksheet>)";

} // namespace

QString TemplateWorkbook::write(const QString &path)
{
    return XlsxPackage::write(path,
                              {{QStringLiteral("[Content_Types].xml"), ContentTypes, {}},
                               {QStringLiteral("_rels/.rels"), PackageRels, {}},
                               {QStringLiteral("xl/workbook.xml"), Workbook, {}},
                               {QStringLiteral("xl/_rels/workbook.xml.rels"), WorkbookRels, {}},
                               {QStringLiteral("xl/styles.xml"), Styles, {}},
                               {QStringLiteral("xl/worksheets/sheet1.xml"), Sheet, {}}});
}
