#!/usr/bin/env bash
# eml2msg -r: the program's layout (one output folder per source, named
# after it; sub-folders searched only when their names match *.eml; names
# numbered within a run), existing outputs skipped or, with --overwrite,
# replaced when they are message files; long and non-ASCII paths.
# Usage: folders.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
export SOURCE_DATE_EPOCH=1700000000
src=$WORK/src
mkdir -p "$src/Inbox/old.eml" "$src/Inbox/Zed.eml" "$src/Inbox/plain" "$src/other/Inbox" "$src/Empty" "$src/Grüße"
write_message "$src/Inbox/a.eml" "inbox a"
write_message "$src/Inbox/B.EML" "inbox B"
write_message "$src/Inbox/notes.eml.txt" "not searched"
write_message "$src/Inbox/old.eml/a.eml" "old a"
write_message "$src/Inbox/old.eml/x.eml" "old x"
write_message "$src/Inbox/m.eml" "inbox m"
write_message "$src/Inbox/Zed.eml/m.eml" "zed m"
write_message "$src/Inbox/plain/p.eml" "plain p"
write_message "$src/other/Inbox/a.eml" "other a"
write_message "$src/Grüße/Ünïcødé.eml" "unicode"

expected="Grüße/Ünïcødé.msg
Inbox/B.msg
Inbox/a (2).msg
Inbox/a (3).msg
Inbox/a.msg
Inbox/m (2).msg
Inbox/m.msg
Inbox/x.msg"
names() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | grep '\.msg$' | LC_ALL=C sort); }

expect 0 "-r over four sources" "${EML2MSG[@]}" -r "$src/Inbox" "$src/other/Inbox" "$src/Empty" "$src/Grüße" -d "$WORK/out"
check "the program's layout: $(names "$WORK/out" | tr '\n' ',')" [ "$(names "$WORK/out")" = "$expected" ]
check "a source with nothing found still has its folder" [ -d "$WORK/out/Empty" ]
check "no folder for what is not a source" [ ! -e "$WORK/out/plain" -a ! -e "$WORK/out/old.eml" ]
grep -q "8 inputs: 8 converted, 0 skipped, 0 failed" "$WORK/stderr" || fail "summary: $(cat "$WORK/stderr")"
# Which source each numbered name holds: the run's order, depth first.
check "a.msg is the inbox's own" [ "$(msg_subject "$WORK/out/Inbox/a.msg")" = "inbox a" ]
check "a (2).msg came from old.eml" [ "$(msg_subject "$WORK/out/Inbox/a (2).msg")" = "old a" ]
check "a (3).msg came from the second source" [ "$(msg_subject "$WORK/out/Inbox/a (3).msg")" = "other a" ]
# Folders are listed as Windows lists them, letters without case: m.eml before Zed.eml.
check "m.msg is the inbox's own" [ "$(msg_subject "$WORK/out/Inbox/m.msg")" = "inbox m" ]

cp -r "$WORK/out" "$WORK/first"
expect 0 "a second run" "${EML2MSG[@]}" -r "$src/Inbox" "$src/other/Inbox" "$src/Empty" "$src/Grüße" -d "$WORK/out" \
  --report "$WORK/again.json"
grep -q "8 inputs: 0 converted, 8 skipped, 0 failed" "$WORK/stderr" || fail "summary: $(cat "$WORK/stderr")"
check "skipped outputs are untouched" diff -r "$WORK/first" "$WORK/out"
check "the report says skipped" /usr/bin/python3 -c '
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
assert [e["outcome"] for e in report["inputs"]] == ["skipped"] * 8, report
' "$WORK/again.json"

printf 'not a message' >"$WORK/out/Inbox/x.msg"
rm "$WORK/out/Inbox/B.msg"
expect 1 "--overwrite" "${EML2MSG[@]}" --overwrite -r "$src/Inbox" "$src/other/Inbox" -d "$WORK/out"
grep -q "x.msg is not a message file; not replaced" "$WORK/stderr" || fail "no failure for x.msg: $(cat "$WORK/stderr")"
grep -q "7 inputs: 6 converted, 0 skipped, 1 failed" "$WORK/stderr" || fail "summary: $(cat "$WORK/stderr")"
check "the file that is no message file is kept" [ "$(cat "$WORK/out/Inbox/x.msg")" = "not a message" ]
check "the others are written again" cmp -s "$WORK/first/Inbox/B.msg" "$WORK/out/Inbox/B.msg"

