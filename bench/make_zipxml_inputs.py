#!/usr/bin/env python3
"""Writes the inputs of bench/zipxml_bench.cpp and bench/zipxml.sh into a folder:
big_sheet.xlsx, a package whose worksheet part has ROWS rows of 8 cells (shared strings,
numbers, a formula), written the way spreadsheet writers lay out a sheet."""
import sys
import zipfile

out_dir = sys.argv[1] if len(sys.argv) > 1 else "build/bench-inputs"
rows = int(sys.argv[2]) if len(sys.argv) > 2 else 400000

import os
os.makedirs(out_dir, exist_ok=True)
cols = "ABCDEFGH"
strings = ["Name %d &amp; co" % i for i in range(5000)]

def sheet_chunks():
    yield ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
           '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
           '<dimension ref="A1:H%d"/><sheetData>' % rows)
    for r in range(1, rows + 1):
        cells = []
        for i, c in enumerate(cols):
            if i % 3 == 0:
                cells.append('<c r="%s%d" t="s"><v>%d</v></c>' % (c, r, (r * 7 + i) % len(strings)))
            elif i == 7:
                cells.append('<c r="%s%d"><f>SUM(B%d:G%d)</f><v>%d</v></c>' % (c, r, r, r, r * 3))
            else:
                cells.append('<c r="%s%d" s="1"><v>%d.%d</v></c>' % (c, r, r * i, i))
        yield '<row r="%d" spans="1:8">%s</row>' % (r, "".join(cells))
    yield "</sheetData></worksheet>"

path = os.path.join(out_dir, "big_sheet.xlsx")
with zipfile.ZipFile(path, "w", compression=zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", "<Types/>")
    sst = ['<sst count="%d" uniqueCount="%d">' % (len(strings), len(strings))]
    sst += ["<si><t>%s</t></si>" % s for s in strings] + ["</sst>"]
    z.writestr("xl/sharedStrings.xml", "".join(sst))
    with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=False) as f:
        buf = []
        size = 0
        for chunk in sheet_chunks():
            buf.append(chunk)
            size += len(chunk)
            if size > 1 << 20:
                f.write("".join(buf).encode())
                buf, size = [], 0
        f.write("".join(buf).encode())
print(path)
