// The scan window's peaks over the simulated detector, through real widgets: the photopeak found and
// marked when a scan ends, the window put on it in one action through the main window's path (permanent
// memory untouched), an energy calibration made in the dialog and shown on the axis, the table and the
// files, and no longer offered once the unit's gain changes.
#include "CTreviumCtrl.h"
#include "CalibrateEnergyDialog.h"
#include "DetectorModel.h"
#include "DeviceLink.h"
#include "FakeDevice.h" // the message recorder
#include "Globals.h"
#include "Params.h"
#include "PeakWindow.h"
#include "Scan.h"
#include "ScanPeaks.h"
#include "ScanReportSource.h"
#include "ScanSpectrumFiles.h"
#include "TopLevel.h"
#include "UnitSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

// The main window shown, its boxes recorded; disconnected at the end (its question answered No).
struct Session {
    MessageRecorder messages;
    TopLevel window;
    Session() {
        messages.answers = {MsgAnswer::No};
        window.show();
    }
    ~Session() {
        if (globals::hSCA != 0)
            window.findChild<QPushButton*>(u"cmdConnect"_qs)->click();
    }
};

class TestScanPeaks : public QObject {
    Q_OBJECT

    QTemporaryDir stateDir;
    QString statePath() const { return stateDir.filePath(u"nvram.ini"_qs); }

    // Connects, scans `channels` x `sweeps` with the main window's timer and returns the scan window.
    Scan* scanned(TopLevel& window, const QString& channels, int sweeps) {
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
        if (globals::hSCA == 0)
            return nullptr;
        window.cmdScan_Click();
        Scan* scan = window.scanWindow();
        scan->cmbChannels()->setCurrentIndex(scan->cmbChannels()->findText(channels));
        scan->txtSweeps()->setText(QString::number(sweeps));
        QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
        for (int ticks = 0; globals::scanRunning && ticks < 40000; ++ticks) {
            QThread::msleep(2); // longer than the simulated reading period: every tick is fresh
            window.Timer1_Timer();
        }
        return globals::scanRunning ? nullptr : scan;
    }

    double modelPhotopeakLevel() const {
        kivo::sim::SettingLimits limits;
        limits.levels = globals::maxLevel + 1;
        return kivo::sim::photopeakLevel(kivo::sim::factoryDefaults(limits), limits.levels);
    }

