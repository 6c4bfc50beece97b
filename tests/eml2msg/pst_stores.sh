#!/usr/bin/env bash
# eml2msg --pst writing stores: the corpus through -r, a mailbox and a
# Maildir, each store passing the checker, with the messages in the store
# folders the message files of the same run with -d are in; the same
# bytes with -j 1 and -j 2 when the time is fixed; --pst-limit numbering
# later stores. pffexport (pff-tools) reads the stores as a black box.
# Usage: PST_CHECK=pst_check pst_stores.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
work=$WORK
corpus=${MAILVANE_CORPUS:-$(dirname "$0")/../../../shared/corpus}/eml
if [ ! -d "$corpus" ] || ! command -v pffexport >/dev/null; then
  echo "SKIP: no corpus or no pffexport"
  exit 77
fi
: "${PST_CHECK:?the checker}"
shown() { sed 's/^/  | /' "$work/stderr"; }
export SOURCE_DATE_EPOCH=1700000000

# "folder count" lines of the messages right in each folder of a tree:
# of the .msg files under a -d folder, or of the items pffexport writes
# (Message, and Meeting or Appointment for a calendar's), attachments' own left out.
msg_counts() {
  (cd "$1" && find . -name '*.msg' -printf '%h\n' | sed 's|^\./||;s|^\.$||' | LC_ALL=C sort | uniq -c |
    awk '{ n = $1; $1 = ""; print substr($0, 2) " " n }')
}
store_counts() {
  (cd "$1" && find . -mindepth 1 -type d -regextype egrep -regex '.*/(Message|Meeting|Appointment)[0-9]+' -printf '%h\n' |
    grep -E -v '/(Message|Meeting|Appointment)[0-9]+(/|$)' | grep -v '/Attachment' | sed 's|^\./||;s|^\.$||' | LC_ALL=C sort | uniq -c |
    awk '{ n = $1; $1 = ""; print substr($0, 2) " " n }')
}

# The corpus as one store, and as message files with -d.
mkdir "$work/one" "$work/two"
expect 0 "the corpus into one store" "${EML2MSG[@]}" -j 1 --pst "$work/one/corpus.pst" -r "$corpus"
shown
grep -q -F "converted, 0 skipped, 0 failed" "$work/stderr" || fail "not every message converted"
grep -q -F ", into $work/one/corpus.pst" "$work/stderr" || fail "the summary names no store"
check "the run leaves the store alone in its folder" [ "$(ls -A "$work/one")" = "corpus.pst" ]
store_passes "$work/one/corpus.pst"
expect 0 "the corpus as message files" "${EML2MSG[@]}" -d "$work/files" -r "$corpus"
shown
pffexport -q -t "$work/export" "$work/one/corpus.pst" >"$work/pff" 2>&1
status=$?
sed 's/^/  | /' "$work/pff"
check "pffexport reads the store" [ "$status" -eq 0 ]
msg_counts "$work/files" >"$work/want"
store_counts "$work/export.export/corpus" >"$work/got"
diff "$work/want" "$work/got" | sed 's/^/  | /'
check "each store folder holds the messages of its -d folder" cmp -s "$work/want" "$work/got"
check "the counts are not empty" [ -s "$work/want" ]

expect 0 "the corpus into one store with -j 2" "${EML2MSG[@]}" -j 2 --pst "$work/two/corpus.pst" -r "$corpus"
shown
check "-j 2 writes the bytes -j 1 does" cmp "$work/one/corpus.pst" "$work/two/corpus.pst"

# A small limit: the store is finished past it and the next one goes on.
mkdir "$work/split"
expect 0 "the corpus with --pst-limit 4M" "${EML2MSG[@]}" --pst "$work/split/part.pst" --pst-limit 4M -r "$corpus"
shown
check "the first store and the second" [ "$(ls "$work/split" | tr '\n' ' ')" = "part-2.pst part.pst " ]
store_passes "$work/split/part.pst" "$work/split/part-2.pst"
total=0
for store in part part-2; do
  pffexport -q -t "$work/$store" "$work/split/$store.pst" >"$work/pff" 2>&1 || { fail "pffexport $store"; sed 's/^/  | /' "$work/pff"; }
  total=$((total + $(store_counts "$work/$store.export/$store" | awk '{ s += $NF } END { print s + 0 }')))
done
check "the two stores hold every message once ($total)" [ "$total" -eq "$(find "$work/files" -name '*.msg' | wc -l)" ]

# A mailbox and a Maildir.
data=$(dirname "$0")/../data
expect 0 "a mailbox into a store" "${EML2MSG[@]}" --mbox "$data/mbox/long.mbox" --pst "$work/mailbox.pst"
shown
store_passes "$work/mailbox.pst"
maildir=$work/Maildir
mkdir -p "$maildir/cur" "$maildir/new" "$maildir/.Work/cur" "$maildir/.Work/new"
write_message "$maildir/cur/1.host:2,S" "seen"
write_message "$maildir/new/2.host" "new"
write_message "$maildir/.Work/cur/3.host:2,ST" "deleted"
write_message "$maildir/.Work/cur/4.host:2,F" "flagged"
expect 0 "a Maildir into a store" "${EML2MSG[@]}" --maildir "$maildir" --pst "$work/maildir.pst"
shown
grep -q -F "1 skipped (0 existing, 1 deleted)" "$work/stderr" || fail "the deleted message is not skipped"
store_passes "$work/maildir.pst"
pffexport -q -t "$work/maildir" "$work/maildir.pst" >"$work/pff" 2>&1 || { fail "pffexport maildir"; sed 's/^/  | /' "$work/pff"; }
store_counts "$work/maildir.export/maildir" >"$work/got"
sed 's/^/  | /' "$work/got"
check "the Maildir's messages in its folders" [ "$(tr '\n' ';' <"$work/got")" = " 2;Work 1;" ]
finish
