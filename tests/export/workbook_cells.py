"""Prints the cells and defined names of a workbook as JSON, read by openpyxl.

Usage: workbook_cells.py read BOOK.xlsx
       workbook_cells.py user-template BOOK.xlsx [1904|true]
           (writes a template of a user's own as a spreadsheet application saves it, with
           stale results stored with its formulas; in the 1904 date system when asked,
           written as date1904="1" or "true")
       workbook_cells.py bottom-template BOOK.xlsx (its record table starts two rows above the end)
"""
import datetime
import json
import sys
import zipfile
from xml.etree import ElementTree

import openpyxl


def read(path):
    book = openpyxl.load_workbook(path)
    names = {}
    for name in book.defined_names.definedName:
        for title, coord in name.destinations:
            names[name.name] = [title, coord.replace("$", "")]
    sheets = {}
    for sheet in book.worksheets:
        cells = {}
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                value = cell.value
                if isinstance(value, datetime.datetime):
                    value = value.isoformat(sep=" ")
                cells[cell.coordinate] = [cell.data_type, value, cell.number_format, cell.is_date]
        sheets[sheet.title] = cells
    # The results stored with the formulas, as a reader that does not calculate sees them.
    stored = openpyxl.load_workbook(path, data_only=True)
    results = {}
    for sheet in book.worksheets:
        for row in sheet.iter_rows():
            for cell in row:
                if cell.data_type == "f":
                    results[sheet.title + "!" + cell.coordinate] = \
                        stored[sheet.title][cell.coordinate].value
    layout = {}
    for sheet in book.worksheets:
        setup = sheet.page_setup
        layout[sheet.title] = {
            "orientation": setup.orientation, "fitToPage": bool(sheet.sheet_properties.pageSetUpPr
                                                                and sheet.sheet_properties.pageSetUpPr.fitToPage),
            "fitToWidth": setup.fitToWidth, "fitToHeight": setup.fitToHeight,
            "printTitleRows": sheet.print_title_rows, "frozenAt": sheet.freeze_panes}
    # openpyxl takes a missing fullCalcOnLoad as set, so the attribute is read as written.
    with zipfile.ZipFile(path) as package:
        workbook = ElementTree.fromstring(package.read("xl/workbook.xml"))
    calc = workbook.find("{http://schemas.openxmlformats.org/spreadsheetml/2006/main}calcPr")
    full = calc is not None and calc.get("fullCalcOnLoad") in ("1", "true")
    print(json.dumps({"names": names, "sheets": sheets, "results": results, "layout": layout,
                      "fullCalcOnLoad": full}))


def bottom_template(path):
    book = openpyxl.Workbook()
    book.active.title = "S"
    for name, cell in {"DeptCell": "$A$1", "DateCell": "$A$2", "DetCell": "$A$3",
                       "LocCell": "$A$4", "UserCell": "$A$5", "FirstLine": "$A$1048575"}.items():
        book.defined_names.append(
            openpyxl.workbook.defined_name.DefinedName(name, attr_text="S!" + cell))
    book.save(path)


def user_template(path, system=None):
    book = openpyxl.Workbook()
    if system:
        book.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
    notes = book.active
    notes.title = "Notes"
    notes["A1"] = "Kept as it was"
    notes["A2"] = "='Data Sheet'!B1"
    data = book.create_sheet("Data Sheet")
    data["A1"] = "Total"
    data["B1"] = "=SUM(C4:C100)"
    data["D2"] = "dept here"
    data["E2"].number_format = "dd.mm.yyyy"
    names = {"DeptCell": "$D$2", "DateCell": "$E$2", "DetCell": "$F$2",
             "LocCell": "$G$2", "UserCell": "$H$2", "FirstLine": "$A$4"}
    for name, cell in names.items():
        book.defined_names.append(
            openpyxl.workbook.defined_name.DefinedName(name, attr_text="'Data Sheet'!" + cell))
    book.save(path)
    # As saved by an application: each formula with the result it had then, and no order to
    # calculate on opening.
    with zipfile.ZipFile(path) as source:
        parts = {name: source.read(name) for name in source.namelist()}
    for name, data in parts.items():
        if name.startswith("xl/worksheets/"):
            parts[name] = data.replace(b"</f><v></v>", b"</f><v>0</v>").replace(b"</f><v/>", b"</f><v>0</v>")
        elif name == "xl/workbook.xml":
            data = data.replace(b' fullCalcOnLoad="1"', b"")
            if system == "true":
                data = data.replace(b'date1904="1"', b'date1904="true"')
            parts[name] = data
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as target:
        for name, data in parts.items():
            target.writestr(name, data)


if __name__ == "__main__":
    {"read": read, "user-template": user_template, "bottom-template": bottom_template}[sys.argv[1]](*sys.argv[2:])
