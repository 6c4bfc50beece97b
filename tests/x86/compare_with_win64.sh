#!/usr/bin/env bash
# Compares, property by property, the message files the 32-bit component
# wrote for the core corpus under emulation with what the 64-bit component
# writes for the same sources through the same raw-slot client. The two are
# read by msg_dump, the native build's independent reader. Only times taken
# from the clock may differ: creation and modification, and the dates that
# stand in for a missing or unusable Date (with the five time bytes of the
# conversation index made from them). Any time inside the window of the two
# runs counts as such; every other property of every object must be equal.
#
#   compare_with_win64.sh WIN64_BUILD NATIVE_BIN WIN32_OUTPUTS...
# Each WIN32_OUTPUTS folder (one per run of the 32-bit client) is compared
# with the one 64-bit run. Exit 0 when every file of every folder matches,
# 1 otherwise (a missing piece included).
set -uo pipefail
build64=$1 tools=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/lib/env.sh"

client64=$build64/bin/component_corpus_conversion_test.exe
outputs64=$build64/component-outputs
for needed in "$client64" "$build64/bin/Redemption.dll" "$tools/msg_dump"; do
  if [ ! -f "$needed" ]; then
    echo "FAIL: $needed is missing: build the win64 and native configurations first"
    exit 1
  fi
done
for outputs32 in "$@"; do
  if [ ! -d "$outputs32" ]; then
    echo "FAIL: no 32-bit outputs in $outputs32"
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The 64-bit reference, written now from the same list by the same client.
mv_ensure_prefix
if ! "$MAILVANE_ROOT/tools/wine-exec" "$client64" >"$work/client64.log" 2>&1; then
  echo "FAIL: the 64-bit component did not convert the corpus:"
  tail -n 40 "$work/client64.log"
  exit 1
fi

# The runs' window: from a while before the oldest 32-bit file was saved
# (its clock was read before the save) to now, after the 64-bit run.
oldest=$(find "$@" -type f -printf '%T@\n' | sort -n | head -n 1)
from=$(date -u -d "@$(( ${oldest%.*} - 600 ))" +%Y-%m-%dT%H:%M:%S)
to=$(date -u -d "@$(( $(date +%s) + 60 ))" +%Y-%m-%dT%H:%M:%S)

# msg_dump prints sorted lines "<object> <key> <type> <value>": an object's
# submit time (0039) comes before its conversation index (0071).
dump() {
  "$tools/msg_dump" --ignore 30070040 --ignore 30080040 "$1" |
    awk -v from="$from" -v to="$to" '
      $3 == "Time" && $4 >= from && $4 <= to { $4 = "<clock>" }
      $2 == "00390040" { clockSubmit[$1] = ($4 == "<clock>") }
      $2 == "00710102" && clockSubmit[$1] && substr($4, 1, 6) == "hex:01" { $4 = "hex:01<clock>" substr($4, 17) }
      { print }'
}

names64=$(cd "$outputs64" && ls)
dump64=$work/dumps64
mkdir -p "$dump64"
status=0
for outputs32 in "$@"; do
  names32=$(cd "$outputs32" && ls)
  total=0 failed=0 same_files=1
  if [ "$names32" != "$names64" ]; then
    echo "$outputs32: the two components wrote different sets of files:"
    diff --label win64 --label win32 <(echo "$names64") <(echo "$names32") | head -n 20
    same_files=0
  fi
  while IFS= read -r name; do
    [ -n "$name" ] || continue
    total=$((total + 1))
    if { [ -f "$dump64/$name" ] || dump "$outputs64/$name" >"$dump64/$name"; } && dump "$outputs32/$name" >"$work/32"; then
      if ! diff -u --label win64 --label win32 "$dump64/$name" "$work/32" >"$work/diff"; then
        echo "$outputs32/$name differs:"; head -n 40 "$work/diff"
        failed=$((failed + 1))
      fi
    else
      echo "$name: unreadable:"; head -n 3 "$dump64/$name" "$work/32"
      rm -f "$dump64/$name"
      failed=$((failed + 1))
    fi
  done <<<"$names32"
  echo "$outputs32: $((total - failed)) of $total message files of the 32-bit component match the 64-bit component's"
  [ "$total" -gt 0 ] && [ "$failed" -eq 0 ] && [ "$same_files" -eq 1 ] || status=1
done
exit $status