mkdir "$WORK/j2"
expect 0 "-j 2 -r" "${EML2MSG[@]}" -j 2 -r "$src/Inbox" "$src/other/Inbox" "$src/Empty" "$src/Grüße" -d "$WORK/j2"
check "-j 2 -r gives the same tree, byte for byte" diff -r "$WORK/first" "$WORK/j2"

expect 0 "-r with a trailing separator" "${EML2MSG[@]}" -r "$src/Inbox/" -d "$WORK/slash"
check "named after the folder" [ -f "$WORK/slash/Inbox/a.msg" ]
expect 0 "-r ." bash -c 'cd "$1" && shift && "$@" -r . -d ../dot' _ "$src/Inbox" "${EML2MSG[@]}"
check "named after the current folder" [ -f "$src/dot/Inbox/B.msg" ]
expect 1 "-r of a missing folder" "${EML2MSG[@]}" -r "$src/Inbox" "$src/none" -d "$WORK/missing"
grep -q "none: not a folder" "$WORK/stderr" || fail "no failure line for the missing folder: $(cat "$WORK/stderr")"
check "the other source is converted" [ -f "$WORK/missing/Inbox/a.msg" ]

# Past the 260 characters of a classic Windows path, at the output and at the input.
deep=$WORK/deep
for level in 1 2 3 4 5; do deep=$deep/level-$level-$(printf '%050d' 0); done
mkdir -p "$deep/Mail/sub.eml"
write_message "$deep/Mail/deep.eml" "deep"
write_message "$deep/Mail/sub.eml/deeper.eml" "deeper"
expect 0 "-r with paths of $((${#deep} + 30)) characters" "${EML2MSG[@]}" -r "$deep/Mail" -d "$deep/out"
check "deep outputs" [ -f "$deep/out/Mail/deep.msg" -a -f "$deep/out/Mail/deeper.msg" ]

if [ "$ON_WINDOWS" -eq 0 ]; then
  # A link that leads back up the tree is searched once, not forever.
  mkdir -p "$WORK/loop/Box"
  write_message "$WORK/loop/Box/m.eml" "m"
  ln -s . "$WORK/loop/Box/self.eml"
  expect 0 "-r over a link loop" "${EML2MSG[@]}" -r "$WORK/loop/Box" -d "$WORK/loop-out"
  check "the loop's file once: $(names "$WORK/loop-out" | tr '\n' ',')" [ "$(names "$WORK/loop-out")" = "Box/m.msg" ]
fi
if [ "$ON_WINDOWS" -eq 0 ]; then
  # Each folder -r writes is swept of the temporaries an ended run left there.
  (exit 0) &
  ended=$!
  wait "$ended"
  leftover=".a.msg.$ended-0.tmp"
  printf 'x' >"$WORK/loop-out/Box/$leftover"
  touch -d '-2 minutes' "$WORK/loop-out/Box/$leftover"
  expect 0 "-r into a folder with a leftover" "${EML2MSG[@]}" -r "$WORK/loop/Box" -d "$WORK/loop-out"
  check "the leftover is gone" [ ! -e "$WORK/loop-out/Box/$leftover" ]
fi
if [ "$ON_WINDOWS" -eq 0 ]; then
  # A link standing where a source's output folder goes is not written through.
  mkdir -p "$WORK/linked-out" "$WORK/elsewhere"
  ln -s "$WORK/elsewhere" "$WORK/linked-out/Inbox"
  expect 1 "-r onto a linked output folder" "${EML2MSG[@]}" -r "$src/Inbox" -d "$WORK/linked-out"
  grep -q -F "the output folder $WORK/linked-out/Inbox is a symbolic link; not written through" "$WORK/stderr" ||
    fail "no reason: $(cat "$WORK/stderr")"
  check "nothing went through the link: $(ls -A "$WORK/elsewhere")" [ -z "$(ls -A "$WORK/elsewhere")" ]
fi
finish
