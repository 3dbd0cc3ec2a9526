#!/usr/bin/env bash
# Runs each libFuzzer target of the portable core for longer than the tests do and prints its
# figures: executions, executions per second and the final coverage (libFuzzer's cov: edges
# and ft: features).
#
#   bench/fuzz/run-fuzz-bench.sh [SECONDS]     (default 300 per fuzzer, one after the other)
#
# Needs the host-fuzz build (cmake --preset host-fuzz && cmake --build --preset host-fuzz).
# Each run starts from the saved corpus, copied as the tests copy it; a crashing input is kept
# in build/host-fuzz/fuzz-artifacts/, and the script then ends with a non-zero exit code; so
# does a fuzzer that left no statistics ("failed: ..." instead of its figures).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-300}
build=$root/build/host-fuzz
runner=$root/tests/fuzz/run-fuzzer.sh

crashed=0
for name in command_line options_record settings_encoding video_format avi_probe; do
  fuzzer=$build/tests/fuzz/${name}_fuzzer
  if [ ! -x "$fuzzer" ]; then
    echo "missing $fuzzer (cmake --preset host-fuzz && cmake --build --preset host-fuzz)" >&2
    exit 1
  fi
  echo "== $name: $seconds s"
  if ! "$runner" "$fuzzer" "$root/tests/fuzz/corpus/$name" "$seconds" \
      "$build/bench-results/fuzz_$name.xml" >/dev/null 2>&1; then
    echo "# $name found a crash: $(sed -n 's/.*<failure message="\([^"]*\)".*/\1/p' "$build/bench-results/fuzz_$name.xml")"
    crashed=1
  fi
  log=$build/fuzz-work/$name/fuzz.log
  execs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" 2>/dev/null)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *\([0-9]*\).*/\1/p' "$log" 2>/dev/null)
  # The last status line of the run (DONE, or the last one before a crash).
  last=$(grep -E '^#[0-9]+[[:space:]]' "$log" 2>/dev/null | tail -n 1)
  cov=$(printf '%s\n' "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
  ft=$(printf '%s\n' "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  # A run that left no statistics did no work to count: no figure rather than a 0.
  if [ -z "$execs" ] || [ -z "$rate" ] || [ -z "$cov" ] || [ -z "$ft" ]; then
    echo "failed: fuzz.$name: no statistics in $log"
    crashed=1
    continue
  fi
  echo "figure: fuzz.$name.execs $execs"
  echo "figure: fuzz.$name.execs_per_s $rate"
  echo "figure: fuzz.$name.coverage $cov"
  echo "figure: fuzz.$name.features $ft"
done
exit "$crashed"
