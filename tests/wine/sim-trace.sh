#!/usr/bin/env bash
# The Windows simulator must write the same trace, byte for byte, as the
# native one for the same options. Skips (exit 77) when the native build has
# no simulator.
# Usage: sim-trace.sh wine-run.sh corvelin-sim.exe NATIVE-BUILD-DIR
set -euo pipefail
wine_run="${1:?usage: sim-trace.sh wine-run.sh corvelin-sim.exe NATIVE-BUILD-DIR}"
sim_exe="${2:?}"
native_dir="${3:?}"
native_sim="$(find "$native_dir" -maxdepth 3 -type f -name corvelin-sim -perm -u+x 2>/dev/null | head -n 1)"
if [ -z "$native_sim" ]; then
  echo "SKIP: no native corvelin-sim under $native_dir; build the linux preset first"
  exit 77
fi
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
status=0
for opts in "--ms 3000" "--screen 1024x768 --ms 3000" "--screen 505x600 --ms 1500"; do
  # shellcheck disable=SC2086
  "$native_sim" $opts --trace "$tmp/native.trace" >/dev/null
  # The Windows program writes its trace through a Windows path of the same file.
  # shellcheck disable=SC2086
  "$wine_run" "$sim_exe" $opts --trace "Z:$tmp/windows.trace" >/dev/null
  if cmp -s "$tmp/native.trace" "$tmp/windows.trace"; then
    echo "ok: $opts: $(wc -c <"$tmp/native.trace") bytes, identical"
  else
    echo "FAIL: $opts: traces differ"
    diff <(head -c 200000 "$tmp/native.trace") <(head -c 200000 "$tmp/windows.trace") | head -n 20 || true
    status=1
  fi
done
if [ $status -ne 0 ]; then
  echo "(both simulators must be built from the same sources: rebuild $native_dir if it is older)"
fi
exit $status
