// The spectrum's axis in keV from a scan's energy calibration.
#include "CTreviumCtrl.h"
#include "ScanPlot.h"
#include "ScanRecords.h"

#include <QTest>

class TestSpectrumAxis : public QObject {
    Q_OBJECT
private slots:
    // Each point at the energy of its bin's centre: with 256 channels of 2048 levels, point k is at
    // level 8k + 4; a record without windows is calibrated per point.
    void pointsAtTheirWindowsEnergy_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("slope");
        QTest::newRow("scan record") << true << 1.0 + 0.5 * 4 << 0.5 * 8;
        QTest::newRow("no windows") << false << 1.0 << 0.5;
    }
    void pointsAtTheirWindowsEnergy() {
        QFETCH(bool, windows);
        QFETCH(double, offset);
        QFETCH(double, slope);
        spectrum::ScanRecord record = scan::channelLayout(256, 2047);
        if (!windows)
            record.levels.clear();
        record.energyCalibration = spectrum::EnergyCalibration{1.0, 0.5};
        CTreviumCtrl plot(nullptr, CTreviumCtrl::Init::Bare);
        QVERIFY(scanplot::setEnergyAxis(plot, record));
        QCOMPARE(plot.xLabel(), u"Energy (keV)"_qs);
        QVERIFY(plot.calibration()->enable());
        QCOMPARE(plot.calibration()->offset(), float(offset));
        QCOMPARE(plot.calibration()->slope(), float(slope));
    }

    void withoutACalibrationThePlotKeepsItsAxis() {
        CTreviumCtrl plot(nullptr, CTreviumCtrl::Init::Bare);
        scanplot::setAxis(plot, 256);
        plot.setXLabel(u"Discriminator level (%)"_qs);
        QVERIFY(!scanplot::setEnergyAxis(plot, scan::channelLayout(256, 2047)));
        QCOMPARE(plot.xLabel(), u"Discriminator level (%)"_qs);
        QCOMPARE(plot.calibration()->slope(), 100.0f / 256);
    }
};

QTEST_MAIN(TestSpectrumAxis)
#include "tst_spectrum_axis.moc"
