#!/usr/bin/env python3
"""Robustness run: converts every file under a folder with the sanitizer build of scrcmd.

Each file is converted once per code page (-c65001 and -c1200 by default) with a wall-time
limit and a resident-memory limit. The run fails on a crash (signal), a sanitizer report, a
hang, a memory overrun, or an exit status outside the documented set, and prints a summary:
files, status counts per extension, slowest files.
"""
import argparse
import collections
import concurrent.futures
import os
import subprocess
import sys
import tempfile
import time

# scrcmd's documented exit statuses as the shell sees them (8 bits).
DOCUMENTED = {0: "ok", 1: "exists", 2: "usage", 255: "-1 library", 254: "-2 missing",
              253: "-3 type", 252: "-4 open", 251: "-5 format", 250: "-6 create",
              249: "-7 write", 245: "-11 encrypted"}
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "ERROR: UndefinedBehaviorSanitizer", "AddressSanitizer:DEADLYSIGNAL")


def peak_rss_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def run_one(scrcmd, path, code_page, out_dir, time_limit, rss_limit_kib):
    target = os.path.join(out_dir, f"{os.getpid()}-{abs(hash((path, code_page)))}.txt")
    env = dict(os.environ)
    env["ASAN_OPTIONS"] = "detect_leaks=1:exitcode=99:abort_on_error=0:allocator_may_return_null=0"
    env["UBSAN_OPTIONS"] = "halt_on_error=1:exitcode=98:print_stacktrace=1"
    start = time.monotonic()
    proc = subprocess.Popen([scrcmd, "-o", f"-c{code_page}", path, target],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    peak = 0
    problem = None
    stderr_chunks = []
    while True:
        try:
            _, err = proc.communicate(timeout=0.02)
            stderr_chunks.append(err)
            break
        except subprocess.TimeoutExpired:
            peak = max(peak, peak_rss_kib(proc.pid))
            if peak > rss_limit_kib:
                problem = f"memory over {rss_limit_kib // 1024} MiB"
            elif time.monotonic() - start > time_limit:
                problem = f"hang (over {time_limit:g} s)"
            if problem:
                proc.kill()
                _, err = proc.communicate()
                stderr_chunks.append(err)
                break
    elapsed = time.monotonic() - start
    stderr = b"".join(stderr_chunks).decode("utf-8", "replace")
    rc = proc.returncode
    if problem is None:
        if rc < 0:
            problem = f"crash (signal {-rc})"
        elif any(mark in stderr for mark in SANITIZER_MARKS):
            problem = "sanitizer report"
        elif rc not in DOCUMENTED:
            problem = f"undocumented exit status {rc}"
    try:
        os.remove(target)
    except OSError:
        pass
    return path, code_page, rc, elapsed, peak, problem, stderr


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.dirname(here)
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder", nargs="?", default=os.path.join(repo, "..", "shared", "corpus"))
    parser.add_argument("--scrcmd", default=os.path.join(repo, "build", "asan", "bin", "scrcmd"))
    parser.add_argument("--only", default="", help="comma-separated extensions, e.g. doc,dot")
    parser.add_argument("--code-pages", default="65001,1200")
    parser.add_argument("--time-limit", type=float, default=10.0)
    parser.add_argument("--rss-limit-mb", type=int, default=2048)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()

    folder = os.path.normpath(args.folder)
    if not os.path.isdir(folder):
        print(f"corpus run skipped: no folder {folder}")
        return 0
    only = {e.strip().lower().lstrip(".") for e in args.only.split(",") if e.strip()}
    files = []
    for root, _, names in os.walk(folder):
        for name in sorted(names):
            ext = os.path.splitext(name)[1].lower().lstrip(".")
            if not only or ext in only:
                files.append(os.path.join(root, name))
    files.sort()
    code_pages = [int(c) for c in args.code_pages.split(",")]
    counts = collections.defaultdict(collections.Counter)
    problems = []
    timings = []
    with tempfile.TemporaryDirectory(prefix="scrivtar-corpus-") as out_dir, \
            concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        jobs = [pool.submit(run_one, args.scrcmd, f, cp, out_dir, args.time_limit,
                            args.rss_limit_mb * 1024) for f in files for cp in code_pages]
        for job in concurrent.futures.as_completed(jobs):
            path, cp, rc, elapsed, peak, problem, stderr = job.result()
            ext = os.path.splitext(path)[1].lower() or "(none)"
            counts[ext][DOCUMENTED.get(rc, f"status {rc}") if problem is None else "PROBLEM"] += 1
            timings.append((elapsed, peak, path, cp))
            if problem:
                problems.append((path, cp, problem, stderr))

    print(f"corpus run over {folder}: {len(files)} files x {len(code_pages)} code pages")
    for ext in sorted(counts):
        row = ", ".join(f"{k} {v}" for k, v in sorted(counts[ext].items()))
        print(f"  {ext:8} {row}")
    print("  slowest:")
    for elapsed, peak, path, cp in sorted(timings, reverse=True)[:5]:
        print(f"    {elapsed:6.2f} s  {peak // 1024:5d} MiB  -c{cp}  {os.path.relpath(path, folder)}")
    for path, cp, problem, stderr in sorted(problems):
        print(f"FAIL -c{cp} {path}: {problem}")
        for line in stderr.splitlines()[:25]:
            print(f"    {line}")
    if problems:
        print(f"corpus run FAILED: {len(problems)} problems")
        return 1
    print("corpus run clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())
