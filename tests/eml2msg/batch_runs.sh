#!/usr/bin/env bash
# Batches of the corpus: -j 2 writes the same bytes, names, messages and
# report as -j 1; lists from a file, from the standard input and
# NUL-separated convert the same; GNU parallel sharding a list over two
# jobs writes every output. SOURCE_DATE_EPOCH fixes the creation time each
# message file records, so that runs can be compared byte for byte.
# Usage: batch_runs.sh EML2MSG-COMMAND...   (exit 77 without the corpus)
source "$(dirname "$0")/cli_lib.sh"
corpus=${MAILVANE_CORPUS:-}
if [ -z "$corpus" ] || [ ! -d "$corpus/eml" ]; then
  echo "SKIP: no corpus (set MAILVANE_CORPUS)"
  exit 77
fi
export SOURCE_DATE_EPOCH=1700000000
mkdir "$WORK/in"
cp "$corpus"/eml/*.eml "$WORK/in/"
inputs=("$WORK"/in/*.eml)
# Two inputs that fail, among the others, so that failure lines of several workers meet.
with_failures=("${inputs[@]:0:100}" "$WORK/in/missing-1.eml" "${inputs[@]:100}" "$WORK/in/missing-2.eml")
printf '%s\n' "${with_failures[@]}" >"$WORK/list.txt"

same_tree() {  # same_tree DESCRIPTION A B: the same names, each file the same bytes
  local what=$1 a=$2 b=$3
  if ! diff <(listing "$a") <(listing "$b") >/dev/null; then fail "$what: the file names differ"; return; fi
  if ! diff -r "$a" "$b" >/dev/null; then fail "$what: $(diff -r -q "$a" "$b" | head -3)"; return; fi
  pass
}
without_time() { sed -E 's/ in [0-9.]+ s$//' "$1"; }

for jobs in 1 2; do
  mkdir "$WORK/out$jobs"
  expect 1 "-j $jobs with two missing inputs" "${EML2MSG[@]}" -j "$jobs" -d "$WORK/out$jobs" \
    --report "$WORK/report$jobs.json" "${with_failures[@]}"
  cp "$WORK/stderr" "$WORK/stderr$jobs"
done
check "-j 1 converted every message" [ "$(find "$WORK/out1" -name '*.msg' | wc -l)" -eq "${#inputs[@]}" ]
same_tree "-j 2 against -j 1" "$WORK/out1" "$WORK/out2"
check "-j 2 says what -j 1 says, line for line" diff <(without_time "$WORK/stderr1") <(without_time "$WORK/stderr2")
check "the failure lines are whole" [ "$(grep -c -E '^eml2msg: .*missing-[12]\.eml: no such file$' "$WORK/stderr2")" -eq 2 ]
check "-j 2 reports what -j 1 reports" cmp -s <(sed "s|$WORK/out1|OUT|" "$WORK/report1.json") \
  <(sed "s|$WORK/out2|OUT|" "$WORK/report2.json")
check "the report is JSON with every input" /usr/bin/python3 -c '
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
outcomes = [entry["outcome"] for entry in report["inputs"]]
assert len(outcomes) == int(sys.argv[2]) + 2, len(outcomes)
assert outcomes.count("failed") == 2 and report["failed"] == 2
assert report["converted"] == int(sys.argv[2])
# The text is checked when there is a report to show it: the corpus has
# text in unknown charsets and text invalid in its own.
kinds = {issue["issue"] for entry in report["inputs"] for issue in entry["issues"]}
assert {"UnknownCharset", "UndecodableText"} <= kinds, kinds
' "$WORK/report2.json" "${#inputs[@]}"

mkdir "$WORK/from-file" "$WORK/from-stdin" "$WORK/from-nul"
# These runs have no report, so the text goes unchecked: the files are the same.
expect 1 "--files-from a file, -j 2" "${EML2MSG[@]}" -j 2 -d "$WORK/from-file" --files-from "$WORK/list.txt"
same_tree "--files-from a file" "$WORK/out1" "$WORK/from-file"
expect 1 "--files-from the standard input" "${EML2MSG[@]}" -d "$WORK/from-stdin" --files-from - <"$WORK/list.txt"
same_tree "--files-from -" "$WORK/out1" "$WORK/from-stdin"
printf '%s\0' "${inputs[@]}" >"$WORK/list0"
expect 0 "--files-from - -0" "${EML2MSG[@]}" -j 2 -d "$WORK/from-nul" --files-from - -0 <"$WORK/list0"
same_tree "NUL-separated" "$WORK/out1" "$WORK/from-nul"
if [ "$ON_WINDOWS" -eq 0 ]; then
  # Only NUL separation carries a name with a line feed in it.
  odd=$'odd\nname.eml'
  cp "${inputs[0]}" "$WORK/$odd"
  mkdir "$WORK/odd-out"
  printf '%s\0' "$WORK/$odd" >"$WORK/odd-list0"
  expect 0 "a name with a line feed, NUL-separated" "${EML2MSG[@]}" -d "$WORK/odd-out" --files-from "$WORK/odd-list0" -0
  check "a name with a line feed, NUL-separated: its output" [ -f "$WORK/odd-out/"$'odd\nname.msg' ]
fi

# GNU parallel cuts the list into blocks of 50 names and runs two eml2msg at
# a time over them, as it would spread them over machines with -S.
if command -v parallel >/dev/null; then
  mkdir "$WORK/sharded"
  parallel --will-cite --pipe -N 50 -j 2 "${EML2MSG[@]}" -d "$WORK/sharded" --files-from - \
    <"$WORK/list.txt" >"$WORK/parallel.out" 2>&1
  check "parallel -j 2: every output, the same bytes" diff -r "$WORK/out1" "$WORK/sharded"
  check "parallel -j 2: one summary line per block of 50" \
    [ "$(grep -c '^eml2msg: [0-9]* inputs: ' "$WORK/parallel.out")" -eq $(((${#with_failures[@]} + 49) / 50)) ]
else
  fail "GNU parallel is not installed (tools/setup installs it)"
fi
finish
