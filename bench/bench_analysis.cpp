// Cost of the spectrum analysis: the peak search with its fits on a scan record as the scan window and
// kivoscan hand it over (the simulated detector's spectrum in 512 and 256 channels, 5 sweeps), one
// region the user chose, and the search on a 65536-channel file of another program (one-level bins,
// no windows, the same detector at 100 s live time). The spectra are drawn once, outside the timing.
#include "ScanRecords.h"
#include "SpectrumAnalysis.h"

#include "DetectorModel.h"
#include "DeviceSettings.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

// A scan of `channels` channels over 2048 levels: 3 x sweeps one-second readings per channel.
spectrum::ScanRecord scanRecord(qint32 channels, int sweeps) {
    spectrum::ScanRecord r = scan::channelLayout(channels, 2047);
    const kivo::sim::DeviceSettings settings =
        kivo::sim::factoryDefaults(kivo::sim::SettingLimits{2048, true});
    std::mt19937 random(1);
    r.readings.fill(0, channels + 1);
    for (qint32 k = 1; k < channels; ++k) {
        const double rate = kivo::sim::windowRate(settings, 2048, r.levels[k].lld, r.levels[k].uld, false);
        r.counts[k] = qint32(std::poisson_distribution<qint64>(3.0 * sweeps * rate)(random));
        r.readings[k] = 3 * sweeps;
    }
    return r;
}

spectrum::ScanRecord mcaFile(qint32 channels) {
    spectrum::ScanRecord r;
    std::mt19937 random(1);
    const kivo::sim::DeviceSettings s = kivo::sim::factoryDefaults(kivo::sim::SettingLimits{channels, true});
    for (qint32 k = 0; k < channels; ++k)
        r.counts << qint32(std::poisson_distribution<qint64>(
            100.0 * kivo::sim::windowRate(s, channels, k, k, false))(random));
    return r;
}

// The whole search on `record`, with the number of peaks it finds as a counter.
void findPeaks(benchmark::State& state, const spectrum::ScanRecord& record) {
    qsizetype peaks = 0;
    for (auto _ : state) {
        const analysis::Analysis a = analysis::findPeaks(record);
        peaks = a.peaks.size();
        benchmark::DoNotOptimize(a);
    }
    state.counters["peaks"] = double(peaks);
}

void BM_FindPeaksScan(benchmark::State& state) {
    findPeaks(state, scanRecord(qint32(state.range(0)), 5));
}
BENCHMARK(BM_FindPeaksScan)->Arg(512)->Arg(256)->Unit(benchmark::kMillisecond);

// The photopeak's region of the 512-channel scan (levels 900 to 1150), as the user drags it.
void BM_AnalyseRegionScan(benchmark::State& state) {
    const spectrum::ScanRecord r = scanRecord(512, 5);
    for (auto _ : state)
        benchmark::DoNotOptimize(analysis::analyseRegion(r, 225, 287));
}
BENCHMARK(BM_AnalyseRegionScan)->Unit(benchmark::kMillisecond);

void BM_FindPeaksFile(benchmark::State& state) {
    findPeaks(state, mcaFile(qint32(state.range(0))));
}
BENCHMARK(BM_FindPeaksFile)->Arg(65536)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
