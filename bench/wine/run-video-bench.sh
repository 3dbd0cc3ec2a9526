#!/usr/bin/env bash
# Runs the video benchmarks under Wine and prints their figures.
#
#   bench/wine/run-video-bench.sh [BUILD_DIR] [figures] [render] [cycle] [play] [leak | leak-ours | leak-null]
#
# BUILD_DIR is a Windows build tree with video_bench and the test videos built (default
# build/windows64; build/windows needs a machine that runs 32-bit programs). Without a list,
# all parts run. figures prints the frame path's figures as lines "figure: NAME VALUE"
# (conversion over memcpy, our scaler beside DrawDib by size and by picture quality, the
# whole DoRenderSample of an HD frame), measured in one process. render prints the time per
# frame of DoRenderSample by source size and texture format. The leak part runs 200
# build/run/release cycles of one file twice, with our renderer and with Wine's Null
# Renderer, in a fresh process each, and reads the Wine process's resident memory and open
# descriptors from /proc at every checkpoint. play plays a 1920x1080 H.264 MP4 for 10 s
# through DirectShow and through Media Foundation and prints, for each way, the frames per
# second drawn into the texture and the process's CPU time per frame.
#
# A part whose program exits non-zero or says that work was refused (a frame not drawn, no
# device, a file played the other way) prints "failed: PART: WHY" instead of its figures,
# and the script then exits 1.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/windows64}
[ $# -gt 0 ] && shift
parts=${*:-figures render cycle play leak}
cycles=${LEAK_CYCLES:-200}
step=${LEAK_STEP:-20}

exe=$build/bench/video_bench.exe
inputs=$build/tests/video-inputs
[ -x "$exe" ] || { echo "failed: missing $exe (build the target video_bench)"; exit 1; }

. "$here/bench-result.sh"
# The file that gives wine, wine_session_start and friends (the scripts' own test sets it).
. "${ORVEL_BENCH_WINE_ENV:-$root/scripts/wine-env.sh}"
wine_session_start "$(wine_arch_of "$exe")"
trap wine_session_stop EXIT

win() { wine winepath -w "$1" 2>/dev/null; }

# Wine's own messages go here rather than into the figures.
errors=${BENCH_ERRORS:-/dev/null}

# The Linux process of the Wine program whose command line carries the token, in one look
# at every process (a look per process can outlast a checkpoint's pause on a busy machine).
find_pid() { pgrep -f -- "video_bench.exe leak .*$1" | head -n 1; }

# The program pauses at each checkpoint while its memory is read, so its lines are taken as
# they come; its exit status arrives as a last line of its own.
leak_run() {
  local variant=$1 file=$2
  local token="tok$$_$variant" pid="" line="" rss="" status="" why="" rows
  rows=$(mktemp)
  echo "== leak: $variant renderer, $cycles cycles of $(basename "$file")"
  while IFS= read -r line; do
    line=${line%$'\r'}
    case "$line" in
      CHECKPOINT*)
        [ -n "$pid" ] || pid=$(find_pid "$token")
        rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null)
        if [ -z "$pid" ] || [ -z "$rss" ]; then
          why=${why:-"the process was not found at checkpoint ${line#CHECKPOINT }"}
        else
          echo "${line#CHECKPOINT } $rss $(ls "/proc/$pid/fd" | wc -l)" >>"$rows"
        fi
        ;;
      "EXIT "*) status=${line#EXIT } ;;
      *) why=${why:-$(bench_refusal 0 "$line")} ;;
    esac
  done < <(wine "$exe" leak "$variant" "$(win "$file")" "$cycles" "$step" "$token" 2>>"$errors"; echo "EXIT $?")
  [ -n "$why" ] || why=$(bench_refusal "${status:-lost}" "")
  if [ -n "$why" ]; then
    bench_failed "leak $variant" "$why"
  elif ! awk '
      { n++; c[n] = $1; r[n] = $2; f[n] = $3
        printf "  after %4d cycles: VmRSS %7d kB, %4d descriptors\n", $1, $2, $3 }
      END {
        if (n < 3) exit 1
        # Least-squares slope over the checkpoints after the first (warm-up).
        sx = sy = sf = sxx = sxy = sxf = 0; m = 0
        for (i = 2; i <= n; i++) { m++; sx += c[i]; sy += r[i]; sf += f[i]; sxx += c[i]*c[i]; sxy += c[i]*r[i]; sxf += c[i]*f[i] }
        d = m * sxx - sx * sx
        printf "  growth per cycle after the first checkpoint: %.1f kB resident, %.3f descriptors\n",
               (m * sxy - sx * sy) / d, (m * sxf - sx * sf) / d
      }' "$rows"; then
    bench_failed "leak $variant" "fewer than three checkpoints, no growth to tell"
  fi
  rm -f "$rows"
}

for part in $parts; do
  case $part in
    figures)
      echo "== the frame path"
      bench_checked figures wine "$exe" figures
      ;;
    render)
      echo "== DoRenderSample per frame"
      bench_checked render wine "$exe" render
      ;;
    cycle)
      echo "== build + run + first frame drawn + release"
      for f in quad_320x240.avi quad_720x576.avi quad_320x240_pcm.avi quad_mpeg1.mpg quad_mjpeg_pcm.avi quad_cinepak.avi; do
        bench_checked "cycle $f" wine "$exe" cycle "$(win "$inputs/$f")"
      done
      ;;
    play)
      echo "== 1920x1080 H.264 MP4, DirectShow beside Media Foundation"
      hd=$build/bench/video-bench-inputs/testsrc_1920x1080_h264.mp4
      for way in dshow mf; do
        bench_checked "play $way" wine "$exe" play "$way" "$(win "$hd")" "${PLAY_SECONDS:-10}"
      done
      ;;
    leak)
      leak_run ours "$inputs/quad_320x240.avi"
      leak_run null "$inputs/quad_320x240.avi"
      ;;
    leak-ours | leak-null)
      leak_run "${part#leak-}" "$inputs/quad_320x240.avi"
      ;;
    *) bench_failed "$part" "no such part" ;;
  esac
done
bench_exit
