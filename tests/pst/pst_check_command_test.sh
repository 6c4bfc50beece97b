#!/usr/bin/env bash
# pst_check's exit status and output: 0 and nothing for Outlook's empty
# store, 1 and one line per defect for a damaged copy, 2 for a file that
# cannot be read. Usage: pst_check_command_test.sh PST_CHECK
set -u
checker=$1
corpus=${MAILVANE_CORPUS:-$(dirname "$0")/../../../shared/corpus}
store=$corpus/pst/outlook-pst-rs-Empty.pst
if [ ! -f "$store" ]; then
  echo "no store $store: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

"$checker" "$store" >"$work/out" 2>"$work/err"; status=$?
[ $status -eq 0 ] || fail "the empty store: status $status"
[ -s "$work/out" ] && fail "the empty store: output $(cat "$work/out")"
cat "$work/err"

# dwCRCFull covers byte 514; the copy breaks that rule and keeps the original.
cp "$store" "$work/damaged.pst"
printf '\001' | dd of="$work/damaged.pst" bs=1 seek=514 conv=notrunc status=none
"$checker" "$work/damaged.pst" >"$work/out" 2>"$work/err"; status=$?
[ $status -eq 1 ] || fail "a damaged copy: status $status"
grep -q "^$work/damaged.pst: header.crc_full: header: " "$work/out" || fail "a damaged copy: $(cat "$work/out")"
cmp -s "$store" "$work/damaged.pst" && fail "the copy was not damaged"
cat "$work/err"

"$checker" "$work/absent.pst" >"$work/out" 2>"$work/err"; status=$?
[ $status -eq 2 ] || fail "an absent file: status $status"
grep -q "absent.pst: cannot be read" "$work/err" || fail "an absent file: $(cat "$work/err")"

"$checker" >"$work/out" 2>"$work/err"; status=$?
[ $status -eq 2 ] || fail "no arguments: status $status"
grep -q "usage" "$work/err" || fail "no arguments: $(cat "$work/err")"
exit $failed
