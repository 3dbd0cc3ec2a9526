#!/usr/bin/env bash
# A soak of the whole saver under Wine (a benchmark: it prints figures and asserts nothing).
#
#   bench/wine/run-soak.sh [BUILD_DIR] [switches] [stops]
#
# switches: one full-screen run (orvel.scr /s) plays three 0.3 s clips in turn for SWITCHES
#   video switches; every STEP switches it prints the process's resident memory (kB) and
#   open descriptors, read from /proc, from outside. A switch is seen as the clip the process
#   holds open changing. Then Wine's Null Renderer does the same number of build/play/release
#   cycles of the same clips in one process (video_bench leak null), for Wine's own share.
# stops: STOPS full-screen runs with ten configured files, each ended by a key press at a
#   random moment from the window's creation on (saver_bench stops): how many ended, hung,
#   crashed, or left a process or the mutex behind.
# faulty: two full-screen runs of SOAK_SECONDS each, switching between a good clip and a 60 s
#   file on a faulty share (strace on that file's reads after the 300th): one whose reads
#   stall for 4 s every 50 reads and come back, one whose reads fail. Threads, descriptors
#   (the Wine handles of files and events are descriptors of the process) and private
#   (anonymous) memory of the process, read from /proc, at the first picture and at the end.
#
#   SWITCHES (1000)  STEP (50)  STOPS (200)  SEED (1)  SOAK_SECONDS (60)
# BUILD_DIR is a Windows build tree with orvel, saver_bench and video_bench built (default
# build/windows64). The "Options" value stored before is put back at the end.
#
# A part that could not do its work (the saver did not start or ended by itself, a helper
# failed, runs did not start, hung or crashed) prints "failed: PART: WHY", and the script
# then exits 1.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/windows64}" && pwd)
[ $# -gt 0 ] && shift
parts=${*:-switches stops faulty}
switches=${SWITCHES:-1000}
step=${STEP:-50}
stops=${STOPS:-200}
seed=${SEED:-1}

scr=$build/orvel.scr
helper=$build/bench/saver_bench.exe
settings=$build/tools/orvel_settings.exe
video_bench=$build/bench/video_bench.exe
clips=("$build"/bench/saver-inputs/soak_*.avi)
dropping=$build/tests/run-inputs/dropping_red.avi  # the target dropping_share_input
for f in "$scr" "$helper" "$settings" "$video_bench" "${clips[0]}"; do
  [ -e "$f" ] || { echo "failed: missing $f (build the targets orvel, saver_bench, orvel_settings and video_bench)"; exit 1; }
done

. "$here/bench-result.sh"
. "$here/saver-session.sh"

# The Linux process whose command line matches the pattern.
find_pid() { pgrep -f -- "$1" | head -n 1; }
rss_of() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null; }
fds_of() { ls "/proc/$1/fd" 2>/dev/null | wc -l; }
# The soak clips the process holds open, by name.
open_clips() { ls -l "/proc/$1/fd" 2>/dev/null | sed -n 's/.*\(soak_[0-9a-f]*\.avi\)$/\1/p' | sort -u | tr '\n' ' '; }

soak_switches() {
  local options=() clip
  for clip in "${clips[@]}"; do options+=("video=$(win "$clip")"); done
  settings_run set shape=2 cols=4 rows=3 "${options[@]}" || { bench_failed switches "settings not stored"; return; }
  echo "== switches: orvel.scr /s playing ${#clips[@]} clips of 0.3 s, $switches switches"
  echo "switch rss_kB fds seconds"
  wine "$scr" /s >/dev/null 2>&1 &
  local pid="" tries=0
  while [ -z "$pid" ] && [ $tries -lt 200 ]; do pid=$(find_pid 'orvel.scr /s'); sleep 0.05; tries=$((tries + 1)); done
  [ -n "$pid" ] || { bench_failed switches "the saver did not start"; return; }
  local seen=0 last="" now="" start=$SECONDS
  while [ $seen -lt "$switches" ] && [ -d "/proc/$pid" ]; do
    now=$(open_clips "$pid")
    if [ -n "$now" ] && [ "$now" != "$last" ]; then
      last=$now
      seen=$((seen + 1))
      [ $((seen % step)) -eq 0 ] || [ $seen -eq 1 ] && echo "$seen $(rss_of "$pid") $(fds_of "$pid") $((SECONDS - start))"
    fi
    sleep 0.02
  done
  [ -d "/proc/$pid" ] || bench_failed switches "the saver ended by itself after $seen switches"
  helper_run stop 10000 | sed 's/^/# /' || bench_failed switches "the key did not end the run"

  echo "== switches: Wine's Null Renderer, $switches cycles of the same clips"
  echo "switch rss_kB fds"
  local files="" token="soak$$" line status="" why=""
  for clip in "${clips[@]}"; do files="$files${files:+|}$(win "$clip")"; done
  pid=""
  while IFS= read -r line; do
    line=${line%$'\r'}
    case "$line" in
      CHECKPOINT*)
        [ -n "$pid" ] || pid=$(find_pid "video_bench.exe leak .*$token")
        echo "${line#CHECKPOINT } $(rss_of "$pid") $(fds_of "$pid")"
        ;;
      "EXIT "*) status=${line#EXIT } ;;
      *) why=${why:-$(bench_refusal 0 "$line")} ;;
    esac
  done < <(wine "$video_bench" leak null "$files" "$switches" "$step" "$token" 2>/dev/null; echo "EXIT $?")
  [ -n "$why" ] || why=$(bench_refusal "${status:-lost}" "")
  [ -z "$why" ] || bench_failed "switches, Null Renderer" "$why"
}

