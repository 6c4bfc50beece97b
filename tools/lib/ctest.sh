# Sourced by tools/test after env.sh: runs CTest in a build and keeps the
# run's totals, so that every test stage reports into one last line.

MV_PASSED=0
MV_FAILED=0
MV_SKIPPED=0
MV_TEST_STATUS=0
MV_CORPUS_SKIPS=()

# mv_run_ctest CONFIG [CTEST OPTIONS...]: runs the tests of build/CONFIG,
# prints failures in full and one line per skipped test with its reason,
# and adds the counts to the totals.
mv_run_ctest() {
  local config=$1; shift
  mv_log "testing $config"
  local log=$MAILVANE_ROOT/build/$config-ctest.log
  (cd "$MAILVANE_ROOT/build/$config" && ctest --output-on-failure --timeout 600 "$@") 2>&1 | tee "$log" |
    grep -v -E '^ +Start +[0-9]+:|^test [0-9]+$' || true
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -1)
  if [ -z "$line" ]; then
    if grep -q 'No tests were found' "$log"; then return; fi
    echo "ctest did not finish for $config"
    MV_TEST_STATUS=1
    return
  fi
  local failed total skipped=() name reason
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  mapfile -t skipped < <(sed -n -E 's/^\s+[0-9]+ - (\S+) \(Skipped\)$/\1/p' "$log")
  for name in "${skipped[@]}"; do
    reason=$(mv_skip_reason "$config" "$name")
    echo "skipped: $config $name: $reason"
    if grep -q -i 'no corpus' <<<"$reason"; then MV_CORPUS_SKIPS+=("$config $name"); fi
  done
  MV_PASSED=$((MV_PASSED + total - failed - ${#skipped[@]}))
  MV_FAILED=$((MV_FAILED + failed))
  MV_SKIPPED=$((MV_SKIPPED + ${#skipped[@]}))
  [ "$failed" -eq 0 ] || MV_TEST_STATUS=1
}

# What test NAME of build/CONFIG printed in its last run.
mv_test_output() {
  awk -v name="$2" '
    $0 ~ "^[0-9]+/[0-9]+ Test: " name "$" { on = 1; next }
    on && $0 == "<end of output>" { exit }
    on && out { print }
    on && $0 == "Output:" { getline; out = 1 }' "$MAILVANE_ROOT/build/$1/Testing/Temporary/LastTest.log"
}

# Why test NAME of build/CONFIG skipped: the message of GoogleTest's
# GTEST_SKIP (the line after "file:line: Skipped"), else the script's own
# "SKIP: ..." line, else its last line.
mv_skip_reason() {
  local output reason
  output=$(mv_test_output "$1" "$2")
  reason=$(grep -m1 -A1 -E ': Skipped$' <<<"$output" | sed -n 2p)
  [ -n "$reason" ] || reason=$(grep -m1 -E '^SKIP' <<<"$output")
  [ -n "$reason" ] || reason=$(grep -v -E '^\s*$' <<<"$output" | tail -1)
  printf '%s\n' "$reason"
}

# Prints the totals as the run's last line; fails when a test failed, or
# skipped for want of the corpus while one was found (see env.sh).
mv_report_tests() {
  local shared=${MAILVANE_CORPUS:-$MAILVANE_ROOT/../shared/corpus}
  if [ ${#MV_CORPUS_SKIPS[@]} -gt 0 ] && [ -d "$shared" ]; then
    echo
    echo "${#MV_CORPUS_SKIPS[@]} tests skipped for want of the corpus, yet $(cd "$shared" && pwd) exists" \
      "(MAILVANE_CORPUS=${MAILVANE_CORPUS:-}):"
    printf '  %s\n' "${MV_CORPUS_SKIPS[@]}"
    MV_TEST_STATUS=1
  fi
  echo
  echo "$MV_PASSED passed, $MV_FAILED failed, $MV_SKIPPED skipped"
  return $MV_TEST_STATUS
}
