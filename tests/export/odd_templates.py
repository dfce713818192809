"""Writes odd and hostile workbook templates, and long lists to fill them with.

Usage: odd_templates.py CASE BOOK.xlsx [N]
       odd_templates.py list LIST.lst N        (a list of N records)

Every template is the program's layout (sheet "Survey", FirstLine at A10)
with one thing changed; see CASES below. N scales the cases that take it.
"""
import random
import struct
import sys
import zlib

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"
HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'


def content_types():
    ct = "application/vnd.openxmlformats-officedocument.spreadsheetml."
    return (HEAD + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Default Extension="bin" ContentType="application/octet-stream"/>'
            f'<Override PartName="/xl/workbook.xml" ContentType="{ct}sheet.main+xml"/>'
            f'<Override PartName="/xl/worksheets/sheet1.xml" ContentType="{ct}worksheet+xml"/>'
            f'<Override PartName="/xl/styles.xml" ContentType="{ct}styles+xml"/></Types>')


def package_rels():
    return (HEAD + f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" '
            f'Type="{REL}/officeDocument" Target="xl/workbook.xml"/></Relationships>')


def workbook(first_line="$A$10"):
    names = {"DeptCell": "$B$3", "DateCell": "$B$4", "DetCell": "$B$5", "LocCell": "$B$6",
             "UserCell": "$B$7", "FirstLine": first_line}
    defined = "".join(f'<definedName name="{n}">Survey!{c}</definedName>' for n, c in names.items())
    return (HEAD + f'<workbook xmlns="{MAIN}" xmlns:r="{REL}"><sheets>'
            f'<sheet name="Survey" sheetId="1" r:id="rId1"/></sheets>'
            f'<definedNames>{defined}</definedNames></workbook>')


def workbook_rels(sheet_type="worksheet", sheet_target="worksheets/sheet1.xml"):
    return (HEAD + f'<Relationships xmlns="{PKG}">'
            f'<Relationship Id="rId1" Type="{REL}/{sheet_type}" Target="{sheet_target}"/>'
            f'<Relationship Id="rId2" Type="{REL}/styles" Target="styles.xml"/></Relationships>')


def styles(xfs=2):
    cell_xfs = '<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>' * min(xfs, 2)
    cell_xfs += '<xf numFmtId="0"/>' * (xfs - 2)
    return (HEAD + f'<styleSheet xmlns="{MAIN}"><fonts count="1"><font><sz val="11"/></font></fonts>'
            '<fills count="1"><fill><patternFill patternType="none"/></fill></fills>'
            '<borders count="1"><border/></borders>'
            '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
            f'<cellXfs count="{xfs}">{cell_xfs}</cellXfs>'
            '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>'
            '</styleSheet>')


def sheet(prefix="", cols=1, sheet_data=True, rows=0, title="Survey", doctype="", extra_col=""):
    p = prefix + ":" if prefix else ""
    ns = f'xmlns:{prefix}="{MAIN}"' if prefix else f'xmlns="{MAIN}"'
    # Columns from H on: those of the record table have none.
    col = extra_col + "".join(f'<{p}col min="{i}" max="{i}" width="12" customWidth="1"/>'
                              for i in range(8, cols + 8))
    data = (f'<{p}sheetData><{p}row r="1"><{p}c r="A1" t="inlineStr"><{p}is><{p}t>{title}'
            f'</{p}t></{p}is></{p}c></{p}row>' +
            "".join(f'<{p}row r="{r}"><{p}c r="H{r}"><{p}v>{r}</{p}v></{p}c>'
                    f'<{p}c r="I{r}"><{p}v>{r}</{p}v></{p}c></{p}row>'
                    for r in range(20, rows + 20)) +
            f'</{p}sheetData>') if sheet_data else ""
    return (HEAD + doctype + f'<{p}worksheet {ns}><{p}cols>{col}</{p}cols>{data}'
            f'<{p}pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" '
            f'footer="0.3"/></{p}worksheet>')


def parts(**changes):
    base = {"[Content_Types].xml": content_types(), "_rels/.rels": package_rels(),
            "xl/workbook.xml": workbook(), "xl/_rels/workbook.xml.rels": workbook_rels(),
            "xl/styles.xml": styles(), "xl/worksheets/sheet1.xml": sheet()}
    base.update(changes)
    return [(name, data.encode() if isinstance(data, str) else data) for name, data in base.items()]


class Zeros:
    """A part of `size` zero bytes (or blanks), deflated once however often it is stored."""

    def __init__(self, size, fill=b"\0"):
        chunk = fill * (1 << 20)
        deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
        data, crc, left = [], 0, size
        while left > 0:
            piece = chunk[:min(left, len(chunk))]
            data.append(deflate.compress(piece))
            crc = zlib.crc32(piece, crc)
            left -= len(piece)
        data.append(deflate.flush())
        self.size, self.crc, self.data = size, crc, b"".join(data)


