#!/usr/bin/env python3
"""Word recall of scrcmd against a peer over a folder of real-world files: for each file the
share of the peer's words (as a multiset) that scrcmd's text holds too. PDF files are compared
with pdftotext, RTF files with LibreOffice's text export (made once for the whole folder and
kept in --cache, since soffice is slow to start). Prints one line per file and, at the end, the
files where the peer finds at least --min-words words and the recall is under --threshold.
Several scrcmd builds may be given (LABEL=PATH) to compare them side by side.
Usage: bench/corpus_recall.py pdf ../shared/corpus/pdfjs [--scrcmd before=/x/scrcmd ...]
       bench/corpus_recall.py rtf ../shared/corpus/libreoffice-rtf --cache /tmp/lo-rtf"""
import argparse
import statistics
import sys
from pathlib import Path

import peertext

ROOT = Path(__file__).resolve().parent.parent


def peer_texts(kind, files, cache, timeout):
    if kind == "pdf":
        return {f: peertext.pdftotext(f, timeout=timeout) for f in files}
    cache.mkdir(parents=True, exist_ok=True)
    missing = [f for f in files if not (cache / (f.stem + ".txt")).exists()]
    if missing:
        print(f"LibreOffice exports {len(missing)} files into {cache} ...", file=sys.stderr)
        peertext.libreoffice_export(missing, cache)
    out = {}
    for f in files:
        t = cache / (f.stem + ".txt")
        out[f] = t.read_text("utf-8", "replace").lstrip("\ufeff") if t.exists() else ""
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("kind", choices=["pdf", "rtf"])
    ap.add_argument("folder", type=Path)
    ap.add_argument("--scrcmd", action="append", default=[],
                    help="LABEL=PATH of a scrcmd build (default: this tree's release build)")
    ap.add_argument("--cache", type=Path, default=Path("/tmp/scrivtar-lo-export"))
    ap.add_argument("--min-words", type=int, default=30)
    ap.add_argument("--threshold", type=float, default=0.8)
    ap.add_argument("--timeout", type=float, default=20.0, help="seconds per file and tool")
    args = ap.parse_args()
    builds = [s.split("=", 1) for s in args.scrcmd] or [["now", ROOT / "build/release/bin/scrcmd"]]
    files = sorted(p for p in args.folder.iterdir() if p.suffix.lower() == "." + args.kind)
    peers = peer_texts(args.kind, files, args.cache, args.timeout)
    labels = [label for label, _ in builds]
    print(f"{'file':48} {'peer':>7} " + " ".join(f"{l + ' words':>12} {l + ' recall':>12}"
                                                  for l in labels))
    recalls = {l: [] for l in labels}
    low = {l: [] for l in labels}
    for f in files:
        wp = peertext.words(peers[f])
        npeer = sum(wp.values())
        cols = []
        for label, scrcmd in builds:
            wo = peertext.words(peertext.ours(scrcmd, f, timeout=args.timeout))
            recall = sum((wo & wp).values()) / npeer if npeer else 1.0
            cols.append(f"{sum(wo.values()):>12} {recall:>12.3f}")
            if npeer:
                recalls[label].append(recall)
            if npeer >= args.min_words and recall < args.threshold:
                low[label].append((f.name, npeer, recall))
        print(f"{f.name[:48]:48} {npeer:>7} " + " ".join(cols), flush=True)
    for label in labels:
        r = recalls[label]
        print(f"\n{label}: {len(files)} files, median recall "
              f"{statistics.median(r) if r else 1.0:.3f}, mean {statistics.mean(r) if r else 1.0:.3f}; "
              f"{len(low[label])} files with >= {args.min_words} peer words under {args.threshold}:")
        for name, npeer, recall in low[label]:
            print(f"  {name:48} peer {npeer:>7} recall {recall:.3f}")


main()
