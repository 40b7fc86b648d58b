#!/usr/bin/env python3
"""Compares the filter libraries' text (through scrcmd) with their peers on the fixtures and the
big benchmark inputs: scrrtf with unrtf --text and LibreOffice's text export, scrhtm with
html2text, scrpdf in its three text orders with pdftotext (default, -layout, -raw).
For each pair it prints the word counts and the words found by only one side (as multisets, so
layout differences do not count), with a few examples. Run bench/filters.sh once first for the
big inputs. Usage: bench/filters_compare.py"""
import collections
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SCRCMD = ROOT / "build/release/bin/scrcmd"
FIX = ROOT / "tests/fixtures"
BIG = ROOT / "build/bench-inputs/filters"


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, **kw).stdout


def ours(path, flags=()):
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "out.txt"
        subprocess.run([SCRCMD, "-o", "-c65001", *flags, path, out], stdout=subprocess.DEVNULL)
        data = out.read_bytes() if out.exists() else b""
    return data.decode("utf-8", "replace").lstrip("\ufeff")


def unrtf(path):
    # unrtf writes the pictures it finds into the current folder.
    with tempfile.TemporaryDirectory() as tmp:
        text = run(["unrtf", "--text", path], cwd=tmp).decode("utf-8", "replace")
    return "\n".join(l for l in text.splitlines() if not l.startswith("###"))


def libreoffice(path):
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + tmp + "/profile", "--headless",
                        "--convert-to", "txt:Text (encoded):UTF8", "--outdir", tmp, path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        out = Path(tmp) / (Path(path).stem + ".txt")
        return out.read_text("utf-8", "replace").lstrip("\ufeff") if out.exists() else ""


def html2text(path):
    return run(["html2text", "-utf8", "-nobs", path]).decode("utf-8", "replace")


def pdftotext(path, mode):
    return run(["pdftotext", "-enc", "UTF-8", *([mode] if mode else []), path, "-"]).decode(
        "utf-8", "replace")


def words(text):
    return collections.Counter(re.findall(r"\w+", text))


def compare(label, a, b):
    wa, wb = words(a), words(b)
    only_a, only_b = wa - wb, wb - wa
    na, nb = sum(wa.values()), sum(wb.values())
    common = sum((wa & wb).values())
    print(f"{label:58} ours {na:>9} peer {nb:>9} common {100.0 * common / max(na, nb, 1):6.2f}%"
          f"  only ours {sum(only_a.values()):>6} {list(only_a)[:4]}"
          f"  only peer {sum(only_b.values()):>6} {list(only_b)[:4]}")


def main():
    if not SCRCMD.exists():
        sys.exit("build the release preset first")
    rtfs = [FIX / "rtf/letter.rtf", FIX / "rtf/cyrillic.rtf", FIX / "rtf/unicode.rtf"]
    if (BIG / "big.rtf").exists():
        rtfs.append(BIG / "big.rtf")
    for f in rtfs:
        mine = ours(f)
        compare(f"{f.name} vs unrtf --text", mine, unrtf(f))
        compare(f"{f.name} vs LibreOffice txt", mine, libreoffice(f))
    htmls = sorted((FIX / "html").glob("*.html"))
    if (BIG / "big.html").exists():
        htmls.append(BIG / "big.html")
    for f in htmls:
        compare(f"{f.name} vs html2text", ours(f), html2text(f))
    pdfs = [FIX / "pdf/letter.pdf"] + ([BIG / "big.pdf"] if (BIG / "big.pdf").exists() else [])
    for f in pdfs:
        for flags, mode in (((), None), (("-s1",), "-layout"), (("-s2",), "-raw")):
            mine = ours(f, flags)
            peer = pdftotext(f, mode)
            same = mine.replace("\r\n", "\n") == peer.replace("\f", "").rstrip("\n") + "\n" or \
                mine.replace("\r\n", "\n").rstrip("\n") == peer.replace("\f", "").rstrip("\n")
            compare(f"{f.name} {' '.join(flags) or '-s0'} vs pdftotext {mode or ''}", mine, peer)
            print(f"{'':58} identical apart from line ends and form feeds: {same}")


main()
