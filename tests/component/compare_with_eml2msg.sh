#!/usr/bin/env bash
# Compares, property by property, the message files the component wrote
# for the core corpus (through the program's raw table slots) with what the
# native eml2msg writes for the same sources. Times taken from the clock
# (creation and modification, and the dates of a message without a usable
# Date) differ between the two runs; any time on today's or yesterday's
# date reads as "<now>" on both sides, and so do the five time bytes of the
# conversation index of an object whose submit time is "<now>", as they
# are taken from it. Everything else must be equal.
#
# usage: compare_with_eml2msg.sh OUTPUT_FOLDER NATIVE_BIN_FOLDER SOURCE_ROOT
# Exit 0 when all match, 1 on a difference, 77 when something is missing.
set -u
readonly SKIPPED=77
outputs=$1 tools=$2 root=$3
corpus=${MAILVANE_CORPUS:-$root/../shared/corpus}

if [ ! -f "$corpus/CORE.txt" ]; then
  echo "no corpus at $corpus"; exit $SKIPPED
fi
if [ ! -x "$tools/eml2msg" ] || [ ! -x "$tools/msg_dump" ]; then
  echo "no native eml2msg and msg_dump in $tools (build them there first)"; exit $SKIPPED
fi
if [ ! -d "$outputs" ]; then
  echo "no component outputs in $outputs"; exit $SKIPPED
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
today=$(date -u +%F)
yesterday=$(date -u -d yesterday +%F)

# msg_dump prints sorted lines "<object> <key> <type> <value>": an object's
# submit time (0039) comes before its conversation index (0071).
dump() {
  "$tools/msg_dump" "$1" |
    sed -E "s/ Time (${today}|${yesterday})T[0-9:.]+Z\$/ Time <now>/" |
    awk '$2 == "00390040" { submittedNow[$1] = ($4 == "<now>") }
         $2 == "00710102" && submittedNow[$1] && substr($4, 1, 6) == "hex:01" { $4 = "hex:01<now>" substr($4, 17) }
         { print }'
}

total=0 failed=0
while IFS= read -r entry || [ -n "$entry" ]; do
  entry=${entry%$'\r'}
  case $entry in '' | '#'*) continue ;; esac
  total=$((total + 1))
  name=$(basename "$entry")
  name=${name//.eml/.msg}
  if [ ! -f "$outputs/$name" ]; then
    echo "$name: the component wrote no file"; failed=$((failed + 1)); continue
  fi
  if ! "$tools/eml2msg" "$corpus/$entry" "$work/$name" >"$work/cli.log" 2>&1; then
    echo "$name: eml2msg failed:"; cat "$work/cli.log"; failed=$((failed + 1)); continue
  fi
  if ! diff -u --label eml2msg --label component <(dump "$work/$name") <(dump "$outputs/$name") >"$work/diff"; then
    echo "$name differs:"; head -n 40 "$work/diff"; failed=$((failed + 1))
  fi
done <"$corpus/CORE.txt"

echo "$((total - failed)) of $total message files match"
[ "$failed" -eq 0 ]