# The orvel.scr process started by wine, not the strace that runs it.
find_saver_pid() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(cat "$p/comm" 2>/dev/null)" = strace ] && continue
    if { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -- 'orvel.scr /s' >/dev/null; then
      echo "${p#/proc/}"
      return
    fi
  done
}
counts_of() {  # threads descriptors private_kB
  echo "$(ls "/proc/$1/task" 2>/dev/null | wc -l) $(fds_of "$1") $(awk '/^RssAnon/ {print $2}' "/proc/$1/status" 2>/dev/null)"
}

soak_faulty() {
  [ -e "$dropping" ] || { bench_failed faulty "missing $dropping (build the target dropping_share_input)"; return; }
  local seconds=${SOAK_SECONDS:-60} fault name copy pid
  for fault in "stalls and comes back:delay_enter=4s:when=300+50" "fails:error=EIO:when=300+"; do
    name=${fault%%:*}
    copy=$work/faulty_$RANDOM.avi
    cp "$dropping" "$copy"
    settings_run set shape=2 cols=1 rows=1 "video=$(win "$copy")" "video=$(win "${clips[0]}")" ||
      { bench_failed faulty "settings not stored"; return; }
    echo "== faulty: a file whose share $name, and a good clip, ${seconds} s"
    echo "when threads fds private_kB"
    strace -f --seccomp-bpf -qq -o /dev/null -P "$copy" -e trace=pread64,preadv \
      -e inject=pread64,preadv:${fault#*:} wine "$scr" /s >/dev/null 2>&1 &
    local tracer=$!
    pid="" 
    local tries=0
    while [ -z "$pid" ] && [ $tries -lt 400 ]; do pid=$(find_saver_pid); sleep 0.05; tries=$((tries + 1)); done
    [ -n "$pid" ] || { bench_failed "faulty, $name" "the saver did not start"; continue; }
    sleep 5  # past the covers and the first picture
    echo "start $(counts_of "$pid")"
    local half=$(((seconds - 5) / 2))
    sleep "$half"
    echo "middle $(counts_of "$pid")"
    sleep $((seconds - 5 - half))
    if [ -d "/proc/$pid" ]; then echo "end $(counts_of "$pid")"; else bench_failed "faulty, $name" "the saver ended by itself"; fi
    helper_run stop 10000 | sed 's/^/# /'
    # A read the tracer holds keeps the process listed until its delay has run out.
    for tries in $(seq 100); do kill -0 "$tracer" 2>/dev/null || break; sleep 0.1; done
    kill "$tracer" 2>/dev/null
    wait "$tracer" 2>/dev/null
    rm -f "$copy"
  done
}

# The Linux processes of orvel.scr in this session's prefix: runs in other prefixes (another
# build's tests on the same machine) are not the soak's.
savers_left() {
  local p
  for p in /proc/[0-9]*; do
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep 'orvel\.scr' >/dev/null || continue
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -xF "WINEPREFIX=$WINEPREFIX" >/dev/null && echo "${p#/proc/}"
  done
}

soak_stops() {
  local options=() i
  for i in 0 1 2 3 4 5 6 7 8 9; do options+=("video=$(win "${clips[$((i % ${#clips[@]}))]}")"); done
  settings_run set shape=1 "${options[@]}" || { bench_failed stops "settings not stored"; return; }
  echo "== stops: $stops full-screen runs with ten configured files, a key at a random moment"
  # The counts are the soak's findings and are printed whatever they say.
  local out status why left
  out=$(helper_run stops "$(win "$scr")" "$stops" "$seed")
  status=$?
  printf '%s\n' "$out" | grep -v '^failed:'
  if why=$(bench_refusal "$status" "$out"); then bench_failed stops "$why"; fi
  left=$(savers_left)
  [ -z "$left" ] || bench_failed stops "a Linux process of orvel.scr is still there: $left"
}

for part in $parts; do
  case "$part" in
    switches) soak_switches ;;
    stops) soak_stops ;;
    faulty) soak_faulty ;;
    *) bench_failed "$part" "no such part (switches, stops, faulty)" ;;
  esac
done
bench_exit
