#!/usr/bin/env bash
# After the program converted a tree of sources under Wine
# (eml2msg_tree_test), the native eml2msg -r converts the same sources, in
# the order the program converted its rows, into a folder of its own. The
# two trees must hold the same folders and file names, and each pair of
# message files the same properties, but for the times each run takes from
# its clock: creation and modification, and the dates of a message without
# a usable Date (any time of today or yesterday reads as "<now>" on both
# sides, as do the five time bytes of the conversation index of an object
# submitted "<now>", which are taken from that time).
#
#   compare_eml2msg_tree.sh WORK_FOLDER NATIVE_BIN_FOLDER
# Exit 0 when the trees match, 1 when not, 77 when there is nothing to compare.
set -u
readonly SKIPPED=77
manifest=$1/eml2msg-tree/eml2msg-tree.tsv
tools=$2
if [ ! -f "$manifest" ]; then
  corpus=${MAILVANE_CORPUS:-}
  if [ -z "$corpus" ] || [ ! -d "$corpus" ]; then echo "no corpus: set MAILVANE_CORPUS"; exit $SKIPPED; fi
  echo "no $manifest: the program's run did not finish"
  exit 1
fi
if [ ! -x "$tools/eml2msg" ] || [ ! -x "$tools/msg_dump" ]; then
  echo "no native eml2msg and msg_dump in $tools (build them there first)"
  exit $SKIPPED
fi

program_out=$(sed -n 's/^output\t//p' "$manifest")
mapfile -t sources < <(sed -n 's/^source\t//p' "$manifest")
cli_out=$(dirname "$manifest")/eml2msg-out
rm -rf "$cli_out"
if ! "$tools/eml2msg" -r "${sources[@]}" -d "$cli_out"; then
  echo "eml2msg -r failed"
  exit 1
fi

failed=0
tree() { (cd "$1" && find . -mindepth 1 -printf '%y %P\n' | LC_ALL=C sort); }
if ! diff -u --label program --label eml2msg <(tree "$program_out") <(tree "$cli_out"); then
  echo "the trees differ"
  failed=1
fi
today=$(date -u +%F)
yesterday=$(date -u -d yesterday +%F)
# msg_dump prints sorted lines "<object> <key> <type> <value>": an object's
# submit time (0039) comes before its conversation index (0071).
dump() {
  "$tools/msg_dump" "$1" | sed -E "s/ Time (${today}|${yesterday})T[0-9:.]+Z\$/ Time <now>/" |
    awk '$2 == "00390040" { submittedNow[$1] = ($4 == "<now>") }
         $2 == "00710102" && submittedNow[$1] && substr($4, 1, 6) == "hex:01" { $4 = "hex:01<now>" substr($4, 17) }
         { print }'
}
compared=0
while IFS= read -r name; do
  [ -f "$cli_out/$name" ] || continue
  compared=$((compared + 1))
  if ! diff -u --label "program: $name" --label "eml2msg: $name" <(dump "$program_out/$name") \
    <(dump "$cli_out/$name") >"$cli_out.diff"; then
    head -n 30 "$cli_out.diff"
    failed=1
  fi
done < <(cd "$program_out" && find . -type f -name '*.msg' -printf '%P\n')
echo "$compared message files compared, the trees $([ "$failed" -eq 0 ] && echo match || echo differ)"
[ "$compared" -gt 0 ] && [ "$failed" -eq 0 ]