    static QByteArray fileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        const QByteArray binDir = qgetenv("KIVO_BIN_DIR");
        QVERIFY2(!binDir.isEmpty(), "KIVO_BIN_DIR names the program folder");
        QVERIFY(stateDir.isValid());
        qputenv("KIVOLIB_LIBRARY", binDir + "/libKivoLib.so");
        qputenv("KIVO_SIM_STATE", statePath().toUtf8());
        qputenv("KIVO_SIM_READING_MS", "1");
        qputenv("KIVO_SIM_SEED", "20240315");
        // The calibrations and automatic copies go to this test's own folders.
        qputenv("XDG_CONFIG_HOME", stateDir.filePath(u"config"_qs).toUtf8());
        qputenv("XDG_DATA_HOME", stateDir.filePath(u"data"_qs).toUtf8());
        kivo::DeviceLink::instance().overrideFunctions(nullptr);
    }

    void init() {
        globals::scanCounts.fill(0);
        globals::scanRecorder = scan::ScanRecorder();
    }

    void photopeakMarkedAndWindowSetOnIt() {
        Session session;
        TopLevel& window = session.window;
        MessageRecorder& messages = session.messages;
        Scan* scan = scanned(window, u"128"_qs, 3);
        QVERIFY2(scan, qPrintable(messages.texts().join(u'\n')));
        ScanPeaks& peaks = scan->peaks();
        const analysis::Peak* photopeak = peaks.peakAt(std::nullopt);
        QVERIFY(photopeak);
        QVERIFY2(
            std::abs(photopeak->centroidLevel - modelPhotopeakLevel()) <= 0.02 * modelPhotopeakLevel(),
            qPrintable(u"found at %1, model %2"_qs.arg(photopeak->centroidLevel).arg(modelPhotopeakLevel())));
        // Marked on the plot after the user's window (ROI 1), one mark per peak.
        QCOMPARE(scan->Plot()->roiCollection()->count(), 1 + peaks.analysis().peaks.size());
        QVERIFY(scan->Plot()->roiCollection()->items().back()->label().endsWith(u" %"_qs));
        // The table is read by its name; its rows are the peaks.
        QCOMPARE(peaks.table()->rowCount(), peaks.analysis().peaks.size());
        QVERIFY(peaks.table()->accessibleDescription().contains(u"width removed"_qs));
        QVERIFY(!peaks.table()->isVisible()); // the window opens at its usual size
        peaks.mnuEntryPeakTable()->trigger();
        QVERIFY(peaks.table()->isVisible());
        QCOMPARE(scan->height(), Scan::CLIENT_HEIGHT + ScanPeaks::TABLE_HEIGHT);

        const QByteArray stored = fileBytes(statePath());
        const auto expected = analysis::windowOnPeak(*photopeak, globals::maxLevel, 1.5);
        QVERIFY(expected && expected->lld < expected->uld);
        QVERIFY(!window.findChild<QPushButton*>(u"cmdSave"_qs)->isEnabled());
        peaks.mnuEntrySetWindow(1.5)->trigger();
        qint32 lld = -1, uld = -1, integral = -1;
        kivo::DeviceLink& link = kivo::DeviceLink::instance();
        QCOMPARE(link.GetParam(globals::hSCA, kivo::PARAM_LLD, &lld, 4), 0);
        QCOMPARE(link.GetParam(globals::hSCA, kivo::PARAM_ULD, &uld, 4), 0);
        QCOMPARE(link.GetParam(globals::hSCA, kivo::PARAM_INTEGRAL_MODE, &integral, 4), 0);
        QCOMPARE(lld, expected->lld);
        QCOMPARE(uld, expected->uld);
        QCOMPARE(integral, 0);
        // As if set by hand: the sliders show it, Save is offered, permanent memory is as it was.
        QCOMPARE(window.sldLLD()->value(), expected->lld);
        QCOMPARE(window.sldULD()->value(), expected->uld);
        QVERIFY(window.findChild<QPushButton*>(u"cmdSave"_qs)->isEnabled());
        QCOMPARE(fileBytes(statePath()), stored);
        // The width chosen stays the button's.
        QCOMPARE(peaks.windowWidth(), 1.5);
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(u'\n')));
    }

    void setWindowIsOffWhileScanning() {
        Session session;
        TopLevel& window = session.window;
        Scan* scan = scanned(window, u"64"_qs, 1);
        QVERIFY(scan);
        QVERIFY(scan->cmdPeakWindow()->isEnabled());
        QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
        QVERIFY(globals::scanRunning);
        QVERIFY(!scan->cmdPeakWindow()->isEnabled());
        QVERIFY(!scan->peaks().mnuSetWindow()->isEnabled());
        QVERIFY(scan->peaks().analysis().peaks.isEmpty());
        scan->abortScan();
    }

    void calibrationShownKeptAndWithdrawn() {
        Session session;
        TopLevel& window = session.window;
        Scan* scan = scanned(window, u"128"_qs, 3);
        QVERIFY(scan);
        ScanPeaks& peaks = scan->peaks();
        QVERIFY(!peaks.mnuEntryEnergyAxis()->isEnabled()); // nothing to show yet
        const analysis::Peak photopeak = *peaks.peakAt(std::nullopt);

        // The dialog: the first point on the strongest peak, Cs-137 chosen from the list.
        QString lineShown, errorShown;
        bool stayedOpen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = scan->findChild<CalibrateEnergyDialog*>();
            if (!dialog)
                return;
            lineShown = dialog->point(0).line->currentText();
            dialog->point(0).energy->setText(u"abc"_qs);
            dialog->buttons()->button(QDialogButtonBox::Ok)->click();
            stayedOpen = dialog->isVisible(); // stays open with the reason
            errorShown = dialog->lblError()->text();
            dialog->point(0).line->setCurrentIndex(1); // and back to the listed line
            dialog->point(0).line->setCurrentIndex(0);
            dialog->buttons()->button(QDialogButtonBox::Ok)->click();
            if (dialog->isVisible())
                dialog->reject();
        });
        peaks.setMenuChannel(std::nullopt);
        peaks.calibrateEnergy();
        QCOMPARE(lineShown, u"Cs-137 661.7 keV"_qs);
        QVERIFY(stayedOpen);
        QVERIFY(errorShown.contains(u"abc"_qs));
        const auto calibration = peaks.calibration();
        QVERIFY(calibration);
        QCOMPARE(calibration->offsetKeV, 0.0);
        QVERIFY(qAbs(calibration->slopeKeVPerLevel * photopeak.centroidLevel - 661.7) < 1e-6);
        // Shown: the axis, the table's energy column, the marks; carried by the record the files get.
        QVERIFY(peaks.energyAxisShown());
        QCOMPARE(scan->Plot()->xLabel(), u"Energy (keV)"_qs);
        const double levelsPerChannel = double(globals::maxLevel + 1) / 128.0;
        QVERIFY(qAbs(scan->Plot()->calibrationObject()->slope() -
                     calibration->slopeKeVPerLevel * levelsPerChannel) < 1e-4);
        QVERIFY(peaks.table()->horizontalHeaderItem(2)->text() == u"Energy (keV)"_qs);
        QVERIFY(scan->Plot()->roiCollection()->items().back()->label().endsWith(u" keV"_qs));
        QCOMPARE(scan->spectrumFiles().currentRecord().energyCalibration, calibration);
        // The report: the same table under the spectrum, the axis in keV.
        const ReportValues report = ScanReportSource(window.unitSettings(), *scan).reportValues();
        QVERIFY(report.showsEnergyAxis());
        QVERIFY(report.peakTable && report.peakTable->headers.contains(u"Energy (keV)"_qs));
        QCOMPARE(report.peakTable->rows.size(), peaks.analysis().peaks.size());

        // Off again: the level axis as before.
        peaks.mnuEntryEnergyAxis()->setChecked(false);
        QCOMPARE(scan->Plot()->xLabel(), u"Discriminator level (%)"_qs);
        QVERIFY(qAbs(scan->Plot()->calibrationObject()->slope() - 100.0f / 128.0f) < 1e-6f);

        // Another window opened later on the same unit and settings finds it again.
        scan->close();
        window.cmdScan_Click();
        scan = window.scanWindow();
        QVERIFY(scan->peaks().calibration());
        QVERIFY(scan->peaks().mnuEntryEnergyAxis()->isEnabled());

        // Once the gain changes, a new spectrum is no longer calibrated and the user is told why.
        scan->cmdClear()->click();
        window.unitSettings().setGain(window.unitSettings().coarseGain(),
                                      window.unitSettings().fineGain() + 400);
        scan->peaks().spectrumChanged();
        QVERIFY(!scan->peaks().calibration());
        QVERIFY(!scan->peaks().mnuEntryEnergyAxis()->isEnabled());
        QVERIFY(!scan->peaks().calibrationNote().isEmpty());
        QVERIFY(!scan->spectrumFiles().currentRecord().energyCalibration);
    }

    void ctrlDragAnalysesTheRange() {
        Session session;
        TopLevel& window = session.window;
        Scan* scan = scanned(window, u"128"_qs, 3);
        QVERIFY(scan);
        const analysis::Peak photopeak = *scan->peaks().peakAt(std::nullopt);
        const qint32 lld = window.sldLLD()->value();
        CTreviumCtrl* plot = scan->Plot();
        QVERIFY(QTest::qWaitForWindowExposed(scan));
        plot->repaint();
        const QRect r = plot->plotRect();
        auto xOf = [&](double channel) { return r.left() + int(channel / 128.0 * (r.width() - 1)); };
        const double centre = photopeak.centroidLevel * 128.0 / (globals::maxLevel + 1);
        const QPoint from(xOf(centre - 12), r.center().y());
        const QPoint to(xOf(centre + 12), r.center().y());
        QTest::mousePress(plot, Qt::LeftButton, Qt::ControlModifier, from);
        QVERIFY(scan->isPickingRegion());
        QTest::mouseMove(plot, to);
        QTest::mouseRelease(plot, Qt::LeftButton, Qt::ControlModifier, to);
        QVERIFY(!scan->isPickingRegion());
        // The user's window stays; the range's peak is listed as the user's region, shown in the table.
        QCOMPARE(window.sldLLD()->value(), lld);
        const auto& list = scan->peaks().analysis().peaks;
        const auto user =
            std::find_if(list.begin(), list.end(), [](const analysis::Peak& p) { return p.userRegion; });
        QVERIFY(user != list.end());
        QVERIFY(std::abs(user->centroidLevel - photopeak.centroidLevel) < 0.02 * photopeak.centroidLevel);
        QVERIFY(scan->peaks().table()->isVisible());
    }
};

QTEST_MAIN(TestScanPeaks)
#include "tst_scan_peaks.moc"
