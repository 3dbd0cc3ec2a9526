# Shared by wine-run, run.sh and test.sh: the project's private Wine environment and a
# session (display + persistent wineserver) whose processes are stopped by their PIDs.
# Source it; it defines functions and exports nothing until they are called.

ORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

wine_env() {
  export WINEPREFIX="${ORVEL_WINEPREFIX:-$ORVEL_ROOT/build/wineprefix}"
  export WINEARCH=win32
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
}

wine_server_bin() {
  local w
  for w in wineserver /usr/lib/wine/wineserver32 /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver; do
    command -v "$w" >/dev/null 2>&1 && { command -v "$w"; return; }
  done
  echo wineserver
}

# Starts Xvfb when no DISPLAY is given, a persistent wineserver, and creates the prefix
# once. Sets ORVEL_WINE_SESSION=1 so that nested wine-run calls reuse the session.
wine_session_start() {
  wine_env
  _orvel_xvfb_pid=""
  _orvel_server_pid=""
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 91 199); do
      [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    _orvel_xvfb_pid=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
  fi
  mkdir -p "$WINEPREFIX"
  "$(wine_server_bin)" -f -p >/dev/null 2>&1 &
  _orvel_server_pid=$!
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix in $WINEPREFIX (once, about 10 s)" >&2
    wine wineboot -i >/dev/null 2>&1 || true
  else
    # Start Wine's services now, with their output going nowhere: started later by a test
    # program they would inherit its output pipe and keep the test runner waiting forever.
    wine wineboot >/dev/null 2>&1 || true
  fi
  # Without a window manager (our own Xvfb) Wine waits about two seconds for every managed
  # window that closes; unmanaged windows close at once. On a real desktop keep them managed.
  if [ -n "$_orvel_xvfb_pid" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  else
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  fi
  export ORVEL_WINE_SESSION=1
}

# PIDs of the Windows programs that run in this prefix: Wine passes WINEPREFIX on to each,
# and their command lines name a Windows program.
wine_prefix_pids() {
  local dir
  for dir in /proc/[0-9]*; do
    tr '\0' ' ' 2>/dev/null <"$dir/cmdline" | grep -qiE '\.exe|\.scr' || continue
    tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "${dir#/proc/}"
  done
}

wine_session_stop() {
  "$(wine_server_bin)" -k >/dev/null 2>&1 || true
  # A program killed from outside (a time limit hitting the whole process group) can leave
  # Wine's own services behind without their server; they are ended by their PIDs.
  local pid
  for pid in $(wine_prefix_pids); do
    kill -9 "$pid" 2>/dev/null || true
  done
  if [ -n "${_orvel_server_pid:-}" ]; then
    kill "$_orvel_server_pid" 2>/dev/null || true
    wait "$_orvel_server_pid" 2>/dev/null || true
  fi
  if [ -n "${_orvel_xvfb_pid:-}" ]; then
    kill "$_orvel_xvfb_pid" 2>/dev/null || true
    wait "$_orvel_xvfb_pid" 2>/dev/null || true
    unset DISPLAY
  fi
  unset ORVEL_WINE_SESSION
}
