#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs all tests:
# the Linux build, the sanitizer build (ASan + UBSan) and the Windows cross
# build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

for preset in linux asan; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# Windows: the 32-bit program cross-built with MinGW-w64 (giflib from Debian's
# source package), then its tests under Wine. Wine runs 32-bit programs only
# where the kernel runs 32-bit Linux programs; where it cannot, the 32-bit
# build checks its executable (resources, imports) and a 64-bit build of the
# same sources runs every Windows test.
echo "=== windows ==="
tools/fetch-giflib.sh build/windows/_deps
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
if ! grep -q '^CORVELIN_CAN_RUN_WINDOWS_PROGRAMS:BOOL=ON' build/windows/CMakeCache.txt; then
  echo "=== windows64 (Wine cannot run 32-bit programs here) ==="
  if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    echo "the 64-bit Windows build needs g++-mingw-w64-x86-64-posix" >&2
    exit 1
  fi
  tools/fetch-giflib.sh build/windows64/_deps
  cmake --preset windows64 >/dev/null
  cmake --build --preset windows64
  ctest --preset windows64
fi
