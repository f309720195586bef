#!/usr/bin/env bash
# Builds the fuzzers with clang into build-fuzz and runs each for a while: the plot control's
# property-bag loader, then the spectrum-file readers.
# Usage: scripts/fuzz.sh [seconds per fuzzer]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${KIVO_FUZZ_BUILD_DIR:-build-fuzz}"
CC=clang CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
# New inputs go to the build folder's corpora; the committed seeds stay as they are.
run() { # name, seed folder, longest input
  mkdir -p "$build/corpus_$1"
  "$build/$1" -max_total_time="$seconds" -max_len="$3" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/$1-" "$build/corpus_$1" "$2"
}
run bag_fuzzer fuzz/corpus 4096
run spectrum_fuzzer fuzz/corpus_spectrum 16384
