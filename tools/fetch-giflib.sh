#!/usr/bin/env bash
# Fetches Debian's own giflib source package into build/windows/_deps/ for the
# MinGW cross build (Debian ships no MinGW giflib). Idempotent: does nothing
# when the sources are already unpacked. Adds a deb-src entry for the archive
# the system already uses, if there is none, and runs apt-get update once.
#
# Usage: tools/fetch-giflib.sh [dest-dir]   (default build/windows/_deps)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dest="${1:-$root/build/windows/_deps}"
mkdir -p "$dest"
dest="$(cd "$dest" && pwd)"

# Already there? (the unpacked tree holds gif_lib.h)
if compgen -G "$dest/giflib-*/gif_lib.h" >/dev/null; then
  exit 0
fi

exec 9>"$dest/.fetch-giflib.lock"
flock 9
if compgen -G "$dest/giflib-*/gif_lib.h" >/dev/null; then
  exit 0
fi

have_src() { apt-cache showsrc giflib 2>/dev/null | grep -q '^Package: giflib'; }

if ! have_src; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "fetch-giflib: no deb-src entry for giflib; run as root once to add it" >&2
    exit 1
  fi
  list=/etc/apt/sources.list.d/corvelin-src.sources
  if [ ! -e "$list" ]; then
    # Mirror the system's own "deb" entries as "deb-src", in the format they use.
    tmp="$(mktemp)"
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] || continue
      awk 'BEGIN { RS = ""; ORS = "\n\n" }
           /(^|\n)Types:[ \t]*deb([ \t]|\n|$)/ { sub(/Types:[ \t]*deb/, "Types: deb-src"); print }' \
        "$f" >>"$tmp"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -e "$f" ] || continue
      sed -n 's/^[ \t]*deb[ \t]/deb-src /p' "$f" >>"$tmp"
    done
    if [ ! -s "$tmp" ]; then
      rm -f "$tmp"
      echo "fetch-giflib: found no deb entries to mirror as deb-src" >&2
      exit 1
    fi
    if grep -q '^deb-src ' "$tmp"; then
      install -m 644 "$tmp" /etc/apt/sources.list.d/corvelin-src.list
    else
      install -m 644 "$tmp" "$list"
    fi
    rm -f "$tmp"
  fi
  apt-get update -qq
fi

work="$(mktemp -d "$dest/.fetch.XXXXXX")"
chmod 755 "$work"  # apt downloads as _apt when it can
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq -o APT::Sandbox::User=root --download-only giflib >/dev/null)
dsc="$(ls "$work"/giflib_*.dsc | head -n 1)"
(cd "$work" && dpkg-source --no-check -x "$dsc" unpacked >/dev/null)
version="$(basename "$dsc" .dsc | sed 's/^giflib_//; s/-[^-]*$//')"
rm -rf "$dest/giflib-$version"
mv "$work/unpacked" "$dest/giflib-$version"
echo "fetch-giflib: giflib $version sources in $dest/giflib-$version"
