#!/usr/bin/env bash
# Outputs that are not regular files: a pipe or a character device named as
# output is written through and stays what it is (on Linux a FIFO, the
# standard output; on Windows NUL), a link to a file is never replaced;
# names that are devices on Windows are plain files inside an output folder;
# a run killed while it writes leaves whole outputs and nothing else.
# Usage: outputs.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
export SOURCE_DATE_EPOCH=1700000000
write_message "$WORK/in.eml" "through"
expect 0 "a regular conversion" "${EML2MSG[@]}" "$WORK/in.eml" "$WORK/regular.msg"

if [ "$ON_WINDOWS" -eq 0 ]; then
  mkfifo "$WORK/out.fifo"
  cat "$WORK/out.fifo" >"$WORK/from-fifo" &
  reader=$!
  expect 0 "into a FIFO" "${EML2MSG[@]}" "$WORK/in.eml" "$WORK/out.fifo"
  wait "$reader"
  check "the FIFO is still a FIFO" [ -p "$WORK/out.fifo" ]
  check "what came through the FIFO is the message file" cmp -s "$WORK/regular.msg" "$WORK/from-fifo"

  "${EML2MSG[@]}" "$WORK/in.eml" /dev/stdout 2>"$WORK/stderr" | cat >"$WORK/from-stdout"
  check "through /dev/stdout into a pipe" cmp -s "$WORK/regular.msg" "$WORK/from-stdout"

  printf 'precious' >"$WORK/target"
  ln -s "$WORK/target" "$WORK/link.msg"
  expect 1 "onto a link" "${EML2MSG[@]}" "$WORK/in.eml" "$WORK/link.msg"
  check "the link and its file are kept" [ -L "$WORK/link.msg" -a "$(cat "$WORK/target")" = precious ]
  grep -q "symbolic link; not replaced" "$WORK/stderr" || fail "no reason given: $(cat "$WORK/stderr")"
else
  expect 0 "into NUL" bash -c 'cd "$1" && shift && "$@"' _ "$WORK" "${EML2MSG[@]}" "$WORK/in.eml" NUL
  check "no file named NUL" [ -z "$(find "$WORK" -iname 'nul*')" ]
fi

if [ "$ON_WINDOWS" -eq 0 ]; then
  # A run killed while it writes: every output there is whole, and nothing
  # else is left in the folder (a new output has no name until it is done).
  write_large_messages "$WORK/large" 6 6
  for after in 1 3; do
    rm -rf "$WORK/killed" && mkdir "$WORK/killed"
    "${EML2MSG[@]}" -d "$WORK/killed" "$WORK"/large/*.eml >/dev/null 2>&1 &
    run=$!
    for ((wait = 0; wait < 600; wait++)); do
      [ "$(find "$WORK/killed" -name '*.msg' | wc -l)" -ge "$after" ] && break
      kill -0 "$run" 2>/dev/null || break
      sleep 0.01
    done
    kill -KILL "$run" 2>/dev/null
    wait "$run" 2>/dev/null
    check "killed after $after output(s): nothing but message files is left: $(ls -A "$WORK/killed" | tr '\n' ' ')" \
      [ -z "$(find "$WORK/killed" -type f ! -name 'large*.msg')" ]
    for output in "$WORK"/killed/*.msg; do
      [ -e "$output" ] || continue
      name=$(basename "$output" .msg)
      check "killed after $after output(s): $name.msg is whole" [ "$(msg_subject "$output" 2>/dev/null)" = "$name" ]
    done
  done
fi

if [ "$ON_WINDOWS" -eq 0 ]; then
  # A run killed while it replaces outputs leaves the named temporaries of
  # the replacements; the next run into that folder removes those of ended
  # processes, and keeps one of a process that runs.
  rm -rf "$WORK/replaced" && mkdir "$WORK/replaced"
  expect 0 "outputs to replace" "${EML2MSG[@]}" -d "$WORK/replaced" "$WORK"/large/*.eml
  # A temporary lives while one output is written: a run is stopped when
  # one is seen, and tried again when it had already been renamed.
  for signal in KILL TERM; do
    for ((attempt = 0; attempt < 20; attempt++)); do
      "${EML2MSG[@]}" --overwrite -d "$WORK/replaced" "$WORK"/large/*.eml >/dev/null 2>&1 &
      run=$!
      for ((wait = 0; wait < 600; wait++)); do
        [ -n "$(find "$WORK/replaced" -name ".*.$run-*.tmp")" ] && break
        kill -0 "$run" 2>/dev/null || break
        sleep 0.005
      done
      kill -STOP "$run" 2>/dev/null
      kill -"$signal" "$run" 2>/dev/null
      kill -CONT "$run" 2>/dev/null
      wait "$run" 2>/dev/null
      [ -n "$(find "$WORK/replaced" -name ".*.$run-*.tmp")" ] && break
    done
    check "killed by SIG$signal while replacing: a temporary is left" [ -n "$(find "$WORK/replaced" -name ".*.$run-*.tmp")" ]
  done
  live=".live.msg.$$-0.tmp"
  printf 'x' >"$WORK/replaced/$live"
  find "$WORK/replaced" -name '.*.tmp' -exec touch -d '-2 minutes' {} +
  expect 0 "a run after them" "${EML2MSG[@]}" -d "$WORK/replaced" "$WORK/large/large0.eml"
  check "the leftovers are gone: $(ls -A "$WORK/replaced" | tr '\n' ' ')" \
    [ "$(find "$WORK/replaced" -name '.*.tmp' -printf '%f\n')" = "$live" ]
fi

# Names that Windows keeps for devices are files like any other here.
mkdir "$WORK/devices" "$WORK/out"
for name in con nul aux com1 lpt1; do write_message "$WORK/devices/$name.eml" "$name"; done
expect 0 "inputs named after devices" "${EML2MSG[@]}" -d "$WORK/out" "$WORK"/devices/*.eml
check "five message files: $(ls "$WORK/out" | tr '\n' ' ')" [ "$(find "$WORK/out" -type f -name '*.msg' | wc -l)" -eq 5 ]
check "con.msg is the message" [ "$(msg_subject "$WORK/out/con.msg")" = con ]
finish
