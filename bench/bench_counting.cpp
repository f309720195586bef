// The counting engine's cost: one fresh reading, a series' statistics and a plateau search (GSL), and
// one rate-log line pushed to the disk. The window and kivocount handle 4 readings per second.
#include "CountEngine.h"
#include "CountStatistics.h"
#include "HvPlateau.h"
#include "RateLog.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace counting;

namespace {

struct QuietHost : CountHost {
    bool setHighVoltage(double) override { return true; }
    void waiting(const QDateTime&) override {}
    void measurementStarted(int) override {}
    void readingTaken(int, qint32) override {}
    void measurementFinished(int) override {}
    void seriesEnded(SeriesEnd) override {}
};

const QDateTime START = QDateTime::fromString(QStringLiteral("2024-03-15T10:20:30Z"), Qt::ISODate);

} // namespace

// A reading into a series of 10-reading measurements, a measurement ending every tenth reading.
static void BM_EngineReading(benchmark::State& state) {
    QuietHost host;
    CountEngine engine(host);
    SeriesPlan plan;
    plan.preset = Preset::Readings;
    plan.measurements = 100000;
    QDateTime t = START;
    engine.start(plan, t);
    qint32 n = 0;
    for (auto _ : state) {
        t = t.addMSecs(250);
        engine.addReading(4680 + (n++ % 41), t);
        if (!engine.running()) {
            state.PauseTiming();
            engine.start(plan, t);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_EngineReading);

// The statistics of a series of N measurements (the window recomputes them after each measurement).
static void BM_SeriesStatistics(benchmark::State& state) {
    QList<Measurement> measurements;
    for (int i = 0; i < state.range(0); ++i) {
        Measurement m;
        m.readings = 10;
        m.mean = 4700 + (i % 7) * 5;
        m.standardError = 21.7;
        measurements << m;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(seriesStatistics(measurements).pValue);
}
BENCHMARK(BM_SeriesStatistics)->Arg(20)->Arg(1000);

// The plateau of a 0 to 1500 V curve in 25 V and in 1 V steps.
static void BM_FindPlateau(benchmark::State& state) {
    QList<PlateauPoint> points;
    for (double v = 0; v <= 1500; v += double(state.range(0)))
        points.append({v, 5000.0 / (1.0 + std::exp(-(v - 820.0) / 20.0))});
    for (auto _ : state)
        benchmark::DoNotOptimize(findPlateau(points, 10).operatingVolts);
}
BENCHMARK(BM_FindPlateau)->Arg(25)->Arg(1);

// One line appended, flushed and synced (fdatasync) to a file in the working folder's file system.
static void BM_RateLogAppend(benchmark::State& state) {
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-ratelog-XXXXXX"));
    RateLog log;
    if (!log.open(dir.filePath(QStringLiteral("rate.csv")), nullptr)) {
        state.SkipWithError("cannot open the rate log");
        return;
    }
    QDateTime t = START;
    for (auto _ : state) {
        t = t.addMSecs(250);
        log.append(4700, t, nullptr);
    }
}
BENCHMARK(BM_RateLogAppend)->UseRealTime();

BENCHMARK_MAIN();
