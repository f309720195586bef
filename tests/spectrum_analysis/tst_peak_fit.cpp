// Peaks of known truth in the scan's own overlapping channel windows: how often the reported
// uncertainties cover the truth, how close the FWHM comes, and regions the user chooses.
#include "SpectrumAnalysis.h"
#include "SpectrumSupport.h"

#include <QTest>

#include <numeric>

using support::Truth;
Q_DECLARE_METATYPE(analysis::PeakMethod)

class PeakFitTest : public QObject {
    Q_OBJECT
private slots:
    void coverage_data();
    void coverage();
    void userRegion_data();
    void userRegion();
    void peakAtTheEndIsMarked();
    void momentsOfFourPoints();
};

void PeakFitTest::coverage_data() {
    QTest::addColumn<Truth>("truth");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("sweeps");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<int>("seeds");
    QTest::addColumn<bool>("everyFwhm"); // each seed's FWHM within 3 %, not only their mean
    // The simulated photopeak's statistics: 1400 pulses/s, 7 % FWHM, 5 sweeps.
    QTest::newRow("linear, 256 channels")
        << Truth{1024, 30, 1400, 2.0, -0.002, 0} << 256 << 5 << false << 1000 << true;
    QTest::newRow("stepped, 256 channels")
        << Truth{1024, 30, 1400, 0.5, 0, 1.0} << 256 << 5 << false << 1000 << true;
    QTest::newRow("wide windows, 64 channels")
        << Truth{800, 25, 1000, 1.0, 0.001, 0.5} << 64 << 5 << false << 1000 << true;
    QTest::newRow("stopped scan: fewer readings above")
        << Truth{1300, 40, 1400, 1.0, 0, 1.0} << 128 << 4 << true << 1000 << true;
    // Few counts: the uncertainties are at their least Gaussian.
    QTest::newRow("weak, 512 channels")
        << Truth{600, 20, 300, 1.0, 0, 0.2} << 512 << 5 << false << 2000 << false;
}

void PeakFitTest::coverage() {
    QFETCH(Truth, truth);
    QFETCH(int, channels);
    QFETCH(int, sweeps);
    QFETCH(bool, stopped);
    QFETCH(int, seeds);
    QFETCH(bool, everyFwhm);
    const double trueFwhm = analysis::FWHM_PER_SIGMA * truth.sigma;
    int centroidIn = 0, netIn = 0, fwhmIn = 0;
    double fwhmSum = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        spectrum::ScanRecord r = support::syntheticScan(truth, channels, sweeps, unsigned(seed));
        if (stopped) // the last sweep stopped halfway: the upper half has one sweep less
            for (int k = channels / 2; k < channels; ++k) {
                r.readings[k] -= 3;
                r.counts[k] = qRound(r.counts[k] * double(r.readings[k]) / (r.readings[k] + 3));
            }
        const analysis::Analysis a = analysis::findPeaks(r);
        QCOMPARE(a.peaks.size(), 1);
        const analysis::Peak& p = a.peaks.first();
        QCOMPARE(p.method, analysis::PeakMethod::Fit);
        double net = 0;
        for (int k = p.firstPoint; k <= p.lastPoint; ++k)
            net += r.readings[k] * support::peakRateIn(truth, r.levels[k].lld, r.levels[k].uld + 1.0);
        centroidIn += std::abs(p.centroidLevel - truth.centroid) <= 2 * p.centroidSigmaLevel;
        netIn += std::abs(p.netCounts - net) <= 2 * p.netCountsSigma;
        fwhmIn += std::abs(p.fwhmLevels - trueFwhm) <= 0.03 * trueFwhm;
        fwhmSum += p.fwhmLevels;
    }
    QVERIFY2(centroidIn >= 0.95 * seeds, qPrintable(QString::number(centroidIn)));
    QVERIFY2(netIn >= 0.95 * seeds, qPrintable(QString::number(netIn)));
    QVERIFY2(std::abs(fwhmSum / seeds - trueFwhm) <= 0.03 * trueFwhm,
             qPrintable(QString::number(fwhmSum / seeds)));
    if (everyFwhm)
        QVERIFY2(fwhmIn >= 0.95 * seeds, qPrintable(QString::number(fwhmIn)));
}

