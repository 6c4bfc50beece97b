#!/usr/bin/env bash
# A run never writes a file it reads: a report or an output that would land
# on an input, the mailbox, the list or a file of a -r folder (by name, by a
# link or by a hard link) stops the run before anything is converted, with
# exit 2 and a message naming both; the file read is left as it was.
# Usage: claimed_inputs.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
export SOURCE_DATE_EPOCH=1700000000
cd "$WORK" || exit 1
mkdir mail out o tree
write_message mail/a.eml "a"
write_message mail/b.eml "b"
write_message tree/t.eml "t"
printf 'From a@example.org Thu Jan  1 00:00:00 2024\nSubject: m\n\nm\n' >box.mbox
printf 'mail/b.eml\n' >list.txt
cp -r mail mail.orig
cp tree/t.eml t.orig
cp box.mbox box.orig
cp list.txt list.orig

# Each case: the exit, both names in the one message, nothing converted.
refused() {
  local what=$1 report=$2 input=$3
  shift 3
  expect 2 "$what" "$@"
  grep -q -F "the report $report would overwrite the input $input" "$WORK/stderr" ||
    fail "$what: the message does not name both: $(cat "$WORK/stderr")"
  check "$what: nothing converted: $(ls out | tr '\n' ' ')" [ -z "$(ls out)" ]
}
refused "--report over a listed input" mail/a.eml mail/a.eml "${EML2MSG[@]}" -d out --report mail/a.eml mail/*.eml
refused "--report over the mailbox" box.mbox box.mbox "${EML2MSG[@]}" --mbox box.mbox -d out --report box.mbox
refused "--report over the list" list.txt list.txt "${EML2MSG[@]}" -d out --files-from list.txt --report list.txt
refused "--report over an input of the list" mail/b.eml mail/b.eml \
  "${EML2MSG[@]}" -d out --files-from list.txt --report mail/b.eml
refused "--report over a file of a -r folder" tree/t.eml "tree/t.eml, a file of the folder tree" \
  "${EML2MSG[@]}" -r tree -d out --report tree/t.eml
if [ "$ON_WINDOWS" -eq 0 ]; then
  refused "--report over the list read from the standard input" list.txt "the standard input (the list)" \
    "${EML2MSG[@]}" -d out --files-from - --report list.txt <list.txt
  ln -s mail linked
  refused "--report over an input through a link" linked/a.eml mail/a.eml \
    "${EML2MSG[@]}" -d out --report linked/a.eml mail/a.eml
  ln mail/a.eml hard.json
  refused "--report over a hard link of an input" hard.json mail/a.eml \
    "${EML2MSG[@]}" -d out --report hard.json mail/a.eml
  rm hard.json
fi
check "the inputs are as they were" diff -r mail.orig mail
check "the mailbox is as it was" cmp -s box.orig box.mbox
check "the list is as it was" cmp -s list.orig list.txt
check "the file of the -r folder is as it was" cmp -s t.orig tree/t.eml

# --overwrite never replaces a listed input with another input's output.
write_message o/y.eml "y"
expect 0 "a first output" "${EML2MSG[@]}" o/y.eml o/y.msg
cp o/y.msg y.orig
expect 2 "--overwrite over a listed input" "${EML2MSG[@]}" --overwrite -d o o/y.eml o/y.msg
# The output as the platform spells a path made in a folder.
output=o/y.msg
[ "$ON_WINDOWS" -eq 1 ] && output='o\y.msg'
grep -q -F "the output $output of o/y.eml would overwrite the input o/y.msg" "$WORK/stderr" ||
  fail "the message does not name both: $(cat "$WORK/stderr")"
check "the listed message file is as it was" cmp -s y.orig o/y.msg
check "nothing else was written: $(ls o | tr '\n' ' ')" [ "$(ls o | tr '\n' ' ')" = "y.eml y.msg " ]
printf 'o/y.msg\n' >o-list.txt
expect 2 "--overwrite over an input of the list" "${EML2MSG[@]}" --overwrite -d o o/y.eml --files-from o-list.txt
check "the message file of the list is as it was" cmp -s y.orig o/y.msg

# A mailbox named like one of its outputs is not replaced by it.
mkdir boxes
printf 'From a@example.org Thu Jan  1 00:00:00 2024\nSubject: m\n\nm\n' >boxes/1-m.msg
cp boxes/1-m.msg boxmsg.orig
expect 1 "--overwrite over the mailbox" "${EML2MSG[@]}" --overwrite --mbox boxes/1-m.msg -d boxes
grep -q -F "would overwrite the input boxes/1-m.msg" "$WORK/stderr" || fail "no reason: $(cat "$WORK/stderr")"
check "the mailbox is kept" cmp -s boxmsg.orig boxes/1-m.msg

# What is not read is still replaced and reported as before.
expect 0 "a report beside the inputs" "${EML2MSG[@]}" -d out --report mail/report.json mail/a.eml mail/b.eml
check "the report is written" [ -s mail/report.json ]
expect 0 "--overwrite of earlier outputs" "${EML2MSG[@]}" --overwrite -d out mail/a.eml mail/b.eml
grep -q "2 inputs: 2 converted, 0 skipped, 0 failed" "$WORK/stderr" || fail "summary: $(cat "$WORK/stderr")"
finish
