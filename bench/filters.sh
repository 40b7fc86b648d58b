#!/usr/bin/env bash
# Times the filter libraries through scrcmd against their peers, side by side in one run:
#   scrcmd on a 300-page PDF (three text orders) vs pdftotext (default, -layout, -raw);
#   scrcmd on a 20 MB RTF vs unrtf --text; scrcmd on a 20 MB HTML file vs html2text.
# Inputs are generated once into build/bench-inputs/filters by bench/make_filter_inputs.py (the
# PDF by LibreOffice from big.fodt). Needs hyperfine, unrtf, html2text, poppler-utils, LibreOffice.
# unrtf runs in a scratch folder: it writes the pictures it finds into the current one.
# Usage: [RUNS=5] [ONLY="pdf rtf html"] bench/filters.sh [more hyperfine options]
set -euo pipefail
cd "$(dirname "$0")/.."
inputs=build/bench-inputs/filters
if [[ ! -f $inputs/big.rtf || ! -f $inputs/big.html || ! -f $inputs/big.fodt ]]; then
  /usr/bin/python3 bench/make_filter_inputs.py "$inputs"
fi
if [[ ! -f $inputs/big.pdf ]]; then
  profile=$(mktemp -d)
  soffice -env:UserInstallation=file://"$profile" --headless --convert-to pdf --outdir "$inputs" \
    "$inputs/big.fodt" > /dev/null 2>&1
  rm -rf "$profile"
fi
cmake --preset release > /dev/null
cmake --build --preset release --target scrcmd scrhtm scrrtf scrpdf -j2 > /dev/null
scrcmd=build/release/bin/scrcmd
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
ls -l "$inputs"/big.pdf "$inputs"/big.rtf "$inputs"/big.html
echo "pages: $(pdfinfo "$inputs/big.pdf" | awk '/^Pages:/ {print $2}')"
runs=${RUNS:-5}
common=(--warmup 1 --runs "$runs" --style basic "$@")
only=" ${ONLY:-pdf rtf html} "
[[ $only == *" pdf "* ]] && hyperfine "${common[@]}" -n "scrcmd pdf (reading order)" "$scrcmd -o -c65001 $inputs/big.pdf $out/p0.txt" \
  -n "pdftotext" "pdftotext -enc UTF-8 $inputs/big.pdf $out/q0.txt" \
  -n "scrcmd pdf -s1 (original layout)" "$scrcmd -o -c65001 -s1 $inputs/big.pdf $out/p1.txt" \
  -n "pdftotext -layout" "pdftotext -enc UTF-8 -layout $inputs/big.pdf $out/q1.txt" \
  -n "scrcmd pdf -s2 (raw order)" "$scrcmd -o -c65001 -s2 $inputs/big.pdf $out/p2.txt" \
  -n "pdftotext -raw" "pdftotext -enc UTF-8 -raw $inputs/big.pdf $out/q2.txt"
[[ $only == *" rtf "* ]] && hyperfine "${common[@]}" -n "scrcmd rtf" "$scrcmd -o -c65001 $inputs/big.rtf $out/r.txt" \
  -n "unrtf --text" "cd $out && unrtf --text $PWD/$inputs/big.rtf > u.txt"
[[ $only == *" html "* ]] && hyperfine "${common[@]}" -n "scrcmd html" "$scrcmd -o -c65001 $inputs/big.html $out/h.txt" \
  -n "html2text" "html2text -utf8 -nobs $inputs/big.html > $out/t.txt"
exit 0
