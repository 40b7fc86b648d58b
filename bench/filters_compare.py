#!/usr/bin/env python3
"""Compares the filter libraries' text (through scrcmd) with their peers on the fixtures and the
big benchmark inputs: scrrtf with unrtf --text and LibreOffice's text export, scrhtm with
html2text, scrpdf in its three text orders with pdftotext (default, -layout, -raw).
For each pair it prints the word counts and the words found by only one side (as multisets, so
layout differences do not count), with a few examples. Run bench/filters.sh once first for the
big inputs. Usage: bench/filters_compare.py"""
import sys
from pathlib import Path

import peertext
from peertext import html2text, libreoffice, pdftotext, unrtf, words

ROOT = Path(__file__).resolve().parent.parent
SCRCMD = ROOT / "build/release/bin/scrcmd"
FIX = ROOT / "tests/fixtures"
BIG = ROOT / "build/bench-inputs/filters"


def ours(path, flags=()):
    return peertext.ours(SCRCMD, path, flags)


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
