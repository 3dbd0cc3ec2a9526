#!/usr/bin/env bash
# Installs what is missing, builds both Windows builds, and starts orvel.scr under Wine the
# way the Windows host does, with the given arguments (/c, /p N, /s, /t, /a); with none it
# runs full screen in test mode (/t). It runs the 64-bit build, which every machine here can
# run (ORVEL_RUN_BUILD=windows picks the 32-bit one where the kernel runs 32-bit programs),
# and says which. Without a display it runs on a virtual one for a few seconds, writes a PNG
# screenshot of the screen and prints its path; with neither arguments nor a display it does
# so once per shape (cuboid, grid, star) with the sample video.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=${ORVEL_RUN_BUILD:-windows64}
# Only the 32-bit build needs the 32-bit Wine.
if [ "$build" = windows ]; then scripts/install-deps.sh --wine32; else scripts/install-deps.sh; fi
mkdir -p build
for preset in windows windows64; do
  if ! { cmake --preset $preset && cmake --build --preset $preset -j"$(nproc)"; } >build/run-build.log 2>&1; then
    tail -n 40 build/run-build.log
    echo "build of $preset failed (whole log: build/run-build.log)" >&2
    exit 1
  fi
done

. scripts/wine-env.sh
case $build in
  windows64) arch=win64 ;;
  windows)
    arch=win32
    if ! reason=$(wine32_runs); then
      echo "run.sh: the 32-bit build cannot run here: $reason; use the 64-bit build" >&2
      exit 1
    fi ;;
  *) echo "run.sh: ORVEL_RUN_BUILD is windows or windows64, not $build" >&2; exit 1 ;;
esac
echo "run.sh: running build/$build/orvel.scr ($([ $arch = win64 ] && echo 64 || echo 32)-bit)" >&2

arguments_given=$#
[ $# -gt 0 ] || set -- /t

if [ -n "${DISPLAY:-}" ]; then
  wine_session_start $arch
  trap wine_session_stop EXIT
  cd build/$build
  wine orvel.scr "$@"
  exit 0
fi

wine_session_start $arch
trap wine_session_stop EXIT
mkdir -p build/screenshots
seconds="${ORVEL_SCREENSHOT_SECONDS:-6}"

# Runs orvel.scr with the given arguments for a few seconds and writes a screenshot.
shoot() {  # name, arguments...
  local name=$1
  shift
  (cd build/$build && exec "$WINELOADER" orvel.scr "$@") >"$root/build/screenshots/orvel-$name.log" 2>&1 &
  local saver=$!
  sleep "$seconds"
  local shot="$root/build/screenshots/orvel-$name.png"
  import -display "$DISPLAY" -window root "$shot"
  kill "$saver" 2>/dev/null || true
  wait "$saver" 2>/dev/null || true
  echo "$shot"
}

if [ "$arguments_given" -gt 0 ]; then
  shoot "$(printf '%s' "$*" | tr -c 'A-Za-z0-9' '_' | sed 's/^_*//')" "$@"
  exit 0
fi

# No arguments: one test run per shape with the sample video, the user's stored settings
# put back afterwards.
settings=build/$build/tools/orvel_settings.exe
saved="$root/build/screenshots/.options-saved"
wine "$settings" save "$saved" >/dev/null 2>&1 && had_settings=1 || had_settings=0
for shape in 1:cuboid 2:grid 3:star; do
  wine "$settings" set "shape=${shape%%:*}" >/dev/null 2>&1
  shoot "${shape#*:}" /t
done
if [ "$had_settings" = 1 ]; then
  wine "$settings" restore "$saved" >/dev/null 2>&1
else
  wine "$settings" delete >/dev/null 2>&1
fi
rm -f "$saved"