class Alias:
    """A second name in the directory for the stored bytes of an earlier entry."""

    def __init__(self, target):
        self.target = target


class Encrypted:
    """A part flagged as encrypted (its bytes are plain)."""

    def __init__(self, data):
        self.data = data


class Nested:
    """A stored part whose bytes hold a whole second entry, listed in the directory too."""

    def __init__(self, inner_name, inner_data):
        self.inner_name, self.inner_data = inner_name, inner_data


def local_record(name, flags, method, crc, packed, size):
    encoded = name.encode()
    fields = struct.pack("<HHHHHIIIHH", 20, flags, method, 0, 0x21, crc, len(packed), size,
                         len(encoded), 0)
    return b"PK\3\4" + fields + encoded + packed


def write_zip(path, entries):
    """Writes entries (name, bytes or one of the kinds above) as they are: duplicates,
    aliases, overlaps and odd names included."""
    with open(path, "wb") as out:
        central, stored = [], {}

        def listed(name, flags, method, crc, csize, size, offset):
            encoded = name.encode()
            central.append(b"PK\1\2" + struct.pack("<HHHHHHIIIHHHHHII", 20, 20, flags, method, 0,
                                                     0x21, crc, csize, size, len(encoded), 0, 0,
                                                     0, 0, 0, offset) + encoded)
            stored[name] = (flags, method, crc, csize, size, offset)

        for name, data in entries:
            if isinstance(data, Alias):
                listed(name, *stored[data.target])
                continue
            flags, method = 0x800, 8
            if isinstance(data, Nested):
                inner = local_record(data.inner_name, flags, 0, zlib.crc32(data.inner_data),
                                     data.inner_data, len(data.inner_data))
                offset = out.tell()
                out.write(local_record(name, flags, 0, zlib.crc32(inner), inner, len(inner)))
                listed(name, flags, 0, zlib.crc32(inner), len(inner), len(inner), offset)
                listed(data.inner_name, flags, 0, zlib.crc32(data.inner_data),
                       len(data.inner_data), len(data.inner_data),
                       offset + 30 + len(name.encode()))
                continue
            if isinstance(data, Encrypted):
                flags, data = flags | 1, data.data
            if not isinstance(data, Zeros):
                packed = zlib.compressobj(6, zlib.DEFLATED, -15)
                raw = packed.compress(data) + packed.flush()
                data = type("Part", (), {"size": len(data), "crc": zlib.crc32(data), "data": raw})
            offset = out.tell()
            out.write(local_record(name, flags, method, data.crc, data.data, data.size))
            listed(name, flags, method, data.crc, len(data.data), data.size, offset)
        start = out.tell()
        for record in central:
            out.write(record)
        out.write(b"PK\5\6" + struct.pack("<HHHHIIH", 0, 0, len(central), len(central),
                                          out.tell() - start, start, 0))


def bomb(count):
    zeros = Zeros(268 * 1000 * 1000)
    return parts() + [(f"xl/media/zeros{i}.bin", zeros) for i in range(count)]


def many_sheets(count):
    """Sheets of 30 MB beside the survey's: each under the bound, together over it."""
    book = workbook().replace("</sheets>", "".join(
        f'<sheet name="Extra{i}" sheetId="{i + 2}" r:id="rId{i + 3}"/>' for i in range(count)) +
        "</sheets>")
    rels = workbook_rels().replace("</Relationships>", "".join(
        f'<Relationship Id="rId{i + 3}" Type="{REL}/worksheet" Target="worksheets/extra{i}.xml"/>'
        for i in range(count)) + "</Relationships>")
    blanks = Zeros(30 * 1000 * 1000, b" ")
    return (parts(**{"xl/workbook.xml": book, "xl/_rels/workbook.xml.rels": rels}) +
            [(f"xl/worksheets/extra{i}.xml", blanks) for i in range(count)])


def column_name(number):
    name = ""
    while number > 0:
        number, rest = divmod(number - 1, 26)
        name = chr(65 + rest) + name
    return name


def noise(size):
    return random.Random(size).randbytes(size)


def entities(count):
    doctype = '<!DOCTYPE worksheet [<!ENTITY a "' + "x" * 4000 + '">]>'
    return parts(**{"xl/worksheets/sheet1.xml": sheet(title="&a;" * count, doctype=doctype)})


