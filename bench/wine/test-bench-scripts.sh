#!/usr/bin/env bash
# The Wine benchmark scripts' failure paths, run on Linux with stand-ins for Wine and for the
# programs they start (nothing runs under Wine, nothing opens a display). A program that
# exits non-zero, or that exits 0 having said that work was refused, must make the script
# print "failed: ... WHY" and no figure, and exit non-zero; the same script with a program
# that goes through must print its figure and exit 0 (so the stand-ins are known to be the
# ones reached).
#
#   bench/wine/test-bench-scripts.sh [--report FILE]    (FILE: a GoogleTest XML report)
set -u
here=$(cd "$(dirname "$0")" && pwd)
report=""
[ "${1:-}" = --report ] && report=${2:-}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A build tree whose programs are one stand-in: its output follows the command it is given
# (the lines the scripts read), then STAND_IN decides: ok, exit (status 3), or refuse (a
# refusal line, status 0).
build=$tmp/build
mkdir -p "$tmp/bin" "$build/bench/saver-inputs" "$build/tools" "$build/tests/run-inputs"
cat >"$tmp/stand-in" <<'EOF'
#!/bin/sh
case $1 in
  start-time) echo "shown 250.0 ms  ended 10.0 ms after the key  exit 0" ;;
  stops) echo "ended 3  hung 0  crashed 0  process left 0  mutex left 0  not started 0" ;;
  leak) for n in 20 40 60; do echo "CHECKPOINT $n"; sleep 0.5; done ;;  # its memory is read meanwhile
  *) echo "figure: stand_in.value 1.000" ;;
esac
case ${STAND_IN:-ok} in
  exit) exit 3 ;;
  refuse) echo "a 1920x1080 frame was not drawn (0x80004005)" ;;
esac
exit 0
EOF
printf '#!/bin/sh\nexit 0\n' >"$build/tools/orvel_settings.exe"
printf '#!/bin/sh\nexit 1\n' >"$tmp/bin/strace"  # present for the check; no case here traces
for program in bench/video_bench.exe bench/saver_bench.exe orvel.scr; do cp "$tmp/stand-in" "$build/$program"; done
chmod +x "$tmp/stand-in" "$tmp/bin/strace" "$build"/tools/* "$build"/bench/*.exe "$build/orvel.scr"
touch "$build/bench/saver-inputs/quadrants_640x480.avi" "$build/bench/saver-inputs/soak_20a040.avi" \
  "$build/tests/run-inputs/solid_blue.avi" "$build/tests/run-inputs/solid_green.avi"

# In Wine's place: programs run as they are, a Unix path stands for its Windows one, the
# registry holds nothing, and a session is nothing to start.
cat >"$tmp/wine-env.sh" <<EOF
export WINELOADER=$tmp/stand-in WINEPREFIX=$tmp/prefix DISPLAY=\${DISPLAY:-:stand-in}
wine() {
  case \$1 in
    winepath) printf '%s\n' "\${@: -1}" ;;
    reg | wineboot) return 1 ;;
    *) "\$@" ;;
  esac
}
wine_arch_of() { echo win64; }
wine_session_start() { :; }
wine_session_stop() { :; }
EOF

# One row per script: its arguments after the build tree, its environment, and the line of
# its figures, which shows when the stand-in goes through and never when it fails (the soak
# prints no figure: its counts are findings, printed either way).
rows=(
  "run-video-bench.sh|figures||^figure: stand_in\.value"
  "run-video-bench.sh|play||^figure: stand_in\.value"
  "run-video-bench.sh|leak-ours||growth per cycle"
  "run-start-bench.sh||CASES=normal:0 RUNS=1|^figure: normal\.run1\.stand_in\.value"
  "run-saver-bench.sh||CASES=start START_RUNS=1|^1 file "
  "run-soak.sh|stops||"
)
# What each failing stand-in must be reported by.
declare -A cause=([exit]="exit status 3" [refuse]="not drawn")

passed=0 failed=0 cases=""
check() {  # name, failure or empty
  local name=$1 failure=$2
  if [ -z "$failure" ]; then
    passed=$((passed + 1))
    cases+="<testcase name=\"$name\" classname=\"BenchScripts\"/>"
  else
    failed=$((failed + 1))
    echo "FAILED $name: $failure"
    failure=${failure//&/&amp;}; failure=${failure//</&lt;}; failure=${failure//\"/&quot;}
    cases+="<testcase name=\"$name\" classname=\"BenchScripts\"><failure message=\"$failure\"/></testcase>"
  fi
}

for row in "${rows[@]}"; do
  IFS='|' read -r script arguments environment figures <<<"$row"
  for mode in ok exit refuse; do
    name="${script%.sh}${arguments:+ $arguments} with a stand-in that says $mode"
    # shellcheck disable=SC2086 # the row's arguments and environment are words
    out=$(env PATH="$tmp/bin:$PATH" ORVEL_BENCH_WINE_ENV="$tmp/wine-env.sh" STAND_IN=$mode $environment \
      bash "$here/$script" "$build" $arguments 2>&1)
    status=$?
    why=""
    if [ "$mode" = ok ]; then
      [ "$status" = 0 ] || why="exit status $status"
      [ -z "$figures" ] || grep -qE "$figures" <<<"$out" || why="${why:+$why; }no line matching $figures"
      grep -q '^failed' <<<"$out" && why="${why:+$why; }a failed line"
    else
      [ "$status" != 0 ] || why="exit status 0"
      grep -qE "^failed: .*${cause[$mode]}" <<<"$out" || why="${why:+$why; }no failed line naming ${cause[$mode]}"
      grep -qE "^figure:${figures:+|$figures}" <<<"$out" && why="${why:+$why; }a figure printed"
    fi
    [ -z "$why" ] || why="$why; its output: $(tr '\n' '|' <<<"$out")"
    check "$name" "$why"
  done
done

echo "$passed passed, $failed failed"
if [ -n "$report" ]; then
  counts="tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\""
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuites %s name="AllTests">\n' "$counts" >"$report"
  printf '<testsuite name="BenchScripts" %s skipped="0">%s</testsuite>\n</testsuites>\n' "$counts" "$cases" >>"$report"
fi
[ "$failed" = 0 ]
