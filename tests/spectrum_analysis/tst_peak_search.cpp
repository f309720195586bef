// The search without a peak to find (empty, flat, tiny and broken records, counting noise) and on
// records other programs write: no windows, no readings, 65536 channels.
#include "PeakSearch.h"
#include "SpectrumAnalysis.h"
#include "SpectrumSupport.h"

#include <QTest>

using support::Truth;

class PeakSearchTest : public QObject {
    Q_OBJECT
private slots:
    void nothingToFind_data();
    void nothingToFind();
    void noFalsePeaksFromNoise_data();
    void noFalsePeaksFromNoise();
    void mcaFileWithoutWindows_data();
    void mcaFileWithoutWindows();
    void searchIsBlindToAStraightLine();
    void scoresAreInUnitsOfTheNoise_data();
    void scoresAreInUnitsOfTheNoise();
};

void PeakSearchTest::nothingToFind_data() {
    QTest::addColumn<spectrum::ScanRecord>("record");
    QTest::addColumn<QString>("message");
    spectrum::ScanRecord none;
    QTest::newRow("no points") << none
                               << u"The spectrum cannot be analysed: the spectrum has no channels."_qs;
    spectrum::ScanRecord one;
    one.counts = {500};
    QTest::newRow("one point") << one << QString();
    spectrum::ScanRecord zero = scan::channelLayout(256, 2047);
    zero.readings.fill(15, 257);
    QTest::newRow("all counts zero") << zero << QString();
    spectrum::ScanRecord unmeasured = support::syntheticScan(Truth{1024, 30, 1400, 1, 0, 0}, 128, 5, 1);
    unmeasured.readings.fill(0);
    QTest::newRow("no reading summed") << unmeasured << u"The spectrum has no measured channels."_qs;
    spectrum::ScanRecord negative = support::syntheticScan(Truth{1024, 30, 1400, 1, 0, 0}, 128, 5, 1);
    negative.counts[7] = -3;
    QTest::newRow("negative count")
        << negative << u"The spectrum cannot be analysed: channel 7 holds a negative count (-3)."_qs;
    // The top window also counts every pulse above the range: a high last point is no peak.
    spectrum::ScanRecord overflow = support::syntheticScan(Truth{1024, 30, 0, 1, 0, 0}, 256, 5, 1);
    overflow.counts[255] = 100000;
    QTest::newRow("overflow in the top window") << overflow << QString();
}

void PeakSearchTest::nothingToFind() {
    QFETCH(spectrum::ScanRecord, record);
    QFETCH(QString, message);
    const analysis::Analysis a = analysis::findPeaks(record);
    QVERIFY(a.peaks.isEmpty());
    QCOMPARE(a.message, message);
    QCOMPARE(a.windowWidthRemoved, message.isEmpty());
}

void PeakSearchTest::noFalsePeaksFromNoise_data() {
    QTest::addColumn<Truth>("background"); // no peak: rate 0
    QTest::addColumn<int>("channels");
    for (int channels : {64, 256, 512}) {
        const QByteArray n = QByteArray::number(channels);
        QTest::newRow("nearly empty, " + n) << Truth{1000, 30, 0, 0.003, 0, 0} << channels;
        QTest::newRow("flat, " + n) << Truth{1000, 30, 0, 1.0, 0, 0} << channels;
        QTest::newRow("high, " + n) << Truth{1000, 30, 0, 200.0, 0, 0} << channels;
        QTest::newRow("steep, " + n) << Truth{1000, 30, 0, 10.0, -0.0095, 0} << channels;
        QTest::newRow("edge, " + n) << Truth{1000, 30, 0, 1.0, 0, 3.0} << channels;
    }
}

// Counting noise at one sweep, the least a scan sums, in many draws.
void PeakSearchTest::noFalsePeaksFromNoise() {
    QFETCH(Truth, background);
    QFETCH(int, channels);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const analysis::Analysis a =
            analysis::findPeaks(support::syntheticScan(background, channels, 1, seed));
        QVERIFY2(a.peaks.isEmpty(),
                 qPrintable(u"seed %1: a peak at %2"_qs.arg(seed).arg(a.peaks.value(0).centroidLevel)));
    }
}

