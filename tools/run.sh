#!/usr/bin/env bash
# Installs what is missing, builds Corvelin and starts it on the user's
# display. With no display, renders the scene with the simulator instead and
# says where the pictures are.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target corvelin corvelin-sim

have_display() {
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then return 0; fi
  [ -n "${DISPLAY:-}" ] || return 1
  command -v xdpyinfo >/dev/null 2>&1 || return 0
  xdpyinfo >/dev/null 2>&1
}

if have_display; then
  exec build/linux/app/corvelin
fi

mkdir -p out
echo "No display was found (DISPLAY is not set or cannot be opened), so Corvelin cannot open"
echo "its window here. To see the real window, run 'make run' in a desktop session, or under"
echo "a virtual X server:  xvfb-run -a -s '-screen 0 1920x1080x24' make run"
echo
echo "Rendering 10 seconds of the scene with the simulator instead..."
build/linux/app/corvelin-sim --ms 10000 --png out/scene.png --gif out/scene.gif \
  --trace out/trace.jsonl
echo "  out/scene.png    the window's client area after 10 s (1914 x 371 on a 1920 x 1080 screen)"
echo "  out/scene.gif    an animated recording of those 10 s (half size)"
echo "  out/trace.jsonl  what the program did, one JSON object per line"
