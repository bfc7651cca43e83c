#!/usr/bin/env bash
# End-to-end test of the native window under an X server (run inside
# xvfb-run with a 1920x1080 screen):
#
#   sdl_e2e.sh PROGRAM XHELPER WORKDIR [--red-text] [--window-manager WM]
#
# With --window-manager the given window manager runs on the screen first, so
# the window gets a frame once it is shown; without it there is none.
# Starts PROGRAM three times. Each time it waits for the visible window titled
# "Corvelin" and checks its outer geometry: x 0, the screen's width, centred
# vertically, 400 high. The first run is also photographed (WORKDIR/shot.ppm)
# and must show the white canvas (with --red-text, also the red instruction
# line: some hundreds of pure red pixels); it is closed by Esc, the second by a
# window-manager close (WM_DELETE_WINDOW), the third by Alt+F4. Every run must
# end with exit code 0.
set -u

program=${1:?usage: sdl_e2e.sh PROGRAM XHELPER WORKDIR}
xhelper=${2:?usage: sdl_e2e.sh PROGRAM XHELPER WORKDIR}
workdir=${3:?usage: sdl_e2e.sh PROGRAM XHELPER WORKDIR}
shift 3
red_text=0
window_manager=
while [ $# -gt 0 ]; do
  case "$1" in
    --red-text) red_text=1; shift ;;
    --window-manager) window_manager=${2:?--window-manager needs a program}; shift 2 ;;
    *) echo "sdl_e2e.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
mkdir -p "$workdir"

if [ -z "${DISPLAY:-}" ]; then
  echo "FAIL: no X display; run this script under xvfb-run" >&2
  exit 1
fi

if [ -n "$window_manager" ]; then
  "$window_manager" >"$workdir/window-manager.out" 2>&1 &
  wm_pid=$!
  trap 'kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null' EXIT
  # The window manager is in charge once it has claimed the screen's
  # _NET_SUPPORTING_WM_CHECK.
  for _ in $(seq 1 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "FAIL: the window manager $window_manager did not start" >&2
    sed 's/^/  | /' "$workdir/window-manager.out" >&2
    exit 1
  fi
fi

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

pid=
wid=
# Screen size, from the root window.
read -r screen_w screen_h < <(xdotool getdisplaygeometry)

start_program() {
  "$program" >"$workdir/$1.out" 2>&1 &
  pid=$!
  wid=$(timeout 15 xdotool search --sync --onlyvisible --name '^Corvelin$' 2>/dev/null | head -n 1)
  if [ -z "$wid" ]; then
    if kill -0 "$pid" 2>/dev/null; then
      fail "$1: no visible window titled Corvelin within 15 s"
      kill "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
    else
      wait "$pid"
      fail "$1: the program ended with code $? before showing its window"
    fi
    sed 's/^/  | /' "$workdir/$1.out" >&2
    return 1
  fi
  return 0
}

# Outer geometry: the client rectangle grown by _NET_FRAME_EXTENTS when a
# window manager sets them (without one the frame is empty).
outer_geometry() {
  local info x y w h left=0 right=0 top=0 bottom=0 extents
  info=$(xwininfo -id "$wid") || return 1
  x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/^ *Width: *//p' <<<"$info")
  h=$(sed -n 's/^ *Height: *//p' <<<"$info")
  extents=$(xprop -id "$wid" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
  if [ -n "$extents" ]; then IFS=, read -r left right top bottom <<<"$extents"; fi
  echo "$((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))"
}

check_geometry() {
  local want got
  want="0 $(((screen_h - 400) / 2)) $screen_w 400"
  # The window is laid out before it is shown; allow the server a moment.
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    got=$(outer_geometry)
    [ "$got" = "$want" ] && return 0
    sleep 0.2
  done
  fail "$1: outer geometry (x y width height) is '$got', expected '$want'"
}

# Waits up to 10 s for the program to end and checks its exit code.
expect_exit_0() {
  local code
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$1: the program is still running 10 s after the close"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return
  fi
  wait "$pid"
  code=$?
  if [ "$code" -ne 0 ]; then
    fail "$1: exit code $code, expected 0"
    sed 's/^/  | /' "$workdir/$1.out" >&2
  else
    echo "ok: $1"
  fi
}

check_canvas() {
  local shot="$workdir/shot.ppm" top white total red
  sleep 0.5  # a few frames of the scene
  if ! import -window root -depth 8 "ppm:$shot" 2>"$workdir/import.err"; then
    fail "screenshot: import failed: $(cat "$workdir/import.err")"
    return
  fi
  top=$(((screen_h - 400) / 2))
  # The canvas is white apart from what is drawn on it: most of the client
  # area must be white.
  total=$((screen_w * 400))
  white=$("$xhelper" count "$shot" 0 "$top" "$screen_w" 400 FFFFFF 0) || {
    fail "screenshot: cannot read $shot"
    return
  }
  if [ "$white" -lt $((total / 2)) ]; then
    fail "screenshot: only $white of $total pixels of the client area are white"
  else
    echo "ok: white canvas ($white of $total pixels)"
  fi
  if [ "$red_text" -eq 1 ]; then
    red=$("$xhelper" count "$shot" 0 "$top" "$screen_w" 400 FF0000 0) || red=0
    if [ "$red" -lt 500 ]; then
      fail "screenshot: only $red red pixels in the client area; the red text is missing"
    else
      echo "ok: red text ($red pixels)"
    fi
  fi
}

# 1. Geometry, screenshot, Esc.
if start_program esc; then
  check_geometry esc
  check_canvas
  # xdotool complains when the window is gone before the key is released,
  # and then leaves the key held down if it pressed it through the server
  # (as it does for the focused window): the next program would find Esc
  # pressed when it gets the focus. Hence the release afterwards.
  xdotool key --window "$wid" Escape 2>>"$workdir/xdotool.err"
  expect_exit_0 esc
  xdotool keyup Escape 2>>"$workdir/xdotool.err"
fi

# 2. A window-manager close.
if start_program wm-close; then
  check_geometry wm-close
  "$xhelper" close "$wid" || fail "wm-close: the close message was not sent"
  expect_exit_0 wm-close
fi

# 3. Alt+F4.
if start_program alt-f4; then
  check_geometry alt-f4
  xdotool key --window "$wid" alt+F4 2>>"$workdir/xdotool.err"
  expect_exit_0 alt-f4
  xdotool keyup alt+F4 2>>"$workdir/xdotool.err"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all end-to-end checks passed"
