#!/usr/bin/env bash
# End-to-end test of a Windows program under Wine on a 1920 x 1080 Xvfb screen
# without a window manager: the window titled "Corvelin" must appear at
# (0, 340)-(1920, 740) with the main window's styles, its canvas must span the
# window, show red text at canvas y 350 and a moving figure in canvas rows
# 150..290, and Esc (to the window and to the canvas), WM_CLOSE from another
# process, a window manager's close, Alt+F4 and the caption's close button
# must each end it with exit code 0.
#
# Usage: e2e.sh --prefix WINEPREFIX --wintool wintool.exe [--self-test|--fatal] program.exe
#   --self-test  only run "program.exe --self-test" on the screen
#   --fatal      run "program.exe --fatal": a message box titled "Corvelin"
#                must tell of the error, and the program end with -1 once it
#                is closed
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

prefix="" wintool="" mode=""
while [ $# -gt 1 ]; do
  case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --wintool) wintool="$2"; shift 2 ;;
    --self-test|--fatal) mode="$1"; shift ;;
    *) break ;;
  esac
done
exe="${1:?usage: e2e.sh --prefix DIR --wintool wintool.exe [--self-test] program.exe}"
[ -n "$prefix" ] && [ -n "$wintool" ] || { echo "e2e: --prefix and --wintool are needed" >&2; exit 2; }

if [ -z "${CORVELIN_E2E_SCREEN:-}" ]; then
  # The Wine prefix is made before the screen exists, so that Wine's desktop
  # process belongs to the screen of this test.
  "$root/tools/wine-prefix.sh" "$prefix"
  export CORVELIN_E2E_SCREEN=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" --prefix "$prefix" --wintool "$wintool" \
    $mode "$exe"
fi

export WINEPREFIX="$prefix"
run() { "$root/tools/wine-run.sh" --prefix "$prefix" "$@"; }
finish() {
  # Let this prefix's Wine server end while its screen is still there.
  /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
}
trap finish EXIT

if [ "$mode" = --self-test ]; then
  run "$exe" --self-test
  exit $?
fi

if [ "$mode" = --fatal ]; then
  run "$exe" --fatal &
  pid=$!
  status=0
  if info="$(run "$wintool" find Corvelin 30000)"; then
    echo "$info"
    if grep -qx 'class #32770' <<<"$info" && grep -q '^text .*cannot be created' <<<"$info"; then
      echo "ok: a message box titled Corvelin tells of the error"
    else
      echo "FAIL: no message box with the error text"
      status=1
    fi
    run "$wintool" close Corvelin
  else
    echo "FAIL: no message box appeared"
    status=1
  fi
  for i in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rc=0
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: the program is still running"
    kill "$pid"
    status=1
  fi
  wait "$pid" || rc=$?
  # -1 reaches Linux as 255.
  if [ $rc -eq 255 ]; then echo "ok: exit code -1"; else echo "FAIL: exit code $rc, expected -1"; status=1; fi
  exit $status
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

tmp="$(mktemp -d)"
trap 'finish; rm -rf "$tmp"' EXIT
cc -O -o "$tmp/x11close" "$here/x11close.c" -lX11

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Starts the program; sets $pid and $info (wintool find output).
start() {
  run "$exe" &
  pid=$!
  local t_start
  t_start="$(now_ms)"
  if ! info="$(run "$wintool" find Corvelin 30000)"; then
    fail "no window titled Corvelin appeared"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return 1
  fi
  echo "window shown $(($(now_ms) - t_start)) ms after start"
}

field() { awk -v k="$1" '$1 == k { $1 = ""; sub(/^ /, ""); print }' <<<"$info"; }

# Waits up to 15 s for the program to end; checks its exit code is 0.
expect_exit0() {
  local what="$1" i
  for i in $(seq 150); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$what: the program is still running"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return
  fi
  local rc=0
  wait "$pid" || rc=$?
  if [ "$rc" -eq 0 ]; then pass "$what ends the program with exit code 0"; else fail "$what: exit code $rc"; fi
}

# Counts pixels of a colour class in a rectangle of a screenshot.
count_pixels() {  # file kind x0 y0 x1 y1
  python3 - "$@" <<'PY'
import sys
path, kind, x0, y0, x1, y1 = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:])
data = open(path, 'rb').read()
fields, pos = [], 0
while len(fields) < 4:
    while data[pos:pos+1].isspace(): pos += 1
    if data[pos:pos+1] == b'#':
        pos = data.index(b'\n', pos)
        continue
    end = pos
    while not data[end:end+1].isspace(): end += 1
    fields.append(data[pos:end]); pos = end
pos += 1
w, h = int(fields[1]), int(fields[2])
px = data[pos:]
n = 0
for y in range(max(0, y0), min(h, y1)):
    row = px[(y * w) * 3:(y * w + w) * 3]
    for x in range(max(0, x0), min(w, x1)):
        r, g, b = row[x*3], row[x*3+1], row[x*3+2]
        if kind == 'red' and r > 200 and g < 80 and b < 80: n += 1
        if kind == 'dark' and r + g + b < 300: n += 1
print(n)
PY
}
shot() { import -window root -depth 8 "ppm:$1" 2>/dev/null; }

