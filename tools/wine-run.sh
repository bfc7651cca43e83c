#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine: the emulator that CMake
# and CTest use for the Windows builds. The Wine prefix lives in the build tree
# (made on first use by tools/wine-prefix.sh); Wine's own messages are off.
#
# Usage: tools/wine-run.sh [--prefix DIR] program.exe [args...]
# Without --prefix: $CORVELIN_WINEPREFIX, else <dir of program>/../wineprefix
# up to the build tree's root (the folder holding CMakeCache.txt), else
# build/windows/wineprefix.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
prefix="${CORVELIN_WINEPREFIX:-}"
if [ "${1:-}" = "--prefix" ]; then
  prefix="$2"
  shift 2
fi
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--prefix DIR] program.exe [args...]" >&2; exit 2; }
exe="$1"

if [ -z "$prefix" ]; then
  dir="$(cd "$(dirname "$exe")" 2>/dev/null && pwd || true)"
  while [ -n "$dir" ] && [ "$dir" != "/" ] && [ ! -e "$dir/CMakeCache.txt" ]; do
    dir="$(dirname "$dir")"
  done
  if [ -n "$dir" ] && [ -e "$dir/CMakeCache.txt" ]; then
    prefix="$dir/wineprefix"
  else
    prefix="$root/build/windows/wineprefix"
  fi
fi

# The machine type in the PE header picks Wine's 32-bit or 64-bit loader.
loader=/usr/lib/wine/wine64
if [ -f "$exe" ]; then
  pe="$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')"
  machine="$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')"
  if [ "$machine" = "014c" ]; then
    loader=/usr/lib/wine/wine
    if ! "$loader" --version >/dev/null 2>&1; then
      echo "wine-run: this host cannot run 32-bit Windows programs (its kernel runs no" \
           "32-bit Linux programs, which Wine's 32-bit loader is); use the 64-bit build" >&2
      exit 126
    fi
  fi
fi

mkdir -p "$(dirname "$prefix")"
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"
"$root/tools/wine-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINELOADER="$loader"
export WINEDEBUG="${CORVELIN_WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
# Start the prefix's Wine session (its server and the service processes the
# first program starts), if it is not running, away from our output, and keep
# it for a while after the last program ends. Started by the program itself,
# the services would inherit its standard output and hold a caller's pipe
# (CTest's) open until the session ends, a few seconds later; and a program
# started while a session shuts down can fail to start at all.
if /usr/lib/wine/wineserver64 -p"${CORVELIN_WINE_LINGER:-120}" </dev/null >/dev/null 2>&1; then
  "$loader" cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
# Windows programs end their text lines with CR LF; the tools reading their
# output here (CTest's test discovery among them) expect LF.
if [ -t 1 ]; then
  exec "$loader" "$@"
fi
set +e
"$loader" "$@" | sed -u 's/\r$//'
exit "${PIPESTATUS[0]}"
