#!/usr/bin/env bash
# Runs libFuzzer harnesses of a fuzz build for SECONDS each, JOBS at a time,
# and prints one summary line per harness. New inputs go to BUILD/fuzz/corpus
# (the seeds in fuzz/corpus are only read), findings to BUILD/fuzz/findings,
# logs to BUILD/fuzz/logs; the harnesses' own files go to a temporary folder
# that is removed at the end. Fails when any harness found something.
#
# Usage: fuzz/run-fuzzers.sh BUILD SECONDS [HARNESS...]
#        (harnesses: config script lexan text_layout exports lsp decompile; default: all)
set -euo pipefail

build=$(cd "${1:?usage: fuzz/run-fuzzers.sh BUILD SECONDS [HARNESS...]}" && pwd)
seconds=${2:?usage: fuzz/run-fuzzers.sh BUILD SECONDS [HARNESS...]}
shift 2
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=(config script lexan text_layout exports lsp decompile)
jobs=${JOBS:-2}
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz/logs"

run() { # harness
  local name=$1 options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1)
  local seeds=("fuzz/corpus/$name")
  mkdir -p "$build/fuzz/corpus/$name" "$build/fuzz/findings/$name"
  case $name in
    text_layout | decompile) ;;
    # Binary files, seeded with the sample templates as well; no input is cut short.
    exports)
      mkdir -p "$work/seeds/exports"
      cp templates/*.dll "$work/seeds/exports/"
      seeds+=("$work/seeds/exports") ;;
    *) options+=(-dict="$build/fuzz/kestrix.dict" -max_len=8192) ;;
  esac
  TMPDIR=$work "$build/fuzz/${name}_fuzzer" "${options[@]}" -artifact_prefix="$build/fuzz/findings/$name/" \
    "$build/fuzz/corpus/$name" "${seeds[@]}" >"$build/fuzz/logs/$name.log" 2>&1
}

declare -A pids
status=0
running=0
passed=0
failed=0
for name in "${harnesses[@]}"; do
  [ -x "$build/fuzz/${name}_fuzzer" ] || { echo "fuzz: no harness $build/fuzz/${name}_fuzzer" >&2; exit 2; }
  if [ "$running" -ge "$jobs" ]; then wait -n || true; running=$((running - 1)); fi
  run "$name" &
  pids[$name]=$!
  running=$((running + 1))
done

for name in "${harnesses[@]}"; do
  log=$build/fuzz/logs/$name.log
  if wait "${pids[$name]}"; then result=clean; else result="FINDING (see $log)"; status=1; fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  time=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  corpus=$(find "$build/fuzz/corpus/$name" -type f | wc -l)
  echo "fuzz: $name: ${executions:-?} executions in ${time:-?} s, corpus $corpus, $result"
  if [ "$result" = clean ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
