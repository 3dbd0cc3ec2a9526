#!/usr/bin/env bash
# Installs every Debian package the builds and the tests need: the 32-bit (i386) and the
# 64-bit (amd64) side of the cross compiler, Wine, Mesa and the GStreamer decoders. The i386
# packages are installed even where the kernel runs no 32-bit programs: the 32-bit build is
# still made there. Idempotent: when all packages are present it returns after one dpkg query.
set -euo pipefail

packages=(
  cmake g++ make googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev  # host-fuzz: libFuzzer and the sanitizer runtimes for clang
  xvfb xserver-xephyr xauth x11-utils imagemagick ffmpeg
  # 32-bit build and its Wine
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386
  # 64-bit build and its Wine
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64
  libgl1:amd64 libglx-mesa0:amd64 libgl1-mesa-dri:amd64
  gstreamer1.0-plugins-base:amd64 gstreamer1.0-plugins-good:amd64
  gstreamer1.0-plugins-bad:amd64 gstreamer1.0-libav:amd64
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
