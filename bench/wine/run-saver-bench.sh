#!/usr/bin/env bash
# Runs the whole saver (orvel.scr /s) under Wine, one case of settings at a time, and prints
# its frame rate, its CPU time per second and its start-up time.
#
#   bench/wine/run-saver-bench.sh [BUILD_DIR]
#
# BUILD_DIR is a Windows build tree with orvel, saver_bench and orvel_settings built (default build/windows64;
# build/windows needs a machine that runs 32-bit programs).
# The figures come from outside the program: Wine's own frame counter (WINEDEBUG=fps prints
# "<swap chain> @ approx NN.NNfps" for each swap chain about every 1.5 s, and a count of all
# the process's GL swaps together, which is left out) and utime + stime of the process in
# /proc, over SAMPLE_SECONDS after WARMUP_SECONDS of drawing. The X server and the wineserver are shown
# beside it because drawing and messages cost time there too. Start-up is the time from
# CreateProcess to the visible full-screen window, START_RUNS times with 1 and with 10
# configured files. The hd case plays a 1920x1080 MPEG-2 file, made with ffmpeg beside the
# sample video on first use, with each shape, and prints as "figure: NAME VALUE" lines the
# saver's CPU per second beside the decode floor (the same file played for the same time
# into Wine's Null Renderer by video_bench) and their ratio. The "Options" value that was
# stored before is put back at the end.
#
#   WARMUP_SECONDS (4)  SAMPLE_SECONDS (10)  START_RUNS (5)
#   ROUNDS (1)          runs of each drawing case, one row each (the machine may be busy)
#   CASES (all: grid10 grid20 cubes cubes-translucent stars stars-translucent hd same-picture sharp start)
#   SHOTS=DIR           also save a screenshot of each drawing case into DIR
#   TWO_MONITORS=1      on a display of two monitors (1024x768 and 800x600) instead of one
#
# The sharp case plays a 1920x1080 H.264 file in a one-tile grid on a screen of 1920x1080 (a
# Wine session of its own) with the standard 256x256 picture (detail 0) and with the picture
# as sharp as the screen (detail 1), and prints each one's CPU milliseconds per frame and
# frame rate, and the ratio of the two CPU figures, as figures.
#
# The monitors cases (monitors0, monitors1, monitors2) draw a 4x4 grid with each monitors
# choice on the display of the run (TWO_MONITORS). The same-picture case draws that grid with
# the same picture on each monitor on a display of one monitor and then on one of two, each
# in a Wine session of its own, and prints both frame rates as figures. With the same
# picture on each monitor every swap chain (the device's and each mirror's) is presented once
# a frame, so the mean of the swap chains' rates is the frame rate.
#
# Wine counts presents whether or not a video frame reached them: a drawing case's row is
# printed only when the screen showed the video (saver_bench video-seen) at the end of its
# sample. A case that drew nothing, showed no video, ended by itself or did not end on the
# key, a decode floor whose player failed, a start that showed no window: each prints
# "failed: CASE: WHY" instead of its figures, and the script then exits 1.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/windows64}" && pwd)
warmup=${WARMUP_SECONDS:-4}
sample=${SAMPLE_SECONDS:-10}
start_runs=${START_RUNS:-5}
rounds=${ROUNDS:-1}
cases=${CASES:-grid10 grid20 cubes cubes-translucent stars stars-translucent hd same-picture sharp start}

scr=$build/orvel.scr
helper=$build/bench/saver_bench.exe
settings=$build/tools/orvel_settings.exe
video_bench=$build/bench/video_bench.exe
video=$build/bench/saver-inputs/quadrants_640x480.avi
for f in "$scr" "$helper" "$settings" "$video_bench" "$video"; do
  [ -e "$f" ] || { echo "failed: missing $f (build the targets orvel, saver_bench, orvel_settings and video_bench)"; exit 1; }
done

. "$here/bench-result.sh"
. "$here/saver-session.sh"

ticks_per_second=$(getconf CLK_TCK)
# utime + stime of a process, in clock ticks (fields 14 and 15; the name in field 2 may
# hold blanks, so count from its closing parenthesis).
cpu_ticks() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
  stat=${stat##*) }
  set -- $stat
  echo $(( ${12} + ${13} ))
}

