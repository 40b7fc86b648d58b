#!/usr/bin/env bash
# Times scrcmd against xls2csv and LibreOffice's csv export on one workbook of 200,000 rows by
# 8 columns over 4 sheets (generated once into build/bench/xls by bench/make_xls_inputs.py).
# All three write UTF-8. LibreOffice's csv filter writes the first sheet only and its start-up
# is part of its time. Usage: bench/xls.sh [hyperfine options]
set -euo pipefail
cd "$(dirname "$0")/.."
inputs=build/bench/xls
[[ -f $inputs/big.xls ]] || /usr/bin/python3 bench/make_xls_inputs.py "$inputs"
cmake --preset release > /dev/null
cmake --build --preset release --target scrcmd -j2 > /dev/null
ls -l "$inputs/big.xls"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
hyperfine --warmup 1 --runs 3 "$@" \
  -n scrcmd "build/release/bin/scrcmd -o -c65001 $inputs/big.xls $out/big.txt" \
  -n xls2csv "xls2csv -d utf-8 $inputs/big.xls > $out/big.csv" \
  -n soffice-csv "soffice --headless --convert-to csv --outdir $out $inputs/big.xls"
