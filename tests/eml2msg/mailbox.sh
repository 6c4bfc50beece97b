#!/usr/bin/env bash
# eml2msg --mbox: every public corpus message written into mailboxes of
# each variant (mboxrd, mboxo, mboxcl2; LF and CRLF) by this test comes
# back as one message file with the same subject (and, where the mailbox
# holds the message's own bytes, the same file as converting the .eml);
# file names from hostile subjects stay in the output folder; -j 2 writes
# what -j 1 writes; the report places each message; the memory of a run
# does not grow with the mailbox.
# Usage: mailbox.sh EML2MSG-COMMAND...   (exit 77 without the corpus)
source "$(dirname "$0")/cli_lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
corpus=${MAILVANE_CORPUS:-}
if [ -z "$corpus" ] || [ ! -d "$corpus/eml" ]; then
  echo "SKIP: no corpus (set MAILVANE_CORPUS)"
  exit 77
fi
export SOURCE_DATE_EPOCH=1700000000
inputs=("$corpus"/eml/*.eml)
count=${#inputs[@]}
mkdir "$WORK/direct"
# The names go through a list: on one Windows command line (32,767
# characters at most) the corpus's paths do not fit once the checkout's
# folder is long.
printf '%s\n' "${inputs[@]}" >"$WORK/corpus-list.txt"
if ! "${EML2MSG[@]}" -d "$WORK/direct" --files-from "$WORK/corpus-list.txt" 2>"$WORK/direct.stderr"; then
  fail "the corpus does not convert file by file"
  sed 's/^/  | /' "$WORK/direct.stderr" | head -5
fi

# Each output's subject, with the number of its message, against the direct conversions'.
compare_subjects() {  # compare_subjects DESCRIPTION OUTDIR
  /usr/bin/python3 - "$WORK/direct" "$2" "${inputs[@]}" <<'PY' >"$WORK/subjects.log" 2>&1
import os, re, sys, olefile
direct, mailbox, inputs = sys.argv[1], sys.argv[2], sys.argv[3:]
def subject(path):
    with olefile.OleFileIO(path) as ole:
        return ole.openstream("__substg1.0_0037001F").read().decode("utf-16-le") if ole.exists("__substg1.0_0037001F") else None
names = {int(re.match(r"(\d+)", n).group(1)): n for n in os.listdir(mailbox)}
assert len(names) == len(inputs), f"{len(names)} files for {len(inputs)} messages"
for number, source in enumerate(inputs, 1):
    expected = subject(os.path.join(direct, re.sub(r"(?i)\.eml", ".msg", os.path.basename(source))))
    got = subject(os.path.join(mailbox, names[number]))
    assert got == expected, f"message {number} ({source}): {got!r}, not {expected!r}"
PY
  check "$1: $(tail -1 "$WORK/subjects.log")" [ $? -eq 0 ]
}
# Messages that end with a line end are in the mailbox byte for byte: their files must be the same.
compare_bytes() {  # compare_bytes DESCRIPTION OUTDIR
  local number=0 differ=0 source name
  for source in "${inputs[@]}"; do
    number=$((number + 1))
    [ "$(tail -c 1 "$source" | od -An -c | tr -d ' ')" = '\n' ] || continue
    name=$(basename "$source"); name=${name%.[eE][mM][lL]}.msg
    cmp -s "$WORK/direct/$name" "$(ls -d "$2/$number"[-.]* | head -1)" || differ=$((differ + 1))
  done
  check "$1: $differ message files differ from the direct conversion" [ "$differ" -eq 0 ]
}

for variant in "mboxrd lf" "mboxrd crlf" "mboxo lf" "mboxcl2 lf" "mboxcl2 crlf"; do
  set -- $variant
  box=$WORK/corpus-$1-$2.mbox
  /usr/bin/python3 "$here/write_mailbox.py" "$1" "$2" "$box" "${inputs[@]}"
  format=$1; [ "$1" = mboxcl2 ] && format=auto
  expect 0 "--mbox $variant" "${EML2MSG[@]}" --mbox "$box" --mbox-format "$format" -d "$WORK/out-$1-$2"
  grep -q "$count inputs: $count converted" "$WORK/stderr" || fail "$variant: $(tail -1 "$WORK/stderr")"
  compare_subjects "$variant: same subjects" "$WORK/out-$1-$2"
  # mboxo cannot tell a quoted "From " line from a ">From " line of the message; mboxcl2 added a header.
  [ "$1" = mboxrd ] && compare_bytes "$variant" "$WORK/out-$1-$2"
done

expect 0 "--mbox -j 2" "${EML2MSG[@]}" -j 2 --mbox "$WORK/corpus-mboxrd-lf.mbox" -d "$WORK/j2" --report "$WORK/j2.json"
check "-j 2 writes what -j 1 writes" diff -r "$WORK/out-mboxrd-lf" "$WORK/j2"
check "the report places every message at its From line" /usr/bin/python3 -c '
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
data = open(sys.argv[2], "rb").read()
entries = report["inputs"]
assert len(entries) == int(sys.argv[3])
for number, entry in enumerate(entries, 1):
    assert entry["message"] == number and entry["outcome"] == "converted", entry
    assert data[entry["offset"]:entry["offset"] + 5] == b"From ", entry
' "$WORK/j2.json" "$WORK/corpus-mboxrd-lf.mbox" "$count"

# Subjects that would lead out of the folder, or name a device, or run long.
{
  subject() { printf 'From x Mon Jan  1 10:00:00 2001\nSubject: %s\n\nbody\n\n' "$1"; }
  subject '../../escaped'
  subject '..\..\escaped'
  subject '/etc/passwd'
  subject 'CON'
  subject 'nul.txt'
  subject '..'
  subject '=?utf-8?q?=2E=2E=2F=2E=2E=2Fencoded?='
  subject "$(printf 'tab\there')"
  subject "$(printf 'x%.0s' $(seq 1 400))"
  subject "$(printf 'é%.0s' $(seq 1 300))"
  subject ''
} >"$WORK/hostile.mbox"
mkdir -p "$WORK/jail/out"
expect 0 "hostile subjects" "${EML2MSG[@]}" --mbox "$WORK/hostile.mbox" -d "$WORK/jail/out"
check "every file inside the output folder" [ "$(find "$WORK" -name '*.msg' -path "$WORK/jail/*" | wc -l)" -eq 11 -a \
  "$(find "$WORK/jail/out" -maxdepth 1 -type f | wc -l)" -eq 11 -a "$(find "$WORK/jail" -type d | wc -l)" -eq 2 ]
check "no name past 255 bytes" [ -z "$(find "$WORK/jail/out" -type f -printf '%f\n' | awk 'length($0) > 255')" ]
check "a device name is not a device" [ -f "$WORK/jail/out/4-_CON.msg" -a -f "$WORK/jail/out/5-_nul.txt.msg" ]
check "no subject, just the number" [ -f "$WORK/jail/out/11.msg" ]

if [ "$ON_WINDOWS" -eq 0 ]; then
  # A 64 MB mailbox of 64 KB messages: the run's peak memory is that of a
  # few messages, not of the mailbox.
  /usr/bin/python3 - "$WORK/big.mbox" <<'PY'
import sys
line = b"x" * 76 + b"\n"
message = b"From a Mon Jan  1 10:00:00 2001\nSubject: filler\n\n" + line * (64 * 1024 // len(line)) + b"\n"
with open(sys.argv[1], "wb") as f:
    for _ in range(1024):
        f.write(message)
PY
  peak=$(/usr/bin/python3 -c '
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024)
' "${EML2MSG[@]}" -j 2 --mbox "$WORK/big.mbox" -d "$WORK/big")
  echo "peak memory over a $(($(stat -c %s "$WORK/big.mbox") >> 20)) MB mailbox: $peak MB"
  check "peak memory $peak MB stays under 40 MB" [ "$peak" -lt 40 ]
  check "1024 messages" [ "$(find "$WORK/big" -type f | wc -l)" -eq 1024 ]
fi
finish
