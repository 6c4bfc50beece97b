#!/usr/bin/env bash
# eml2msg's exit codes and messages: 0 all converted, 1 some failed (one
# line per failure naming the file), 2 usage errors.
# Usage: exit_codes.sh EML2MSG
set -u
eml2msg=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/mailvane-cli-XXXXXX")
trap 'rm -rf "$work"' EXIT
printf 'From: a@b.c\r\nSubject: x\r\n\r\nbody\r\n' >"$work/A.EML"
printf 'Subject: y\r\n\r\ny\r\n' >"$work/notes.EML.eml"
passed=0
failed=0
expect() {  # expect STATUS DESCRIPTION COMMAND...
  local want=$1 what=$2
  shift 2
  "$@" >"$work/stdout" 2>"$work/stderr"
  local got=$?
  if [ "$got" -eq "$want" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what: exit $got, want $want"; fi
}
expect 2 "no arguments" "$eml2msg"
expect 2 "one argument" "$eml2msg" "$work/A.EML"
expect 2 "-d without inputs" "$eml2msg" -d "$work"
expect 2 "-d to a missing folder" "$eml2msg" -d "$work/none" "$work/A.EML"
expect 0 "--help" "$eml2msg" --help
expect 0 "--version" "$eml2msg" --version
grep -q "^eml2msg [0-9]" "$work/stdout" || { failed=$((failed + 1)); echo "FAIL: --version prints no version"; }
mkdir "$work/out"
expect 0 "-d converts all" "$eml2msg" -d "$work/out" "$work/A.EML" "$work/notes.EML.eml"
[ -f "$work/out/A.msg" ] && [ -f "$work/out/notes.msg.msg" ] || { failed=$((failed + 1)); echo "FAIL: -d output names"; ls "$work/out"; }
expect 1 "a missing input among good ones" "$eml2msg" -d "$work/out" "$work/A.EML" "$work/missing.eml"
grep -q "missing.eml" "$work/stderr" || { failed=$((failed + 1)); echo "FAIL: failure line does not name the file"; }
[ "$(wc -l <"$work/stderr")" -eq 1 ] || { failed=$((failed + 1)); echo "FAIL: want one line per failure"; }
expect 1 "output over its own input" "$eml2msg" "$work/A.EML" "$work/A.EML"
expect 0 "single file" "$eml2msg" "$work/A.EML" "$work/single.msg"
# Past the recipients and attachments a message file holds, what fits is
# written and the file counts as converted.
{
  printf 'From: a@b.c\r\nTo: r0@example.org'
  for i in $(seq 1 2099); do printf ',\r\n r%d@example.org' "$i"; done
  printf '\r\nSubject: many\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n'
  for i in $(seq 0 2049); do printf -- '--b\r\nContent-Type: application/octet-stream\r\n\r\nx\r\n'; done
  printf -- '--b--\r\n'
} >"$work/many.eml"
expect 0 "more rows than a message file holds" "$eml2msg" "$work/many.eml" "$work/many.msg"
[ -s "$work/many.msg" ] && [ ! -s "$work/stderr" ] || { failed=$((failed + 1)); echo "FAIL: many.msg not written cleanly"; }
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