now() { date +%s.%N; }

# Busy ticks of the whole machine, all CPUs: user, nice, system, irq, softirq, steal.
machine_ticks() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9; exit }' /proc/stat; }

# "tid ticks class" per thread of a process: Mesa's rasteriser threads, Wine's Direct3D
# command-stream thread, everything else (the program's own threads, the video's).
thread_ticks() {
  local t stat name
  for t in /proc/"$1"/task/*; do
    stat=$(cat "$t/stat" 2>/dev/null) || continue
    name=$(cat "$t/comm" 2>/dev/null)
    stat=${stat##*) }
    set -- $stat
    case $name in
      llvmpipe*) name=raster ;;
      wined3d_cs*) name=cs ;;
      *) name=other ;;
    esac
    echo "${t##*/} $(( ${12} + ${13} )) $name"
  done
}

# Ticks per class between two thread_ticks listings, for the threads in both.
class_ticks() {
  join <(sort "$1") <(sort "$2") | awk '{ d[$3] += $4 - $2 } END { printf "%d %d\n", d["raster"], d["cs"] }'
}

# The Linux process of the run whose environment carries the token.
find_saver_pid() {
  local p
  for p in /proc/[0-9]*; do
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -x "ORVEL_BENCH_TOKEN=$1" >/dev/null || continue
    tr '\0' ' ' 2>/dev/null <"$p/cmdline" | grep -i 'orvel\.scr' >/dev/null || continue
    echo "${p#/proc/}"
    return
  done
}

fps_lines() { grep -c 'approx .*fps' "$1" 2>/dev/null || true; }
# The swap chains' frame rates in lines of the log, one a line: opengl32's count of every GL
# swap of the process (", total") would count a frame once per monitor.
swap_chain_fps() { grep -v ', total' | grep -o 'approx [0-9.]*fps' | tr -dc '0-9.\n'; }

