#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the Linux unit
# tests, then the Windows tests under Wine. Ends with one line "N passed, N failed"
# (", N skipped" when any were skipped) and a non-zero exit code on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh || { echo "install-deps failed"; echo "0 passed, 1 failed"; exit 1; }

build_preset() {
  cmake --preset "$1" >"build-$1.log" 2>&1 && cmake --build --preset "$1" -j"$jobs" >>"build-$1.log" 2>&1
}

mkdir -p build
build_failed=0
for preset in host windows; do
  rm -rf "build/$preset/test-results"
  if ! build_preset "$preset"; then
    echo "build of preset $preset failed:"; tail -n 40 "build-$preset.log"
    build_failed=$((build_failed + 1))
  fi
  mv -f "build-$preset.log" "build/$preset-build.log" 2>/dev/null
done

. scripts/wine-env.sh

ctest_failed=()
run_ctest() {  # preset
  [ -d "build/$1" ] || return
  mkdir -p "build/$1/test-results"
  rm -f "build/$1/Testing/Temporary/LastTestsFailed.log"
  if ! ctest --test-dir "build/$1" --output-on-failure --timeout 900 --output-junit "$root/build/$1/test-results/ctest.junit"; then
    ctest_failed+=("$1")
  fi
}

run_ctest host
wine_session_start
run_ctest windows
wine_session_stop

# Sum the GoogleTest reports; a test program that failed without reporting a failed case
# (a crash, a time-out) counts as one failure.
passed=0; failed=0; skipped=0
xml_failures() { grep -m1 '<testsuites' "$1" | sed -n 's/.* failures="\([0-9]*\)".*/\1/p'; }
for preset in host windows; do
  dir="build/$preset/test-results"
  for xml in "$dir"/*.xml; do
    [ -f "$xml" ] || continue
    head=$(grep -m1 '<testsuites' "$xml")
    t=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$head")
    f=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$head")
    e=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$head")
    s=$(grep -c '<skipped' "$xml")
    t=${t:-0}; f=${f:-0}; e=${e:-0}
    passed=$((passed + t - f - e - s)); failed=$((failed + f + e)); skipped=$((skipped + s))
  done
  failed_log="build/$preset/Testing/Temporary/LastTestsFailed.log"
  [ -f "$failed_log" ] || continue
  while IFS=: read -r _ name; do
    [ -n "$name" ] || continue
    if [ ! -f "$dir/$name.xml" ] || [ "$(xml_failures "$dir/$name.xml")" = 0 ]; then
      echo "$preset/$name failed without a failed case (crash or time-out)"
      failed=$((failed + 1))
    fi
  done <"$failed_log"
done
failed=$((failed + build_failed))

summary="$passed passed, $failed failed"
[ "$skipped" -gt 0 ] && summary="$summary, $skipped skipped"
echo "$summary"
[ "$failed" -eq 0 ] && [ "${#ctest_failed[@]}" -eq 0 ]