void PeakSearchTest::mcaFileWithoutWindows_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("centroid"); // channel
    QTest::addColumn<double>("sigma");
    QTest::newRow("1024 channels") << 1024 << 400.0 << 12.0;
    QTest::newRow("65536 channels") << 65536 << 30000.0 << 900.0;
}

// Another program's spectrum: channels are one-level bins, each counted once over the live time.
void PeakSearchTest::mcaFileWithoutWindows() {
    QFETCH(int, points);
    QFETCH(double, centroid);
    QFETCH(double, sigma);
    const Truth t{centroid, sigma, 200000, 20000.0 / points, -10000.0 / points / points, 0};
    std::mt19937 random(5);
    spectrum::ScanRecord r;
    for (int k = 0; k < points; ++k)
        r.counts << qint32(std::poisson_distribution<qint64>(support::rateIn(t, k - 0.5, k + 0.5))(random));
    const analysis::Analysis a = analysis::findPeaks(r);
    QCOMPARE(a.peaks.size(), 1);
    const analysis::Peak& p = a.peaks.first();
    QVERIFY2(std::abs(p.centroidLevel - centroid) <= 3 * p.centroidSigmaLevel,
             qPrintable(QString::number(p.centroidLevel)));
    QVERIFY(std::abs(p.fwhmLevels / (analysis::FWHM_PER_SIGMA * sigma) - 1) < 0.03);
    QCOMPARE(a.fullScaleLevel, points - 1.0);
    QCOMPARE(p.centroidPercent, p.centroidLevel * 100 / (points - 1.0));
    QVERIFY(std::abs(p.peakRate - t.rate) <= 3 * p.peakRateSigma);
}

// Without noise, a straight background gives the filter nothing to respond to, up to the ends of the
// range where only part of its kernel lies on points; a Gaussian on it is found where it is (also by
// wider kernels that take in its flanks).
void PeakSearchTest::searchIsBlindToAStraightLine() {
    for (const double height : {0.0, 5000.0}) {
        QList<analysis::SpectrumPoint> points;
        for (int k = 0; k < 300; ++k) {
            const double line = 1000.0 + 30.0 * k;
            const double peak = height * std::exp(-0.5 * (k - 150) * (k - 150) / 36.0);
            points << analysis::SpectrumPoint{k, k - 0.5, k + 0.5, line + peak, 1};
        }
        const QList<analysis::Candidate> found = analysis::searchCandidates(points, 0.01);
        QCOMPARE(found.isEmpty(), height == 0);
        if (found.isEmpty())
            continue;
        // The strongest response is the peak's own width, where the peak is.
        const analysis::Candidate& c = *std::max_element(
            found.begin(), found.end(), [](const auto& a, const auto& b) { return a.score < b.score; });
        QVERIFY2(std::abs(c.centroid - 150) <= c.apparentSigma / 2, qPrintable(QString::number(c.centroid)));
        QVERIFY2(c.apparentSigma > 6 / 1.5 && c.apparentSigma < 6 * 1.5,
                 qPrintable(QString::number(c.apparentSigma)));
    }
}

// On counting noise alone, no kernel width on any halving of the spectrum responds beyond what a few
// thousand draws of a unit normal reach, also when the points were counted for different times.
void PeakSearchTest::scoresAreInUnitsOfTheNoise_data() {
    QTest::addColumn<QList<double>>("readings"); // per point, repeating
    QTest::newRow("equal exposures") << QList<double>{1};
    QTest::newRow("long and short exposures in turn") << QList<double>{100, 1};
}
void PeakSearchTest::scoresAreInUnitsOfTheNoise() {
    QFETCH(QList<double>, readings);
    std::mt19937 random(11);
    QList<analysis::SpectrumPoint> points;
    for (int k = 0; k < 1024; ++k) {
        const double exposure = readings[k % readings.size()];
        const double counts = std::poisson_distribution<int>(1000 * exposure)(random);
        points << analysis::SpectrumPoint{k, k - 0.5, k + 0.5, counts, exposure};
    }
    double highest = 0;
    for (const analysis::Candidate& c : analysis::searchCandidates(points, 0))
        highest = std::max(highest, c.score);
    QVERIFY2(highest > 2 && highest < 5.5, qPrintable(QString::number(highest)));
}

QTEST_APPLESS_MAIN(PeakSearchTest)
#include "tst_peak_search.moc"
