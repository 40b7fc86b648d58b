#!/usr/bin/env python3
"""Compares two scrcmd builds over folders of real-world files.

Every file is converted once by each build (-o -c65001 by default) and the exit statuses and
output bytes are compared. The summary lists each file whose status or output differs, with
both statuses and output sizes, and counts the differences per extension.

    tools/corpus_compare.py BEFORE_SCRCMD AFTER_SCRCMD [FOLDER...] [--code-page N] [--jobs N]

Several folders are walked in turn (samples/, tests/fixtures and the corpus in one run).
"""
import argparse
import collections
import concurrent.futures
import hashlib
import os
import subprocess
import sys
import tempfile


def convert(scrcmd, path, code_page, out_dir, time_limit):
    target = os.path.join(out_dir, hashlib.sha1(path.encode()).hexdigest() + ".txt")
    try:
        proc = subprocess.run([scrcmd, "-o", f"-c{code_page}", path, target],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=time_limit)
        status = proc.returncode
    except subprocess.TimeoutExpired:
        status = "timeout"
    data = b""
    if os.path.exists(target):
        with open(target, "rb") as f:
            data = f.read()
        os.remove(target)
    return status, data


def compare_one(args, path, out_dirs):
    before = convert(args.before, path, args.code_page, out_dirs[0], args.time_limit)
    after = convert(args.after, path, args.code_page, out_dirs[1], args.time_limit)
    return path, before, after


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("folders", nargs="*", default=["../shared/corpus"])
    parser.add_argument("--code-page", type=int, default=65001)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--time-limit", type=float, default=20)
    parser.add_argument("--only", default="", help="comma-separated extensions")
    parser.add_argument("--diff-dir", default="",
                        help="writes NAME.before/NAME.after of every differing output here")
    args = parser.parse_args()

    only = {e.lower().lstrip(".") for e in args.only.split(",") if e}
    files = []
    for folder in args.folders:
        for root, _, names in os.walk(folder):
            for name in sorted(names):
                ext = os.path.splitext(name)[1].lower().lstrip(".")
                if not only or ext in only:
                    files.append(os.path.join(root, name))
    files.sort()

    differing = []
    per_ext = collections.Counter()
    total = collections.Counter()
    with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
        with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
            for path, before, after in pool.map(lambda p: compare_one(args, p, (a, b)), files):
                ext = os.path.splitext(path)[1].lower().lstrip(".")
                total[ext] += 1
                if before != after:
                    per_ext[ext] += 1
                    differing.append((path, before, after))
                    if args.diff_dir:
                        os.makedirs(args.diff_dir, exist_ok=True)
                        base = os.path.join(args.diff_dir, os.path.basename(path))
                        with open(base + ".before", "wb") as f:
                            f.write(before[1])
                        with open(base + ".after", "wb") as f:
                            f.write(after[1])

    for path, before, after in differing:
        print(f"{path}: status {before[0]} -> {after[0]}, "
              f"bytes {len(before[1])} -> {len(after[1])}")
    print(f"{len(files)} files, {len(differing)} differ")
    for ext in sorted(total):
        print(f"  .{ext}: {total[ext]} files, {per_ext[ext]} differ")
    return 0


if __name__ == "__main__":
    sys.exit(main())