# One drawing case: settings, a run, warm-up, a sample, a clean end. Prints one table row,
# or why not.
measure_once() {
  local name=$1
  shift
  settings_run set "$@" video="$(win "$video")" >/dev/null || { bench_failed "$name" "settings not stored"; return; }

  local token="bench$$_$name" log="$work/$name.log"
  (cd "$build" && ORVEL_BENCH_TOKEN=$token WINEDEBUG=fps exec "$WINELOADER" "$scr" /s) >/dev/null 2>"$log" &
  local job=$! pid="" i
  for i in $(seq 1 300); do
    [ -n "$pid" ] || pid=$(find_saver_pid "$token")
    [ -n "$pid" ] && [ "$(fps_lines "$log")" -gt 0 ] && break
    kill -0 "$job" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$pid" ] || [ "$(fps_lines "$log")" = 0 ]; then
    bench_failed "$name" "no frames presented; the run's first lines:"
    sed -n '1,5p' "$log" | sed 's/^/    /'
    kill "$job" 2>/dev/null
    wait "$job" 2>/dev/null
    return
  fi

  sleep "$warmup"
  local t0 c0 x0 s0 m0 l0 t1 c1 x1 s1 m1 l1
  l0=$(wc -l <"$log"); t0=$(now)
  thread_ticks "$pid" >"$work/threads0"
  c0=$(cpu_ticks "$pid"); x0=$(cpu_ticks "${_orvel_xvfb_pid:-0}"); s0=$(cpu_ticks "$_orvel_server_pid")
  m0=$(machine_ticks)
  sleep "$sample"
  c1=$(cpu_ticks "$pid"); x1=$(cpu_ticks "${_orvel_xvfb_pid:-0}"); s1=$(cpu_ticks "$_orvel_server_pid")
  m1=$(machine_ticks)
  thread_ticks "$pid" >"$work/threads1"
  t1=$(now); l1=$(wc -l <"$log")
  if [ ! -d "/proc/$pid" ]; then
    bench_failed "$name" "the run ended during the sample"
    wait "$job" 2>/dev/null
    return
  fi
  # Wine's count is of presents: the figures are the video's only when it is on the screen.
  local seen why
  seen=$(helper_run video-seen 3000)
  why=$(bench_refusal $? "$seen")
  local raster cs
  read -r raster cs < <(class_ticks "$work/threads0" "$work/threads1")
  if [ -n "${SHOTS:-}" ]; then
    mkdir -p "$SHOTS"
    import -display "$DISPLAY" -window root "$SHOTS/$name.png" 2>/dev/null
  fi

  local stopped
  stopped=$(helper_run stop 10000)
  local end_ms=-
  case $stopped in
    ended*) end_ms=$(echo "$stopped" | awk '{ printf "%.0f", $2 }') ;;
    *) kill "$pid" 2>/dev/null ;;
  esac
  wait "$job" 2>/dev/null
  [ -z "$why" ] || { bench_failed "$name" "$why"; return; }

  local row
  row=$(sed -n "$((l0 + 1)),${l1}p" "$log" | swap_chain_fps |
    awk -v name="$name" -v t0="$t0" -v t1="$t1" -v c="$((c1 - c0))" -v x="$((x1 - x0))" -v s="$((s1 - s0))" \
        -v hz="$ticks_per_second" -v others="$(( (m1 - m0) - (c1 - c0) - (x1 - x0) - (s1 - s0) ))" -v xvfb="${_orvel_xvfb_pid:-}" \
        -v raster="$raster" -v cs="$cs" -v end_ms="$end_ms" -v cpufile="$work/cpu_ms" -v fpsfile="$work/fps" '
      { n++; sum += $1; if (n == 1 || $1 < lo) lo = $1; if ($1 > hi) hi = $1 }
      END {
        dt = t1 - t0
        ms = 1000 / hz / dt
        if (n == 0) exit 1
        printf "%.1f\n", c * ms > cpufile
        printf "%.1f\n", sum / n > fpsfile
        printf "%-24s %6.1f %5.0f-%-5.0f %6.0f %6.1f %6.0f %6.0f %6.0f %6s %6.0f %6.0f %6s\n", name, sum / n, lo, hi,
               c * ms, c * ms * n / sum, raster * ms, cs * ms, (c - raster - cs) * ms,
               xvfb == "" ? "-" : sprintf("%.0f", x * ms), s * ms, others * ms, end_ms
      }') || { bench_failed "$name" "no frame rate in the sample"; return; }
  echo "$row"
  case $stopped in ended*) ;; *) bench_failed "$name" "the key did not end the run (${stopped#failed: }); killed" ;; esac
}

# The HD file of the hd case, made once beside the sample video.
hd_video() {
  local out=$build/bench/saver-inputs/hd_1920x1080_mpeg2.mpg
  if [ ! -s "$out" ]; then
    ffmpeg -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 -t 12 -c:v mpeg2video -b:v 8M \
      -g 12 "$out" </dev/null || return 1
  fi
  echo "$out"
}

# CPU ms per second of Wine's Null Renderer playing the file, over the same warm-up and
# sample as a drawing case; prints why not and fails when the player failed or used no CPU.
decode_floor() {
  local token="floor$$" pid="" i c0 c1 t0 t1 status out="$work/floor.out" floor why
  wine "$video_bench" play-null "$(win "$1")" $((warmup + sample + 3)) "$token" >"$out" 2>/dev/null &
  local job=$!
  for i in $(seq 1 100); do
    pid=$(pgrep -f -- "video_bench.exe play-null .*$token" | head -n 1)
    [ -n "$pid" ] && break
    sleep 0.1
  done
  if [ -z "$pid" ]; then
    wait "$job"
    echo "the Null Renderer's player was not found running"
    return 1
  fi
  sleep "$warmup"
  c0=$(cpu_ticks "$pid"); t0=$(now)
  sleep "$sample"
  c1=$(cpu_ticks "$pid"); t1=$(now)
  wait "$job"
  status=$?
  if why=$(bench_refusal "$status" "$(tr -d '\r' <"$out")"); then
    echo "$why"
    return 1
  fi
  grep -q DONE "$out" || { echo "the Null Renderer's player did not finish"; return 1; }
  floor=$(awk -v c="$((c1 - c0))" -v hz="$ticks_per_second" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "%.1f\n", c * 1000 / hz / (t1 - t0) }')
  [ "$floor" != 0.0 ] || { echo "the Null Renderer's player used no CPU"; return 1; }
  echo "$floor"
}

