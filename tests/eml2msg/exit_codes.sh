#!/usr/bin/env bash
# eml2msg's exit codes and messages: 0 all converted (or skipped), 1 some
# failed (one line per failure naming the file), 2 usage errors.
# Usage: exit_codes.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
eml2msg=("${EML2MSG[@]}")
work=$WORK
printf 'From: a@b.c\r\nSubject: x\r\n\r\nbody\r\n' >"$work/A.EML"
printf 'Subject: y\r\n\r\ny\r\n' >"$work/notes.EML.eml"

expect 2 "no arguments" "${eml2msg[@]}"
expect 2 "one argument" "${eml2msg[@]}" "$work/A.EML"
expect 2 "-d without inputs" "${eml2msg[@]}" -d "$work"
expect 2 "-d to a missing folder" "${eml2msg[@]}" -d "$work/none" "$work/A.EML"
grep -q -F "the output folder $work/none does not exist" "$work/stderr" || fail "no folder named: $(cat "$work/stderr")"
printf 'x' >"$work/plain-file"
expect 2 "-d to a file" "${eml2msg[@]}" -d "$work/plain-file" "$work/A.EML"
grep -q -F "the output folder $work/plain-file is not a folder" "$work/stderr" || fail "no reason: $(cat "$work/stderr")"
expect 1 "an output in a missing folder" "${eml2msg[@]}" "$work/A.EML" "$work/nodir/a.msg"
grep -q -F "nodir" "$work/stderr" || fail "the output is not named: $(cat "$work/stderr")"
if [ "$ON_WINDOWS" -eq 0 ]; then
  grep -q -F "cannot create a temporary file for $work/nodir/a.msg: No such file or directory" "$work/stderr" ||
    fail "no reason: $(cat "$work/stderr")"
fi
expect 2 "--mbox into a file" "${eml2msg[@]}" --mbox "$work/A.EML" -d "$work/plain-file"
grep -q -F "plain-file: a file that is not a folder is there" "$work/stderr" || fail "no reason: $(cat "$work/stderr")"
if [ "$ON_WINDOWS" -eq 0 ]; then
  ln -s "$work/nowhere" "$work/dangling"
  expect 2 "--mbox into a dangling link" "${eml2msg[@]}" --mbox "$work/A.EML" -d "$work/dangling"
  grep -q -F "cannot create the folder $work/dangling: a symbolic link that leads to no folder is there" \
    "$work/stderr" || fail "no reason: $(cat "$work/stderr")"
  expect 2 "-d to a dangling link" "${eml2msg[@]}" -d "$work/dangling" "$work/A.EML"
  grep -q -F "the output folder $work/dangling is a symbolic link that leads to no folder" "$work/stderr" ||
    fail "no reason: $(cat "$work/stderr")"
fi
expect 2 "an unknown option" "${eml2msg[@]}" --frobnicate "$work/A.EML" "$work/x.msg"
grep -q "unknown option --frobnicate" "$work/stderr" || fail "the usage error does not say what is wrong"
expect 2 "-j without a number" "${eml2msg[@]}" -j many -d "$work" "$work/A.EML"
expect 2 "a list that cannot be read" "${eml2msg[@]}" -d "$work" --files-from "$work/no-list"
expect 2 "a mailbox that cannot be read" "${eml2msg[@]}" --mbox "$work/no.mbox" -d "$work/mb"
expect 0 "--help" "${eml2msg[@]}" --help
grep -q -- "--files-from" "$work/stdout" || fail "--help does not describe --files-from"
expect 0 "--version" "${eml2msg[@]}" --version
grep -q "^eml2msg [0-9]" "$work/stdout" || fail "--version prints no version"
mkdir "$work/out"
expect 0 "-d converts all" "${eml2msg[@]}" -d "$work/out" "$work/A.EML" "$work/notes.EML.eml"
check "-d output names" [ -f "$work/out/A.msg" -a -f "$work/out/notes.msg.msg" ]
grep -q "^eml2msg: 2 inputs: 2 converted, 0 skipped, 0 failed in " "$work/stderr" || fail "no summary line: $(cat "$work/stderr")"
expect 1 "a missing input among good ones" "${eml2msg[@]}" -d "$work/out" --overwrite "$work/A.EML" "$work/missing.eml"
grep -q "missing.eml" "$work/stderr" || fail "the failure line does not name the file"
check "one line per failure, then the summary" [ "$(wc -l <"$work/stderr")" -eq 2 ]
grep -q "1 converted, 0 skipped, 1 failed" "$work/stderr" || fail "summary: $(tail -1 "$work/stderr")"
if [ "$ON_WINDOWS" -eq 0 ]; then
  # Names are shown escaped, one line each; the report keeps them exact.
  expect 1 "names with a line end and an escape sequence" "${eml2msg[@]}" -d "$work/out" --report "$work/names.json" \
    "$work/line"$'\n'"end.eml" "$work/"$'\e[31m'"red.eml"
  check "one line per failure, then the summary: $(cat -A "$work/stderr")" [ "$(wc -l <"$work/stderr")" -eq 3 ]
  grep -q -F "eml2msg: $work/line\nend.eml: no such file" "$work/stderr" || fail "the line end is not escaped"
  grep -q -F "eml2msg: $work/\033[31mred.eml: no such file" "$work/stderr" || fail "the escape is not escaped"
  check "no escape reaches the error stream" [ -z "$(tr -d '\n' <"$work/stderr" | tr -d '[:print:]')" ]
  check "the report keeps the exact names" /usr/bin/python3 -c '
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
assert [e["input"] for e in report["inputs"]] == [sys.argv[2] + "/line\nend.eml", sys.argv[2] + "/\x1b[31mred.eml"], report
' "$work/names.json" "$work"
fi
expect 0 "a second run skips what the first wrote" "${eml2msg[@]}" -d "$work/out" "$work/A.EML"
grep -q "0 converted, 1 skipped, 0 failed" "$work/stderr" || fail "summary: $(tail -1 "$work/stderr")"
expect 1 "output over its own input" "${eml2msg[@]}" "$work/A.EML" "$work/A.EML"
expect 0 "single file" "${eml2msg[@]}" "$work/A.EML" "$work/single.msg"
check "a single file prints nothing" [ ! -s "$work/stderr" ]
expect 0 "a single file replaces its earlier output" "${eml2msg[@]}" "$work/notes.EML.eml" "$work/single.msg"
printf 'my notes' >"$work/notes.msg"
expect 1 "a file that is no message file is never replaced" "${eml2msg[@]}" "$work/A.EML" "$work/notes.msg"
check "the notes are kept" [ "$(cat "$work/notes.msg")" = "my notes" ]
mkdir "$work/folder.msg"
expect 1 "a folder is never replaced" "${eml2msg[@]}" "$work/A.EML" "$work/folder.msg"
check "the folder is kept" [ -d "$work/folder.msg" ]

