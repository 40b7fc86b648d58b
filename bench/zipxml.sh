#!/usr/bin/env bash
# Zip and XML readers against the inflate floor: bench/zipxml.sh [ROWS]
# Builds the release preset, writes a package with a large worksheet part, then runs
# `unzip -p` (the floor: inflate every part to /dev/null) and the Google Benchmark program.
set -euo pipefail
cd "$(dirname "$0")/.."
rows="${1:-400000}"
inputs=build/bench-inputs
scripts/build release > /dev/null
[[ -f "$inputs/big_sheet.xlsx" ]] || /usr/bin/python3 bench/make_zipxml_inputs.py "$inputs" "$rows"
unzip -lv "$inputs/big_sheet.xlsx" | tail -n 4
hyperfine --warmup 1 --runs 5 "unzip -p $inputs/big_sheet.xlsx > /dev/null"
/usr/bin/time -f "peak RSS %M KB" build/release/bin/zipxml_bench --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true
