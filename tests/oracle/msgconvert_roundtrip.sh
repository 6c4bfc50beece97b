#!/usr/bin/env bash
# Every .msg eml2msg writes for the corpus's core set (the messages that
# together cover every feature of the corpus) turns back into MIME with
# msgconvert (Email::Outlook::Message) without an error. The core set keeps
# the run short: msgconvert takes most of a second per file.
# Usage: msgconvert_roundtrip.sh EML2MSG
set -uo pipefail
eml2msg=$1
here=$(cd "$(dirname "$0")" && pwd)
corpus=${MAILVANE_CORPUS:-$here/../../../shared/corpus}
if [ ! -d "$corpus/eml" ]; then
  echo "SKIP: no corpus at $corpus"
  exit 77
fi
if ! command -v msgconvert >/dev/null; then
  echo "SKIP: msgconvert is not installed"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/mailvane-msgconvert-XXXXXX")
trap 'rm -rf "$work"' EXIT
inputs=()
while read -r line; do
  case $line in ''|'#'*) ;; *) inputs+=("$corpus/$line") ;; esac
done <"$corpus/CORE.txt"
"$eml2msg" -d "$work" "${inputs[@]}" 2>"$work/eml2msg.err" || cat "$work/eml2msg.err"
passed=0
failed=0
cd "$work" || exit 1
for msg in *.msg; do
  if msgconvert "$msg" >"$work/out.log" 2>&1 && [ -s "${msg%.msg}.eml" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "$msg: $(head -c 300 "$work/out.log")"
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
