#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs the picture fuzzer for a
# bounded time. Usage: tools/fuzz.sh [seconds]   (default 60)
# New inputs collect in build/fuzz/corpus/picture; crashes land in
# build/fuzz/artifacts/. The seeds in fuzz/corpus/picture are only read.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target picture_fuzz

work=build/fuzz/corpus/picture
artifacts=build/fuzz/artifacts
mkdir -p "$work" "$artifacts"
build/fuzz/fuzz/picture_fuzz "$work" fuzz/corpus/picture \
  -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
  -artifact_prefix="$artifacts/" -print_final_stats=1
