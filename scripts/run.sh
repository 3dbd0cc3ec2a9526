#!/usr/bin/env bash
# Installs what is missing, builds, and starts orvel.scr under Wine the way the Windows
# host does, with the given arguments (/c, /p N, /s, /t, /a); with none it runs full
# screen in test mode (/t). Without a display it runs on a virtual one for a few seconds,
# writes a PNG screenshot of the screen and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh
mkdir -p build
if ! { cmake --preset windows && cmake --build --preset windows -j"$(nproc)"; } >build/run-build.log 2>&1; then
  tail -n 40 build/run-build.log
  echo "build failed (whole log: build/run-build.log)" >&2
  exit 1
fi

[ $# -gt 0 ] || set -- /t
. scripts/wine-env.sh

if [ -n "${DISPLAY:-}" ]; then
  wine_session_start
  trap wine_session_stop EXIT
  cd build/windows
  wine orvel.scr "$@"
  exit 0
fi

wine_session_start
trap wine_session_stop EXIT
(cd build/windows && exec wine orvel.scr "$@") &
saver=$!
sleep "${ORVEL_SCREENSHOT_SECONDS:-6}"
mkdir -p build/screenshots
name=$(printf '%s' "$*" | tr -c 'A-Za-z0-9' '_')
shot="$root/build/screenshots/orvel${name}.png"
import -display "$DISPLAY" -window root "$shot"
kill "$saver" 2>/dev/null || true
echo "$shot"
