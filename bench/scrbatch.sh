#!/usr/bin/env bash
# One scrbatch run over 1,000 small .doc and 1,000 small .docx files against per-file loops of
# catdoc, docx2txt and scrcmd, side by side in one hyperfine run. Every contender writes one text
# file per source. The inputs are generated once (bench/make_doc_inputs.py with LibreOffice,
# bench/make_ooxml_inputs.py).
# usage: bench/scrbatch.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-5}"
doc=build/bench/doc
ooxml=build/bench-ooxml
[[ $(ls $doc/small 2>/dev/null | wc -l) -ge 1000 ]] || /usr/bin/python3 bench/make_doc_inputs.py $doc
[[ $(ls $ooxml/small 2>/dev/null | wc -l) -ge 1000 ]] || /usr/bin/python3 bench/make_ooxml_inputs.py $ooxml
scripts/build release > /dev/null
bin=$PWD/build/release/bin
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out"
for f in $doc/small/*.doc; do cp "$f" "$work/in/doc-$(basename "$f")"; done
for f in $ooxml/small/*.docx; do cp "$f" "$work/in/docx-$(basename "$f")"; done
echo "inputs: $(ls "$work/in" | grep -c '\.doc$') .doc, $(ls "$work/in" | grep -c '\.docx$') .docx"

in=$work/in
out=$work/out
docs="for f in $in/*.doc; do"
docxs="for f in $in/*.docx; do"
hyperfine --style basic --runs "$runs" --warmup 1 --prepare "rm -rf $out; mkdir -p $out" \
  -n "scrbatch (one process)" \
  "$bin/scrbatch --no-log --target-dir $out --if-exists overwrite -c65001 $in > /dev/null" \
  -n "scrcmd per file" \
  "for f in $in/*; do $bin/scrcmd -o -c65001 \$f $out/\${f##*/}.txt > /dev/null; done" \
  -n "catdoc + docx2txt per file" \
  "$docs catdoc -d utf-8 \$f > $out/\${f##*/}.txt; done; $docxs docx2txt \$f $out/\${f##*/}.txt; done" \
  -n "catdoc per file (.doc only)" "$docs catdoc -d utf-8 \$f > $out/\${f##*/}.txt; done" \
  -n "docx2txt per file (.docx only)" "$docxs docx2txt \$f $out/\${f##*/}.txt; done"
