#!/usr/bin/env bash
# Benchmark of scrhlp: generates a large help file with halibut (several MB of text, made once in
# build/bench-inputs/hlp/), builds the release preset's hlp_bench and runs it. Throughput is MB
# of UTF-8 text per second. There is no peer for .hlp on Debian to compare against.
set -euo pipefail
cd "$(dirname "$0")/.."
inputs=build/bench-inputs/hlp
mkdir -p "$inputs"
if [[ ! -f "$inputs/big.hlp" ]]; then
  /usr/bin/python3 - "$inputs/big.but" <<'PY'
import random, sys
random.seed(11)
words = ("the of and to in is that for it as with was on be by this are from at or an which "
         "caf\\u00E9{e} na\\u00EF{i}ve help file topic window button menu dialog option").split()
lines = ["\\title Benchmark help file", ""]
for chapter in range(400):
    lines += ["\\C{c%d} Chapter %d" % (chapter, chapter), ""]
    for section in range(5):
        lines += ["\\H{c%ds%d} Section %d" % (chapter, section, section), ""]
        for paragraph in range(8):
            lines += [" ".join(random.choice(words) for _ in range(random.randint(40, 110))), ""]
        lines += ["\\b a bullet in this section", "", "\\c code line in the section", ""]
open(sys.argv[1], "w").write("\n".join(lines))
PY
  (cd "$inputs" && halibut --winhelp=big.hlp big.but && rm -f big.cnt)
fi
cmake --preset release > /dev/null
cmake --build --preset release --target hlp_bench -j2 > /dev/null
ls -l "$inputs/big.hlp"
SCRHLP_BENCH_HLP="$inputs/big.hlp" build/release/bin/hlp_bench "$@"
