#!/usr/bin/env bash
# eml2msg over stores of mail: a Maildir++ tree (flags in file names,
# Dovecot's keywords, sub-folders three levels deep, an empty one, tmp/
# never read), Thunderbird's mailbox files with their NAME.sbd folders and
# its own files left alone, and a Gmail export filed by its labels. Every
# store: deleted messages skipped and counted, a rerun skips what the first
# run wrote, bodies with "From " lines kept whole, folder names made safe
# (the names Windows cannot hold only where the store can have them).
# Usage: stores.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
export SOURCE_DATE_EPOCH=1700000000
names() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' '); }
summary() { tail -1 "$WORK/stderr" | sed 's/ in [0-9.]* s$//'; }
# The body of a message file, read with olefile (a reader we did not write).
msg_body() {
  /usr/bin/python3 -c '
import sys, olefile
with olefile.OleFileIO(sys.argv[1]) as ole:
    print(ole.openstream("__substg1.0_1000001F").read().decode("utf-16-le"))
' "$1"
}
# The state a message file records, read with olefile from the properties
# as [MS-OXMSG] lays them out: "draft unread replied forwarded flagged" as
# they apply (PidTagMessageFlags, PidTagLastVerbExecuted, PidTagFlagStatus),
# then "categories=" and the Keywords named property's values.
msg_state() {
  /usr/bin/python3 - "$1" <<'PY'
import struct, sys, olefile
with olefile.OleFileIO(sys.argv[1]) as ole:
    props = ole.openstream("__properties_version1.0").read()
    fixed = {}
    for at in range(32, len(props) - 15, 16):
        tag, _, value = struct.unpack_from("<IIQ", props, at)
        fixed[tag] = value & 0xFFFFFFFF
    flags = fixed.get(0x0E070003, 0)
    verb = fixed.get(0x10810003)
    words = []
    if flags & 0x8: words.append("draft")
    if not flags & 0x1: words.append("unread")
    if verb == 102: words.append("replied")
    if verb == 104: words.append("forwarded")
    if fixed.get(0x10900003) == 2: words.append("flagged")
    categories = []
    entries = ole.openstream("__nameid_version1.0/__substg1.0_00030102").read()
    strings = ole.openstream("__nameid_version1.0/__substg1.0_00040102").read()
    for index in range(len(entries) // 8):
        offset, kind = struct.unpack_from("<II", entries, index * 8)
        if not kind & 1: continue
        length = struct.unpack_from("<I", strings, offset)[0]
        if strings[offset + 4:offset + 4 + length].decode("utf-16-le") != "Keywords": continue
        stream = "__substg1.0_%04X101F" % (0x8000 + (kind >> 16))
        if not ole.exists(stream): continue
        count = len(ole.openstream(stream).read()) // 4
        categories = [ole.openstream("%s-%08X" % (stream, i)).read().decode("utf-16-le").rstrip("\0")
                      for i in range(count)]
    print(" ".join(words + ["categories=" + ",".join(categories)]))
PY
}
# Report entries as "outcome|reason|state words|categories" lines, in order, then the totals.
report_lines() {
  /usr/bin/python3 -c '
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
for entry in report["inputs"]:
    print("|".join([entry["outcome"], entry.get("reason", "-"), ",".join(entry.get("state", [])) or "-",
                    ",".join(entry.get("categories", [])) or "-"]))
print("totals", report["converted"], report["skipped"], report.get("deleted", 0), report["failed"])
' "$1"
}
maildir_message() {  # maildir_message FILE SUBJECT
  printf 'From: a@example.org\nTo: b@example.org\nSubject: %s\n\nbody of %s\nFrom the start, a body line\n>From quoted\n' \
    "$2" "$2" >"$1"
}

# --- Maildir++ -------------------------------------------------------------
md=$WORK/Maildir
# The info separator: Windows has no ":" in file names, and its Maildir tools write ";".
i=':'
[ "$ON_WINDOWS" -eq 1 ] && i=';'
mkdir -p "$md"/{cur,new,tmp}
for folder in .Work .Work.Projects .Work.Projects.2026 .Empty '.Entw&APw-rfe'; do
  mkdir -p "$md/$folder"/{cur,new,tmp}
done
maildir_message "$md/cur/1700000001.M1P1.host,S=100${i}2,S" "read one"
maildir_message "$md/cur/1700000002.M2P1.host,S=100${i}2,RSa" "replied one"
maildir_message "$md/new/1700000003.M3P1.host,S=100" "new one"
maildir_message "$md/cur/1700000004.M4P1.host,S=100${i}2,ST" "trashed one"
maildir_message "$md/tmp/1700000005.M5P1.host" "still being delivered"
maildir_message "$md/.Work/cur/2.x${i}2,FS" "work"
maildir_message "$md/.Work.Projects.2026/cur/3.x${i}2,DS" "deep draft"
maildir_message "$md/.Entw&APw-rfe/new/4.x" "entwurf"
printf '0 Work\n1 $Forwarded\n' >"$md/dovecot-keywords"
if [ "$ON_WINDOWS" -eq 0 ]; then
  # Windows holds no ":", device names or "\" (Dovecot's escapes) in names.
  for folder in .a:b .con '.v1\2e0'; do mkdir -p "$md/$folder/cur"; done
  maildir_message "$md/.v1\\2e0/cur/5.x${i}2,PS" "escaped dot"
  maildir_message "$md/.a:b/cur/6.x:2,S" "colon"
  maildir_message "$md/.con/cur/7.x:2,S" "device"
  unsafe="_con _con/7.x.msg a_b a_b/6.x.msg v1.0 v1.0/5.x.msg "
else
  unsafe=
fi
expect 0 "--maildir" "${EML2MSG[@]}" --maildir "$md" -d "$WORK/md-out" --report "$WORK/md.json"
[ -n "$unsafe" ] && converted=9 || converted=6
want="1700000001.M1P1.host,S=100.msg 1700000002.M2P1.host,S=100.msg 1700000003.M3P1.host,S=100.msg Empty Entwürfe Entwürfe/4.x.msg Work Work/2.x.msg Work/Projects Work/Projects/2026 Work/Projects/2026/3.x.msg ${unsafe}"
check "the Maildir's tree: $(names "$WORK/md-out")" [ "$(names "$WORK/md-out")" = "$want" ]
check "Maildir summary: $(summary)" [ "$(summary)" = \
  "eml2msg: $((converted + 1)) inputs: $converted converted, 1 skipped (0 existing, 1 deleted), 0 failed" ]
check "the subject of a deep message" [ "$(msg_subject "$WORK/md-out/Work/Projects/2026/3.x.msg")" = "deep draft" ]
check "a body's From lines kept" [ "$(msg_body "$WORK/md-out/1700000001.M1P1.host,S=100.msg" | grep -c '^>\?From ')" -eq 2 ]
check "tmp/ is never read" [ -z "$(grep -l '1700000005' "$WORK/md.json")" ]
check "the trashed message is skipped with its reason and state" /usr/bin/python3 -c '
import json, sys
entries = json.load(open(sys.argv[1], encoding="utf-8"))["inputs"]
trashed = [e for e in entries if "1700000004" in e["input"]]
assert len(trashed) == 1 and trashed[0]["outcome"] == "skipped", trashed
assert trashed[0]["reason"] == "deleted in its store" and trashed[0]["state"] == ["deleted"], trashed
assert "output" not in trashed[0], trashed
' "$WORK/md.json"

# Each file name's flags and keywords as the message file's own state.
state_of() { msg_state "$WORK/md-out/$1"; }
check "S: read, received: $(state_of 1700000001.M1P1.host,S=100.msg)" \
  [ "$(state_of 1700000001.M1P1.host,S=100.msg)" = "categories=" ]
check "RS and keyword a: replied, a category: $(state_of 1700000002.M2P1.host,S=100.msg)" \
  [ "$(state_of 1700000002.M2P1.host,S=100.msg)" = "replied categories=Work" ]
check "in new/: unread: $(state_of 1700000003.M3P1.host,S=100.msg)" \
  [ "$(state_of 1700000003.M3P1.host,S=100.msg)" = "unread categories=" ]
check "FS: flagged: $(state_of Work/2.x.msg)" [ "$(state_of Work/2.x.msg)" = "flagged categories=" ]
check "DS: a draft: $(state_of Work/Projects/2026/3.x.msg)" [ "$(state_of Work/Projects/2026/3.x.msg)" = "draft categories=" ]
[ -n "$unsafe" ] && check "PS: forwarded: $(state_of v1.0/5.x.msg)" [ "$(state_of v1.0/5.x.msg)" = "forwarded categories=" ]
check "new/ without flags: unread: $(state_of Entwürfe/4.x.msg)" [ "$(state_of Entwürfe/4.x.msg)" = "unread categories=" ]
check "the report's state words: $(report_lines "$WORK/md.json" | sed -n 1,4p | tr '\n' ';')" \
  [ "$(report_lines "$WORK/md.json" | sed -n 1,4p | tr '\n' ';')" = \
  "converted|-|-|-;converted|-|replied|Work;converted|-|unread|-;skipped|deleted in its store|deleted|-;" ]

# The same Maildir after a client read the new message and answered another:
# the names do not change, so the second run skips everything.
mv "$md/new/1700000003.M3P1.host,S=100" "$md/cur/1700000003.M3P1.host,S=100${i}2,S"
mv "$md/cur/1700000001.M1P1.host,S=100${i}2,S" "$md/cur/1700000001.M1P1.host,S=100${i}2,RS"
cp -r "$WORK/md-out" "$WORK/md-first"
expect 0 "--maildir again" "${EML2MSG[@]}" --maildir "$md" -d "$WORK/md-out"
check "Maildir rerun: $(summary)" [ "$(summary)" = \
  "eml2msg: $((converted + 1)) inputs: 0 converted, $((converted + 1)) skipped ($converted existing, 1 deleted), 0 failed" ]
check "the rerun left the outputs as they were" diff -r "$WORK/md-first" "$WORK/md-out"
target="$md/cur/1700000002.M2P1.host,S=100${i}2,RSa"
cp "$target" "$WORK/kept-message"
expect 2 "a report over a message of the Maildir" "${EML2MSG[@]}" --maildir "$md" -d "$WORK/md-other" --report "$target"
grep -q "would overwrite the input" "$WORK/stderr" || fail "no reason: $(cat "$WORK/stderr")"
check "the message is as it was" cmp -s "$target" "$WORK/kept-message"
check "nothing converted" [ ! -e "$WORK/md-other" ]
mkdir "$WORK/not-maildir"
expect 2 "--maildir of a folder that is none" "${EML2MSG[@]}" --maildir "$WORK/not-maildir" -d "$WORK/nm-out"
grep -q "not a Maildir" "$WORK/stderr" || fail "no reason: $(cat "$WORK/stderr")"

# --- Thunderbird -----------------------------------------------------------
tb="$WORK/Local Folders"
mkdir -p "$tb/Inbox.sbd/Work.sbd" "$tb/Lonely.sbd"
thunderbird_mailbox() {  # thunderbird_mailbox FILE STATUS:SUBJECT...
  local file=$1 item
  shift
  for item in "$@"; do
    printf 'From - Mon Jan  1 10:00:00 2001\nX-Mozilla-Status: %s\nX-Mozilla-Status2: 00000000\nSubject: %s\n\nbody\n>From quoted\nFrom the start of a sentence\n\n' \
      "${item%%:*}" "${item#*:}"
  done >"$file"
}
thunderbird_mailbox "$tb/Inbox" 0001:one 0009:expunged 0000:unread
thunderbird_mailbox "$tb/Inbox.sbd/Work" 0001:work
thunderbird_mailbox "$tb/Inbox.sbd/Work.sbd/Deep" 0001:deep 0008:gone
thunderbird_mailbox "$tb/Lonely.sbd/Child" 0001:child
: >"$tb/Trash"
printf '// <!-- <mdb:mork:z v="1.4"/> -->\n' >"$tb/Inbox.msf"
printf '{}\n' >"$tb/folderTree.json"
printf 'hello\n' >"$tb/notes.txt"
if [ "$ON_WINDOWS" -eq 0 ]; then
  thunderbird_mailbox "$tb/a:b" 0001:colon
  thunderbird_mailbox "$tb/trail." 0001:trail
  unsafe="a_b a_b/1-colon.msg "
  trail="trail trail/1-trail.msg "
else
  unsafe= trail=
fi
expect 0 "--mbox FOLDER" "${EML2MSG[@]}" --mbox "$tb" -d "$WORK/tb-out" --report "$WORK/tb.json"
want="Inbox Inbox/1-one.msg Inbox/3-unread.msg Inbox/Work Inbox/Work/1-work.msg Inbox/Work/Deep Inbox/Work/Deep/1-deep.msg Lonely Lonely/Child Lonely/Child/1-child.msg Trash ${unsafe}${trail}"
check "Thunderbird's tree: $(names "$WORK/tb-out")" [ "$(names "$WORK/tb-out")" = "$want" ]
[ -n "$unsafe" ] && converted=7 || converted=5
check "Thunderbird summary: $(summary)" [ "$(summary)" = \
  "eml2msg: $((converted + 2)) inputs: $converted converted, 2 skipped (0 existing, 2 deleted), 0 failed" ]
for left in Inbox.msf folderTree.json notes.txt; do
  grep -q "$left: not a mailbox" "$WORK/stderr" || fail "no note for $left: $(head -5 "$WORK/stderr")"
done
check "index files are left as they were" [ "$(cat "$tb/Inbox.msf")" = '// <!-- <mdb:mork:z v="1.4"/> -->' ]
check "a quoted From line is read back, a body's From line stays in its message" \
  [ "$(msg_body "$WORK/tb-out/Inbox/1-one.msg" | grep -c '^From ')" -eq 2 ]
check "the report says which were deleted" [ "$(report_lines "$WORK/tb.json" | grep -c '^skipped|deleted in its store|\(unread,\)\?deleted|-$')" -eq 2 ]
check "X-Mozilla-Status without its read bit: unread" [ "$(msg_state "$WORK/tb-out/Inbox/3-unread.msg")" = "unread categories=" ]
check "with it: read" [ "$(msg_state "$WORK/tb-out/Inbox/1-one.msg")" = "categories=" ]
expect 0 "--mbox FOLDER again" "${EML2MSG[@]}" --mbox "$tb" -d "$WORK/tb-out"
check "Thunderbird rerun: $(summary)" [ "$(summary)" = \
  "eml2msg: $((converted + 2)) inputs: 0 converted, $((converted + 2)) skipped ($converted existing, 2 deleted), 0 failed" ]

# One mailbox of a store: its expunged messages are skipped as well. A file
# named on its own is converted whatever its state.
expect 0 "--mbox FILE" "${EML2MSG[@]}" --mbox "$tb/Inbox" -d "$WORK/one-out"
check "one mailbox: $(names "$WORK/one-out")" [ "$(names "$WORK/one-out")" = "1-one.msg 3-unread.msg " ]
printf 'X-Mozilla-Status: 0009\nSubject: deleted but named\n\nbody\n' >"$WORK/named.eml"
expect 0 "a deleted .eml named on its own" "${EML2MSG[@]}" "$WORK/named.eml" "$WORK/named.msg"
check "it is converted" [ "$(msg_subject "$WORK/named.msg")" = "deleted but named" ]
expect 0 "a deleted .eml named with -d" "${EML2MSG[@]}" -d "$WORK" "$WORK/named.eml" --overwrite
grep -q "1 input: 1 converted" "$WORK/stderr" || fail "-d: $(cat "$WORK/stderr")"

# --- Gmail -----------------------------------------------------------------
gmail_message() {  # gmail_message LABELS SUBJECT
  printf 'From 1234567890@xxx Mon Jan  1 10:00:00 +0000 2001\nX-GM-THRID: 1\nX-Gmail-Labels: %s\nSubject: %s\n\nbody\n>From quoted\n\n' "$1" "$2"
}
{
  gmail_message 'Inbox,Opened,Work/Projects/2026' 'in inbox and a label'
  gmail_message 'Sent,Opened' 'sent'
  gmail_message 'Drafts' 'a draft'
  gmail_message 'Spam,Unread' 'spam'
  gmail_message 'Trash' 'trashed'
  gmail_message 'Opened,Category Personal,Important,Starred' 'archived'
  gmail_message '"Clients, old",Posteingang' 'quoted label'
  gmail_message 'a:b,con,trail.' 'unsafe labels'
} >"$WORK/takeout.mbox"
expect 0 "--by-label" "${EML2MSG[@]}" --mbox "$WORK/takeout.mbox" --by-label -d "$WORK/gm-out"
want="Archive Archive/6-archived.msg Clients, old Clients, old/7-quoted label.msg Drafts Drafts/3-a draft.msg Inbox Inbox/1-in inbox and a label.msg Posteingang Posteingang/7-quoted label.msg Sent Sent/2-sent.msg Spam Spam/4-spam.msg Trash Trash/5-trashed.msg Work Work/Projects Work/Projects/2026 Work/Projects/2026/1-in inbox and a label.msg _con _con/8-unsafe labels.msg a_b a_b/8-unsafe labels.msg trail trail/8-unsafe labels.msg "
check "Gmail's folders: $(names "$WORK/gm-out")" [ "$(names "$WORK/gm-out")" = "$want" ]
check "Gmail summary: $(summary)" [ "$(summary)" = "eml2msg: 12 inputs: 12 converted, 0 skipped, 0 failed" ]
check "a copy in a nested label is the message" \
  [ "$(msg_subject "$WORK/gm-out/Work/Projects/2026/1-in inbox and a label.msg")" = "in inbox and a label" ]
cmp -s "$WORK/gm-out/Inbox/1-in inbox and a label.msg" "$WORK/gm-out/Work/Projects/2026/1-in inbox and a label.msg" ||
  fail "the copies of one message differ"
# The labels that are state, not folders, are the message file's state.
check "a draft under Drafts" [ "$(msg_state "$WORK/gm-out/Drafts/3-a draft.msg")" = "draft categories=" ]
check "Unread: unread" [ "$(msg_state "$WORK/gm-out/Spam/4-spam.msg")" = "unread categories=" ]
check "Starred: flagged: $(msg_state "$WORK/gm-out/Archive/6-archived.msg")" \
  [ "$(msg_state "$WORK/gm-out/Archive/6-archived.msg" | cut -d' ' -f1)" = "flagged" ]
expect 0 "--by-label again" "${EML2MSG[@]}" --mbox "$WORK/takeout.mbox" --by-label -d "$WORK/gm-out"
check "Gmail rerun: $(summary)" [ "$(summary)" = "eml2msg: 12 inputs: 0 converted, 12 skipped, 0 failed" ]
expect 0 "--by-label first" "${EML2MSG[@]}" --mbox "$WORK/takeout.mbox" --by-label first -d "$WORK/gm-first"
want="Archive Archive/6-archived.msg Clients, old Clients, old/7-quoted label.msg Drafts Drafts/3-a draft.msg Inbox Inbox/1-in inbox and a label.msg Sent Sent/2-sent.msg Spam Spam/4-spam.msg Trash Trash/5-trashed.msg a_b a_b/8-unsafe labels.msg "
check "one copy each: $(names "$WORK/gm-first")" [ "$(names "$WORK/gm-first")" = "$want" ]
expect 2 "--by-label of a folder" "${EML2MSG[@]}" --mbox "$tb" --by-label -d "$WORK/gm-tree"
grep -q "is a folder" "$WORK/stderr" || fail "no reason: $(cat "$WORK/stderr")"

finish
