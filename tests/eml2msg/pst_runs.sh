#!/usr/bin/env bash
# eml2msg --pst: what stands at OUT.pst before a run, and what a run that
# cannot write a store leaves (nothing: no OUT.pst, no temporary beside it).
# The stores' contents are checked by pst_stores.sh.
# Usage: pst_runs.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
work=$WORK
write_message "$work/a.eml" "one"
shown() { sed 's/^/  | /' "$work/stderr"; }

# A file that is no store is never replaced, with --overwrite or without.
printf 'my notes\n' >"$work/notes.pst"
for overwrite in "" --overwrite; do
  expect 2 "--pst over a file that is no store ${overwrite}" "${EML2MSG[@]}" $overwrite --pst "$work/notes.pst" "$work/a.eml"
  shown
  grep -q -F "the store $work/notes.pst is there and is no Outlook data file" "$work/stderr" || fail "no reason"
  check "the file that is no store is kept ${overwrite}" [ "$(cat "$work/notes.pst")" = "my notes" ]
done

# A store is replaced only with --overwrite.
printf '!BDN an earlier store' >"$work/old.pst"
expect 2 "--pst over a store without --overwrite" "${EML2MSG[@]}" --pst "$work/old.pst" "$work/a.eml"
shown
grep -q -F "the store $work/old.pst is there already; --overwrite replaces it" "$work/stderr" || fail "no reason"
check "the earlier store is kept" [ "$(cat "$work/old.pst")" = "!BDN an earlier store" ]

# A store that is one of the run's inputs is never replaced by it.
cp "$work/old.pst" "$work/input.pst"
expect 2 "--pst over a file named as input" "${EML2MSG[@]}" --overwrite --pst "$work/input.pst" "$work/a.eml" "$work/input.pst"
shown
grep -q -F "the store $work/input.pst would overwrite the input $work/input.pst" "$work/stderr" || fail "no reason"
expect 2 "--pst over the list of --files-from" "${EML2MSG[@]}" --overwrite --pst "$work/input.pst" --files-from "$work/input.pst"
shown
grep -q -F "would overwrite the input $work/input.pst" "$work/stderr" || fail "no reason"
expect 2 "--pst over the mailbox" "${EML2MSG[@]}" --overwrite --mbox "$work/input.pst" --pst "$work/input.pst"
shown
grep -q -F "would overwrite the input $work/input.pst" "$work/stderr" || fail "no reason"
check "the input store is kept" [ "$(cat "$work/input.pst")" = "!BDN an earlier store" ]
rm "$work/input.pst"

# -d and --pst are two outputs; one is asked for.
expect 2 "--pst with -d" "${EML2MSG[@]}" --pst "$work/new.pst" -d "$work" "$work/a.eml"
shown
grep -q -F -- "--pst writes one Outlook data file instead of -d OUTDIR" "$work/stderr" || fail "no reason"
expect 2 "--pst-limit without --pst" "${EML2MSG[@]}" --pst-limit 1M -d "$work" "$work/a.eml"
shown
grep -q -F -- "--pst-limit goes with --pst" "$work/stderr" || fail "no reason"
expect 2 "--pst-limit without a size" "${EML2MSG[@]}" --pst "$work/new.pst" --pst-limit 1.5G "$work/a.eml"
shown

# A store that cannot be made fails the run and leaves nothing behind.
expect 1 "a store in a folder that is not there" "${EML2MSG[@]}" --pst "$work/none/new.pst" "$work/a.eml"
shown
grep -q -F "the store $work/none/new.pst" "$work/stderr" || fail "no reason"
check "no folder is made for it" [ ! -e "$work/none" ]
check "nothing but the inputs is left" [ "$(ls "$work" | LC_ALL=C sort | tr '\n' ' ')" = "a.eml notes.pst old.pst stderr stdout " ]

