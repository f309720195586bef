#!/usr/bin/env bash
# CPU time of the spectrum analysis (bench_analysis, built in BUILD_DIR with -DKIVO_BUILD_BENCH=ON): the
# peak search with its fits on the simulated detector's scan in 512 and 256 channels, one user region,
# and a 65536-channel file. CPU time is the analysis's own cost; on a shared machine the wall time
# also holds the waits for a core. Prints a Markdown section.
# Usage: bench/analysis_time.sh BUILD_DIR
set -euo pipefail
build="$1"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
"$build/bin/bench_analysis" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_color=false > "$out" 2>/dev/null
# Median CPU time and wall time of one benchmark.
cpu() { awk -v n="$1" '$1 == n"_median" { print $4, $5 }' "$out"; }
wall() { awk -v n="$1" '$1 == n"_median" { print $2, $3 }' "$out"; }
echo "# Spectrum analysis: peak search and fits"
echo
echo "Run by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'); $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores,"
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) (shared with other work while measured). Median of 5 repetitions."
echo "Goals: a 512-channel record under 1 ms, a 65536-channel file under 50 ms."
echo
echo "| Analysis | CPU time | Wall time |"
echo "|---|---|---|"
echo "| Peak search, 512-channel scan record (5 sweeps, 3 peaks found) | $(cpu BM_FindPeaksScan/512) | $(wall BM_FindPeaksScan/512) |"
echo "| Peak search, 256-channel scan record | $(cpu BM_FindPeaksScan/256) | $(wall BM_FindPeaksScan/256) |"
echo "| One user region around the photopeak, 512 channels | $(cpu BM_AnalyseRegionScan) | $(wall BM_AnalyseRegionScan) |"
echo "| Peak search, 65536-channel file (one-level bins, 3 peaks found) | $(cpu BM_FindPeaksFile/65536) | $(wall BM_FindPeaksFile/65536) |"
echo
echo '```'
cat "$out"
echo '```'
