#!/usr/bin/python3
"""Writes the fuzz seeds of this folder from .ppt files: each seed is the 32-bit length of the
"Current User" stream, that stream, then the "PowerPoint Document" stream (the input layout of
ppt_fuzz.cpp). Usage: make_seeds.py OUT_DIR FILE.ppt...   Needs python3-olefile."""

import os
import struct
import sys

import olefile


def main():
    out_dir = sys.argv[1]
    for path in sys.argv[2:]:
        ole = olefile.OleFileIO(path)
        user = ole.openstream('Current User').read()
        doc = ole.openstream('PowerPoint Document').read()
        name = os.path.splitext(os.path.basename(path))[0] + '.seed'
        with open(os.path.join(out_dir, name), 'wb') as f:
            f.write(struct.pack('<I', len(user)) + user + doc)


if __name__ == '__main__':
    main()
