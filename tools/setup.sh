#!/usr/bin/env bash
# Installs what building, running and testing Corvelin needs on Debian 12.
# Idempotent: does nothing when everything is there. As root it installs with
# apt-get; otherwise it prints the command to run.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libsdl2-dev libgif-dev libfreetype-dev libfontconfig-dev fonts-wqy-microhei
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils libx11-dev imagemagick openbox
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 fonts-wine icoutils dpkg-dev
)

need_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then need_i386=1; fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ] && [ $need_i386 -eq 0 ]; then exit 0; fi

cmd="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y ${missing[*]}"
if [ $need_i386 -eq 1 ]; then cmd="dpkg --add-architecture i386 && $cmd"; fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Corvelin needs packages that are not installed. Run as root:" >&2
  echo "  $cmd" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [ $need_i386 -eq 1 ]; then dpkg --add-architecture i386; fi
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
