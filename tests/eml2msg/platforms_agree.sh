#!/usr/bin/env bash
# The two builds of eml2msg write the same bytes for every message of the
# public corpus: the native program and eml2msg.exe under Wine, each
# converting the whole corpus in one run with the creation time fixed.
# Where a file differs, the properties that differ are shown, as the
# native msg_dump reads them.
# Usage: platforms_agree.sh NATIVE_EML2MSG EML2MSG-COMMAND...
#        (exit 77 without the corpus or the native program)
native=$1
shift
source "$(dirname "$0")/cli_lib.sh"
corpus=${MAILVANE_CORPUS:-}
if [ -z "$corpus" ] || [ ! -d "$corpus/eml" ]; then
  echo "SKIP: no corpus (set MAILVANE_CORPUS)"
  exit 77
fi
if [ ! -x "$native" ]; then
  echo "SKIP: no native eml2msg at $native (build the native preset first)"
  exit 77
fi
export SOURCE_DATE_EPOCH=1700000000
inputs=("$corpus"/eml/*.eml)
printf '%s\n' "${inputs[@]}" >"$WORK/corpus-list.txt"
mkdir "$WORK/linux" "$WORK/windows"
expect 0 "the native eml2msg converts the corpus" "$native" -d "$WORK/linux" --files-from "$WORK/corpus-list.txt"
expect 0 "eml2msg.exe converts the corpus" "${EML2MSG[@]}" -d "$WORK/windows" --files-from "$WORK/corpus-list.txt"

dump=$(dirname "$native")/msg_dump
differing=0
for source in "${inputs[@]}"; do
  name=$(basename "$source")
  name=${name%.[eE][mM][lL]}.msg
  if [ ! -f "$WORK/linux/$name" ] || [ ! -f "$WORK/windows/$name" ]; then
    fail "$name: written on one platform only"
    continue
  fi
  cmp -s "$WORK/linux/$name" "$WORK/windows/$name" && continue
  differing=$((differing + 1))
  echo "$name differs between the platforms:"
  if [ -x "$dump" ]; then
    diff --label linux --label windows <("$dump" "$WORK/linux/$name") <("$dump" "$WORK/windows/$name") | head -20
  fi
done
check "$differing of ${#inputs[@]} message files differ between Linux and Windows" [ "$differing" -eq 0 ]
finish
