#!/usr/bin/python3
"""Compares the cell texts that scrcmd and xls2csv get out of .xls files (formats aside: only
cells that hold a letter and are not numbers count, so number formatting does not enter).

Usage: bench/xls_compare.py [DIR ...]   (default ../shared/corpus; needs build/release/bin/scrcmd)
"""
import collections
import os
import subprocess
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
scrcmd = os.environ.get("SCRCMD", os.path.join(root, "build", "release", "bin", "scrcmd"))
dirs = sys.argv[1:] or [os.path.join(root, "..", "shared", "corpus")]


def run(args):
    try:
        p = subprocess.run(args, capture_output=True, timeout=30)
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        return "timeout", b""


def is_number_or_error(cell):
    """Numbers in scientific form, xls2csv's ERROR and our error codes are formats, not text."""
    if cell in ("ERROR", "#N/A"):
        return True
    try:
        float(cell.replace(",", ""))
        return True
    except ValueError:
        return False


def texts(data, separator):
    counts = collections.Counter()
    for line in data.decode("utf-8", "replace").replace("\r\n", "\n").replace("\f", "\n").split("\n"):
        for cell in line.split(separator):
            cell = cell.strip()
            if any(c.isalpha() for c in cell) and not is_number_or_error(cell):
                counts[cell] += 1
    return counts


files = sorted(os.path.join(d, f) for top in dirs for d, _, fs in os.walk(top) for f in fs
               if f.lower().endswith(".xls"))
both = ours_only = theirs_only = neither = 0
found = total = extra = ours_total = 0
report = []
for path in files:
    rc_ours, out_ours = run([scrcmd, "-c65001", path, "*"])
    rc_theirs, out_theirs = run(["xls2csv", "-d", "utf-8", "-q0", "-c\t", "-b", "\n", path])
    ok_ours = rc_ours == 0
    ok_theirs = rc_theirs == 0 and out_theirs.strip() != b""
    if ok_ours and ok_theirs:
        both += 1
    elif ok_ours:
        ours_only += 1
    elif ok_theirs:
        theirs_only += 1
        report.append((0.0, path, "scrcmd exit %s, xls2csv ok" % rc_ours))
        continue
    else:
        neither += 1
        continue
    if not ok_theirs:
        continue
    a = texts(out_ours[3:] if out_ours.startswith(b"\xef\xbb\xbf") else out_ours, "\t")
    b = texts(out_theirs, "\t")
    hit = sum((a & b).values())
    found += hit
    total += sum(b.values())
    ours_total += sum(a.values())
    extra += sum((a - b).values())
    recall = hit / sum(b.values()) if b else 1.0
    if recall < 0.95:
        missing = list((b - a).elements())[:3]
        report.append((recall, path, "missing e.g. %r" % missing))

print("files: %d; both converted %d; scrcmd only %d; xls2csv only %d; neither %d"
      % (len(files), both, ours_only, theirs_only, neither))
if total:
    print("cell texts of xls2csv found by scrcmd: %d of %d (%.1f%%); scrcmd texts not in xls2csv: %d of %d"
          % (found, total, 100.0 * found / total, extra, ours_total))
for recall, path, note in sorted(report)[:40]:
    print("  %5.1f%%  %s  %s" % (100 * recall, os.path.relpath(path, root), note))
