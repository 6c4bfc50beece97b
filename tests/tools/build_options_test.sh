#!/usr/bin/env bash
# tools/lib/env.sh's mv_build configures a build again when a -D option
# given differs from the build's cache, and only then. Runs mv_build over a
# checkout of its own that holds a one-option project and one preset.
# Usage: build_options_test.sh SOURCE_ROOT
set -u
source_root=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/mailvane-build-options-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tools/lib"
cp "$source_root/tools/lib/env.sh" "$work/tools/lib/"
cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(BuildOptions NONE)
option(FEATURE "an option" OFF)
file(APPEND ${CMAKE_BINARY_DIR}/configure-runs "run\n")
CMAKE
cat >"$work/CMakePresets.json" <<'JSON'
{
  "version": 6,
  "configurePresets": [
    { "name": "plain", "generator": "Ninja", "binaryDir": "${sourceDir}/build/${presetName}",
      "cacheVariables": { "FEATURE": "OFF" } }
  ]
}
JSON

passed=0
failed=0
check() {  # check DESCRIPTION WANTED_FEATURE WANTED_RUNS
  local feature runs
  feature=$(sed -n 's/^FEATURE:BOOL=//p' "$work/build/plain/CMakeCache.txt")
  runs=$(wc -l <"$work/build/plain/configure-runs")
  if [ "$feature" = "$2" ] && [ "$runs" -eq "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $1: FEATURE=$feature after $runs configure runs, want $2 after $3"
  fi
}
build() { (source "$work/tools/lib/env.sh" && mv_build plain "$@") >/dev/null || echo "mv_build plain $* failed"; }

build
check "the first build configures from the preset" OFF 1
build
check "no options configure nothing" OFF 1
build -DFEATURE=ON
check "a value other than the cache's is taken" ON 2
build -DFEATURE=ON
check "the cache's value configures nothing" ON 2
build
check "an option not given keeps the cache's value" ON 2
build -DFEATURE:BOOL=OFF
check "an option given with its type is taken" OFF 3
cmake -DFEATURE=ON "$work/build/plain" >/dev/null
build -DFEATURE=OFF
check "a cache changed by hand is put back" OFF 5
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
