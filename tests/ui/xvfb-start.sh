#!/usr/bin/env bash
# The real program in a real X server: Scrivtar starts under Xvfb with the xcb platform plugin,
# loads the job file of its program directory, shows its main window, and File > Exit typed as
# Alt+F, E ends it with the job file and the settings file written.
# Usage: xvfb-start.sh <path of Scrivtar>
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
# A copy in a scratch directory: that directory is its program directory, where it keeps its files.
cp "$program" "$work/bin/Scrivtar"
python3 - "$work/bin/Scrivtar.job" <<'PY'
import struct, sys
def text(s):
    b = s.encode('utf-16-le')
    return struct.pack('<H', len(b)) + b
entries = [(0, ['a.doc', '/srv/in/a.doc', '1024', 'DOC', '/srv/out/a.txt', '']),
           (2, ['b.pdf', '/srv/in/b.pdf', '77', 'PDF', '/srv/out/b.txt', 'File format not correct'])]
out = b'LFW' + struct.pack('<H', len(entries))
for state, texts in entries:
    out += struct.pack('<HiH', 6, state, 0) + b''.join(text(t) for t in texts)
open(sys.argv[1], 'wb').write(out)
PY
cp "$work/bin/Scrivtar.job" "$work/job.before"

export QT_QPA_PLATFORM=xcb
export HOME=$work
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -euo pipefail
  "$0/bin/Scrivtar" > "$0/stdout" 2>&1 &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "^Scrivtar\$" | head -n1)
  [[ -n "$window" ]] || { echo "no Scrivtar window"; exit 1; }
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
  sleep 0.5
  xdotool key --clearmodifiers alt+f
  sleep 0.5
  xdotool key --clearmodifiers e
  for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo "Alt+F, E did not end the program"; kill $pid; exit 1; fi
  wait $pid
' "$work"

cmp "$work/job.before" "$work/bin/Scrivtar.job" || { echo "job file not written back as loaded"; exit 1; }
grep -q '^\[general\]' "$work/bin/Scrivtar.dat" || { echo "settings file not written"; exit 1; }
grep -q '^samedir=0' "$work/bin/Scrivtar.dat"
echo "xvfb start: window shown, job file and settings written"