CASES = {
    "plain": lambda n: parts(),
    # 40 parts of 268 MB of zeros in a 10 MB file.
    "bomb": lambda n: bomb(n or 40),
    # A styles part that inflates beyond what the export reads.
    "big-styles": lambda n: [p for p in parts() if p[0] != "xl/styles.xml"] +
    [("xl/styles.xml", Zeros(200 * 1000 * 1000, b" "))],
    "many-xfs": lambda n: parts(**{"xl/styles.xml": styles(n or 2500000)}),
    "many-cols": lambda n: parts(**{"xl/worksheets/sheet1.xml": sheet(cols=n or 97704)}),
    # A sheet of N rows beside and below the records, about 90 bytes each.
    "big-sheet": lambda n: parts(**{"xl/worksheets/sheet1.xml": sheet(rows=n or 1000000)}),
    "prefixed": lambda n: parts(**{"xl/worksheets/sheet1.xml": sheet(prefix="x")}),
    "no-sheet-data": lambda n: parts(**{"xl/worksheets/sheet1.xml": sheet(sheet_data=False)}),
    "sheet-twice": lambda n: parts() + [("xl/worksheets/sheet1.xml", sheet().encode())],
    "workbook-twice": lambda n: parts() + [("xl/workbook.xml", workbook().encode())],
    "sheet-is-styles": lambda n: parts(**{"xl/_rels/workbook.xml.rels":
                                          workbook_rels(sheet_target="styles.xml")}),
    "sheet-is-chart": lambda n: parts(**{"xl/_rels/workbook.xml.rels":
                                         workbook_rels(sheet_type="chartsheet")}),
    "last-column": lambda n: parts(**{"xl/workbook.xml": workbook("$XFB$10")}),
    "climbing-name": lambda n: parts() + [("../../x", b"x")],
    "absolute-name": lambda n: parts() + [("/tmp/x", b"x")],
    "climbing-inner-name": lambda n: parts() + [("xl/../../../x", b"x")],
    # N references to an entity of 4,000 characters in one cell.
    "entities": lambda n: entities(n or 20000),
    # One part of 1 MB under N names.
    "aliased": lambda n: parts() + [("xl/media/image0.bin", noise(1 << 20))] +
    [(f"xl/media/image{i}.bin", Alias("xl/media/image0.bin")) for i in range(1, n or 60)],
    # A stored part whose bytes are a second part.
    "overlapping": lambda n: parts() + [("xl/media/outer.bin",
                                         Nested("xl/media/inner.bin", noise(1 << 20)))],
    "broken-styles": lambda n: parts(**{"xl/styles.xml": styles()[:len(styles()) // 2]}),
    "encrypted": lambda n: parts() + [("xl/media/secret.bin", Encrypted(b"secret"))],
    "many-sheets": lambda n: many_sheets(n or 4),
    # A formula with its stored result, and plain numbers after it.
    "formula": lambda n: parts(**{"xl/worksheets/sheet1.xml": sheet(rows=2).replace(
        '<c r="H20"><v>20</v></c>', '<c r="H20"><f>1+1</f><v>2</v></c>')}),
    # Row 20 of N texts of 600 bytes each, beside the records.
    "wide-row": lambda n: parts(**{"xl/worksheets/sheet1.xml": sheet(rows=1).replace(
        '<c r="I20"><v>20</v></c>', "".join(
            f'<c r="{column_name(c)}20" t="inlineStr"><is><t>{"x" * 560}</t></is></c>'
            for c in range(9, 9 + (n or 16000))))}),
    # A part the export copies without reading, telling its version N.
    "version": lambda n: parts() + [("xl/media/version.bin", b"version %d" % n)],
    # The lowest 32-bit number as a column and as a row.
    "lowest-numbers": lambda n: parts(**{"xl/worksheets/sheet1.xml": sheet(
        extra_col='<col min="-2147483648" max="-2147483648" width="5" style="1"/>').replace(
        '<row r="1">', '<row r="-2147483648">')}),
}


def write_list(path, count):
    legend = ["Department: Physics", "Date: 2026-12-04", "Instrument Type: VX31A",
              "Survey location: Hall 2", "Surveyor: J. Smith", "Signture:"]
    widths = [13, 25, 3, 8, 9, 2, 10]
    with open(path, "w", newline="") as out:
        for line in legend:
            out.write(f'"{line}"\r\n')
        for n in range(count):
            seconds = 5 * n + 1
            time = "2024-05-%02d %02d:%02d:%02d" % (1 + seconds // 86400, seconds // 3600 % 24,
                                                    seconds // 60 % 60, seconds % 60)
            fields = ["12345678901", time, " ", f"{n % 1000}.25", "uSv/h", "0", "GM"]
            out.write('"' + "".join(f.ljust(w + 1) for f, w in zip(fields, widths)) + '"\r\n')


if __name__ == "__main__":
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    if sys.argv[1] == "list":
        write_list(sys.argv[2], count)
    else:
        write_zip(sys.argv[2], CASES[sys.argv[1]](count))
