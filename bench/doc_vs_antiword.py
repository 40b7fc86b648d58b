#!/usr/bin/python3
"""Compares scrcmd's Word text with antiword's over every .doc/.dot of a folder.

For the files both read, the texts are folded (every run of whitespace becomes one space) and
compared word by word (difflib ratio, 1.0 = same words in the same order). Prints one line per
file below the threshold and a summary.

usage: bench/doc_vs_antiword.py [FOLDER] [--scrcmd PATH] [--below 0.9]
"""
import argparse
import difflib
import os
import subprocess
import sys


def run(args):
    try:
        proc = subprocess.run(args, capture_output=True, timeout=60)
    except subprocess.TimeoutExpired:
        return None, -1
    return proc.stdout, proc.returncode


def words(data):
    return data.decode("utf-8", "replace").lstrip("\ufeff").split()


def undecorated(tokens):
    """antiword's words without the layout it adds: table borders "|" and "[pic]" marks."""
    out = []
    for token in tokens:
        for part in token.replace("[pic]", " ").replace("|", " ").split():
            out.append(part)
    return out


def similarity(a, b):
    matcher = difflib.SequenceMatcher(None, a, b, autojunk=False)
    return matcher.ratio() if len(a) + len(b) < 400000 else matcher.quick_ratio()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("folder", nargs="?", default=os.path.join(here, "..", "..", "shared", "corpus"))
    parser.add_argument("--scrcmd", default=os.path.join(here, "..", "build", "release", "bin", "scrcmd"))
    parser.add_argument("--below", type=float, default=0.9)
    opts = parser.parse_args()

    files = sorted(os.path.join(d, f) for d, _, names in os.walk(opts.folder) for f in names
                   if f.lower().endswith((".doc", ".dot")))
    ratios = []
    plain_ratios = []
    only_ours = only_antiword = neither = 0
    for path in files:
        ours, our_rc = run([opts.scrcmd, "-c65001", path, "*"])
        # -w 0: no line wrapping, so that only whitespace differs in the layout.
        theirs, their_rc = run(["antiword", "-w", "0", "-m", "UTF-8.txt", path])
        ours_ok = our_rc == 0 and ours is not None
        theirs_ok = their_rc == 0 and theirs is not None and theirs.strip() != b""
        if not ours_ok and not theirs_ok:
            neither += 1
            continue
        if not theirs_ok:
            only_ours += 1
            continue
        if not ours_ok:
            only_antiword += 1
            print(f"only antiword: {os.path.relpath(path, opts.folder)} (scrcmd status {our_rc})")
            continue
        a, b = words(ours), words(theirs)
        plain_ratios.append(similarity(a, b))
        b = undecorated(b)
        ratio = similarity(a, b)
        ratios.append(ratio)
        if ratio < opts.below:
            print(f"{ratio:.3f} {os.path.relpath(path, opts.folder)} "
                  f"(scrcmd {len(a)} words, antiword {len(b)} words)")
    if ratios:
        plain_ratios.sort()
        print(f"whitespace folded only: mean {sum(plain_ratios) / len(plain_ratios):.3f}, "
              f"median {plain_ratios[len(plain_ratios) // 2]:.3f}")
        ratios.sort()
        print(f"files: {len(files)}; both read: {len(ratios)}; only scrcmd: {only_ours}; "
              f"only antiword: {only_antiword}; neither: {neither}")
        print(f"similarity: mean {sum(ratios) / len(ratios):.3f}, median "
              f"{ratios[len(ratios) // 2]:.3f}, min {ratios[0]:.3f}; "
              f"(antiword's \"|\" and \"[pic]\" removed); "
              f">= 0.9: {sum(r >= 0.9 for r in ratios)}, >= 0.99: {sum(r >= 0.99 for r in ratios)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
