#!/usr/bin/env bash
# Every .msg eml2msg writes for the corpus turns back into MIME with
# msgconvert (Email::Outlook::Message) without an error.
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
"$eml2msg" -d "$work" "$corpus"/eml/*.eml 2>"$work/eml2msg.err" || cat "$work/eml2msg.err"
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
