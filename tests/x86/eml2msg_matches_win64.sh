#!/usr/bin/env bash
# The shipped 32-bit eml2msg.exe under emulation converts the core corpus
# to the same bytes as the 64-bit eml2msg.exe under Wine: both read the
# same list (--files-from) into one folder each, with the creation time
# fixed by SOURCE_DATE_EPOCH, and every file is compared byte for byte.
#
#   eml2msg_matches_win64.sh WIN32_BUILD WIN64_BUILD
# Exit 0 when the two folders hold the same files with the same bytes.
set -uo pipefail
build32=$1 build64=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/lib/env.sh"
source "$here/../../tools/lib/emulation.sh"

for needed in "$build32/bin/eml2msg.exe" "$build64/bin/eml2msg.exe"; do
  [ -f "$needed" ] || { echo "FAIL: $needed is missing: build the win32 and win64 configurations first"; exit 1; }
done
[ -f "${MAILVANE_CORPUS:-}/CORE.txt" ] || { echo "FAIL: MAILVANE_CORPUS names no corpus with CORE.txt"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The list as Windows paths on drive Z:, one a line.
grep -v -E '^(#|$)' "$MAILVANE_CORPUS/CORE.txt" | while IFS= read -r relative; do
  printf 'Z:%s\r\n' "$MAILVANE_CORPUS/$relative" | tr '/' '\\'
done >"$work/list.txt"
count=$(wc -l <"$work/list.txt")
export SOURCE_DATE_EPOCH=1700000000

run() {
  local label=$1 out=$2
  shift 2
  if ! "$@" -d "Z:$out" --files-from "Z:$work/list.txt" >"$work/$label.log" 2>&1; then
    echo "FAIL: the $label eml2msg.exe did not convert the core corpus:"
    tail -n 20 "$work/$label.log"
    exit 1
  fi
}
mkdir -p "$work/out32" "$work/out64"
run win32 "$work/out32" "$MAILVANE_ROOT/tools/wine32-exec" "$build32/bin/eml2msg.exe"
mv_ensure_prefix
run win64 "$work/out64" "$MAILVANE_ROOT/tools/wine-exec" "$build64/bin/eml2msg.exe"

written=$(find "$work/out32" -type f | wc -l)
if ! diff -r "$work/out64" "$work/out32" >"$work/diff"; then
  echo "FAIL: the 32-bit eml2msg.exe wrote other files than the 64-bit one:"
  head -n 20 "$work/diff"
  exit 1
fi
if [ "$written" -ne "$count" ]; then
  echo "FAIL: $written message files for $count sources"
  exit 1
fi
echo "$written of $count message files of the 32-bit eml2msg.exe equal the 64-bit one's, byte for byte"