# A run that writes its store leaves the store alone: no folder, no temporary.
expect 0 "a message into a store" "${EML2MSG[@]}" --pst "$work/new.pst" "$work/a.eml"
shown
grep -q -F "1 input: 1 converted, 0 skipped, 0 failed in" "$work/stderr" || fail "not converted"
check "the store is written" [ "$(head -c 4 "$work/new.pst")" = '!BDN' ]
check "nothing but the store is added" [ "$(ls "$work" | LC_ALL=C sort | tr '\n' ' ')" = "a.eml new.pst notes.pst old.pst stderr stdout " ]
expect 0 "a store with a report" "${EML2MSG[@]}" --overwrite --pst "$work/new.pst" --report "$work/report.json" "$work/a.eml"
shown
grep -q -F "\"output\": \"$work/new.pst\", \"outcome\": \"converted\"" "$work/report.json" || { fail "the report names no store"; cat "$work/report.json"; }
rm "$work/report.json"
expect 0 "a store replaced with --overwrite" "${EML2MSG[@]}" --overwrite --pst "$work/old.pst" "$work/a.eml"
shown
check "the earlier store is replaced" [ "$(head -c 4 "$work/old.pst")" = '!BDN' -a "$(wc -c <"$work/old.pst")" -gt 1000 ]
if [ "$ON_WINDOWS" -eq 0 ]; then
  # A run killed while it writes its store leaves no OUT.pst and nothing
  # else (the store has no name until it is finished); the rerun writes
  # the whole store.
  write_large_messages "$work/large" 40 3
  mkdir "$work/killed"
  "${EML2MSG[@]}" --pst "$work/killed/kill.pst" "$work"/large/*.eml >"$work/stdout" 2>"$work/stderr" &
  run=$!
  # The store being written, open in the process: killed once it holds
  # several messages.
  written=0
  for ((wait = 0; wait < 3000 && written == 0; wait++)); do
    for open in /proc/$run/fd/*; do
      [[ $(readlink "$open" 2>/dev/null) == "$work/killed/"* ]] || continue
      [ "$(stat -L -c %s "$open" 2>/dev/null || echo 0)" -gt $((6 * 1024 * 1024)) ] && written=1
    done
    kill -0 "$run" 2>/dev/null || break
    [ $written -eq 1 ] || sleep 0.005
  done
  kill -KILL "$run" 2>/dev/null
  wait "$run" 2>/dev/null
  shown
  check "the run was killed while it wrote its store" [ $written -eq 1 ]
  check "a killed run leaves nothing: $(ls -A "$work/killed" | tr '\n' ' ')" [ -z "$(ls -A "$work/killed")" ]
  expect 0 "the run after the killed one" "${EML2MSG[@]}" --pst "$work/killed/kill.pst" "$work"/large/*.eml
  shown
  grep -q -F "40 inputs: 40 converted, 0 skipped, 0 failed in" "$work/stderr" || fail "not all converted"
  check "the rerun writes the store alone: $(ls -A "$work/killed" | tr '\n' ' ')" [ "$(ls -A "$work/killed")" = kill.pst ]
  check "the store holds the messages" [ "$(wc -c <"$work/killed/kill.pst")" -gt $((40 * 3 * 1024 * 1024)) ]
  store_passes "$work/killed/kill.pst"
fi
if [ "$ON_WINDOWS" -eq 0 ]; then
  # A store that cannot be written to its end (here: past the largest file
  # the run may write) fails every message in it, those added before the
  # failure too, with the system's reason; nothing is left of it.
  mkdir "$work/full"
  for i in 1 2 3 4 5 6; do
    { printf 'From: a@example.org\r\nSubject: m%d\r\nMIME-Version: 1.0\r\n' $i
      printf 'Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n'
      head -c 600000 /dev/urandom | base64 | sed 's/$/\r/'; } >"$work/full/m$i.eml"
  done
  expect 1 "a store past the file size limit" bash -c 'trap "" XFSZ; ulimit -f 2048; exec "$@"' _ \
    "${EML2MSG[@]}" --pst "$work/full/s.pst" --report "$work/full/r.json" "$work"/full/m*.eml
  shown
  grep -q -F "the store $work/full/s.pst: cannot write $work/full/s.pst: File too large" "$work/stderr" || fail "no reason"
  grep -q -F "already added to the failed store are lost with it and count as failed" "$work/stderr" || fail "the lost messages are not told"
  grep -q -F "6 inputs: 0 converted, 0 skipped, 6 failed in" "$work/stderr" || fail "lost messages counted as converted"
  grep -q -F '"converted": 0,' "$work/full/r.json" || { fail "the report counts lost messages as converted"; cat "$work/full/r.json"; }
  check "nothing is left of the store" [ ! -e "$work/full/s.pst" -a "$(ls "$work/full" | grep -c -v -E '^(m[0-9]\.eml|r\.json)$')" -eq 0 ]
  # A later store failing loses only its own messages: the first is whole.
  mkdir "$work/later"
  for i in 1 2 3 4; do
    size=600000
    [ $i -eq 4 ] && size=3000000
    { printf 'From: a@example.org\r\nSubject: s%d\r\nMIME-Version: 1.0\r\n' $i
      printf 'Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n'
      head -c $size /dev/urandom | base64 | sed 's/$/\r/'; } >"$work/later/s$i.eml"
  done
  expect 1 "the second store past the file size limit" bash -c 'trap "" XFSZ; ulimit -f 2048; exec "$@"' _ \
    "${EML2MSG[@]}" --pst "$work/later/t.pst" --pst-limit 1M "$work"/later/s*.eml
  shown
  check "the first store is written, the failed one is not" [ -f "$work/later/t.pst" -a ! -e "$work/later/t-2.pst" ]
  counts=$(grep -o -E "4 inputs: [0-9]+ converted, 0 skipped, [0-9]+ failed" "$work/stderr" | grep -o -E "[0-9]+ (converted|failed)" | cut -d' ' -f1 | tr '\n' ' ')
  read -r stored lost <<<"$counts"
  check "the first store's messages count as converted, the others as failed ($counts)" \
    [ "${stored:-0}" -ge 1 -a "${lost:-0}" -ge 1 -a $((${stored:-0} + ${lost:-0})) -eq 4 ]
  store_passes "$work/later/t.pst"
fi
finish
