#!/usr/bin/env bash
# Hours without a leak: the scan window scanning 512 channels for many sweeps at the simulated
# detector's fastest reading period, and kivoscan likewise, under one Xvfb. Records the resident set
# after warm-up (a fifth into the run), its peak after that and its final value; growth after warm-up
# must stay within 1 MB.
# With --asan the same runs are made from an ASan+LSan build and must report nothing.
# Replaces the "Soak" section of bench/RESULTS.md and keeps the others.
# Usage: bench/soak.sh [SWEEPS] [--asan]   (default 40 sweeps)
set -euo pipefail
cd "$(dirname "$0")/.."
sweeps=40
asan=0
for arg in "$@"; do
  case "$arg" in
    --asan) asan=1 ;;
    *) sweeps="$arg" ;;
  esac
done
KIVO_WITH_BENCH=1 scripts/install-deps.sh
build="${KIVO_BENCH_BUILD_DIR:-build-bench}"
flags=(-DKIVO_BUILD_BENCH=ON -DKIVO_BUILD_TESTS=OFF)
if [ "$asan" = 1 ]; then
  build="${build}-asan"
  flags+=(-DKIVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  # Leaks inside the system libraries (D-Bus, fontconfig) are not ours: the tests' own suppressions.
  export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
fi
cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" --target bench_soak_panel kivoscan KivoLib

. bench/xvfb.sh
export KIVOLIB_LIBRARY="$PWD/$build/bin/libKivoLib.so" KIVO_SIM_READING_MS=1 KIVO_SIM_SEED=1

# The window: its own report of the resident set after each sweep.
start=$(date +%s)
"$build/bin/bench_soak_panel" "$sweeps" >"$work/panel.txt" 2>"$work/panel.err" || {
  cat "$work/panel.err" >&2
  exit 1
}
panel_s=$(( $(date +%s) - start ))

# kivoscan: its resident set sampled from outside every 0.2 s.
start=$(date +%s)
"$build/bin/kivoscan" --quiet --channels 512 --sweeps "$sweeps" --period-ms 2 "$work/soak.n42" \
  2>"$work/kivoscan.err" &
pid=$!
: >"$work/kivoscan.txt"
while kill -0 "$pid" 2>/dev/null; do
  awk '$1 == "VmRSS:" { print $2 }' "/proc/$pid/status" 2>/dev/null >>"$work/kivoscan.txt" || true
  sleep 0.2
done
wait "$pid" || { cat "$work/kivoscan.err" >&2; exit 1; }
kivoscan_s=$(( $(date +%s) - start ))

# Warm-up: a fifth of each run (the window's sweeps, kivoscan's samples), at least one sweep.
read -r p_warm p_peak p_final < <(awk '$1 == "sweep" { v[n++] = $4 } $1 == "final" { f = $3 }
  END { s = int(n / 5); if (s < 1) s = 1; if (s >= n) s = n - 1; m = 0;
        for (i = s; i < n; i++) if (v[i] > m) m = v[i]; print v[s], m, f }' "$work/panel.txt")
read -r k_warm k_peak k_final < <(awk '{ v[n++] = $1 } END { w = v[int(n / 5)]; m = 0;
  for (i = int(n / 5); i < n; i++) if (v[i] > m) m = v[i]; print w, m, v[n - 1] }' "$work/kivoscan.txt")
growth() { echo $(( $2 - $1 )); }
verdict() {
  if [ "$asan" = 1 ]; then echo "not judged under ASan"; elif [ "$1" -le 1024 ]; then echo "within 1 MB"; else echo "OVER 1 MB"; fi
}
pg=$(growth "$p_warm" "$p_peak")
kg=$(growth "$k_warm" "$k_peak")
leaks="not run (plain build)"
if [ "$asan" = 1 ]; then
  if grep -q "LeakSanitizer\|AddressSanitizer" "$work/panel.err" "$work/kivoscan.err"; then
    leaks="REPORTED (see the runs' stderr)"
    cat "$work/panel.err" "$work/kivoscan.err" >&2
  else
    leaks="none reported"
  fi
fi

section="$work/section.md"
{
  echo "# Soak: hours without a leak"
  echo
  echo "Run by \`bench/soak.sh $*\` on $(date -u '+%Y-%m-%d %H:%M') UTC; $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)."
  echo "512 channels, $sweeps sweeps, the simulated detector's reading period 1 ms; $( [ "$asan" = 1 ] && echo "ASan+LSan build" || echo "release build")."
  echo "Resident set in kB: after warm-up (a fifth into the run), the peak after it, the end."
  echo
  echo "| program | run | after warm-up | peak | end | growth after warm-up | LSan |"
  echo "|---|---|---|---|---|---|---|"
  echo "| KivoPanel windows (bench_soak_panel) | ${panel_s} s | $p_warm | $p_peak | $p_final | $pg kB ($(verdict "$pg")) | $leaks |"
  echo "| kivoscan | ${kivoscan_s} s | $k_warm | $k_peak | $k_final | $kg kB ($(verdict "$kg")) | $leaks |"
} >"$section"
cat "$section"
. bench/sections.sh
if [ "$asan" = 1 ]; then
  # ASan's quarantine holds freed memory back, so resident sets say nothing here: only LSan counts.
  sed -i '1s/.*/# Soak under ASan+LSan: no leak reported/' "$section"
  replace_section "# Soak under ASan+LSan" "$section"
  [[ "$leaks" != REPORTED* ]]
else
  replace_section "# Soak: hours without a leak" "$section"
  [ "$pg" -le 1024 ] && [ "$kg" -le 1024 ]
fi
