#!/usr/bin/python3
"""Generates the inputs of bench/ooxml.sh into the folder given (default build/bench-ooxml):
big.docx (over 20 MB of text), big.xlsx (200,000 rows by 8 columns) and small/0000.docx to
small/0999.docx. The markup is laid out as Word and Excel write it (runs with properties,
shared strings, cell styles)."""
import os
import random
import sys
import zipfile

out = sys.argv[1] if len(sys.argv) > 1 else "build/bench-ooxml"
os.makedirs(os.path.join(out, "small"), exist_ok=True)
rnd = random.Random(1)
WORDS = ("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi "
         "rho sigma tau upsilon phi chi psi omega report quarterly figures office text").split()

W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
DOCX_TYPES = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
              '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
              '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
              '<Default Extension="xml" ContentType="application/xml"/>'
              '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
              '</Types>')
DOCX_RELS = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
             '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
             '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>'
             '</Relationships>')


def sentence(n):
    return " ".join(rnd.choice(WORDS) for _ in range(n))


def paragraph(text):
    half = len(text) // 2
    return ('<w:p><w:pPr><w:spacing w:after="120"/><w:rPr><w:lang w:val="en-US"/></w:rPr></w:pPr>'
            '<w:r><w:rPr><w:lang w:val="en-US"/></w:rPr><w:t xml:space="preserve">%s</w:t></w:r>'
            '<w:r><w:rPr><w:b/><w:lang w:val="en-US"/></w:rPr><w:t>%s</w:t><w:tab/></w:r></w:p>'
            % (text[:half], text[half:]))


def write_docx(path, paragraphs):
    body = "".join(paragraphs)
    doc = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document %s><w:body>%s'
           '<w:sectPr><w:pgSz w:w="12240" w:h="15840"/></w:sectPr></w:body></w:document>' % (W, body))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", DOCX_TYPES)
        z.writestr("_rels/.rels", DOCX_RELS)
        z.writestr("word/document.xml", doc)


# big.docx: paragraphs of about 100 characters until 21 MB of text
paras, size = [], 0
while size < 21_000_000:
    t = sentence(14)
    paras.append(paragraph(t))
    size += len(t) + 2
write_docx(os.path.join(out, "big.docx"), paras)

for i in range(1000):
    write_docx(os.path.join(out, "small", "%04d.docx" % i),
               [paragraph(sentence(12)) for _ in range(rnd.randint(5, 40))])

# big.xlsx: 200,000 rows of 8 columns, half shared strings, half numbers
strings = [sentence(2) for _ in range(5000)]
rows = []
for r in range(1, 200_001):
    cells = []
    for c in range(8):
        ref = "%s%d" % ("ABCDEFGH"[c], r)
        if c % 2 == 0:
            cells.append('<c r="%s" s="1" t="s"><v>%d</v></c>' % (ref, rnd.randrange(len(strings))))
        else:
            cells.append('<c r="%s" s="2"><v>%.4f</v></c>' % (ref, rnd.random() * 10000))
    rows.append('<row r="%d" spans="1:8">%s</row>' % (r, "".join(cells)))
S = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
R = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
sheet = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet %s %s>'
         '<dimension ref="A1:H200000"/><sheetData>%s</sheetData></worksheet>' % (S, R, "".join(rows)))
sst = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst %s count="%d" uniqueCount="%d">%s</sst>'
       % (S, len(strings), len(strings), "".join("<si><t>%s</t></si>" % s for s in strings)))
styles = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<styleSheet %s>'
          '<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
          '<fills count="1"><fill><patternFill patternType="none"/></fill></fills>'
          '<borders count="1"><border/></borders><cellStyleXfs count="1"><xf/></cellStyleXfs>'
          '<cellXfs count="3"><xf/><xf/><xf numFmtId="2"/></cellXfs></styleSheet>' % S)
workbook = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook %s %s><sheets>'
            '<sheet name="Data" sheetId="1" r:id="rId1"/></sheets></workbook>' % (S, R))
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
wb_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
           '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
           '<Relationship Id="rId1" Type="%sworksheet" Target="worksheets/sheet1.xml"/>'
           '<Relationship Id="rId2" Type="%ssharedStrings" Target="sharedStrings.xml"/>'
           '<Relationship Id="rId3" Type="%sstyles" Target="styles.xml"/></Relationships>' % (REL, REL, REL))
rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="%sofficeDocument" Target="xl/workbook.xml"/></Relationships>' % REL)
ML = "application/vnd.openxmlformats-officedocument.spreadsheetml."
types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
         '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         '<Override PartName="/xl/workbook.xml" ContentType="%ssheet.main+xml"/>'
         '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="%sworksheet+xml"/>'
         '<Override PartName="/xl/sharedStrings.xml" ContentType="%ssharedStrings+xml"/>'
         '<Override PartName="/xl/styles.xml" ContentType="%sstyles+xml"/></Types>' % (ML, ML, ML, ML))
with zipfile.ZipFile(os.path.join(out, "big.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", types)
    z.writestr("_rels/.rels", rels)
    z.writestr("xl/workbook.xml", workbook)
    z.writestr("xl/_rels/workbook.xml.rels", wb_rels)
    z.writestr("xl/styles.xml", styles)
    z.writestr("xl/sharedStrings.xml", sst)
    z.writestr("xl/worksheets/sheet1.xml", sheet)
