#!/usr/bin/env bash
# Installs what is missing, builds every preset (host, host-asan, host-fuzz, windows = 32-bit,
# windows64) and runs every test this machine can run: the Linux unit tests (also under the
# address and undefined-behaviour sanitizers), each fuzzer for a bounded time, then the
# Windows tests of each build under Wine, each build in a prefix of its own and on an Xvfb
# display of the tests' own. The
# 64-bit build's tests always run; the 32-bit build's only where the kernel runs 32-bit
# programs (found out by running one) and the 32-bit Wine is installed, else they count as
# skipped and the reason is printed; the checks of the built 32-bit orvel.scr (labelled
# program) read the file and run everywhere. Then scripts/run.sh once, without a display,
# and its three screenshots checked. Ends with one line
# "N passed, N failed" (", N skipped" when any were skipped) and a non-zero exit code on any
# failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
presets=(host host-asan host-fuzz windows windows64)

scripts/install-deps.sh --wine32 || { echo "install-deps failed"; echo "0 passed, 1 failed"; exit 1; }

build_preset() {
  cmake --preset "$1" >"build-$1.log" 2>&1 && cmake --build --preset "$1" -j"$jobs" >>"build-$1.log" 2>&1
}

# A preset whose build failed counts as one failure and runs no tests: what is in its tree
# comes from an older build.
mkdir -p build
declare -A built=()
build_failed=0
for preset in "${presets[@]}"; do
  rm -rf "build/$preset/test-results"
  if build_preset "$preset"; then
    built[$preset]=1
  else
    echo "build of preset $preset failed:"; tail -n 40 "build-$preset.log"
    build_failed=$((build_failed + 1))
  fi
  mv -f "build-$preset.log" "build/$preset-build.log" 2>/dev/null
done

. scripts/wine-env.sh

ctest_failed=()
failed_logs=()
run_ctest() {  # preset, name of this part of its run, ctest arguments...
  local preset=$1 part=$2
  shift 2
  [ -n "${built[$preset]:-}" ] || return
  mkdir -p "build/$preset/test-results"
  local failed_log="build/$preset/Testing/Temporary/LastTestsFailed.log"
  rm -f "$failed_log"
  if ! ctest --preset "$preset" "$@" --output-junit "$root/build/$preset/test-results/ctest-$part.junit"; then
    ctest_failed+=("$preset")
  fi
  if [ -f "$failed_log" ]; then
    mv -f "$failed_log" "$failed_log.$part"
    failed_logs+=("$preset:$failed_log.$part")
  fi
}

# A Windows build's tests: most on one 1024x768 screen, those labelled two-monitors on a
# display of two monitors, each in a session of its own.
run_wine_ctest() {  # preset, Wine architecture
  [ -n "${built[$1]:-}" ] || return
  wine_session_start "$2" --own-display
  run_ctest "$1" main -LE two-monitors
  wine_session_stop
  wine_session_start "$2" --two-monitors
  run_ctest "$1" two-monitors -L two-monitors
  wine_session_stop
}

# GoogleTest cases in one report (0 when there is none).
xml_attr() { grep -m1 '<testsuites' "$1" 2>/dev/null | sed -n "s/.* $2=\"\([0-9]*\)\".*/\1/p"; }

run_ctest host main
run_ctest host-asan main
run_ctest host-fuzz main
run_wine_ctest windows64 win64
skipped=0
if reason=$(wine32_runs); then
  run_wine_ctest windows win32
elif [ -n "${built[windows]:-}" ]; then
  # The checks of the built orvel.scr read the file and need no Wine.
  run_ctest windows program -L program
  # The same test programs as the 64-bit build's: count their cases from its reports.
  for name in $(ctest --test-dir build/windows -N -LE program 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: *//p'); do
    cases=$(xml_attr "build/windows64/test-results/$name.xml" tests)
    skipped=$((skipped + ${cases:-1}))
  done
  echo "windows: the 32-bit build's Windows tests are skipped ($skipped cases): $reason"
fi

# The README's first command as a new user runs it, without a display, on the builds just
# made: it must end well and name the three screenshots it promises, each showing the scene.
# A screenshot counts as showing it when at least 2 % of its pixels are brighter than 10 %
# grey: the covers and a scene that never drew are black.
run_sh_passed=0
run_sh_failed=0
run_sh_fails() { echo "run.sh: $*"; run_sh_failed=$((run_sh_failed + 1)); }
check_run_sh() {
  [ -n "${built[windows]:-}" ] && [ -n "${built[windows64]:-}" ] || return
  local log=build/run-sh-check.log start=$SECONDS status shape shot lit
  env -u DISPLAY scripts/run.sh >"$log" 2>&1
  status=$?
  if [ "$status" -ne 0 ]; then
    run_sh_fails "ended with status $status (log: $log)"
    return
  fi
  run_sh_passed=$((run_sh_passed + 1))
  for shape in cuboid grid star; do
    shot=$(grep -x ".*/orvel-$shape\.png" "$log" | tail -n 1)
    if [ -z "$shot" ] || [ ! -f "$shot" ]; then
      run_sh_fails "no screenshot of the $shape shape named (log: $log)"
      continue
    fi
    lit=$(convert "$shot" -colorspace Gray -threshold 10% -format '%[fx:mean*100]' info: 2>/dev/null)
    if awk -v lit="${lit:-0}" 'BEGIN { exit !(lit >= 2) }'; then
      run_sh_passed=$((run_sh_passed + 1))
    else
      run_sh_fails "$shot shows no scene (${lit:-no} % of its pixels lit)"
    fi
  done
  echo "run.sh: three screenshots in $((SECONDS - start)) s"
}
check_run_sh

# Sum the GoogleTest reports; a test program that failed without reporting a failed case
# (a crash, a time-out) counts as one failure.
passed=0; failed=0
for preset in "${presets[@]}"; do
  dir="build/$preset/test-results"
  for xml in "$dir"/*.xml; do
    [ -f "$xml" ] || continue
    t=$(xml_attr "$xml" tests); f=$(xml_attr "$xml" failures); e=$(xml_attr "$xml" errors)
    s=$(grep -c '<skipped' "$xml")
    t=${t:-0}; f=${f:-0}; e=${e:-0}
    passed=$((passed + t - f - e - s)); failed=$((failed + f + e)); skipped=$((skipped + s))
  done
done
for entry in "${failed_logs[@]}"; do
  preset=${entry%%:*}
  dir="build/$preset/test-results"
  while IFS=: read -r _ name; do
    [ -n "$name" ] || continue
    if [ ! -f "$dir/$name.xml" ] || [ "$(xml_attr "$dir/$name.xml" failures)" = 0 ]; then
      echo "$preset/$name failed without a failed case (crash or time-out)"
      failed=$((failed + 1))
    fi
  done <"${entry#*:}"
done
failed=$((failed + build_failed + run_sh_failed))
passed=$((passed + run_sh_passed))

summary="$passed passed, $failed failed"
[ "$skipped" -gt 0 ] && summary="$summary, $skipped skipped"
echo "$summary"
[ "$failed" -eq 0 ] && [ "${#ctest_failed[@]}" -eq 0 ]
