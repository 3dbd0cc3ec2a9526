#!/usr/bin/env bash
# Installs every Debian package the builds and the tests need: both cross compilers (the
# 32-bit build is made everywhere), the 64-bit Wine with amd64 Mesa and GStreamer decoders,
# wixl for the Windows Installer packages, and, with --wine32 and where the kernel runs 32-bit
# programs, the 32-bit Wine with its i386 libraries.
#   install-deps.sh [--wine32]
# The 32-bit Wine is only needed to run the 32-bit build (its tests, or run.sh asked for it),
# so only those callers ask for it. When it cannot be installed (a mirror whose i386 index is
# out of step) this says so and goes on, and the test script reports those tests as skipped
# with the reason; the failed try is remembered in build/wine32-install-failed for the rest
# of the day, so that the next runs do not spend a minute on apt's updates and pauses again.
# Idempotent: when all packages are present it returns after one dpkg query.
set -euo pipefail
want32=0
if [ "${1:-}" = --wine32 ]; then want32=1; fi
root=$(cd "$(dirname "$0")/.." && pwd)
failed32_stamp="$root/build/wine32-install-failed"

packages=(
  cmake g++ make googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev  # host-fuzz: libFuzzer and the sanitizer runtimes for clang
  xvfb xserver-xephyr xauth x11-utils imagemagick ffmpeg
  strace  # slows the reads of one file for the tests of slow and stalled shares
  g++-multilib qemu-user  # the pixel loops on a 4-byte aligned 32-bit stack, on any machine
  python3  # the checks of the built orvel.scr
  wixl  # the Windows Installer packages
  # both builds (posix thread model: the test programs; win32: orvel.scr), and the 64-bit
  # build's Wine
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine wine64
  libgl1:amd64 libglx-mesa0:amd64 libgl1-mesa-dri:amd64
  gstreamer1.0-plugins-base:amd64 gstreamer1.0-plugins-good:amd64
  gstreamer1.0-plugins-bad:amd64 gstreamer1.0-libav:amd64
  gstreamer1.0-plugins-ugly:amd64  # the ASF demuxer: WMV files
)
# The 32-bit build's Wine, wanted only where a 32-bit program runs.
packages32=(
  wine32:i386
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386
  gstreamer1.0-plugins-ugly:i386
)

not_installed() {
  local p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || echo "$p"
  done
}
missing=($(not_installed "${packages[@]}"))
missing32=()
if [ "$want32" = 1 ] && "$(dirname "$0")/runs-32bit" >/dev/null; then
  missing32=($(not_installed "${packages32[@]}"))
fi
if [ ${#missing32[@]} -gt 0 ] && [ "$(cat "$failed32_stamp" 2>/dev/null)" = "$(date +%F)" ]; then
  echo "install-deps: the 32-bit Wine could not be installed earlier today; not trying again before tomorrow (delete $failed32_stamp to try now)" >&2
  missing32=()
fi
[ ${#missing[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive

# A mirror in the middle of a sync serves index files that do not match their Release file
# ("File has unexpected size"): apt then fails the update but keeps every index that did
# download, which is often enough for the install. Tries $1 times, waiting 30 s more each time.
install_with_retries() {
  local tries=$1 attempt; shift
  for attempt in $(seq 1 "$tries"); do
    $sudo apt-get update -qq || echo "install-deps: apt-get update reported errors; installing from the indexes it has" >&2
    $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
    [ "$attempt" -eq "$tries" ] && break
    echo "install-deps: attempt $attempt failed, trying again in $((attempt * 30)) s" >&2
    sleep $((attempt * 30))
  done
  return 1
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}" >&2
  install_with_retries 4 "${missing[@]}" || exit 1
fi
if [ ${#missing32[@]} -gt 0 ]; then
  echo "install-deps: installing the 32-bit Wine: ${missing32[*]}" >&2
  if install_with_retries 2 "${missing32[@]}"; then
    rm -f "$failed32_stamp"
  else
    echo "install-deps: the 32-bit Wine could not be installed; the 32-bit build's tests will be skipped" >&2
    mkdir -p "$(dirname "$failed32_stamp")"
    date +%F >"$failed32_stamp"
  fi
fi
exit 0
