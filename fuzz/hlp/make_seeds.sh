#!/usr/bin/env bash
# Rebuilds the seed corpus of fuzz_hlp: builder-made help files (make_seeds.cpp) and the small
# halibut fixture guide.hlp.
set -euo pipefail
cd "$(dirname "$0")"
root=../..
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -I"$root/tests/support" make_seeds.cpp "$root/tests/support/HlpBuilder.cpp" \
  -o "$tmp/make_seeds"
mkdir -p seeds
(cd seeds && "$tmp/make_seeds")
cp "$root/tests/fixtures/hlp/guide.hlp" seeds/halibut_guide.hlp
