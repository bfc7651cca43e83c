#!/usr/bin/env bash
# Whole-process figures:
#  1. the real Linux program under Xvfb at 1920 x 1080 for 10 s: CPU time as a
#     share of one core and peak RSS;
#  2. the simulator's peak RSS after ~100 and after ~10,000 respawns of the
#     travelling figure (on a 600-pixel-wide screen, where a crossing is short).
# Google Benchmark figures of the hot paths: build/linux/bench/corvelin_bench.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build/linux}
[ -d "$build" ] || cmake --preset linux >/dev/null
cmake --build "$build" --target corvelin corvelin-sim >/dev/null

seconds=${SECONDS_TO_RUN:-10}
echo "== real program under Xvfb, 1920x1080, ${seconds} s"
log=$(mktemp)
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  /usr/bin/time -f "%U %S %M" -o "$1" "$2" & pid=$!
  sleep "$3"
  # Esc closes the window as a user would. The window is gone before the key
  # is released, which xdotool reports as an X error.
  win=$(xdotool search --sync --onlyvisible --name "^Corvelin$" | head -1)
  xdotool key --window "$win" Escape 2>/dev/null || true
  wait $pid' _ "$log" "$build/app/corvelin" "$seconds"
read -r user sys rss_kb < <(tail -1 "$log")
rm -f "$log"
awk -v u="$user" -v s="$sys" -v t="$seconds" -v r="$rss_kb" 'BEGIN {
  printf "  CPU: %.2f s user + %.2f s system = %.2f %% of one core\n", u, s, (u + s) * 100 / t
  printf "  peak RSS: %.1f MB\n", r / 1024 }'

echo "== simulator respawns (600x400 screen)"
trace=$(mktemp)
rss_few=$( { /usr/bin/time -f "%M" "$build/app/corvelin-sim" --screen 600x400 --ms 160000 \
    --trace "$trace" >/dev/null; } 2>&1 | tail -1)
few=$(grep -c '"op":"destroy"' "$trace")
rm -f "$trace"
# The scene is deterministic: a run 100 times as long has 100 times the respawns.
rss_many=$( { /usr/bin/time -f "%M" "$build/app/corvelin-sim" --screen 600x400 \
    --ms 16000000 >/dev/null; } 2>&1 | tail -1)
echo "  after $few respawns: peak RSS $rss_few kB"
echo "  after $((few * 100)) respawns: peak RSS $rss_many kB (difference $((rss_many - rss_few)) kB)"