hd_figures() {
  local hd floor shape name cpu
  hd=$(hd_video) || { bench_failed hd "ffmpeg could not make the 1920x1080 file"; return; }
  local video=$hd   # measure_once plays $video
  local -A saver=()
  for shape in 1:cuboid 2:grid 3:star; do
    name=${shape#*:}
    rm -f "$work/cpu_ms"
    measure_once "hd 1920x1080 $name" shape="${shape%%:*}"
    [ -s "$work/cpu_ms" ] && saver[$name]=$(cat "$work/cpu_ms")
  done
  floor=$(decode_floor "$hd") || { bench_failed "hd decode floor" "$floor"; floor=""; }
  [ -z "$floor" ] || echo "figure: decode_floor.1920x1080.cpu_ms_per_s $floor"
  for name in cuboid grid star; do
    cpu=${saver[$name]:-}
    [ -n "$cpu" ] || continue
    echo "figure: saver.$name.1920x1080.cpu_ms_per_s $cpu"
    [ -z "$floor" ] || awk -v a="$cpu" -v b="$floor" -v n="$name" 'BEGIN { printf "figure: saver.%s.1920x1080.floor_ratio %.2f\n", n, a / b }'
  done
}

# Starts the Wine session again on a display of one monitor (one) or of two (two), unless
# the session is on that one already; "back" is the display the script started on.
use_display() {
  local want=$1 now=one
  if [ "$want" = back ]; then
    want=one
    [ "${TWO_MONITORS:-0}" = 1 ] && want=two
  fi
  case ${ORVEL_WINE_SESSION:-} in *+two-monitors) now=two ;; *+1920x1080) now=hd ;; esac
  [ "$want" = "$now" ] && return
  wine_session_stop
  case $want in
    two) wine_session_start "$(wine_arch_of "$scr")" --two-monitors ;;
    hd) wine_session_start "$(wine_arch_of "$scr")" --screen=1920x1080 ;;
    *) wine_session_start "$(wine_arch_of "$scr")" ;;
  esac
}

# The H.264 file of the sharp case, made once beside the sample video.
sharp_video() {
  local out=$build/bench/saver-inputs/hd_1920x1080_h264.mp4
  if [ ! -s "$out" ]; then
    ffmpeg -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 -t 12 -c:v libx264 -pix_fmt yuv420p \
      -preset veryfast -movflags +faststart "$out" </dev/null || return 1
  fi
  echo "$out"
}

# CPU per frame and frame rate of a 1080p video in one tile on a 1080p screen, at each detail.
sharp_figures() {
  local sharp detail cpu fps
  sharp=$(sharp_video) || { bench_failed sharp "ffmpeg could not make the 1920x1080 H.264 file"; return; }
  local video=$sharp # measure_once plays $video
  local -A per_frame=()
  use_display hd
  for detail in 0 1; do
    rm -f "$work/cpu_ms" "$work/fps"
    measure_once "sharp 1080p detail=$detail" shape=2 cols=1 rows=1 detail=$detail
    [ -s "$work/cpu_ms" ] && [ -s "$work/fps" ] || continue
    cpu=$(cat "$work/cpu_ms")
    fps=$(cat "$work/fps")
    per_frame[$detail]=$(awk -v c="$cpu" -v f="$fps" 'BEGIN { if (f > 0) printf "%.2f", c / f }')
    [ -n "${per_frame[$detail]}" ] || { bench_failed "sharp detail=$detail" "no frames"; continue; }
    echo "figure: sharp.detail$detail.cpu_ms_per_frame ${per_frame[$detail]}"
    echo "figure: sharp.detail$detail.fps $fps"
  done
  use_display back
  [ -n "${per_frame[0]:-}" ] && [ -n "${per_frame[1]:-}" ] || return
  awk -v a="${per_frame[1]}" -v b="${per_frame[0]}" 'BEGIN { printf "figure: sharp.cpu_ratio %.2f\n", a / b }'
}