void PeakFitTest::userRegion_data() {
    QTest::addColumn<Truth>("truth");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<analysis::PeakMethod>("method");
    QTest::addColumn<double>("tolerance"); // of the centroid, levels; 0: three of its sigmas
    QTest::addColumn<QString>("message");  // why there is no peak
    const Truth strong{1024, 30, 1400, 1.0, 0, 0.5};
    const QString tooFew =
        u"The region holds too few measured channels to analyse (at least 3 are needed)."_qs;
    QTest::newRow("around a peak") << strong << 116 << 140 << analysis::PeakMethod::Fit << 0.0 << QString();
    QTest::newRow("either order") << strong << 140 << 116 << analysis::PeakMethod::Fit << 0.0 << QString();
    QTest::newRow("too weak for the search")
        << Truth{1024, 30, 15, 1.0, 0, 0} << 100 << 156 << analysis::PeakMethod::Fit << 0.0 << QString();
    // Moments of an undersampled peak are biased by a fraction of its FWHM (14 levels here).
    QTest::newRow("four points: moments") << Truth{1024, 6, 1400, 1.0, 0, 0.5} << 126 << 129
                                          << analysis::PeakMethod::MomentEstimate << 1.0 << QString();
    QTest::newRow("two points") << strong << 127 << 128 << analysis::PeakMethod::Fit << 0.0 << tooFew;
    QTest::newRow("unmeasured points only")
        << strong << 256 << 300 << analysis::PeakMethod::Fit << 0.0 << tooFew;
    QTest::newRow("flat: nothing significant")
        << Truth{1024, 30, 0, 1.0, 0, 0} << 100 << 156 << analysis::PeakMethod::Fit << 0.0 << QString();
}

void PeakFitTest::userRegion() {
    QFETCH(Truth, truth);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(analysis::PeakMethod, method);
    QFETCH(double, tolerance);
    QFETCH(QString, message);
    const spectrum::ScanRecord r = support::syntheticScan(truth, 256, 5, 11);
    const analysis::Analysis a = analysis::analyseRegion(r, first, last);
    if (truth.rate == 0) { // a fit may report an area of nothing, or the moments may find nothing to measure
        QVERIFY(a.peaks.isEmpty() ? a.message == u"No counts stand above the background in this region."_qs
                                  : std::abs(a.peaks.first().significance) < 3);
        return;
    }
    QCOMPARE(a.message, message);
    if (!message.isEmpty()) {
        QVERIFY(a.peaks.isEmpty());
        return;
    }
    QCOMPARE(a.peaks.size(), 1);
    const analysis::Peak& p = a.peaks.first();
    QCOMPARE(p.method, method);
    QVERIFY(p.userRegion);
    QCOMPARE(p.firstPoint, std::min(first, last));
    QCOMPARE(p.lastPoint, std::max(first, last));
    QCOMPARE(p.grossCounts,
             std::accumulate(r.counts.begin() + p.firstPoint, r.counts.begin() + p.lastPoint + 1, 0.0));
    const double allowed = tolerance > 0 ? tolerance : 3 * p.centroidSigmaLevel;
    QVERIFY2(std::abs(p.centroidLevel - truth.centroid) <= allowed,
             qPrintable(QString::number(p.centroidLevel)));
    if (truth.rate < 100)
        QVERIFY(analysis::findPeaks(r).peaks.isEmpty());
}

void PeakFitTest::peakAtTheEndIsMarked() {
    const Truth t{1960, 30, 1400, 1.0, 0, 0};
    const analysis::Analysis a = analysis::findPeaks(support::syntheticScan(t, 256, 5, 3));
    QCOMPARE(a.peaks.size(), 1);
    QVERIFY(a.peaks.first().nearEdge);
    QVERIFY(analysis::flagsText(a.peaks.first()).contains(u"near edge"_qs));
    const analysis::Analysis middle =
        analysis::findPeaks(support::syntheticScan(Truth{1024, 30, 1400, 1.0, 0, 0}, 256, 5, 3));
    QVERIFY(!middle.peaks.first().nearEdge);
}

// Too few points to fit: the moments above a line through the end points, worked by hand. Index axis
// (no windows in the record), the second point measured twice.
void PeakFitTest::momentsOfFourPoints() {
    spectrum::ScanRecord r;
    r.counts = {10, 100, 90, 20};
    r.readings = {1, 2, 1, 1};
    const analysis::Analysis a = analysis::analyseRegion(r, 0, 3);
    QCOMPARE(a.peaks.size(), 1);
    const analysis::Peak& p = a.peaks.first();
    QCOMPARE(p.method, analysis::PeakMethod::MomentEstimate);
    // Rates 10 50 90 20 less the line 10 13.3 16.7 20: 0 36.7 73.3 0 per reading.
    QCOMPARE(p.grossCounts, 220.0);
    QVERIFY(std::abs(p.backgroundCounts - 220.0 / 3) < 1e-9);
    QVERIFY(std::abs(p.netCounts - 440.0 / 3) < 1e-9);
    QVERIFY(std::abs(p.centroidLevel - 5.0 / 3) < 1e-9);
    QVERIFY(std::abs(p.peakRate - 110) < 1e-9);
    // Second moment 2/9 about the centroid, less 1/12 for the windows one index wide: sigma^2 = 5/36.
    QVERIFY(std::abs(p.fwhmLevels - std::sqrt(8 * std::log(2.0)) * std::sqrt(5.0) / 6) < 1e-9);
    // The ends carry the line: net = -5/3 r0 + 2 r1 + r2 - 4/3 r3 in rates of variance 10 25 90 20.
    QVERIFY(std::abs(p.netCountsSigma - std::sqrt(760.0 / 3)) < 1e-9);
}

QTEST_APPLESS_MAIN(PeakFitTest)
#include "tst_peak_fit.moc"
