#!/usr/bin/env bash
# How soon a full-screen run covers the screen and shows a video, how long its main thread
# ever keeps a message waiting, and how soon a key ends it, whatever its files do. Three
# cases, each run RUNS times: ten normal files; the same with the first one on a slow share
# (every read of it delayed by 100 ms); and with the first one on a stalled share (20 s a
# read). The reads are delayed by strace around the helper, which follows into the orvel.scr
# it starts; the session's wineserver runs outside. Prints "figure: CASE.NAME VALUE" lines;
# a run that did not show what it was to time (no cover, no video frame, a window or process
# still there after the key) prints "failed: CASE run N: WHY" instead, and the script then
# exits 1.
#
#   bench/wine/run-start-bench.sh [BUILD_DIR]      (default build/windows64)
#   RUNS (3)  WATCH_SECONDS (12): how long each run is watched before the key
#   CASES ("normal:0 slowed:100ms stalled:20s"): NAME:DELAY of the first file's reads
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/windows64}" && pwd)
runs=${RUNS:-3}
watch_ms=$((${WATCH_SECONDS:-12} * 1000))

scr=$build/orvel.scr
helper=$build/bench/saver_bench.exe
settings=$build/tools/orvel_settings.exe
inputs=$build/tests/run-inputs
for f in "$scr" "$helper" "$settings" "$inputs/solid_blue.avi" "$inputs/solid_green.avi"; do
  [ -e "$f" ] || { echo "failed: missing $f (build orvel, saver_bench, orvel_settings and the test inputs)"; exit 1; }
done
command -v strace >/dev/null || { echo "failed: strace is missing (scripts/install-deps.sh installs it)"; exit 1; }

. "$here/bench-result.sh"
. "$here/saver-session.sh"

# Ten files: the first the one that may be slowed, the others alternately green and blue.
first=$work/first.avi
cp "$inputs/solid_blue.avi" "$first"
files=("video=$(win "$first")")
for i in $(seq 2 10); do
  colour=green; [ $((i % 2)) = 0 ] && colour=blue
  cp "$inputs/solid_$colour.avi" "$work/clip$i.avi"
  files+=("video=$(win "$work/clip$i.avi")")
done
settings_run set shape=2 cols=1 rows=1 "${files[@]}" >/dev/null || { bench_failed settings "not stored"; bench_exit; }

# Wine reads files with pread; its pipe to the wineserver (read) stays untraced.
reads=pread64,preadv
for case in ${CASES:-normal:0 slowed:100ms stalled:20s}; do
  name=${case%%:*}
  delay=${case#*:}
  for run in $(seq 1 "$runs"); do
    if [ "$delay" = 0 ]; then
      out=$(helper_run start-figures "$(win "$scr")" "$watch_ms")
      status=$?
    else
      out=$(strace -f --seccomp-bpf -qq -o /dev/null -P "$first" -e trace=$reads \
        -e inject=$reads:delay_enter=$delay "$WINELOADER" "$helper" start-figures "$(win "$scr")" "$watch_ms" \
        2>/dev/null)
      status=$?
      out=${out//$'\r'/}
    fi
    if why=$(bench_refusal "$status" "$out"); then
      bench_failed "$name run $run" "$why"
    else
      printf '%s\n' "$out" | sed -n "s/^figure: /figure: $name.run$run./p"
    fi
  done
done
bench_exit
