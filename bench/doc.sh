#!/usr/bin/env bash
# Word extraction speed, scrcmd against antiword and catdoc, side by side in one hyperfine run:
# a large .doc (over 20 MB of text, saved by LibreOffice) and a folder of 1,000 small .docs.
# The inputs are generated once into build/bench/doc/ (several minutes with LibreOffice).
# usage: bench/doc.sh            all tools write UTF-8 text to standard output
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build release > /dev/null
work=build/bench/doc
if [[ ! -f $work/big.doc || $(ls $work/small 2>/dev/null | wc -l) -lt 1000 ]]; then
  echo "generating inputs in $work"
  /usr/bin/python3 bench/make_doc_inputs.py "$work"
fi
scrcmd=$PWD/build/release/bin/scrcmd
big=$work/big.doc
echo "large: $(stat -c %s "$big") bytes, $("$scrcmd" -c65001 "$big" '*' | wc -c) bytes of text"
hyperfine -N --warmup 1 --runs 5 \
  -n scrcmd "$scrcmd -c65001 $big *" \
  -n antiword "antiword -m UTF-8.txt $big" \
  -n catdoc "catdoc -d utf-8 $big"

loop() { echo "for f in $work/small/*.doc; do $1 > /dev/null; done"; }
# /bin/true in the same loop is the floor: starting 1,000 processes from the shell.
hyperfine --warmup 1 --runs 5 \
  -n "process start (floor)" "$(loop "/bin/true \"\$f\"")" \
  -n scrcmd "$(loop "$scrcmd -c65001 \"\$f\" '*'")" \
  -n antiword "$(loop "antiword -m UTF-8.txt \"\$f\"")" \
  -n catdoc "$(loop "catdoc -d utf-8 \"\$f\"")"

echo "== the same 1,000 files in one process (one engine, as a batch run converts a folder)"
SCRIVTAR_BATCH_DIR=$work/small build/release/bin/batch_bench
