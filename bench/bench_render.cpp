// Rendering speed of the plot control against QCustomPlot drawing the same spectrum at the same size
// (antialiasing off, fixed ranges, one 1-pixel line or a filled graph, no legend, into a QImage), at
// device pixel ratio 1 and 2. Each iteration shows the other of two spectra that differ by their noise,
// as successive frames of a running scan differ. After the runs, one line per case gives our time
// divided by the peer's, and the ratio-2 time divided by the ratio-1 time.
#include "CTreviumCtrl.h"
#include "PlotImageCache.h"
#include "PngExport.h"
#include "Renderer.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<qint32> spectrum(int n, unsigned seed = 12345) {
    std::mt19937 rng(seed);
    std::vector<qint32> v(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        const double x = double(i) / n;
        const double mean = 150 * std::exp(-3 * x) + 3000 * std::exp(-std::pow((x - 0.3) / 0.01, 2)) +
                            700 * std::exp(-std::pow((x - 0.7) / 0.02, 2)) + 20;
        v[size_t(i)] = std::poisson_distribution<int>(mean)(rng);
    }
    return v;
}

struct Case {
    int channels;
    QSize size;
    bool log;
    bool filled;
};

std::string caseName(const Case& c) {
    return std::to_string(c.channels) + "ch/" + std::to_string(c.size.width()) + "x" +
           std::to_string(c.size.height()) + (c.log ? "/log" : "/lin") + (c.filled ? "/filled" : "/lines");
}

// Two frames of the same spectrum with different noise.
struct Frames {
    explicit Frames(int channels) : a(spectrum(channels)), b(spectrum(channels, 54321)) {}
    const std::vector<qint32>& next() { return (odd = !odd) ? a : b; }
    std::vector<qint32> a, b;
    bool odd = false;
};

// Ours, as the control's window paints: copy the data into the control's buffer (as an assignment
// does) and bring the kept picture up to date at the given device pixel ratio.
void benchTrevium(benchmark::State& state, Case c, bool fast, qreal ratio) {
    Frames frames(c.channels);
    std::vector<qint32> buffer(size_t(c.channels));
    trevium::PlotView view;
    view.npoints = view.bufferLength = c.channels;
    view.lastPoint = c.channels - 1;
    view.data = buffer.data();
    view.ymode = c.log ? 0 : 1;
    view.plotFilled = c.filled;
    view.fastDraw = fast;
    trevium::PlotImageCache picture;
    for (auto _ : state) {
        const std::vector<qint32>& source = frames.next();
        std::copy(source.begin(), source.end(), buffer.begin());
        benchmark::DoNotOptimize(picture.render(view, c.size, ratio).constBits());
    }
}

void setUpPeer(QCustomPlot& plot, const Case& c, qint32 top) {
    plot.legend->setVisible(false);
    plot.setAntialiasedElements(QCP::aeNone);
    plot.setNotAntialiasedElements(QCP::aeAll);
    plot.setBackground(Qt::black);
    QCPGraph* graph = plot.addGraph();
    graph->setPen(QPen(Qt::green, 1));
    graph->setAntialiased(false);
    graph->setAntialiasedFill(false);
    if (c.filled)
        graph->setBrush(QBrush(Qt::green));
    plot.xAxis->setRange(0, c.channels - 1);
    if (c.log) {
        plot.yAxis->setScaleType(QCPAxis::stLogarithmic);
        plot.yAxis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
        plot.yAxis->setRange(1, top);
    } else {
        plot.yAxis->setRange(0, top);
    }
}

// The peer: set the data, then draw into a QImage of the same size and device pixel ratio.
void benchPeer(benchmark::State& state, Case c, qreal ratio) {
    Frames frames(c.channels);
    QVector<double> keys(c.channels), values(c.channels);
    for (int i = 0; i < c.channels; ++i)
        keys[i] = i;
    QCustomPlot plot;
    setUpPeer(plot, c, 5000);
    QImage image(qRound(c.size.width() * ratio), qRound(c.size.height() * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    for (auto _ : state) {
        const std::vector<qint32>& source = frames.next();
        for (int i = 0; i < c.channels; ++i)
            values[i] = source[size_t(i)];
        plot.graph(0)->setData(keys, values, true);
        QCPPainter painter(&image);
        plot.toPainter(&painter, c.size.width(), c.size.height());
    }
}

// A live rate history: PushValue of one reading into a 1000-point window rolling left, then the
// control's own repaint (paintEvent into an image, as the window system asks for it).
void benchStripChart(benchmark::State& state) {
    const std::vector<qint32> readings = spectrum(1000);
    CTreviumCtrl control;
    control.resize(533, 353);
    control.setData(QVariant::fromValue(QList<qint32>(readings.begin(), readings.end())));
    control.setLastPoint(999);
    control.setRollMode(TreviumCtl::RollLeft);
    QImage image(control.size(), QImage::Format_RGB32);
    size_t n = 0;
    for (auto _ : state) {
        control.PushValue(readings[n++ % readings.size()]);
        control.render(&image);
    }
}

// The scan window's update: a 513-value Data assignment on the control, then a 533x353 drawing.
void benchControlAssign(benchmark::State& state) {
    Frames frames(513);
    const QList<qint32> a(frames.a.begin(), frames.a.end());
    const QList<qint32> b(frames.b.begin(), frames.b.end());
    CTreviumCtrl control;
    control.resize(533, 353);
    QImage image(533, 353, QImage::Format_RGB32);
    bool odd = false;
    for (auto _ : state) {
        control.setData(QVariant::fromValue((odd = !odd) ? a : b));
        control.render(&image);
    }
}

void benchPeerAssign(benchmark::State& state) {
    benchPeer(state, Case{513, QSize(533, 353), false, false}, 1.0);
}

void benchSavePng(benchmark::State& state) {
    const std::vector<qint32> source = spectrum(4096);
    trevium::PlotView view;
    view.npoints = view.bufferLength = 4096;
    view.lastPoint = 4095;
    view.data = source.data();
    const QByteArray file = QDir::temp().filePath(QStringLiteral("trevium-bench.png")).toUtf8();
    for (auto _ : state)
        if (trevium::savePlotPng(view, file, 1000, 600) != 0)
            state.SkipWithError("savePlotPng failed");
}

void benchPeerSavePng(benchmark::State& state) {
    const Case c{4096, QSize(1000, 600), false, false};
    const std::vector<qint32> source = spectrum(c.channels);
    QVector<double> keys(c.channels), values(c.channels);
    for (int i = 0; i < c.channels; ++i) {
        keys[i] = i;
        values[i] = source[size_t(i)];
    }
    QCustomPlot plot;
    setUpPeer(plot, c, 5000);
    plot.graph(0)->setData(keys, values, true);
    const QString file = QDir::temp().filePath(QStringLiteral("qcp-bench.png"));
    for (auto _ : state)
        if (!plot.savePng(file, 1000, 600))
            state.SkipWithError("savePng failed");
}

// Keeps each benchmark's CPU time in microseconds (the median when repetitions are asked for). CPU
// time, not wall time: on a shared machine the wall time also counts the other processes' turns.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    CollectingReporter() : ConsoleReporter(OO_Tabular) {}

    std::map<std::string, double> times;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.str();
            const double us =
                run.GetAdjustedCPUTime() * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times[name] = us;
                medians_.insert(name);
            } else if (run.run_type == Run::RT_Iteration && !medians_.count(name)) {
                times[name] = us;
            }
        }
    }

