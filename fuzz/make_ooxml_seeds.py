#!/usr/bin/python3
"""Writes the seed packages of the docx, xlsx and pptx fuzz targets: the text parts of the
real-writer fixtures (tests/fixtures/ooxml) repacked alone, plus a few small hand-made ones."""
import os
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "tests", "fixtures", "ooxml")


def repack(source, target, keep):
    with zipfile.ZipFile(source) as zin, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as zout:
        for info in zin.infolist():
            if keep(info.filename):
                zout.writestr(info.filename, zin.read(info.filename))


def write(target, parts, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(target, "w", method) as z:
        for name, data in parts:
            z.writestr(name, data)


def seeds(kind):
    d = os.path.join(HERE, kind, "seeds")
    os.makedirs(d, exist_ok=True)
    return d


d = seeds("docx")
for name in ("python-docx", "libreoffice"):
    repack(os.path.join(FIXTURES, name + ".docx"), os.path.join(d, name + ".docx"),
           lambda n: n == "word/document.xml")
write(os.path.join(d, "stored-entities.docx"), [("word/document.xml",
      '<w:document><w:body><w:p><w:r><w:t xml:space="preserve"> a &amp;lt; &#8217;&apos;</w:t>'
      '<w:tab/><w:br/><w:noBreakHyphen/></w:r></w:p></w:body></w:document>')], zipfile.ZIP_STORED)

d = seeds("xlsx")
for name in ("openpyxl", "libreoffice"):
    repack(os.path.join(FIXTURES, name + ".xlsx"), os.path.join(d, name + ".xlsx"),
           lambda n: n.startswith("xl/worksheets/sheet") or n == "xl/sharedStrings.xml")
write(os.path.join(d, "grid.xlsx"), [
    ("xl/sharedStrings.xml", "<sst><si><t>a</t></si><si><r><t>b</t></r><r><t>c</t></r></si></sst>"),
    ("xl/worksheets/sheet1.xml", '<worksheet><dimension ref="A1:XFD1048576"/><sheetData>'
     '<row r="1"><c r="A1" t="s"><v>1</v></c><c r="BA1" t="inlineStr"><is><t>x</t></is></c></row>'
     '<row r="3"><c r="C3"><v>2</v></c></row></sheetData></worksheet>'),
    ("xl/worksheets/sheet2.xml", '<worksheet><sheetData><row r="2"><c r="B2"><v>1</v></c></row>'
     '</sheetData></worksheet>')], zipfile.ZIP_STORED)

d = seeds("pptx")
repack(os.path.join(FIXTURES, "libreoffice.pptx"), os.path.join(d, "libreoffice.pptx"),
       lambda n: n in ("ppt/slides/slide1.xml", "ppt/slides/slide2.xml",
                       "ppt/notesSlides/notesSlide2.xml"))
write(os.path.join(d, "stored.pptx"), [
    ("ppt/slides/slide1.xml", "<p:sld><a:p><a:r><a:t> x </a:t></a:r></a:p></p:sld>"),
    ("ppt/notesSlides/notesSlide1.xml", "<p:notes><a:p><a:t>n</a:t></a:p></p:notes>")],
    zipfile.ZIP_STORED)
