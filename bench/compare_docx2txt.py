#!/usr/bin/python3
"""Compares scrcmd's text of every .docx under a folder with docx2txt's.

Usage: bench/compare_docx2txt.py [folder] [scrcmd]
Both texts are reduced to their words (white space collapsed) before they are compared; each
file gets one line: the outcome of each tool, the word counts and the share of words in common.
"""
import difflib
import os
import subprocess
import sys

folder = sys.argv[1] if len(sys.argv) > 1 else "../shared/corpus"
scrcmd = sys.argv[2] if len(sys.argv) > 2 else "build/release/bin/scrcmd"


def words(data):
    return data.decode("utf-8", "replace").split()


def run(cmd):
    try:
        p = subprocess.run(cmd, capture_output=True, timeout=60)
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        return "timeout", b""


files = sorted(os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs
               if f.lower().endswith(".docx"))
same = close = 0
for path in files:
    rc1, ours = run([scrcmd, "-c65001", path, "*"])
    rc2, theirs = run(["docx2txt", path, "-"])
    if rc1 != 0:
        ours = b""
    if ours.startswith(b"\xef\xbb\xbf"):
        ours = ours[3:]
    a, b = words(ours), words(theirs)
    ratio = difflib.SequenceMatcher(None, a, b, autojunk=False).ratio() if (a or b) else 1.0
    same += a == b
    close += ratio >= 0.95
    print("%-70s scrcmd=%s docx2txt=%s words %6d / %6d  common %.3f"
          % (os.path.relpath(path, folder)[:70], rc1, rc2, len(a), len(b), ratio))
print("%d files: %d with the same words, %d with at least 95%% in common" % (len(files), same, close))