# --- 1: geometry, styles, drawing, Esc on the window ---
t0="$(now_ms)"
if start; then
  t_found="$(now_ms)"
  echo "$info"
  read -r l t r b <<<"$(field window)"
  read -r cl ct cr cb <<<"$(field client)"
  if [ "$l $t $r $b" = "0 340 1920 740" ]; then pass "window at (0, 340)-(1920, 740)"
  else fail "window at ($l, $t)-($r, $b), expected (0, 340)-(1920, 740)"; fi

  style=$(( $(field style) ))
  exstyle=$(( $(field exstyle) ))
  want=$(( 0x00C00000 | 0x00080000 | 0x00020000 | 0x02000000 ))  # CAPTION SYSMENU MINIMIZEBOX CLIPCHILDREN
  extra=$(( 0x10000000 | 0x04000000 ))                            # VISIBLE CLIPSIBLINGS, added by the system
  if [ $(( style & ~extra )) -eq $want ] && [ $(( style & 0x10000000 )) -ne 0 ]; then
    pass "$(printf 'style 0x%08x' $style)"
  else fail "$(printf 'style 0x%08x, expected 0x%08x plus WS_VISIBLE' $style $want)"; fi
  if [ $(( exstyle & ~0x100 )) -eq 0 ]; then pass "$(printf 'extended style 0x%08x' $exstyle)"
  else fail "$(printf 'extended style 0x%08x, expected 0 (or WS_EX_WINDOWEDGE)' $exstyle)"; fi

  read -r kl kt kr kb <<<"$(field child)"
  if [ "$kl" = "$cl" ] && [ "$kt" = "$ct" ] && [ $((kr - kl)) -eq $((r - l)) ] && [ "$(field child-visible)" = 1 ]; then
    pass "canvas at the client origin, as wide as the window ($((kr - kl)))"
  else fail "canvas at ($kl, $kt)-($kr, $kb), client ($cl, $ct)-($cr, $cb), window width $((r - l))"; fi

  # First frame with the text: the time from start to it.
  red=0
  for i in $(seq 50); do
    shot "$tmp/a.ppm"
    red="$(count_pixels "$tmp/a.ppm" red 0 $((ct + 340)) 1920 $((ct + 390)))"
    [ "$red" -gt 100 ] && break
    sleep 0.1
  done
  t_frame="$(now_ms)"
  if [ "$red" -gt 100 ]; then pass "red text shows ($red red pixels around canvas y 350)"
  else fail "no red text around canvas y 350 ($red red pixels)"; fi
  echo "figure: window found $((t_found - t0)) ms after start, text on screen after $((t_frame - t0)) ms"

  # The figure moves: canvas rows 150..290 differ between two screenshots.
  shot "$tmp/a.ppm"
  sleep 0.5
  shot "$tmp/b.ppm"
  if python3 - "$tmp/a.ppm" "$tmp/b.ppm" $((ct + 150)) $((ct + 290)) <<'PY'
import sys
a, b = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
y0, y1 = int(sys.argv[3]), int(sys.argv[4])
w = 1920
hdr = len(a) - w * 1080 * 3
sa = a[hdr + y0 * w * 3: hdr + y1 * w * 3]
sb = b[hdr + y0 * w * 3: hdr + y1 * w * 3]
dark = sum(1 for i in range(0, len(sa), 3) if sa[i] + sa[i+1] + sa[i+2] < 300)
sys.exit(0 if sa != sb and dark > 0 else 1)
PY
  then pass "the figure moves in canvas rows 150..290"
  else fail "nothing moves in canvas rows 150..290"; fi

  xdotool key Escape
  expect_exit0 "Esc pressed on the window"
fi

# --- 2: Esc on the canvas, after a click has given it the focus ---
if start; then
  read -r cl ct cr cb <<<"$(field client)"
  xdotool mousemove 960 $((ct + 30)) click 1
  sleep 0.3
  info="$(run "$wintool" find Corvelin 1000)"
  if [ "$(field focus-is-child)" = 1 ]; then pass "a click gives the canvas the focus"
  else fail "the canvas did not take the focus on a click"; fi
  run "$wintool" key Corvelin focus 0x1B
  expect_exit0 "Esc on the canvas"
fi

# --- 3: WM_CLOSE from another process ---
if start; then
  run "$wintool" close Corvelin
  expect_exit0 "WM_CLOSE from another process"
fi

# --- 4: the window manager's close (WM_DELETE_WINDOW) ---
if start; then
  xid="$(xdotool search --name '^Corvelin$' | head -n 1)"
  if [ -n "$xid" ]; then
    "$tmp/x11close" "$xid"
    expect_exit0 "a window manager's close"
  else
    fail "no X window named Corvelin"
    kill "$pid" 2>/dev/null || true
  fi
fi

# --- 5: Alt+F4 ---
if start; then
  xdotool key alt+F4
  expect_exit0 "Alt+F4"
fi

# --- 6: the close button of the caption (drawn by Wine: no window manager) ---
if start; then
  read -r l t r b <<<"$(field window)"
  read -r cl ct cr cb <<<"$(field client)"
  xdotool mousemove $((r - (r - cr) - 9)) $(((t + ct) / 2)) click 1
  expect_exit0 "the close button"
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
