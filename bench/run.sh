#!/usr/bin/env bash
# Builds and runs the renderer benchmark against QCustomPlot (offscreen) and writes bench/RESULTS.md.
# Usage: bench/run.sh [extra Google Benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
KIVO_WITH_BENCH=1 scripts/install-deps.sh
build="${KIVO_BENCH_BUILD_DIR:-build-bench}"
cmake -S . -B "$build" -G Ninja -DKIVO_BUILD_BENCH=ON -DKIVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target bench_render -j2
export QT_QPA_PLATFORM=offscreen
out="$(mktemp)"
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
  echo "Trevium times include copying the data into the control's buffer, filling the background and"
  echo "rendering; QCustomPlot's include setData and drawing into a QImage. \"fast\" is FastDraw on,"
  echo "\"perchannel\" FastDraw off."
  echo
  echo '```'
  cat "$out"
  echo '```'
} > bench/RESULTS.md
rm -f "$out"
echo "Wrote bench/RESULTS.md"
