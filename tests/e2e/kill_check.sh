#!/usr/bin/env bash
# The program killed in the middle of a run, over and over: by
# TerminateProcess, and with the whole Wine server killed under it. After
# each kill every file at a final .msg name must read back whole; then a
# second run over the same list must convert every message, remove the
# temporaries the killed saves left, and leave every output valid.
#
#   kill_check.sh <build folder> <kill driver exe> [runs] [files]
# MAILVANE_KILL_RUNS and MAILVANE_KILL_FILES override the default size.
set -uo pipefail
build=$(cd "$1" && pwd)
driver=$2
runs=${MAILVANE_KILL_RUNS:-${3:-2}}
files=${MAILVANE_KILL_FILES:-${4:-60}}
large=4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/lib/env.sh"

if [ -z "${MAILVANE_CORPUS:-}" ] || [ ! -d "$MAILVANE_CORPUS/eml" ]; then
  echo "no corpus: set MAILVANE_CORPUS to the shared corpus folder"
  exit 77
fi

work=$build/e2e-work/kill
rm -rf "$work"
mkdir -p "$work/Bulk"
find "$MAILVANE_CORPUS/eml" -maxdepth 1 -name '*.eml' | sort | head -n "$((files - large))" | xargs -d '\n' cp -t "$work/Bulk"
# A few large messages among them, whose saves last long enough to be cut.
for i in $(seq 1 "$large"); do
  /usr/bin/python3 - "$work/Bulk/large-$i.eml" <<'PYTHON'
import base64, os, sys
with open(sys.argv[1], "wb") as f:
    f.write(b"From: Large <large@example.com>\r\nTo: someone@example.com\r\nSubject: large\r\n"
            b"MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
            b"Content-Type: text/plain\r\n\r\nsee the attachment\r\n--b\r\n"
            b"Content-Type: application/octet-stream; name=data.bin\r\nContent-Transfer-Encoding: base64\r\n\r\n")
    f.write(base64.encodebytes(os.urandom(24 << 20)).replace(b"\n", b"\r\n"))
    f.write(b"--b--\r\n")
PYTHON
done
[ "$(find "$work/Bulk" -name '*.eml' | wc -l)" -eq "$files" ] || { echo "the corpus has fewer than $files messages"; exit 1; }

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
check() { /usr/bin/python3 "$here/check_killed_outputs.py" "$@"; }
failures=0 checked=0 invalid=0 mid_run=0 left=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
tally() {
  local line=$1 count bad
  count=${line%% messages*}
  bad=${line#*messages, }; bad=${bad%% invalid*}
  checked=$((checked + count)); invalid=$((invalid + bad))
}

for run in $(seq 1 "$runs"); do
  out=$work/Out-$run
  mkdir -p "$out"
  after=$((1 + RANDOM % (files - 1)))
  if [ $((run % 2)) -eq 1 ]; then
    how=terminate
    "$WINE64" "$driver" terminate "$(windows_path "$work/Bulk")" "$(windows_path "$out")" "$after" ||
      fail "run $run: the driver could not terminate the program"
  else
    how="wineserver -k"
    # The driver says when the run is under way; then the whole Wine
    # server goes, with the program and the driver.
    said=$work/hold-$run.out
    : >"$said"
    "$WINE64" "$driver" hold "$(windows_path "$work/Bulk")" "$(windows_path "$out")" "$after" >"$said" 2>&1 &
    holder=$!
    for _ in $(seq 1 600); do
      grep -q '^converting' "$said" && break
      kill -0 "$holder" 2>/dev/null || break
      sleep 0.02
    done
    grep -q '^converting' "$said" || fail "run $run: the driver never had the run under way"
    wineserver -k
    wait "$holder" 2>/dev/null
    grep '^kill driver' "$said"
    wineserver -w
    # The new server must not hold the output CTest waits on.
    mv_start_wineserver </dev/null >/dev/null 2>&1
  fi
  result=$(check "$out/Bulk") || fail "run $run: a file at a final name is invalid after the kill ($how)"
  echo "run $run, killed by $how after $after messages: $result"
  tally "$result"
  temporaries=${result##*invalid, }; left=$((left + ${temporaries%% temporaries*}))
  [ "${result%% messages*}" -lt "$files" ] && mid_run=$((mid_run + 1))

  "$WINE64" "$driver" finish "$(windows_path "$work/Bulk")" "$(windows_path "$out")" ||
    fail "run $run: the second run did not complete"
  result=$(check "$out/Bulk" "$files") || fail "run $run: the second run left missing, invalid or temporary files"
  echo "run $run, second run: $result"
  tally "$result"
done

[ "$mid_run" -gt 0 ] || fail "no kill came before the run had finished"
echo "kill check: $runs runs ($mid_run killed mid-run), $checked files checked, $invalid invalid;" \
  "$left temporaries left by the kills, none after the second runs"
echo "$failures failures"
[ "$failures" -eq 0 ]
