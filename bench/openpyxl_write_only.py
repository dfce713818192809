"""Writes 10,000 rows of 7 cells with openpyxl in its write-only mode, the
same types as the program's record table; prints the median seconds of
five runs."""
import datetime
import statistics
import sys
import tempfile
import time

import openpyxl

ROWS = int(sys.argv[1]) if len(sys.argv) > 1 else 10000


def once(path):
    start = time.perf_counter()
    book = openpyxl.Workbook(write_only=True)
    sheet = book.create_sheet("Survey")
    first = datetime.datetime(2024, 5, 1)
    for n in range(ROWS):
        sheet.append(["12345678901", first + datetime.timedelta(seconds=5 * n + 1),
                      n % 1000 + 0.25, " ", "uSv/h", "ok (0)", "GM"])
    book.save(path)
    return time.perf_counter() - start


with tempfile.TemporaryDirectory() as folder:
    print(statistics.median(once(folder + "/book.xlsx") for _ in range(5)))
