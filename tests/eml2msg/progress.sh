#!/usr/bin/env bash
# The progress line: drawn on a terminal, at most ten times a second, and
# erased before the summary; nothing of it when the error stream is a file.
# Usage: progress.sh EML2MSG   (exit 77 without the corpus)
source "$(dirname "$0")/cli_lib.sh"
corpus=${MAILVANE_CORPUS:-}
if [ -z "$corpus" ] || [ ! -d "$corpus/eml" ]; then
  echo "SKIP: no corpus (set MAILVANE_CORPUS)"
  exit 77
fi
# The corpus ten times over: long enough a run to see the rate of redraws.
for _ in 1 2 3 4 5 6 7 8 9 10; do printf '%s\n' "$corpus"/eml/*.eml; done >"$WORK/list"
mkdir "$WORK/tty" "$WORK/file"
/usr/bin/python3 - "$WORK/tty-output" "${EML2MSG[@]}" -d "$WORK/tty" --files-from "$WORK/list" <<'PY'
import os, pty, subprocess, sys, time
out_path, command = sys.argv[1], sys.argv[2:]
controller, terminal = pty.openpty()
start = time.monotonic()
process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=terminal)
os.close(terminal)
chunks = []
while True:
    try:
        data = os.read(controller, 65536)
    except OSError:
        break
    if not data:
        break
    chunks.append(data)
process.wait()
with open(out_path, "wb") as f:
    f.write(b"".join(chunks))
with open(out_path + ".seconds", "w") as f:
    f.write("%.3f\n" % (time.monotonic() - start))
PY
seconds=$(cat "$WORK/tty-output.seconds")
# The terminal ends each line with "\r\n" of its own accord: those carriage
# returns draw nothing.
redraws=$(/usr/bin/python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); print(d.count(b"\r") - d.count(b"\r\n"))' \
  "$WORK/tty-output")
echo "$redraws carriage returns in $seconds s"
check "the progress line was drawn" grep -a -q -E $'\r[0-9]+ done, 0 failed, [0-9]+/s, [0-9:]+ left' "$WORK/tty-output"
# Each redraw and each erase starts with a carriage return (an erase has two).
check "at most ten redraws a second" awk -v r="$redraws" -v s="$seconds" 'BEGIN { exit !(r <= 10 * s + 3) }'
check "the summary follows an erased line" grep -a -q -E $'\r +\reml2msg: 4540 inputs: 4540 converted' "$WORK/tty-output"
"${EML2MSG[@]}" -d "$WORK/file" --files-from "$WORK/list" 2>"$WORK/stderr-file"
check "nothing of it in a file" [ "$(tr -cd '\r' <"$WORK/stderr-file" | wc -c)" -eq 0 -a "$(wc -l <"$WORK/stderr-file")" -eq 1 ]
finish
