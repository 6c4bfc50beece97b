#!/usr/bin/env bash
# The sample store of the node database alone, opened by readers we did
# not write: pffinfo (with its allocation listing) and pypff. Neither may
# report an error, and what they find must be the file's own facts: its
# size, permute encoding ("compressible"), 64-bit (Unicode) layout, and
# free ranges inside the file. The store has no message store, so the
# readers' folder views are not asked for.
# Usage: ndb_readers_test.sh NDB_SAMPLE_STORE
set -u
writer=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
store=$work/sample.pst

"$writer" "$store" || { echo "FAIL: the writer: status $?"; exit 1; }
size=$(stat -c %s "$store")

if ! command -v pffinfo >/dev/null; then
  echo "no pffinfo: skipped"
  exit 77
fi
pffinfo -a "$store" >"$work/out" 2>"$work/err"; status=$?
cat "$work/err"
[ $status -eq 0 ] || fail "pffinfo: status $status"
[ -s "$work/err" ] && fail "pffinfo wrote errors"
grep -q "File size:[[:space:]]*$size bytes" "$work/out" || fail "pffinfo: size: $(cat "$work/out")"
grep -q "File type:[[:space:]]*64-bit" "$work/out" || fail "pffinfo: type: $(cat "$work/out")"
grep -q "Encryption type:[[:space:]]*compressible" "$work/out" || fail "pffinfo: encryption: $(cat "$work/out")"
# Every free range pffinfo lists ends inside the file.
while read -r _ _ _ end _; do
  [ "$end" -le "$size" ] || fail "pffinfo: a free range ends at $end, past $size"
done < <(grep -E '^[[:space:]]*[0-9]+ \(0x[0-9a-f]+\) - [0-9]+' "$work/out" | sed 's/[()]//g')

if [ -x /usr/bin/python3 ] && /usr/bin/python3 -c 'import pypff' 2>/dev/null; then
  /usr/bin/python3 - "$store" "$size" >"$work/out" 2>"$work/err" <<'PY'
import sys
import pypff
f = pypff.file()
f.open(sys.argv[1])
assert f.get_size() == int(sys.argv[2]), f.get_size()
assert f.get_encryption_type() == 1, f.get_encryption_type()
print("pypff: opened", f.get_size(), "bytes")
f.close()
PY
  status=$?
  cat "$work/out" "$work/err"
  [ $status -eq 0 ] || fail "pypff: status $status"
else
  echo "no pypff: its part skipped"
fi
exit $failed
