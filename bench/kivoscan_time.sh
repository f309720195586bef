#!/usr/bin/env bash
# Wall time of a whole command-line scan: kivoscan, 64 channels, 1 sweep, a reading every 5 ms, over the
# simulated detector (a fresh reading on every poll), writing one N42 file. Beside it, the floor set by
# the procedure itself: 63 channels x 4 readings x 5 ms. Prints a Markdown section.
# Usage: bench/kivoscan_time.sh BUILD_DIR [RUNS]
set -euo pipefail
build="$1"
runs="${2:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  KIVO_SIM_READING_MS=1 KIVO_SIM_STATE="$work/nvram.ini" \
    "$build/bin/kivoscan" --quiet --channels 64 --sweeps 1 --period-ms 5 "$work/scan.n42"
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
median=${sorted[$(( runs / 2 ))]}
floor=$(( 63 * 4 * 5 ))
echo "# kivoscan: a 64-channel, 1-sweep scan at a 5 ms period"
echo
echo "Run by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'); $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores."
echo "Whole command (start, connect, scan, write-back, disconnect, N42 file), $runs runs."
echo
echo "| Measurement | ms |"
echo "|---|---|"
echo "| Floor: 63 channels x 4 readings x 5 ms | $floor |"
echo "| kivoscan, median of $runs (all: ${times[*]}) | $median |"
echo "| Overhead over the floor | $(( median - floor )) |"
