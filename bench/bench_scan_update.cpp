// Cost of the scan's per-reading work and the CPU share of a running scan. One Update sums a reading,
// hands the whole 513-value array to the plot and has it repainted at its 533 x 353 size; the main
// window's timer does that (plus one ReadCPS) every 250 ms. The scan engine alone (kivoscan's) is
// measured beside it. The device is an in-process stand-in with
// a fresh reading on every call, so only the program's own work is measured.
#include "CTreviumCtrl.h"
#include "DeviceLink.h"
#include "Globals.h"
#include "Params.h"
#include "Scan.h"
#include "ScanEngine.h"
#include "TopLevel.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstring>
#include <memory>

namespace {

int32_t openSCA(int32_t) {
    return 1;
}
int32_t closeSCA(int32_t) {
    return 0;
}
int32_t getParam(int32_t, int32_t id, void* buffer, int32_t size) {
    std::memset(buffer, 0, size_t(size));
    if (id == kivo::PARAM_LEVEL_INFO) {
        const int32_t levels = 2048;
        std::memcpy(buffer, &levels, sizeof levels);
    } else if (id == kivo::PARAM_FW_VERSION) {
        std::memcpy(buffer, "2.0.1", 5);
    }
    return 0;
}
int32_t setParam(int32_t, int32_t, const void*, int32_t) {
    return 0;
}
int32_t readCPS(int32_t, int32_t* cps, int32_t* fresh) {
    static int32_t n = 0;
    *cps = 1000 + (n++ % 97);
    *fresh = 1;
    return 0;
}
int32_t saveSettings(int32_t) {
    return 0;
}

// The main window connected to the stand-in, its scan window shown and scanning 512 channels.
struct RunningScan {
    kivo::KivoFunctions table{&openSCA, &closeSCA, &getParam, &setParam, &readCPS, &saveSettings};
    std::unique_ptr<TopLevel> window;
    Scan* scan = nullptr;

    RunningScan() {
        kivo::DeviceLink::instance().overrideFunctions(&table);
        window = std::make_unique<TopLevel>();
        window->show();
        window->cmdConnect_Click();
        window->cmdScan_Click();
        scan = window->scanWindow();
        scan->cmbChannels()->setCurrentIndex(3);
        scan->txtSweeps()->setText(QStringLiteral("200"));
        for (auto& c : globals::scanCounts)
            c = 5000;
        QApplication::processEvents();
        scan->cmdStartStop_Click();
    }
    ~RunningScan() {
        if (globals::scanRunning)
            scan->cmdStartStop_Click();
        window.reset();
        kivo::DeviceLink::instance().overrideFunctions(nullptr);
    }
    void keepRunning() {
        if (!globals::scanRunning)
            scan->cmdStartStop_Click();
    }
};

// Sum and hand-over only (the plot repaints later, in the event loop).
void BM_UpdateWithoutPaint(benchmark::State& state) {
    RunningScan r;
    for (auto _ : state) {
        r.scan->Update(1234);
        r.keepRunning();
    }
}
BENCHMARK(BM_UpdateWithoutPaint)->Unit(benchmark::kMicrosecond);

// The scan engine alone, as kivoscan runs it: the same reading without a window or a plot. Side by side
// with the window's Update above, it shows what the window adds.
struct QuietHost : scan::ScanHost {
    qint32 deviceHandle() const override { return 1; }
    qint32 maxLevel() const override { return 2047; }
    void scanFailure(const QString&) override {}
    void channelStarted() override {}
    void readingAdded(qint32) override {}
    void countsCleared() override {}
    void movedOn(qint32) override {}
    void scanEnded(bool) override {}
};

void BM_EngineUpdate(benchmark::State& state) {
    kivo::KivoFunctions table{&openSCA, &closeSCA, &getParam, &setParam, &readCPS, &saveSettings};
    kivo::DeviceLink::instance().overrideFunctions(&table);
    QuietHost host;
    scan::Counts counts{};
    bool running = false;
    scan::ScanEngine engine(host, counts, running);
    engine.start(512, 200);
    for (auto _ : state) {
        engine.update(1234);
        if (!running)
            engine.start(512, 200);
    }
    kivo::DeviceLink::instance().overrideFunctions(nullptr);
}
BENCHMARK(BM_EngineUpdate)->Unit(benchmark::kNanosecond);

// One Update and the repaint it causes, drawn at once.
void BM_UpdateAndRepaint(benchmark::State& state) {
    RunningScan r;
    for (auto _ : state) {
        r.scan->Update(1234);
        r.scan->Plot()->repaint();
        r.keepRunning();
    }
}
BENCHMARK(BM_UpdateAndRepaint)->Unit(benchmark::kMicrosecond);

// One timer tick as the program makes it: ReadCPS, the count-rate label, Update, repaint. The
// "of250ms" counter is that cost as a share of the 250 ms tick period, in percent of one core.
void BM_TimerTick(benchmark::State& state) {
    RunningScan r;
    QElapsedTimer spent;
    spent.start();
    for (auto _ : state) {
        r.window->Timer1_Timer();
        r.scan->Plot()->repaint();
        r.keepRunning();
    }
    const double perTickSeconds = double(spent.nsecsElapsed()) / 1e9 / double(state.iterations());
    state.counters["of250ms_pct"] = 100.0 * perTickSeconds / 0.25;
}
BENCHMARK(BM_TimerTick)->Unit(benchmark::kMicrosecond);

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The real thing: the event loop runs with the 250 ms timer for a few seconds while a scan runs; the
// process's CPU time over the wall time is the share of one core the scan costs.
void BM_RunningScanCpuShare(benchmark::State& state) {
    RunningScan r;
    for (auto _ : state) {
        const double cpu0 = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(int(state.range(0)), &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = processCpuSeconds() - cpu0;
        state.counters["cpu_share_pct"] = 100.0 * cpu / (double(wall.nsecsElapsed()) / 1e9);
        state.counters["ticks"] = double(wall.elapsed()) / 250.0;
    }
}
BENCHMARK(BM_RunningScanCpuShare)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
