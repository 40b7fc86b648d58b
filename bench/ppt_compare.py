#!/usr/bin/python3
"""Compares scrcmd's text with catppt's over every .ppt file below a folder (default
../shared/corpus): the exit status of each, and how many of the non-empty lines of one output are
found in the other. Prints one row per file and a summary.
Usage: bench/ppt_compare.py [SCRCMD] [FOLDER]"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def lines(data):
    text = data.decode('utf-8', 'replace').lstrip('\ufeff')
    return [l.strip() for l in text.replace('\r', '\n').replace('\v', '\n').split('\n') if l.strip()]


def run(cmd):
    try:
        p = subprocess.run(cmd, capture_output=True, timeout=60)
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        return 'timeout', b''


def main():
    scrcmd = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, '..', 'build', 'release', 'bin', 'scrcmd')
    folder = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, '..', '..', 'shared', 'corpus')
    files = sorted(os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs
                   if f.lower().endswith('.ppt'))
    totals = {'files': 0, 'ours': 0, 'theirs': 0, 'shared_ours': 0, 'shared_theirs': 0}
    print(f'{"file":50} {"scrcmd":>7} {"catppt":>7} {"ours":>6} {"theirs":>6} {"ours in theirs":>14} {"theirs in ours":>14}')
    for path in files:
        ours_rc, ours = run([scrcmd, '-c65001', path, '*'])
        theirs_rc, theirs = run(['catppt', '-d', 'utf-8', path])
        ours_l, theirs_l = lines(ours if ours_rc == 0 else b''), lines(theirs)
        ours_set, theirs_set = set(ours_l), set(theirs_l)
        in_theirs = sum(1 for l in ours_l if l in theirs_set)
        in_ours = sum(1 for l in theirs_l if l in ours_set)
        status = ours_rc if isinstance(ours_rc, str) or ours_rc < 128 else ours_rc - 256
        print(f'{os.path.basename(path)[:50]:50} {status:>7} {theirs_rc:>7} {len(ours_l):>6} '
              f'{len(theirs_l):>6} {in_theirs:>14} {in_ours:>14}')
        totals['files'] += 1
        totals['ours'] += len(ours_l)
        totals['theirs'] += len(theirs_l)
        totals['shared_ours'] += in_theirs
        totals['shared_theirs'] += in_ours
    print(f'\n{totals["files"]} files; scrcmd {totals["ours"]} lines, {totals["shared_ours"]} of them '
          f'also in catppt; catppt {totals["theirs"]} lines, {totals["shared_theirs"]} of them also in scrcmd')


if __name__ == '__main__':
    main()
