#!/usr/bin/env bash
# Runs one libFuzzer target for a while and reports the run as a GoogleTest XML report with
# one test case, which fails when the fuzzer found a crash (or a leak, a time-out, a broken
# property: anything that makes libFuzzer stop early).
#
#   tests/fuzz/run-fuzzer.sh FUZZER CORPUS_DIR SECONDS REPORT.xml [libFuzzer flags...]
#
# The saved corpus is copied into a scratch directory of the fuzzer's build tree (the first
# parent directory with a CMakeCache.txt), so the repository's copy is never written; the
# inputs the run adds stay there. A crashing input is kept in fuzz-artifacts/NAME/ of the same
# tree, and the report names it. Exits non-zero when the case failed.
set -uo pipefail

if [ $# -lt 4 ]; then
  echo "usage: $0 FUZZER CORPUS_DIR SECONDS REPORT.xml [libFuzzer flags...]" >&2
  exit 2
fi
fuzzer=$1 corpus=$2 seconds=$3 report=$4
shift 4
name=$(basename "$fuzzer")
name=${name%_fuzzer}

mkdir -p "$(dirname "$report")"
start=$(date +%s.%N)
message=""
log=""
if [ ! -x "$fuzzer" ] || [ -d "$fuzzer" ]; then
  message="no fuzzer at $fuzzer"
elif [ ! -d "$corpus" ]; then
  message="no saved corpus at $corpus"
else
  tree=$(cd "$(dirname "$fuzzer")" && pwd)
  top=$tree
  while [ "$tree" != / ] && [ ! -f "$tree/CMakeCache.txt" ]; do tree=$(dirname "$tree"); done
  [ -f "$tree/CMakeCache.txt" ] || tree=$top
  work=$tree/fuzz-work/$name
  artifacts=$tree/fuzz-artifacts/$name
  log=$work/fuzz.log
  rm -rf "$work"
  mkdir -p "$work/corpus" "$artifacts"
  cp -R "$corpus/." "$work/corpus/"
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$@" "$work/corpus" >"$log" 2>&1
  status=$?
  if [ "$status" -ne 0 ]; then
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    message="$name stopped with exit code $status"
    [ -n "$artifact" ] && message="$message; input kept in $artifact"
    message="$message; log $log"
  fi
fi
end=$(date +%s.%N)
time=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')

escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'; }
failures=0
[ -n "$message" ] && failures=1
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo "<testsuites tests=\"1\" failures=\"$failures\" disabled=\"0\" errors=\"0\" time=\"$time\" name=\"AllTests\">"
  echo "  <testsuite name=\"Fuzz\" tests=\"1\" failures=\"$failures\" disabled=\"0\" skipped=\"0\" errors=\"0\" time=\"$time\">"
  echo "    <testcase name=\"$name\" status=\"run\" result=\"completed\" time=\"$time\" classname=\"Fuzz\">"
  if [ -n "$message" ]; then
    echo "      <failure message=\"$(printf '%s' "$message" | escape)\" type=\"\"><![CDATA["
    # The end of the fuzzer's output: the sanitizer's report and the broken property.
    [ -n "$log" ] && [ -f "$log" ] && tail -n 60 "$log" | sed 's/]]>/]]]]><![CDATA[>/g'
    echo "]]></failure>"
  fi
  echo "    </testcase>"
  echo "  </testsuite>"
  echo "</testsuites>"
} >"$report"

if [ -n "$message" ]; then
  echo "$message" >&2
  [ -n "$log" ] && [ -f "$log" ] && tail -n 60 "$log" >&2
  exit 1
fi
sed -n 's/^\(#[0-9]*\s*DONE.*\)$/\1/p' "$log"
exit 0
