"""Prints the cells and defined names of a workbook as JSON, read by openpyxl.

Usage: workbook_cells.py read BOOK.xlsx
       workbook_cells.py user-template BOOK.xlsx   (writes a template of a user's own)
       workbook_cells.py bottom-template BOOK.xlsx (its record table starts two rows above the end)
"""
import datetime
import json
import sys

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
    calc = book.calculation
    print(json.dumps({"names": names, "sheets": sheets,
                      "fullCalcOnLoad": bool(calc.fullCalcOnLoad)}))


def bottom_template(path):
    book = openpyxl.Workbook()
    book.active.title = "S"
    for name, cell in {"DeptCell": "$A$1", "DateCell": "$A$2", "DetCell": "$A$3",
                       "LocCell": "$A$4", "UserCell": "$A$5", "FirstLine": "$A$1048575"}.items():
        book.defined_names.append(
            openpyxl.workbook.defined_name.DefinedName(name, attr_text="S!" + cell))
    book.save(path)


def user_template(path):
    book = openpyxl.Workbook()
    notes = book.active
    notes.title = "Notes"
    notes["A1"] = "Kept as it was"
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


if __name__ == "__main__":
    {"read": read, "user-template": user_template, "bottom-template": bottom_template}[sys.argv[1]](sys.argv[2])
