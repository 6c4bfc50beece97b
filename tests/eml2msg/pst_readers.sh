#!/usr/bin/env bash
# eml2msg --pst read back by every independent reader: the corpus with -r
# and a small tree of mails with state (a draft, an unread, a flagged and a
# replied mail, two with categories) written as one store, and with -d as
# message files by the same run. readpst (pst-utils) writes each message out
# as a mail, compared with its source through mailparser; pst-extractor
# walks the folders and messages, and reads every property of each
# recipient; pypff reads every property of each message and attachment,
# compared with the .msg of the same source. Each reader's figures are printed.
# Usage: pst_readers.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
work=$WORK
oracle=$(cd "$(dirname "$0")/../oracle" && pwd)
python=${MAILVANE_PYTHON:-/usr/bin/python3}
corpus=${MAILVANE_CORPUS:-$(dirname "$0")/../../../shared/corpus}/eml
missing=
[ -d "$corpus" ] || missing+=" corpus"
command -v readpst >/dev/null || missing+=" readpst"
command -v node >/dev/null || missing+=" node"
[ -d "$oracle/node_modules/pst-extractor" ] && [ -d "$oracle/node_modules/mailparser" ] || missing+=" npm-readers"
"$python" -c 'import pypff, olefile' 2>/dev/null || missing+=" pypff/olefile"
if [ -n "$missing" ]; then
  echo "SKIP: missing$missing"
  exit 77
fi
corpus=$(realpath "$corpus")
shown() { sed 's/^/  | /' "$1"; }
# Times the converter gives (a mail without a Date) are the same in both runs.
export SOURCE_DATE_EPOCH=1700000000

# The state tree: each mail's state set by the header field a mail client writes.
state=$work/state
mkdir "$state"
state_mail() {
  printf 'From: Ann Sender <ann@example.org>\r\nTo: Bob <bob@example.org>\r\nCc: carol@example.org\r\nSubject: %s\r\nDate: Mon, 02 Jan 2023 10:00:00 +0000\r\nMessage-ID: <%s@example.org>\r\n%s\r\n\r\nbody of %s\r\n' \
    "$1" "$1" "$2" "$1" >"$state/$1.eml"
}
state_mail draft 'X-Unsent: 1'
state_mail unread 'X-Mozilla-Status: 0000'
state_mail flagged 'X-Mozilla-Status: 0005'
state_mail replied 'X-Mozilla-Status: 0003'
state_mail labelled 'X-Mozilla-Keys: $label1 work                 '
state_mail keywords 'Keywords: a, b'

mkdir "$work/files"
expect 0 "the corpus and the state tree into one store" "${EML2MSG[@]}" --pst "$work/store.pst" -r "$corpus" "$state"
shown "$work/stderr"
expect 0 "the same as message files" "${EML2MSG[@]}" -d "$work/files" --report "$work/files.json" -r "$corpus" "$state"
shown "$work/stderr"
count=$(find "$work/files" -name '*.msg' | wc -l)
check "every message converted ($count)" [ "$count" -eq $(($(find "$corpus" -name '*.eml' | wc -l) + 6)) ]

# readpst: one file per item, in a folder per store folder; its parallel
# jobs (-j) can name two items alike, so it runs as one. -8: UTF-8 bodies.
mkdir "$work/readpst"
readpst -j 0 -8 -e -o "$work/readpst" "$work/store.pst" >"$work/readpst.out" 2>"$work/readpst.err"
status=$?
shown "$work/readpst.err"
check "readpst reads the store (exit $status)" [ "$status" -eq 0 ]
check "readpst writes nothing on stderr" [ ! -s "$work/readpst.err" ]
per_folder() { (cd "$1" && find . -type f -regextype egrep -regex "$2" -printf '%h\n' | sed 's|^\./||' | LC_ALL=C sort | uniq -c); }
per_folder "$work/files" '.*\.msg' >"$work/want"
per_folder "$work/readpst/store" '.*/[0-9]+\.(eml|ics)' >"$work/got"
diff "$work/want" "$work/got" | sed 's/^/  | /'
check "readpst writes every message of each folder" cmp -s "$work/want" "$work/got"
node "$oracle/compare_readpst_with_sources.js" "$work/files.json" "$work/files" "$work/readpst/store" >"$work/readpst.cmp" 2>&1
status=$?
shown "$work/readpst.cmp"
check "readpst's mails are their sources'" [ "$status" -eq 0 ]

# pst-extractor: folders, counts, messages and their state, and each
# recipient's properties as olefile reads them from the .msg. It names
# message classes it has no type for on stdout; those lines are left out.
"$python" "$oracle/msg_recipients_json.py" "$work/files.json" >"$work/recipients.json" 2>"$work/recipients.err"
status=$?
shown "$work/recipients.err"
check "the message files' recipients read (exit $status)" [ "$status" -eq 0 ]
node "$oracle/compare_store_with_pst_extractor.js" "$work/store.pst" "$work/files" "$work/files.json" "$work/recipients.json" >"$work/extractor.cmp" 2>&1
status=$?
grep -v '^PSTUtil::createAppropriatePSTMessageObject unknown message type' "$work/extractor.cmp" | sed 's/^/  | /'
check "pst-extractor reads what the message files hold" [ "$status" -eq 0 ]

# pypff: every property of each .msg in the store's message.
"$python" "$oracle/compare_store_with_msg_files.py" "$work/store.pst" "$work/files" "$work/files.json" >"$work/pypff.cmp" 2>&1
status=$?
shown "$work/pypff.cmp"
check "pypff reads each .msg's properties in the store" [ "$status" -eq 0 ]
finish
