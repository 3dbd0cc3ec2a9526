#!/usr/bin/env bash
# Runs the video benchmarks under Wine and prints their figures.
#
#   bench/wine/run-video-bench.sh [BUILD_DIR] [figures] [render] [cycle] [play] [leak | leak-ours | leak-null]
#
# BUILD_DIR is a Windows build tree with video_bench and the test videos built (default
# build/windows64; build/windows needs a machine that runs 32-bit programs). Without a list,
# all four parts run. figures prints the frame path's figures as lines "figure: NAME VALUE"
# (conversion over memcpy, our scaler beside DrawDib by size and by picture quality, the
# whole DoRenderSample of an HD frame), measured in one process. The leak part runs 200
# build/run/release cycles of one file twice, with our renderer and with Wine's Null
# Renderer, in a fresh process each, and reads the Wine process's resident memory and open
# descriptors from /proc at every checkpoint. play plays a 1920x1080 H.264 MP4 for 10 s
# through DirectShow and through Media Foundation and prints, for each way, the frames per
# second that reached the texture and the process's CPU time per frame.
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
[ -x "$exe" ] || { echo "missing $exe (build the target video_bench)" >&2; exit 1; }

. "$root/scripts/wine-env.sh"
wine_session_start "$(wine_arch_of "$exe")"
trap wine_session_stop EXIT

win() { wine winepath -w "$1" 2>/dev/null; }

# Wine's own messages go here rather than into the figures.
errors=${BENCH_ERRORS:-/dev/null}

# The Linux process of the Wine program whose command line carries the token.
find_pid() {
  local p
  for p in /proc/[0-9]*; do
    if tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -q "video_bench.exe leak .*$1"; then
      echo "${p#/proc/}"
      return
    fi
  done
}

leak_run() {
  local variant=$1 file=$2
  local token="tok$$_$variant" pid="" line="" rss="" fds=""
  echo "== leak: $variant renderer, $cycles cycles of $(basename "$file")"
  wine "$exe" leak "$variant" "$(win "$file")" "$cycles" "$step" "$token" 2>>"$errors" |
    while IFS= read -r line; do
      line=${line%$'\r'}
      case "$line" in
        CHECKPOINT*)
          [ -n "$pid" ] || pid=$(find_pid "$token")
          rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
          fds=$(ls "/proc/$pid/fd" | wc -l)
          echo "${line#CHECKPOINT } $rss $fds"
          ;;
        *) echo "# $line" ;;
      esac
    done |
    awk '
      /^#/ { print "  " substr($0, 3); next }
      { n++; c[n] = $1; r[n] = $2; f[n] = $3
        printf "  after %4d cycles: VmRSS %7d kB, %4d descriptors\n", $1, $2, $3 }
      END {
        if (n < 2) { print "  too few checkpoints"; exit }
        # Least-squares slope over the checkpoints after the first (warm-up).
        sx = sy = sf = sxx = sxy = sxf = 0; m = 0
        for (i = 2; i <= n; i++) { m++; sx += c[i]; sy += r[i]; sf += f[i]; sxx += c[i]*c[i]; sxy += c[i]*r[i]; sxf += c[i]*f[i] }
        d = m * sxx - sx * sx
        if (d == 0) { print "  too few checkpoints"; exit }
        printf "  growth per cycle after the first checkpoint: %.1f kB resident, %.3f descriptors\n",
               (m * sxy - sx * sy) / d, (m * sxf - sx * sf) / d
      }'
}

for part in $parts; do
  case $part in
    figures)
      echo "== the frame path"
      wine "$exe" figures 2>>"$errors" | tr -d '\r'
      ;;
    render)
      echo "== DoRenderSample per frame"
      wine "$exe" render 2>>"$errors" | tr -d '\r'
      ;;
    cycle)
      echo "== build + run + first frame + release"
      files=()
      for f in quad_320x240.avi quad_720x576.avi quad_320x240_pcm.avi quad_mpeg1.mpg quad_mjpeg_pcm.avi quad_cinepak.avi; do
        files+=("$(win "$inputs/$f")")
      done
      wine "$exe" cycle "${files[@]}" 2>>"$errors" | tr -d '\r'
      ;;
    play)
      echo "== 1920x1080 H.264 MP4, DirectShow beside Media Foundation"
      hd=$build/bench/video-bench-inputs/testsrc_1920x1080_h264.mp4
      for way in dshow mf; do
        wine "$exe" play "$way" "$(win "$hd")" "${PLAY_SECONDS:-10}" 2>>"$errors" | tr -d '\r'
      done
      ;;
    leak)
      leak_run ours "$inputs/quad_320x240.avi"
      leak_run null "$inputs/quad_320x240.avi"
      ;;
    leak-ours | leak-null)
      leak_run "${part#leak-}" "$inputs/quad_320x240.avi"
      ;;
    *) echo "unknown part $part" >&2 ;;
  esac
done
