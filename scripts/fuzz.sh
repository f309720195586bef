#!/usr/bin/env bash
# Builds the property-bag fuzzer with clang into build-fuzz and runs it for a while.
# Usage: scripts/fuzz.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${KIVO_FUZZ_BUILD_DIR:-build-fuzz}"
CC=clang CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build"
# New inputs go to the build folder's corpus; the seeds in fuzz/corpus stay as committed.
mkdir -p "$build/corpus"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
"$build/bag_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$build/" "$build/corpus" fuzz/corpus
