// The detector model behind the simulated count rate, and the meter that turns it into readings.
#include "CheckSource.h"
#include "DetectorModel.h"
#include "RateMeter.h"

#include <QtTest>

#include <cmath>

using namespace kivo::sim;
using namespace std::chrono_literals;

namespace {

constexpr int32_t LEVELS = 2048;

DeviceSettings defaults() {
    return factoryDefaults({LEVELS, true});
}

DeviceSettings withHv(int32_t hv) {
    DeviceSettings s = defaults();
    s.hv = hv;
    return s;
}

// Rate in a window of `width` levels centred on `centre`.
double rateAround(const DeviceSettings& s, double centre, int32_t width) {
    const auto lld = static_cast<int32_t>(std::lround(centre - width / 2.0));
    return windowRate(s, LEVELS, lld, lld + width - 1, false);
}

} // namespace

class TstSimPhysics : public QObject {
    Q_OBJECT

private slots:
    void factoryUnitShowsThePhotopeakMidRangeAtAFewThousandCps() {
        const DeviceSettings s = defaults();
        const double peak = photopeakLevel(s, LEVELS);
        QVERIFY2(peak > 0.4 * LEVELS && peak < 0.6 * LEVELS, qPrintable(QString::number(peak)));
        const double rate = expectedRate(s, LEVELS);
        QVERIFY2(rate > 2000 && rate < 9000, qPrintable(QString::number(rate)));
        // The level count changes the resolution of the discriminator, not where the peak is.
        QCOMPARE(photopeakLevel(factoryDefaults({1024, true}), 1024) / 1024, peak / LEVELS);
    }

    void photopeakStandsOutAboveItsSurroundings() {
        const DeviceSettings s = defaults();
        const double peak = photopeakLevel(s, LEVELS);
        const double onPeak = rateAround(s, peak, 32);
        QVERIFY(onPeak > 10 * rateAround(s, peak * 1.5, 32));
        QVERIFY(onPeak > 2 * rateAround(s, peak * 0.6, 32)); // the Compton continuum is lower
        // Resolution: about 7 % FWHM, so half the peak's height lies about 3.5 % of its energy away.
        const double halfWidthRate = rateAround(s, peak * 1.035, 4);
        QVERIFY(halfWidthRate > 0.3 * rateAround(s, peak, 4));
        QVERIFY(halfWidthRate < 0.7 * rateAround(s, peak, 4));
    }

    void comptonEdgeAndBackscatterPeakAreWhereKinematicsPutThem() {
        QVERIFY(std::abs(CheckSource::comptonEdge(CS137_GAMMA_KEV) - 477.3) < 0.5);
        QVERIFY(std::abs(CheckSource::backscatterEnergy(CS137_GAMMA_KEV) - 184.3) < 0.5);
        const DeviceSettings s = defaults();
        const double levelsPerKeV = amplitudeLevels(1.0, s, LEVELS);
        // The continuum falls off past its edge.
        QVERIFY(rateAround(s, 440 * levelsPerKeV, 30) > 2 * rateAround(s, 530 * levelsPerKeV, 30));
        // Backscatter: a hump above its neighbours.
        const double hump = rateAround(s, 184 * levelsPerKeV, 40);
        QVERIFY(hump > 1.2 * rateAround(s, 120 * levelsPerKeV, 40));
        QVERIFY(hump > 1.2 * rateAround(s, 260 * levelsPerKeV, 40));
        // The barium X-rays are the strongest feature at the bottom of the range.
        QVERIFY(rateAround(s, 32 * levelsPerKeV, 20) > 2 * rateAround(s, 90 * levelsPerKeV, 20));
    }

    void integralModeCountsAtLeastTheWindow_data() {
        QTest::addColumn<int>("lld");
        QTest::addColumn<int>("uld");
        QTest::newRow("whole range") << 0 << 2047;
        QTest::newRow("photopeak") << 980 << 1070;
        QTest::newRow("low") << 41 << 300;
        QTest::newRow("top level") << 2047 << 2047;
        QTest::newRow("one level on the photopeak") << 1024 << 1024;
        QTest::newRow("inverted") << 1200 << 800;
    }
    void integralModeCountsAtLeastTheWindow() {
        QFETCH(int, lld);
        QFETCH(int, uld);
        const DeviceSettings s = defaults();
        const double window = windowRate(s, LEVELS, lld, uld, false);
        const double integral = windowRate(s, LEVELS, lld, uld, true);
        QVERIFY(integral >= window);
        QVERIFY(integral > 0);
        if (uld >= lld)
            QVERIFY(window > 0);
        if (uld < lld)
            QCOMPARE(window, 0.0); // an inverted window passes nothing
        if (uld == LEVELS - 1)
            QCOMPARE(window, integral);
    }

    void adjacentWindowsAddUp_data() {
        QTest::addColumn<int>("lld");
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("uld");
        QTest::newRow("across the photopeak") << 980 << 1024 << 1070;
        QTest::newRow("two single levels") << 1024 << 1024 << 1025;
        QTest::newRow("up to the top level") << 1500 << 2046 << 2047;
    }
    void adjacentWindowsAddUp() {
        QFETCH(int, lld);
        QFETCH(int, split);
        QFETCH(int, uld);
        const DeviceSettings s = defaults();
        // Each level is counted by exactly one of [lld, split] and [split + 1, uld].
        const double parts =
            windowRate(s, LEVELS, lld, split, false) + windowRate(s, LEVELS, split + 1, uld, false);
        QCOMPARE(parts, windowRate(s, LEVELS, lld, uld, false));
    }

