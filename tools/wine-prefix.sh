#!/usr/bin/env bash
# Creates the Wine prefix that the Windows build's tests run in, if it is not
# there yet. Idempotent, and safe when several callers race (flock): the
# second waits for the first and then finds the prefix ready.
#
# Usage: tools/wine-prefix.sh <prefix-dir>
set -euo pipefail
prefix="${1:?usage: wine-prefix.sh <prefix-dir>}"
mkdir -p "$(dirname "$prefix")"
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"
ready="$prefix/.corvelin-ready"

[ -e "$ready" ] && exit 0

exec 9>"$prefix.lock"
flock 9
[ -e "$ready" ] && exit 0

# A half-made prefix from an interrupted run is thrown away.
if [ -e "$prefix" ]; then
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  rm -rf "$prefix"
fi

# A 64-bit prefix runs both 64-bit programs and, where the host has Wine's
# 32-bit half working, 32-bit ones.
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all
export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
# No Mono or Gecko installers: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
"$WINELOADER" wineboot --init >/dev/null 2>&1
"$WINESERVER" -w

# Debian's Wine does not find its own fonts. WenQuanYi, the Chinese font the
# Linux build uses, is there as well; the prefix has no font substitutes, so
# the program finds a font for its Chinese text as it must in a user's prefix.
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -f /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
for f in /usr/share/fonts/truetype/wqy/wqy-microhei.ttc; do
  [ -e "$f" ] && cp -f "$f" "$fonts/"
done

reg() { "$WINELOADER" reg add "$@" /f >/dev/null 2>&1; }
# Without a window manager (Xvfb) Wine draws the frame itself and closes at once.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
"$WINESERVER" -w

touch "$ready"
