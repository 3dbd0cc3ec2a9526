# Shared by wine-run, run.sh, test.sh and the Wine benchmarks: the project's private Wine
# environments and a session (display + persistent wineserver) whose processes are stopped
# by their PIDs. Source it; it defines functions and exports nothing until they are called.
#
# There are two environments, one per Windows build: win32 (32-bit programs, 32-bit loader)
# and win64 (64-bit programs, 64-bit loader), each with a prefix of its own under build/.
# Debian's /usr/bin/wine wrapper always picks the 32-bit loader when wine32 is installed, so
# the loaders are named directly, and `wine` below is a function that calls the right one.

ORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ORVEL_WINE32_LOADER=${ORVEL_WINE32_LOADER:-/usr/lib/wine/wine}
ORVEL_WINE64_LOADER=${ORVEL_WINE64_LOADER:-/usr/lib/wine/wine64}

# The environment for one architecture: win32 or win64 (default: ORVEL_WINE_ARCH, else win64).
wine_env() {
  export ORVEL_WINE_ARCH="${1:-${ORVEL_WINE_ARCH:-win64}}"
  export WINEARCH=$ORVEL_WINE_ARCH
  export WINEPREFIX="${ORVEL_WINEPREFIX:-$ORVEL_ROOT/build/wineprefix-$ORVEL_WINE_ARCH}"
  if [ "$ORVEL_WINE_ARCH" = win32 ]; then
    export WINELOADER=$ORVEL_WINE32_LOADER
  else
    export WINELOADER=$ORVEL_WINE64_LOADER
  fi
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
}

# Runs a Windows program (or one of Wine's own, such as wineboot) with the loader of the
# environment set by wine_env.
wine() {
  "$WINELOADER" "$@"
}

# The Wine architecture a Windows program needs, read from its PE header: win64 for x86-64,
# win32 otherwise (i386).
wine_arch_of() {  # file
  local offset machine
  offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || { echo win32; return; }
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  [ "$machine" = 8664 ] && echo win64 || echo win32
}

# Whether the 32-bit build's programs can run here: the kernel must run 32-bit programs and
# the 32-bit Wine must be installed and start. On failure prints why on stdout.
wine32_runs() {
  local out
  out=$("$(dirname "${BASH_SOURCE[0]}")/runs-32bit") || { echo "this machine runs no 32-bit programs ($out)"; return 1; }
  if [ ! -x "$ORVEL_WINE32_LOADER" ]; then
    echo "the 32-bit Wine is not installed ($ORVEL_WINE32_LOADER is missing; install-deps could not install it)"
    return 1
  fi
  if out=$("$ORVEL_WINE32_LOADER" --version 2>&1); then
    return 0
  fi
  out=$(printf '%s' "$out" | tr '\n' ' ' | sed 's/ *$//')
  echo "the 32-bit Wine does not start (${out:-$ORVEL_WINE32_LOADER --version failed})"
  return 1
}

wine_server_bin() {
  # The 64-bit server serves 32-bit and 64-bit programs alike; the 32-bit one only where
  # there is nothing else.
  local w
  for w in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32 wineserver; do
    command -v "$w" >/dev/null 2>&1 && { command -v "$w"; return; }
  done
  echo wineserver
}

# A display number that no X server uses.
free_display_number() {
  local n
  for n in $(seq 91 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo "$n"; return; }
  done
}

# Waits until the X server on display $1 answers.
wait_for_display() {
  local i
  for i in $(seq 1 100); do
    DISPLAY=$1 xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Starts a session for the environment set by wine_env. Arguments: the architecture;
# --own-display for an Xvfb server of our own at 1024x768x24 even when DISPLAY is set;
# --two-monitors for a display of two monitors instead (the primary one 1024x768 at the
# origin, a second one 800x600 to its right). Wine takes its monitors from RandR when the
# server has it, and Xvfb's RandR has one output; so the two monitors are two Xinerama
# heads of a nested Xephyr server without RandR, shown inside an Xvfb server.
# --screen=WxH for an Xvfb server of our own with a screen of that size (the benchmarks'
# full-HD screen).
# Without any of these options the caller's DISPLAY is used, or an Xvfb server when there is none.
# Then a persistent wineserver, and the prefix, created once. Sets ORVEL_WINE_SESSION
# (the architecture, with "+two-monitors") so that nested wine-run calls reuse the session.
wine_session_start() {
  local arch="" own_display=0 two_monitors=0 screen=1024x768 a
  for a in "$@"; do
    case $a in
      --own-display) own_display=1 ;;
      --screen=*) own_display=1 screen=${a#--screen=} ;;
      --two-monitors) two_monitors=1 ;;
      *) arch=$a ;;
    esac
  done
  wine_env "$arch"
  _orvel_xvfb_pid=""
  _orvel_xephyr_pid=""
  _orvel_server_pid=""
  _orvel_saved_display="${DISPLAY-}"
  if [ "$two_monitors" = 1 ]; then
    local host nested
    host=$(free_display_number)
    Xvfb ":$host" -screen 0 1824x768x24 -nolisten tcp >/dev/null 2>&1 &
    _orvel_xvfb_pid=$!
    wait_for_display ":$host"
    nested=$(free_display_number)
    DISPLAY=":$host" Xephyr ":$nested" +xinerama -extension RANDR -screen 1024x768+0+0 -screen 800x600+1024+0 \
      -nolisten tcp >/dev/null 2>&1 &
    _orvel_xephyr_pid=$!
    export DISPLAY=":$nested"
    wait_for_display "$DISPLAY"
  elif [ "$own_display" = 1 ] || [ -z "${DISPLAY:-}" ]; then
    local n
    n=$(free_display_number)
    Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
    _orvel_xvfb_pid=$!
    export DISPLAY=":$n"
    wait_for_display "$DISPLAY"
  fi
  mkdir -p "$WINEPREFIX"
  export WINESERVER
  WINESERVER=$(wine_server_bin)
  "$WINESERVER" -f -p >/dev/null 2>&1 &
  _orvel_server_pid=$!
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the $ORVEL_WINE_ARCH prefix in $WINEPREFIX (once, about 20 s)" >&2
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
  export ORVEL_WINE_SESSION=$ORVEL_WINE_ARCH
  # An if, not "test && ...": callers run under set -e, and a function's status is its last
  # command's.
  if [ "$two_monitors" = 1 ]; then ORVEL_WINE_SESSION+="+two-monitors"; fi
  if [ "$screen" != 1024x768 ]; then ORVEL_WINE_SESSION+="+$screen"; fi
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
  "${WINESERVER:-$(wine_server_bin)}" -k >/dev/null 2>&1 || true
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
  local x
  for x in "${_orvel_xephyr_pid:-}" "${_orvel_xvfb_pid:-}"; do
    [ -n "$x" ] || continue
    kill "$x" 2>/dev/null || true
    wait "$x" 2>/dev/null || true
  done
  if [ -n "${_orvel_xvfb_pid:-}" ]; then
    if [ -n "$_orvel_saved_display" ]; then export DISPLAY=$_orvel_saved_display; else unset DISPLAY; fi
  fi
  _orvel_server_pid=""
  _orvel_xvfb_pid=""
  _orvel_xephyr_pid=""
  unset ORVEL_WINE_SESSION
}
