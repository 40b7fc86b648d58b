#!/usr/bin/env bash
# Times scrcmd against catppt on PowerPoint binary presentations: one presentation of 600 slides
# with speaker notes, and 1,000 small files converted one process per file (as scripts do).
# Both write UTF-8. Inputs are generated into build/bench/ppt by bench/make_ppt_inputs.py.
# catppt takes no text from LibreOffice's text boxes, so on the two big files it only reads them.
# Usage: bench/ppt.sh
set -euo pipefail
cd "$(dirname "$0")/.."
inputs=build/bench/ppt
if [[ ! -f $inputs/big.ppt || ! -f $inputs/huge.ppt || ! -d $inputs/small ]]; then
  /usr/bin/python3 bench/make_ppt_inputs.py "$inputs"
fi
cmake --preset release > /dev/null
cmake --build --preset release --target scrcmd batch_bench -j2 > /dev/null
scrcmd=$PWD/build/release/bin/scrcmd
find "$inputs/small" -name '*.ppt' | sort > "$inputs/small.list"

echo "== one presentation: 600 slides with notes ($(du -k "$inputs/big.ppt" | cut -f1) KB)"
hyperfine -N --warmup 5 --runs 40 \
  -n scrcmd "$scrcmd -c65001 $inputs/big.ppt *" \
  -n catppt "catppt -d utf-8 $inputs/big.ppt"

echo "== one presentation: 5,000 slides with notes ($(du -k "$inputs/huge.ppt" | cut -f1) KB)"
hyperfine -N --warmup 5 --runs 40 \
  -n scrcmd "$scrcmd -c65001 $inputs/huge.ppt *" \
  -n catppt "catppt -d utf-8 $inputs/huge.ppt"

echo "== 1,000 small files, one process each"
# All three start through the same xargs form: -n1 and -I{} differ in xargs' own cost.
hyperfine --warmup 1 --runs 5 \
  -n "process start (floor)" "xargs -a $inputs/small.list -d '\n' -I{} /bin/true {} > /dev/null" \
  -n scrcmd "xargs -a $inputs/small.list -d '\n' -I{} $scrcmd -c65001 {} '*' > /dev/null" \
  -n catppt "xargs -a $inputs/small.list -d '\n' -I{} catppt -d utf-8 {} > /dev/null"

echo "== the same 1,000 files in one process (one engine, as a batch run converts a folder)"
SCRIVTAR_BATCH_DIR=$inputs/small build/release/bin/batch_bench

echo "== peak memory on the big presentation (KB)"
/usr/bin/time -f "scrcmd %M" "$scrcmd" -c65001 "$inputs/big.ppt" '*' > /dev/null
/usr/bin/time -f "catppt %M" catppt -d utf-8 "$inputs/big.ppt" > /dev/null
