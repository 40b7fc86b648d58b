#!/usr/bin/python3
"""Generates the Word benchmark inputs with LibreOffice: big.doc (over 20 MB of text) and
small/ (1,000 small documents: 100 distinct ones, each copied ten times).

usage: make_doc_inputs.py OUTDIR   (takes several minutes; OUTDIR keeps the results)
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:body><office:text>"""
TAIL = "</office:text></office:body></office:document>"


def soffice(sources, outdir, work):
    subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile",
                    "--convert-to", "doc:MS Word 97", "--outdir", outdir] + sources,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    outdir = os.path.abspath(sys.argv[1])
    os.makedirs(os.path.join(outdir, "small"), exist_ok=True)
    rng = random.Random(1)
    words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10)))
             for _ in range(5000)]

    def paragraph(low, high):
        return " ".join(rng.choice(words) for _ in range(rng.randint(low, high)))

    with tempfile.TemporaryDirectory() as work:
        big = os.path.join(work, "big.txt")
        with open(big, "w") as out:
            written = 0
            while written < 21_000_000:
                line = paragraph(20, 120) + "\n"
                out.write(line)
                written += len(line)
        soffice([big], outdir, work)

        sources = []
        for i in range(100):
            body = "".join("<text:p>%s</text:p>" % paragraph(5, 60)
                           for _ in range(rng.randint(1, 30)))
            if i % 3 == 0:
                cells = "".join("<table:table-cell><text:p>%s</text:p></table:table-cell>"
                                % paragraph(1, 4) for _ in range(3))
                body += ("<table:table><table:table-column table:number-columns-repeated=\"3\"/>"
                         + "<table:table-row>%s</table:table-row>" % cells * 4 + "</table:table>")
            path = os.path.join(work, "s%03d.fodt" % i)
            with open(path, "w") as out:
                out.write(HEAD + body + TAIL)
            sources.append(path)
        distinct = os.path.join(work, "distinct")
        soffice(sources, distinct, work)
        for i in range(1000):
            shutil.copy(os.path.join(distinct, "s%03d.doc" % (i % 100)),
                        os.path.join(outdir, "small", "%04d.doc" % i))


if __name__ == "__main__":
    main()
