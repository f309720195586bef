// The analysis on spectra of the simulated detector's physical model: the Cs-137 photopeak where the
// model puts it with the model's 7 % resolution, its other lines when they are in range, and no
// continuum feature taken for a peak.
#include "SpectrumAnalysis.h"
#include "SpectrumSupport.h"

#include "CheckSource.h"

#include <QTest>

namespace {

// The model's lines in levels at `settings`, and the Compton edge that must not be reported.
struct Lines {
    double photopeak, backscatter, xray, k40, edge;
};
Lines linesAt(const kivo::sim::DeviceSettings& s) {
    const double perKeV = kivo::sim::amplitudeLevels(1.0, s, 2048);
    const double e = kivo::sim::CS137_GAMMA_KEV;
    return {e * perKeV, kivo::sim::CheckSource::backscatterEnergy(e) * perKeV, 32.2 * perKeV, 1460.8 * perKeV,
            kivo::sim::CheckSource::comptonEdge(e) * perKeV};
}

// The peak within 5 % (at least 5 levels) of `level`, or none.
const analysis::Peak* peakNear(const analysis::Analysis& a, double level) {
    for (const analysis::Peak& p : a.peaks)
        if (std::abs(p.centroidLevel - level) < std::max(0.05 * level, 5.0))
            return &p;
    return nullptr;
}

} // namespace

class SimSpectrum : public QObject {
    Q_OBJECT
private slots:
    void photopeakAtDefaults();
    void onlyTheModelsLines_data();
    void onlyTheModelsLines();
};

// 256 channels, 5 sweeps: the photopeak within 1 % of the model's level, 6.5-7.5 % resolution.
void SimSpectrum::photopeakAtDefaults() {
    const double level = kivo::sim::photopeakLevel(support::simDefaults(), 2048);
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const analysis::Analysis a = analysis::findPeaks(support::simScan(256, 5, seed));
        const analysis::Peak* p = peakNear(a, level);
        QVERIFY(p);
        QVERIFY2(std::abs(p->centroidLevel / level - 1) < 0.01,
                 qPrintable(QString::number(p->centroidLevel)));
        QVERIFY2(p->resolutionPercent >= 6.5 && p->resolutionPercent <= 7.5,
                 qPrintable(QString::number(p->resolutionPercent)));
        QCOMPARE(p->method, analysis::PeakMethod::Fit);
        QVERIFY(!p->nearEdge && !p->userRegion);
        QVERIFY(a.windowWidthRemoved);
    }
}

void SimSpectrum::onlyTheModelsLines_data() {
    QTest::addColumn<int>("hv");
    QTest::addColumn<int>("gain");
    QTest::addColumn<int>("sweeps");
    QTest::addColumn<QList<int>>("channelCounts");
    QTest::addColumn<bool>("photopeak"); // in range, so always found
    QTest::addColumn<bool>("k40");       // in range and found in most scans
    for (int sweeps : {1, 5}) {
        const QByteArray s = " sweeps " + QByteArray::number(sweeps);
        QTest::newRow("1000 V, x1" + s)
            << 2730 << 0 << sweeps << QList<int>{64, 128, 256, 512} << true << false;
        QTest::newRow("900 V, x1" + s)
            << 2457 << 0 << sweeps << QList<int>{128, 256, 512} << true << (sweeps == 5);
        QTest::newRow("1000 V, x2: photopeak above the range" + s)
            << 2730 << 4096 << sweeps << QList<int>{128, 256} << false << false;
        QTest::newRow("1000 V, x1.49" + s)
            << 2730 << 2000 << sweeps << QList<int>{128, 256, 512} << true << false;
    }
}

// Every reported peak is one of the model's lines (the Compton edge is none); the photopeak is always
// found when it is in range.
void SimSpectrum::onlyTheModelsLines() {
    QFETCH(int, hv);
    QFETCH(int, gain);
    QFETCH(int, sweeps);
    QFETCH(QList<int>, channelCounts);
    QFETCH(bool, photopeak);
    QFETCH(bool, k40);
    kivo::sim::DeviceSettings settings = support::simDefaults();
    settings.hv = hv;
    settings.gain = gain;
    const Lines l = linesAt(settings);
    int scans = 0, k40Found = 0;
    for (const int channels : channelCounts)
        for (unsigned seed = 1; seed <= 10; ++seed, ++scans) {
            const analysis::Analysis a =
                analysis::findPeaks(support::simScan(channels, sweeps, seed, settings));
            for (const analysis::Peak& p : a.peaks)
                QVERIFY2(&p == peakNear(a, l.photopeak) || &p == peakNear(a, l.backscatter) ||
                             &p == peakNear(a, l.xray) || &p == peakNear(a, l.k40),
                         qPrintable(u"%1 channels, seed %2: a peak at %3"_qs.arg(channels).arg(seed).arg(
                             p.centroidLevel)));
            QVERIFY(!peakNear(a, l.edge));
            QCOMPARE(peakNear(a, l.photopeak) != nullptr, photopeak);
            k40Found += peakNear(a, l.k40) != nullptr;
        }
    if (k40)
        QVERIFY2(k40Found > scans / 2, qPrintable(QString::number(k40Found)));
}

QTEST_APPLESS_MAIN(SimSpectrum)
#include "tst_sim_spectrum.moc"