if [ "$ON_WINDOWS" -eq 0 ]; then
  # Two inputs named with 255 bytes: the second's number fits within them.
  long=$(printf 'x%.0s' $(seq 1 251))
  mkdir "$work/long1" "$work/long2" "$work/long-out"
  write_message "$work/long1/$long.eml" "first"
  write_message "$work/long2/$long.eml" "second"
  expect 0 "two long names of one name" "${eml2msg[@]}" -d "$work/long-out" "$work/long1/$long.eml" "$work/long2/$long.eml"
  check "the second is numbered within the name limit: $(cat "$work/stderr")" \
    [ "$(msg_subject "$work/long-out/${long:0:247} (2).msg")" = second ]
fi

# Past the recipients and attachments a message file holds, what fits is
# written and the file counts as converted, with a warning line for each
# limit applied, also without --report.
{
  printf 'From: a@b.c\r\nTo: r0@example.org'
  for i in $(seq 1 2099); do printf ',\r\n r%d@example.org' "$i"; done
  printf '\r\nSubject: many\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n'
  for i in $(seq 0 2049); do printf -- '--b\r\nContent-Type: application/octet-stream\r\n\r\nx\r\n'; done
  printf -- '--b--\r\n'
} >"$work/many.eml"
expect 0 "more rows than a message file holds" "${eml2msg[@]}" "$work/many.eml" "$work/many.msg"
check "many.msg written" [ -s "$work/many.msg" ]
check "a warning line for each limit: $(cat "$work/stderr")" [ "$(wc -l <"$work/stderr")" -eq 2 ]
grep -q -F "many.eml: warning: 52 of 2100 recipients left out; a message file holds 2048" "$work/stderr" ||
  fail "no warning for the recipients"
grep -q -F "many.eml: warning: 2 of 2050 attachments left out; a message file holds 2048" "$work/stderr" ||
  fail "no warning for the attachments"
/usr/bin/python3 - "$work/deep.eml" <<'PY'
import sys
depth = 40
text = "From: a@b.c\r\nSubject: deep\r\nMIME-Version: 1.0\r\n"
for i in range(depth):
    text += "Content-Type: multipart/mixed; boundary=b%d\r\n\r\n--b%d\r\n" % (i, i)
text += "Content-Type: text/plain\r\n\r\ndeep\r\n"
for i in reversed(range(depth)):
    text += "--b%d--\r\n" % i
open(sys.argv[1], "w", newline="").write(text)
PY
mkdir "$work/deep-out"
expect 0 "past the nesting depth" "${eml2msg[@]}" -d "$work/deep-out" "$work/deep.eml" "$work/A.EML"
grep -q -F "deep.eml: warning: 1 part nested past the depth limit kept whole, the parts within unread" \
  "$work/stderr" || fail "no warning for the depth: $(cat "$work/stderr")"
grep -q "2 inputs: 2 converted, 0 skipped, 0 failed" "$work/stderr" || fail "summary: $(cat "$work/stderr")"
check "one warning and the summary" [ "$(wc -l <"$work/stderr")" -eq 2 ]
check "no temporary file is left" [ -z "$(find "$work" -name '*.tmp')" ]
finish