    void pulsesAboveTheRangeSaturateIntoTheTopLevel() {
        DeviceSettings s = defaults();
        s.gain = 3 * 4096 + 4095; // x16: the photopeak is far above the top
        QVERIFY(photopeakLevel(s, LEVELS) > LEVELS);
        const double top = windowRate(s, LEVELS, LEVELS - 1, LEVELS - 1, false);
        QVERIFY(top > 1000); // the peak and most of the continuum pile into the top level
        QCOMPARE(top, windowRate(s, LEVELS, LEVELS - 1, 0, true));
        QCOMPARE(windowRate(s, LEVELS, LEVELS, LEVELS, true), 0.0); // no level above the top
    }

    void noPulsesBelowThePhotomultiplierThreshold() {
        for (const int32_t hv : {0, 500, 818}) { // up to 299.6 V
            const DeviceSettings s = withHv(hv);
            QCOMPARE(photopeakLevel(s, LEVELS), 0.0);
            QCOMPARE(windowRate(s, LEVELS, 0, LEVELS - 1, true), 0.0);
        }
        for (const int32_t hv : {819, 820}) // exactly 300 V, 300.4 V
            QVERIFY(windowRate(withHv(hv), LEVELS, 0, LEVELS - 1, true) > 0);
    }

    void photopeakMovesUpWithHvAndGain() {
        const double base = photopeakLevel(defaults(), LEVELS);
        QVERIFY(photopeakLevel(withHv(2457), LEVELS) < base); // 900 V
        QVERIFY(photopeakLevel(withHv(3000), LEVELS) > base);
        // Steep like a photomultiplier: +10 % in voltage nearly doubles the amplitude.
        QVERIFY(std::abs(photopeakLevel(withHv(3003), LEVELS) / base - std::pow(1.1, 7)) < 0.01);
        for (int coarse = 0; coarse < 4; ++coarse) {
            DeviceSettings s = defaults();
            s.gain = coarse * 4096;
            QCOMPARE(photopeakLevel(s, LEVELS), base * (1 << coarse));
            s.gain += 4095;
            QCOMPARE(photopeakLevel(s, LEVELS), base * (1 << coarse) * 2);
        }
        DeviceSettings half = defaults();
        half.gain = 2048;
        QVERIFY(std::abs(photopeakLevel(half, LEVELS) / base - (1 + 2048.0 / 4095)) < 1e-12);
        // Where the peak goes the counts go.
        const DeviceSettings high = withHv(2900);
        const double peak = photopeakLevel(high, LEVELS);
        QVERIFY(rateAround(high, peak, 32) > 3 * rateAround(high, base, 32));
    }

    void readingsAreFreshOncePerPeriod() {
        const auto t0 = RateMeter::Clock::time_point{} + 1h;
        RateMeter meter(250ms, 1, t0);
        QVERIFY(!meter.read(1000, t0).fresh); // nothing measured yet
        QCOMPARE(meter.read(1000, t0 + 249ms).cps, 0);
        const RateMeter::Reading first = meter.read(1000, t0 + 250ms);
        QVERIFY(first.fresh);
        QVERIFY(first.cps > 0);
        const RateMeter::Reading repeat = meter.read(5, t0 + 400ms);
        QVERIFY(!repeat.fresh);
        QCOMPARE(repeat.cps, first.cps);
        QVERIFY(meter.read(1000, t0 + 500ms).fresh);
        // After a long pause there is one fresh reading, not a backlog.
        QVERIFY(meter.read(1000, t0 + 10s + 10ms).fresh);
        QVERIFY(!meter.read(1000, t0 + 10s + 20ms).fresh);
        QVERIFY(meter.read(1000, t0 + 10s + 250ms).fresh);
    }

    void countsFollowPoissonStatistics() {
        RateMeter meter(250ms, 12345, {});
        const double mean = expectedRate(defaults(), LEVELS);
        constexpr int N = 4000;
        double sum = 0, sumSq = 0;
        for (int i = 0; i < N; ++i) {
            const double x = meter.draw(mean);
            sum += x;
            sumSq += x * x;
        }
        const double m = sum / N;
        const double variance = sumSq / N - m * m;
        QVERIFY2(std::abs(m - mean) < 5 * std::sqrt(mean / N),
                 qPrintable(QString("%1 vs %2").arg(m).arg(mean)));
        QVERIFY2(variance > 0.8 * mean && variance < 1.2 * mean, qPrintable(QString::number(variance)));
        QCOMPARE(meter.draw(0), 0);
        QCOMPARE(meter.draw(-3), 0);
        QCOMPARE(meter.draw(std::nan("")), 0);
    }

    void sameSeedGivesTheSameReadings() {
        RateMeter a(250ms, 42, {}), b(250ms, 42, {}), c(250ms, 43, {});
        bool differs = false;
        for (int i = 0; i < 20; ++i) {
            const int32_t x = a.draw(3000);
            QCOMPARE(b.draw(3000), x);
            differs = differs || c.draw(3000) != x;
        }
        QVERIFY(differs);
    }
};

QTEST_GUILESS_MAIN(TstSimPhysics)
#include "tst_sim_physics.moc"