# Frames per second of the same picture on each monitor, on one monitor and on two.
same_picture_figures() {
  local display
  local -A rate=()
  for display in one two; do
    use_display "$display"
    rm -f "$work/fps"
    measure_once "same picture, $display mon." shape=2 cols=4 rows=4 monitors=1
    [ -s "$work/fps" ] && rate[$display]=$(cat "$work/fps")
  done
  use_display back
  # A display whose case failed has said so in measure_once.
  [ -z "${rate[one]:-}" ] || echo "figure: same_picture.one_monitor.fps ${rate[one]}"
  [ -z "${rate[two]:-}" ] || echo "figure: same_picture.two_monitors.fps ${rate[two]}"
}

measure() {
  local r
  for r in $(seq 1 "$rounds"); do measure_once "$@"; done
}

# The row of a file count, only when every run showed its window and ended on the key.
start_time() {
  local label=$1
  shift
  settings_run set shape=2 "$@" >/dev/null || { bench_failed "start, $label" "settings not stored"; return; }
  local runs=() line i status why
  for i in $(seq 1 "$start_runs"); do
    line=$(helper_run start-time "$(win "$scr")" 30000)
    status=$?
    if why=$(bench_refusal "$status" "$line"); then
      bench_failed "start, $label, run $i" "$why"
    else
      runs+=("$(echo "$line" | awk '{print $2}')")
    fi
  done
  [ ${#runs[@]} = "$start_runs" ] || return
  printf '%s\n' "${runs[@]}" | sort -n | awk -v label="$label" '
    { v[++n] = $1; list = list (n > 1 ? " " : "") sprintf("%.0f", $1) }
    END { printf "%-24s %8.0f %8.0f %8.0f   (%s)\n", label, v[int((n + 1) / 2)], v[1], v[n], list }'
}

echo "orvel.scr /s under Wine on $DISPLAY ($(xdpyinfo 2>/dev/null | awk '/dimensions:/ {print $2}')x$(xdpyinfo 2>/dev/null | awk '/depth of root window/ {print $5; exit}')), 640x480 25 fps video"
echo "$(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg); warm-up ${warmup} s, sample ${sample} s"
header_done=0
for c in $cases; do
  if [ "$c" != start ] && [ "$header_done" = 0 ]; then
    echo
    echo "CPU in ms per second of wall time; saver = the whole orvel.scr process, of which"
    echo "raster = Mesa's llvmpipe threads, d3d cs = Wine's wined3d_cs thread, rest = all other"
    echo "threads (ours, the video's, Wine's); others = every other process on the machine (a"
    echo "busy machine lowers the frame rate); end = ms from the key press to the process's exit"
    printf '%-24s %6s %-11s %6s %6s %6s %6s %6s %6s %6s %6s %6s\n' case fps min-max saver /frame \
      raster "d3d cs" rest Xvfb server others end
    header_done=1
  fi
  case $c in
    grid10) measure "grid 10x10" shape=2 cols=10 rows=10 ;;
    grid20) measure "grid 20x20" shape=2 cols=20 rows=20 ;;
    cubes) measure "cuboids 10 solid" shape=1 cubes=10 cube-translucent=0 ;;
    cubes-translucent) measure "cuboids 10 translucent" shape=1 cubes=10 cube-translucent=1 ;;
    stars) measure "stars 1000 opaque" shape=3 stars=1000 star-translucent=0 ;;
    stars-translucent) measure "stars 1000 translucent" shape=3 stars=1000 star-translucent=1 ;;
    hd) hd_figures ;;
    monitors0 | monitors1 | monitors2)
      measure "grid 4x4 monitors=${c#monitors}" shape=2 cols=4 rows=4 monitors="${c#monitors}"
      ;;
    same-picture) same_picture_figures ;;
    sharp) sharp_figures ;;
    start)
      mkdir -p "$work/ten"
      ten=()
      for i in $(seq 1 10); do
        ln -sf "$video" "$work/ten/clip$i.avi"
        ten+=("video=$(win "$work/ten/clip$i.avi")")
      done
      echo
      echo "start to visible window, ms, $start_runs runs (grid 10x10)"
      printf '%-24s %8s %8s %8s   %s\n' files median min max runs
      start_time "1 file" video="$(win "$video")"
      start_time "10 files" "${ten[@]}"
      ;;
    *) bench_failed "$c" "no such case" ;;
  esac
done
bench_exit
