#!/usr/bin/env bash
# eml2msg --pst past 2 GB: a mailbox of 640 messages, each with 3.5 MB of
# random bytes attached, as one store of about 2.3 GB, which the checker
# passes and pffinfo and pypff (libpff, readers we did not write) open; the
# messages written last, past the first 2 GB of the file, hold their own
# bytes. Then the same mailbox split at --pst-limit 1G into three stores.
# It writes about 9 GB and takes minutes: run only when asked
# (MAILVANE_LARGE_STORE=1), with the figures printed.
# Usage: PST_CHECK=pst_check pst_large_store.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
work=$WORK
if [ "${MAILVANE_LARGE_STORE:-0}" != 1 ]; then
  echo "SKIP: a store past 2 GB is written only with MAILVANE_LARGE_STORE=1"
  exit 77
fi
if ! command -v pffinfo >/dev/null || ! /usr/bin/python3 -c 'import pypff' 2>/dev/null; then
  echo "SKIP: no pffinfo or pypff"
  exit 77
fi
: "${PST_CHECK:?the checker}"
shown() { sed 's/^/  | /' "$work/stderr"; }
count=640
/usr/bin/python3 - "$work/large.mbox" "$count" <<'PY'
import base64, os, sys
path, count = sys.argv[1], int(sys.argv[2])
block = os.urandom(3584 * 1024)
with open(path, "wb") as out:
    for i in range(count):
        data = b"%08d" % i + block[8:]
        out.write(b"From a@example.org Mon Jan  1 00:00:00 2024\n")
        out.write(b"From: a@example.org\nTo: b@example.org\nSubject: large %d\nMIME-Version: 1.0\n" % i)
        out.write(b'Content-Type: multipart/mixed; boundary="b"\n\n--b\nContent-Type: text/plain\n\nbody %d\n' % i)
        out.write(b'--b\nContent-Type: application/octet-stream; name="a%d.bin"\nContent-Transfer-Encoding: base64\n\n' % i)
        out.write(base64.encodebytes(data) + b"--b--\n\n")
PY

started=$(date +%s.%N)
expect 0 "a mailbox into one store" /usr/bin/time -f '%M KiB peak, %e s' "${EML2MSG[@]}" --mbox "$work/large.mbox" --pst "$work/large.pst"
shown
seconds=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN {printf "%.1f", b - a}')
size=$(stat -c %s "$work/large.pst")
echo "figures: $count messages, store of $size bytes in $seconds s; $(tail -1 "$work/stderr")"
check "the store is past 2 GB" [ "$size" -gt $((2 * 1024 * 1024 * 1024)) ]

store_passes "$work/large.pst"
pffinfo "$work/large.pst" >"$work/info" 2>"$work/info-errors"
status=$?
cat "$work/info-errors"
check "pffinfo opens it" [ "$status" -eq 0 -a ! -s "$work/info-errors" ]
grep -q "File size:[[:space:]]*$size bytes" "$work/info" || fail "pffinfo: $(cat "$work/info")"

# Every message is there once, and the last ones, far into the file, hold
# the bytes they were given.
/usr/bin/python3 - "$work/large.pst" "$count" >"$work/read" 2>&1 <<'PY'
import sys
import pypff
path, count = sys.argv[1], int(sys.argv[2])
store = pypff.file()
store.open(path)
subjects = {}
def walk(folder):
    for message in folder.sub_messages:
        subjects[message.subject] = message
    for sub in folder.sub_folders:
        walk(sub)
walk(store.get_root_folder())
bad = 0
for i in list(range(count - 8, count)) + [0, count // 2]:
    message = subjects.get("large %d" % i)
    if message is None:
        print("missing: large %d" % i); bad += 1; continue
    attachment = message.get_attachment(0)
    data = attachment.read_buffer(attachment.get_size())
    if len(data) != 3584 * 1024 or data[:8] != b"%08d" % i:
        print("large %d: attachment of %d bytes starting %r" % (i, len(data), data[:8])); bad += 1
print("%d messages read" % len(subjects))
sys.exit(1 if bad or len(subjects) != count else 0)
PY
status=$?
sed 's/^/  | /' "$work/read"
check "pypff reads every message, the last ones' bytes whole" [ "$status" -eq 0 ]
rm -f "$work/large.pst"

# Split at 1 GB: three whole stores, every message in one of them.
expect 0 "the mailbox split at 1G" "${EML2MSG[@]}" --mbox "$work/large.mbox" --pst "$work/part.pst" --pst-limit 1G
shown
ls -l "$work"/part*.pst
check "three stores" [ -f "$work/part.pst" -a -f "$work/part-2.pst" -a -f "$work/part-3.pst" -a ! -e "$work/part-4.pst" ]
total=0
for store in "$work"/part*.pst; do
  store_passes "$store"
  n=$(/usr/bin/python3 -c '
import sys, pypff
f = pypff.file(); f.open(sys.argv[1])
def n(folder): return folder.number_of_sub_messages + sum(n(s) for s in folder.sub_folders)
print(n(f.get_root_folder()))' "$store")
  echo "figures: $(basename "$store"): $(stat -c %s "$store") bytes, $n messages"
  total=$((total + n))
done
check "the three stores hold every message once ($total)" [ "$total" -eq "$count" ]
finish
