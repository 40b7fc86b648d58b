#!/usr/bin/env python3
"""Generates the filter benchmark inputs into the folder given: big.rtf (about 20 MB, written the
way Word and LibreOffice write RTF: font table with a Cyrillic font, styles, \\'hh and \\u text,
tables, fields, bookmarks, small pictures), big.html (about 20 MB: head with style and script,
paragraphs, tables, lists, links, entities) and big.fodt (300 pages, for LibreOffice to turn into
big.pdf)."""
import random
import sys
from pathlib import Path

random.seed(10)
out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
TARGET = 20 * 1000 * 1000
WORDS = ("the of and to in is that for it as with was on be by this are from at or an which "
         "report quarter revenue market office document table figure").split()


def words(n):
    return " ".join(random.choice(WORDS) for _ in range(n))


def rtf():
    head = (r"{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\froman\fprq2\fcharset0 Times New Roman;}"
            r"{\f1\fswiss\fcharset204 Arial Cyr;}{\f2\fnil\fcharset2 Symbol;}}"
            r"{\colortbl;\red0\green0\blue0;\red0\green0\blue255;}"
            r"{\stylesheet{\s0 Normal;}{\s1\sbasedon0 heading 1;}}"
            r"{\info{\title Benchmark}{\author Scrivtar}}" "\n")
    parts = [head]
    size = len(head)
    n = 0
    while size < TARGET:
        n += 1
        kind = n % 10
        if kind == 0:
            p = (r"\trowd\cellx3000\cellx6000\cellx9000\pard\intbl " + words(3) + r"\cell "
                 + words(2) + r"\cell " + str(n) + r"\cell\row\pard" "\n")
        elif kind == 1:
            p = (r'{\field{\*\fldinst HYPERLINK "http://example.org/%d"}{\fldrslt ' % n
                 + words(3) + r"}} " + words(20) + r"\par" "\n")
        elif kind == 2:
            p = (r"{\f1 \'cf\'f0\'e8\'e2\'e5\'f2 \'ec\'e8\'f0} caf\'e9 \u8364\'80 "
                 r"\uc1\u1055\'3f\u1088\'3f " + words(25) + r"\par" "\n")
        elif kind == 3:
            p = (r"{\*\bkmkstart b%d}{\*\bkmkend b%d}{\listtext\f2 \'b7\tab}" % (n, n)
                 + words(30) + r"\par" "\n")
        elif kind == 4 and n % 100 == 4:
            p = r"{\pict\pngblip\picw10\pich10 " + "89504e470d0a1a0a" * 64 + "}\n"
        else:
            p = (r"\pard\plain\s0\f0\fs24 {\b " + words(4) + r"} " + words(60)
                 + r"\emdash\ldblquote x\rdblquote\par" "\n")
        parts.append(p)
        size += len(p)
    parts.append("}\n")
    (out / "big.rtf").write_text("".join(parts), encoding="latin-1")


def html():
    head = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Benchmark</title>"
            "<style>p { margin: 0 } td { padding: 2px }</style>"
            "<script>var x = '<p>not text</p>';</script></head><body>\n")
    parts = [head]
    size = len(head)
    n = 0
    while size < TARGET:
        n += 1
        kind = n % 8
        if kind == 0:
            p = ("<table><tr><th>Item</th><th>Value</th></tr>" + "".join(
                "<tr><td>%s</td><td>%d</td></tr>" % (words(2), i) for i in range(5)) + "</table>\n")
        elif kind == 1:
            p = "<ul>" + "".join("<li>%s</li>" % words(6) for _ in range(4)) + "</ul>\n"
        elif kind == 2:
            p = ("<p>Gr\u00fc\u00dfe &amp; caf&eacute; &#8364; <a href=\"http://example.org/%d\">%s"
                 "</a> %s</p>\n" % (n, words(3), words(30)))
        elif kind == 3:
            p = "<h2>%s</h2>\n<div class=\"x\"><span>%s</span><br>%s</div>\n" % (
                words(4), words(20), words(20))
        else:
            p = "<p>%s <b>%s</b> %s\n%s</p>\n" % (words(30), words(3), words(30), words(10))
        parts.append(p)
        size += len(p.encode("utf-8"))
    parts.append("</body></html>\n")
    (out / "big.html").write_text("".join(parts), encoding="utf-8")


def fodt():
    paragraphs = []
    for page in range(300):
        style = ' text:style-name="Break"' if page else ""
        paragraphs.append("<text:h%s text:outline-level=\"1\">Page %d</text:h>" % (style, page + 1))
        for _ in range(12):
            paragraphs.append("<text:p>%s</text:p>" % words(45))
    (out / "big.fodt").write_text(
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
        'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
        'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
        'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
        'office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">'
        '<office:automatic-styles><style:style style:name="Break" style:family="paragraph">'
        '<style:paragraph-properties fo:break-before="page"/></style:style>'
        '</office:automatic-styles><office:body><office:text>'
        + "\n".join(paragraphs) + "</office:text></office:body></office:document>\n",
        encoding="utf-8")


rtf()
html()
fodt()
