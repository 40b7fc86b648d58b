#!/usr/bin/env python3
"""Writes the seed archives of fuzz/zip/seeds with Python's zipfile."""
import io
import os
import zipfile

os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds"))


def make(name, entries):
    with zipfile.ZipFile(name, "w") as z:
        for entry_name, data, method in entries:
            z.writestr(entry_name, data, compress_type=method)


make("docx.zip", [
    ("[Content_Types].xml", "<Types/>", zipfile.ZIP_DEFLATED),
    ("word/document.xml", "<w:document><w:body><w:p><w:r><w:t>Hi</w:t></w:r></w:p></w:body>"
     "</w:document>", zipfile.ZIP_DEFLATED),
    ("docProps/", "", zipfile.ZIP_STORED),
])
make("stored.zip", [("a.txt", "abc" * 20, zipfile.ZIP_STORED), ("b/c.txt", "x", zipfile.ZIP_STORED)])


class Sink(io.RawIOBase):
    """A sink that cannot seek, so zipfile writes data descriptors."""

    def __init__(self):
        self.buf = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.buf += b
        return len(b)


sink = Sink()
with zipfile.ZipFile(sink, "w", compression=zipfile.ZIP_DEFLATED) as z:
    with z.open("xl/worksheets/sheet1.xml", "w") as f:
        f.write(b'<worksheet><sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData>'
                b"</worksheet>")
with open("descriptor.zip", "wb") as f:
    f.write(bytes(sink.buf))
with open("docx.zip", "rb") as f:
    whole = f.read()
with open("no_end_record.zip", "wb") as f:
    f.write(whole[: whole.rfind(b"PK\x01\x02")])
