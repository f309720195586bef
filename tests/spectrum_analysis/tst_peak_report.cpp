// What callers get from an analysis: the window set on a peak, the peak table as rows and as text,
// and the JSON object, all locale-neutral.
#include "PeakReport.h"
#include "PeakWindow.h"

#include <QJsonArray>
#include <QLocale>
#include <QTest>

namespace {

// Two peaks as the analysis of a 2048-level unit gives them: a moment estimate near the edge and a fit.
analysis::Analysis twoPeaks() {
    analysis::Analysis a;
    a.peaks << analysis::Peak{.centroidLevel = 49.75,
                              .centroidPercent = 2.4304,
                              .fwhmLevels = 15.5,
                              .resolutionPercent = 31.155,
                              .netCounts = 8492.78,
                              .netCountsSigma = 152.9,
                              .method = analysis::PeakMethod::MomentEstimate,
                              .nearEdge = true}
            << analysis::Peak{.centroidLevel = 1024.17,
                              .centroidPercent = 50.0327,
                              .fwhmLevels = 71.1,
                              .resolutionPercent = 6.9437,
                              .netCounts = 33863.7,
                              .netCountsSigma = 235.27};
    return a;
}

} // namespace

class PeakReportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void windowOnPeak_data();
    void windowOnPeak();
    void tableRows();
    void tableText();
    void json();
};

void PeakReportTest::windowOnPeak_data() {
    QTest::addColumn<double>("centroid");
    QTest::addColumn<double>("fwhm");
    QTest::addColumn<double>("k");
    QTest::addColumn<int>("maxLevel");
    QTest::addColumn<int>("lld"); // -1: no window
    QTest::addColumn<int>("uld");
    QTest::newRow("default k") << 1024.2 << 71.7 << analysis::DEFAULT_WINDOW_FWHMS << 2047 << 935 << 1114;
    QTest::newRow("k 0.5, halves to even") << 1000.0 << 5.0 << 0.5 << 2047 << 998 << 1002;
    QTest::newRow("held at 0") << 40.0 << 60.0 << 1.25 << 2047 << 0 << 115;
    QTest::newRow("held at the top") << 2000.0 << 100.0 << 1.0 << 2047 << 1900 << 2047;
    QTest::newRow("beyond the top") << 5000.0 << 100.0 << 1.0 << 2047 << 2047 << 2047;
    QTest::newRow("k 0") << 1000.0 << 70.0 << 0.0 << 2047 << -1 << -1;
    QTest::newRow("no centroid") << qQNaN() << 70.0 << 1.25 << 2047 << -1 << -1;
    QTest::newRow("no FWHM") << 1000.0 << qInf() << 1.25 << 2047 << -1 << -1;
    QTest::newRow("no range") << 1000.0 << 70.0 << 1.25 << 0 << -1 << -1;
}

void PeakReportTest::windowOnPeak() {
    QFETCH(double, centroid);
    QFETCH(double, fwhm);
    QFETCH(double, k);
    QFETCH(int, maxLevel);
    QFETCH(int, lld);
    QFETCH(int, uld);
    const std::optional<analysis::PeakWindow> w =
        analysis::windowOnPeak(analysis::Peak{.centroidLevel = centroid, .fwhmLevels = fwhm}, maxLevel, k);
    QCOMPARE(w.has_value(), lld >= 0);
    if (w)
        QCOMPARE(*w, (analysis::PeakWindow{lld, uld, false}));
}

// The rows beside the text below: an energy column once a peak has an energy.
void PeakReportTest::tableRows() {
    analysis::Analysis a = twoPeaks();
    a.peaks[1].energyKeV = 661.65;
    a.peaks[1].userRegion = true;
    const analysis::PeakTable t = analysis::peakTable(a);
    QCOMPARE(t.headers, (QStringList{u"#"_qs, u"Centroid (%)"_qs, u"Energy (keV)"_qs, u"FWHM (%)"_qs,
                                     u"Net counts"_qs, u"Flags"_qs}));
    QCOMPARE(t.rows.value(0).value(2), QString());
    a.peaks[0].peakRate = 350;
    a.peaks[1].peakRate = 1400;
    QCOMPARE(analysis::strongestPeak(a), &a.peaks[1]);
    QCOMPARE(analysis::strongestPeak(analysis::Analysis{}), nullptr);
    QCOMPARE(t.rows.value(1), (QStringList{u"2"_qs, u"50.03"_qs, u"661.6"_qs, u"6.94"_qs,
                                           u"33864 \u00b1 235"_qs, u"user region"_qs}));
    analysis::Analysis failed;
    failed.message = u"The spectrum has no measured channels."_qs;
    QCOMPARE(analysis::peakTable(failed).note, failed.message);
}

void PeakReportTest::tableText() {
    QCOMPARE(analysis::peakTableText(twoPeaks()),
             u"#  Centroid (%)  FWHM (%)  Net counts   Flags\n"
             "1  2.43          31.16     8493 \u00b1 153   moment estimate, near edge\n"
             "2  50.03         6.94      33864 \u00b1 235\n"
             "FWHM with the channel windows' own width removed; FWHM (%) in percent of the centroid.\n"_qs);
    QCOMPARE(analysis::peakTableText(analysis::Analysis{}), u"No peaks found.\n"_qs);
}

void PeakReportTest::json() {
    spectrum::ScanRecord r;
    r.counts = {0, 5, 0};
    r.levels = {{0, 10}, {5, 20}, {15, 30}};
    r.serialNumber = u"VR-1"_qs;
    r.state = spectrum::ScanState::Aborted;
    analysis::Analysis a = twoPeaks();
    a.peaks[0].chiSquarePerDof = qQNaN();
    QJsonObject o = analysis::analysisJson(r, a);
    const QJsonObject record = o[u"record"_qs].toObject();
    QCOMPARE(record[u"counts"_qs].toArray(), (QJsonArray{0, 5, 0}));
    QCOMPARE(record[u"levels"_qs].toArray().at(1).toArray(), (QJsonArray{5, 20}));
    QCOMPARE(record[u"state"_qs].toString(), u"aborted"_qs);
    QCOMPARE(record[u"unit"_qs].toObject()[u"serialNumber"_qs].toString(), u"VR-1"_qs);
    QVERIFY(record[u"startTime"_qs].isNull());
    QJsonArray peaks = o[u"analysis"_qs].toObject()[u"peaks"_qs].toArray();
    QCOMPARE(peaks.size(), 2);
    QCOMPARE(peaks[0].toObject()[u"method"_qs].toString(), u"moment estimate"_qs);
    QVERIFY(peaks[0].toObject()[u"chiSquarePerDof"_qs].isNull()); // JSON has no NaN
    QCOMPARE(peaks[1].toObject()[u"centroidLevel"_qs].toDouble(), 1024.17);
    QVERIFY(!peaks[1].toObject().contains(u"energyKeV"_qs));
    QVERIFY(o[u"energyCalibration"_qs].isNull());

    r.energyCalibration = spectrum::EnergyCalibration{0, 0.6461};
    a.peaks[1].energyKeV = 661.7;
    o = analysis::analysisJson(r, a);
    QCOMPARE(o[u"energyCalibration"_qs].toObject()[u"slopeKeVPerLevel"_qs].toDouble(), 0.6461);
    peaks = o[u"analysis"_qs].toObject()[u"peaks"_qs].toArray();
    QCOMPARE(peaks[1].toObject()[u"energyKeV"_qs].toDouble(), 661.7);
}

QTEST_APPLESS_MAIN(PeakReportTest)
#include "tst_peak_report.moc"
