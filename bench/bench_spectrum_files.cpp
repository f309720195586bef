// What a large reference costs: placing 4,096 to 65,536 points with their windows on a 512-channel
// scan (rebinning by level; linear in the points), and reading and writing a 65,536-point N42 file.
#include "Rebin.h"
#include "SpectrumFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

namespace {

// A scan of n channels on `levels` levels as the scan lays it out: each window a quarter bin wider
// than its bin on each side, a peak at 40 % of the range.
spectrum::ScanRecord scanOf(qint32 n, qint32 levels) {
    spectrum::ScanRecord r;
    r.channels = n;
    r.levelCount = levels;
    const double bin = double(levels) / n;
    const double widen = std::max(1.0, std::nearbyint(bin / 4));
    for (qint32 k = 0; k <= n; ++k) {
        r.levels << spectrum::LevelWindow{qint32(std::max(0.0, std::nearbyint(bin * k - widen))),
                                          qint32(std::min(levels - 1.0, std::nearbyint(bin * (k + 1) + widen)))};
        r.counts << qint32(1000 * std::exp(-std::pow((double(k) / n - 0.4) / 0.03, 2)) + 50);
        r.readings << 30;
    }
    return r;
}

void rebinOntoAScan(benchmark::State& state) {
    const spectrum::ScanRecord reference = scanOf(qint32(state.range(0)) - 1, 65536);
    const spectrum::ScanRecord scan = scanOf(512, 2048);
    for (auto _ : state)
        benchmark::DoNotOptimize(spectrum::rebinOnto(reference, scan));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(rebinOntoAScan)->Arg(4096)->Arg(16384)->Arg(65536)->Complexity()->Unit(benchmark::kMillisecond);

void writeN42(benchmark::State& state) {
    const spectrum::ScanRecord record = scanOf(65535, 65536);
    for (auto _ : state)
        benchmark::DoNotOptimize(spectrum::serialize(record, spectrum::Format::N42));
}
BENCHMARK(writeN42)->Unit(benchmark::kMillisecond);

void readN42(benchmark::State& state) {
    const QByteArray file = spectrum::serialize(scanOf(65535, 65536), spectrum::Format::N42);
    for (auto _ : state)
        benchmark::DoNotOptimize(spectrum::parse(file, QStringLiteral("bench.n42")));
}
BENCHMARK(readN42)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
