#!/usr/bin/env bash
# Builds and runs the renderer benchmark against QCustomPlot, the scan benchmark (offscreen) and the
# timing of a whole kivoscan run, and replaces their sections of bench/RESULTS.md (the start-up memory
# section is bench/startup_memory.sh's and stays).
# Usage: bench/run.sh [extra Google Benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
KIVO_WITH_BENCH=1 scripts/install-deps.sh
build="${KIVO_BENCH_BUILD_DIR:-build-bench}"
cmake -S . -B "$build" -G Ninja -DKIVO_BUILD_BENCH=ON -DKIVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target bench_render bench_scan_update kivoscan KivoLib -j2
. bench/sections.sh
export QT_QPA_PLATFORM=offscreen
out="$(mktemp)"
section="$(mktemp)"
"$build/bin/bench_render" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.2 --benchmark_color=false "$@" | tee "$out"
{
  echo "# Renderer benchmark: Trevium against QCustomPlot"
  echo
  echo "Run by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), offscreen platform, median of 5 repetitions."
  echo
  echo "- CPU: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores (shared with other work while measured)"
  echo "- Qt $(qtpaths6 --qt-version 2>/dev/null || echo unknown), QCustomPlot $(dpkg-query -W -f='${Version}' libqcustomplot-dev 2>/dev/null), build type RelWithDebInfo"
  echo
  echo "Trevium times are the control's window paint: copying the data into the control's buffer and"
  echo "bringing its kept picture (PlotImageCache) up to date; QCustomPlot's include setData and drawing"
  echo "into a QImage. Each iteration shows the other of two spectra that differ by their noise, as the"
  echo "frames of a running scan differ. \"fast\" is FastDraw on, \"perchannel\" FastDraw off; \"x2\" is"
  echo "device pixel ratio 2 (an image of twice the size each way). The summary divides CPU times (the"
  echo "machine is shared: wall times also count other processes' turns); the goals are at most 0.30 of"
  echo "the peer's time and at most 2.5 x the ratio-1 time at ratio 2. The strip chart is PushValue into"
  echo "a 1000-point window rolling left plus the control's repaint."
  echo
  echo '```'
  cat "$out"
  echo '```'
} > "$section"
replace_section "# Renderer benchmark" "$section"

# The scan's share of the machine: one reading, one timer tick, and a real 10 s run of the 250 ms timer.
"$build/bin/bench_scan_update" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_color=false | tee "$out"
median() { awk -v n="$1" '$1 == n"_median" { print $2, $3 }' "$out"; }
share() { awk -v n="$1" -v k="$2" '$1 == n"_median" { for (i = 1; i <= NF; i++) if (index($i, k"=") == 1) { split($i, a, "="); printf "%.2f %%", a[2] } }' "$out"; }
{
  echo "# Scan: cost of one reading and CPU share of a running scan"
  echo
  echo "The real main and scan windows run on an in-process stand-in device that returns a fresh reading"
  echo "on every call; the scan runs 512 channels, so the plot draws 513 points at its 533 x 353 size, log"
  echo "scale, filled, ROI 1 shown. The goal is under 1 % of one core at the 250 ms tick."
  echo
  echo "| Measurement | Median |"
  echo "|---|---|"
  echo "| \`Update\` without painting (sum one reading, assign all 513 values to \`Data\`) | $(median BM_UpdateWithoutPaint) |"
  echo "| \`Update\` plus the repaint it causes | $(median BM_UpdateAndRepaint) |"
  echo "| One timer tick (\`ReadCPS\`, count label, \`Update\`, repaint), share of the 250 ms period | $(median BM_TimerTick), $(share BM_TimerTick of250ms_pct) |"
  echo "| Running scan, real 250 ms timer for 10 s: process CPU time / wall time | $(share BM_RunningScanCpuShare/10000/iterations:1 cpu_share_pct) of one core |"
  echo "| The scan engine alone, as kivoscan runs it: one reading, no window, no plot | $(median BM_EngineUpdate) |"
  echo
  echo '```'
  cat "$out"
  echo '```'
} > "$section"
replace_section "# Scan: cost" "$section"

bench/kivoscan_time.sh "$build" 5 | tee "$section"
replace_section "# kivoscan:" "$section"

# The spectrum analysis: CPU time of the peak search on a scan record and on a 65536-channel file.
cmake --build "$build" --target bench_analysis -j2
bench/analysis_time.sh "$build" | tee "$section"
replace_section "# Spectrum analysis:" "$section"
rm -f "$out" "$section"
echo "Wrote bench/RESULTS.md"