private:
    std::set<std::string> medians_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    std::vector<std::pair<std::string, std::string>> pairs;  // ours, peer (ratio 1)
    std::vector<std::pair<std::string, std::string>> pairs2; // ours, peer at ratio 2
    std::vector<std::pair<std::string, std::string>> ratios; // ratio 2, ratio 1
    for (int channels : {64, 256, 512, 4096, 32767})
        for (QSize size : {QSize(533, 353), QSize(1000, 600)})
            for (bool log : {false, true})
                for (bool filled : {false, true}) {
                    const Case c{channels, size, log, filled};
                    const std::string peer = "QCustomPlot/" + caseName(c);
                    benchmark::RegisterBenchmark(peer.c_str(), benchPeer, c, 1.0)->Unit(benchmark::kMicrosecond);
                    for (bool fast : {true, false}) {
                        const std::string ours = "Trevium/" + caseName(c) + (fast ? "/fast" : "/perchannel");
                        benchmark::RegisterBenchmark(ours.c_str(), benchTrevium, c, fast, 1.0)
                            ->Unit(benchmark::kMicrosecond);
                        pairs.emplace_back(ours, peer);
                    }
                    const std::string peer2 = peer + "/x2";
                    const std::string ours1 = "Trevium/" + caseName(c) + "/fast";
                    const std::string ours2 = ours1 + "/x2";
                    benchmark::RegisterBenchmark(peer2.c_str(), benchPeer, c, 2.0)->Unit(benchmark::kMicrosecond);
                    benchmark::RegisterBenchmark(ours2.c_str(), benchTrevium, c, true, 2.0)
                        ->Unit(benchmark::kMicrosecond);
                    ratios.emplace_back(ours2, ours1);
                    pairs2.emplace_back(ours2, peer2);
                }
    benchmark::RegisterBenchmark("Trevium/control-assign-513/533x353", benchControlAssign)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("QCustomPlot/assign-513/533x353", benchPeerAssign)
        ->Unit(benchmark::kMicrosecond);
    pairs.emplace_back("Trevium/control-assign-513/533x353", "QCustomPlot/assign-513/533x353");
    benchmark::RegisterBenchmark("Trevium/strip-chart-PushValue-1000/533x353", benchStripChart)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Trevium/savePlotPng/1000x600", benchSavePng)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("QCustomPlot/savePng/1000x600", benchPeerSavePng)
        ->Unit(benchmark::kMillisecond);
    pairs.emplace_back("Trevium/savePlotPng/1000x600", "QCustomPlot/savePng/1000x600");

    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto compare = [&](const char* title, const auto& list, double goal, const char* goalText) {
        std::printf("\n%s\n", title);
        int over = 0;
        double worst = 0;
        for (const auto& [ours, peer] : list) {
            const auto a = reporter.times.find(ours);
            const auto b = reporter.times.find(peer);
            if (a == reporter.times.end() || b == reporter.times.end())
                continue;
            const double ratio = a->second / b->second;
            over += ratio > goal;
            worst = std::max(worst, ratio);
            std::printf("%-50s %9.1f us vs %9.1f us  %.2f\n", ours.c_str(), a->second, b->second, ratio);
        }
        std::printf("Cases above %s: %d (largest %.2f)\n", goalText, over, worst);
    };
    compare("Ratio 1: our CPU time / QCustomPlot's in the same run (goal: at most 0.30)", pairs, 0.30, "0.30");
    compare("Ratio 2: our CPU time / QCustomPlot's, both at device pixel ratio 2", pairs2, 0.30, "0.30");
    compare("Ratio 2 against ratio 1, ours (4 x the pixels; goal: at most 2.5 x the time)", ratios, 2.5, "2.5 x");
    std::printf("\nStrip chart (PushValue and repaint, 1000 points): %.1f us\n",
                reporter.times.count("Trevium/strip-chart-PushValue-1000/533x353")
                    ? reporter.times["Trevium/strip-chart-PushValue-1000/533x353"]
                    : 0.0);
    return 0;
}
