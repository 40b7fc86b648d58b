#!/usr/bin/env bash
# The .docx and .xlsx converters side by side with their peers, in one run:
#   a .docx with over 20 MB of text: scrcmd, docx2txt, LibreOffice's text export;
#   an .xlsx of 200,000 rows by 8 columns: scrcmd, LibreOffice's csv export;
#   1,000 small .docx files, one process each: scrcmd, docx2txt;
#   the floor: inflating every part of the same packages (unzip -p to /dev/null);
#   peak memory (/usr/bin/time -v) beside the largest uncompressed part.
# Usage: bench/ooxml.sh [runs]   (inputs are generated into build/bench-ooxml once)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-5}"
in=build/bench-ooxml
[[ -f "$in/big.xlsx" ]] || /usr/bin/python3 bench/make_ooxml_inputs.py "$in"
scripts/build release > /dev/null
scr="$PWD/build/release/bin/scrcmd"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
lo="soffice -env:UserInstallation=file://$work/profile --headless"
# LibreOffice's first start creates its profile; keep that out of the timings.
$lo --convert-to txt:Text --outdir "$work" "$in/small/0000.docx" > /dev/null 2>&1

echo "== big.docx ($(du -h "$in/big.docx" | cut -f1) package, $(unzip -l "$in/big.docx" | tail -1 | awk '{print $1}') bytes of parts)"
hyperfine --style basic --runs "$runs" --warmup 1 \
  -n "unzip -p (floor)" "unzip -p $in/big.docx > /dev/null" \
  -n "scrcmd" "$scr -c65001 $in/big.docx '*' > /dev/null" \
  -n "docx2txt" "docx2txt $in/big.docx - > /dev/null"
hyperfine --style basic --runs 1 \
  -n "LibreOffice txt export" "$lo --convert-to txt:Text --outdir $work $in/big.docx > /dev/null 2>&1"

echo "== big.xlsx ($(du -h "$in/big.xlsx" | cut -f1) package, $(unzip -l "$in/big.xlsx" | tail -1 | awk '{print $1}') bytes of parts)"
hyperfine --style basic --runs "$runs" --warmup 1 \
  -n "unzip -p (floor)" "unzip -p $in/big.xlsx > /dev/null" \
  -n "scrcmd" "$scr -c65001 $in/big.xlsx '*' > /dev/null"
hyperfine --style basic --runs 1 \
  -n "LibreOffice csv export" "$lo --convert-to csv --outdir $work $in/big.xlsx > /dev/null 2>&1"

echo "== 1,000 small .docx files, one process each"
hyperfine --style basic --runs "$runs" --warmup 1 \
  -n "unzip -p (floor)" "for f in $in/small/*.docx; do unzip -p \$f > /dev/null; done" \
  -n "scrcmd" "for f in $in/small/*.docx; do $scr -c65001 \$f '*' > /dev/null; done" \
  -n "docx2txt" "for f in $in/small/*.docx; do docx2txt \$f - > /dev/null; done"

echo "== the same 1,000 .docx files in one process (one engine, as a batch run converts a folder)"
SCRIVTAR_BATCH_DIR=$in/small build/release/bin/batch_bench

echo "== peak memory (maximum resident set size) and largest uncompressed part"
for f in big.docx big.xlsx; do
  part=$(unzip -l "$in/$f" | awk 'NR > 3 && $1 ~ /^[0-9]+$/ {print $1}' | sort -n | tail -1)
  rss=$( { /usr/bin/time -v "$scr" -c65001 "$in/$f" '*' > /dev/null; } 2>&1 |
        awk -F': ' '/Maximum resident set size/ {print $2}')
  echo "$f: scrcmd peak ${rss} KB; largest part $((part / 1024)) KB; ratio $(awk "BEGIN {printf \"%.2f\", $rss * 1024 / $part}")"
done
rss=$( { /usr/bin/time -v docx2txt "$in/big.docx" - > /dev/null; } 2>&1 |
      awk -F': ' '/Maximum resident set size/ {print $2}')
echo "big.docx: docx2txt peak ${rss} KB"
