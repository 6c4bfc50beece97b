# Sourced by the command-line tests of eml2msg. The arguments of a test
# are the command that runs eml2msg: the native program, or a Windows
# emulator followed by eml2msg.exe, so that one script checks both.
#   EML2MSG=(...)   the command
#   ON_WINDOWS      1 for eml2msg.exe
#   WORK            a fresh folder, removed at exit
#   expect STATUS DESCRIPTION COMMAND...   runs COMMAND with stdout and
#                   stderr in $WORK/stdout and $WORK/stderr
#   check DESCRIPTION TEST...              a test(1)-style assertion
#   msg_subject FILE                       the subject of a message file
#   write_large_messages DIR COUNT MB      COUNT messages largeN.eml (subject
#                   largeN), each with MB MiB of random bytes attached
#   store_passes STORE...                  each store passes $PST_CHECK (the
#                   checker), its findings shown; nothing when it is unset
#   finish                                 prints the counts; the exit status
set -u
EML2MSG=("$@")
# The tests change folders: the program (and its emulator) by absolute paths.
for i in "${!EML2MSG[@]}"; do
  [ -e "${EML2MSG[$i]}" ] && EML2MSG[$i]=$(realpath "${EML2MSG[$i]}")
done
ON_WINDOWS=0
[[ ${EML2MSG[-1]} == *.exe ]] && ON_WINDOWS=1
WORK=$(mktemp -d "${TMPDIR:-/tmp}/mailvane-cli-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
passed=0
failed=0

fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
pass() { passed=$((passed + 1)); }

expect() {
  local want=$1 what=$2
  shift 2
  "$@" >"$WORK/stdout" 2>"$WORK/stderr"
  local got=$?
  if [ "$got" -eq "$want" ]; then pass; else fail "$what: exit $got, want $want"; sed 's/^/  | /' "$WORK/stderr" | head -5; fi
}

check() {
  local what=$1
  shift
  if "$@"; then pass; else fail "$what"; fi
}

# The message files in a folder, as "name size" lines, sorted.
listing() { (cd "$1" && find . -type f -printf '%P %s\n' | LC_ALL=C sort); }

# A small valid message with the given subject.
write_message() { printf 'From: a@example.org\r\nTo: b@example.org\r\nSubject: %s\r\n\r\nbody of %s\r\n' "$2" "$2" >"$1"; }

# The subject of a message file, read with olefile (a reader we did not write).
msg_subject() {
  /usr/bin/python3 -c '
import sys, olefile
with olefile.OleFileIO(sys.argv[1]) as ole:
    print(ole.openstream("__substg1.0_0037001F").read().decode("utf-16-le"))
' "$1"
}

write_large_messages() {
  mkdir -p "$1"
  /usr/bin/python3 - "$1" "$2" "$3" <<'PY'
import base64, os, sys
folder, count, mib = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for i in range(count):
    body = base64.encodebytes(os.urandom(mib * 1024 * 1024)).replace(b"\n", b"\r\n")
    with open(os.path.join(folder, f"large{i}.eml"), "wb") as f:
        f.write(b"From: a@example.org\r\nSubject: large%d\r\nMIME-Version: 1.0\r\n" % i)
        f.write(b'Content-Type: multipart/mixed; boundary="b"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n')
        f.write(b'--b\r\nContent-Type: application/octet-stream; name="a.bin"\r\nContent-Transfer-Encoding: base64\r\n\r\n')
        f.write(body + b"--b--\r\n")
PY
}

store_passes() {
  [ -n "${PST_CHECK:-}" ] || return 0
  local store status
  for store in "$@"; do
    "$PST_CHECK" "$store" >"$WORK/check" 2>&1
    status=$?
    sed 's/^/  | /' "$WORK/check"
    check "$store passes the checker" [ "$status" -eq 0 ]
  done
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
