#include "ScanPeaks.h"

#include "CTreviumCtrl.h"
#include "CalibrateEnergyDialog.h"
#include "CalibrationModel.h"
#include "CalibrationStore.h"
#include "Globals.h"
#include "MessageService.h"
#include "PeakReport.h"
#include "PeakWindow.h"
#include "Scan.h"
#include "ScanPlot.h"
#include "ScanSpectrumFiles.h"
#include "SpectrumAnalysis.h"
#include "UnitSettings.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>

namespace {

// The program's own settings, where the calibrations of the units are kept.
QSettings programSettings() {
    return QSettings(QStringLiteral("KivoPanel"), QStringLiteral("KivoPanel"));
}

constexpr quint32 PEAK_COLOR = 0x008000; // green: the red ROI is the user's window

// A peak's mark on the plot: the resolution, or the energy when the spectrum is calibrated.
QString markText(const analysis::Peak& peak) {
    if (peak.energyKeV)
        return QStringLiteral("%1 keV").arg(qRound(*peak.energyKeV));
    return QStringLiteral("%1 %").arg(QString::number(peak.resolutionPercent, 'f', 1));
}

} // namespace

ScanPeaks::ScanPeaks(Scan& scan, UnitSettings& settings) : QObject(&scan), scan_(scan), settings_(settings) {
    QMenu& menu = *scan.mnuContext();
    menu.addSeparator();
    setWindowMenu_ = menu.addMenu(tr("Set &Window on Peak"));
    setWindowMenu_->setObjectName(QStringLiteral("mnuSetWindow"));
    widths_ = new QActionGroup(this);
    for (double k : WINDOW_WIDTHS) {
        QAction* a =
            setWindowMenu_->addAction(tr("Centroid \u00b1 %1 FWHM").arg(QLocale().toString(k, 'g', 3)), this,
                                      [this, k] { setWindowOnPeak(k); });
        a->setData(k);
        a->setCheckable(true);
        a->setChecked(k == analysis::DEFAULT_WINDOW_FWHMS);
        widths_->addAction(a);
    }
    calibrate_ = menu.addAction(tr("Calibrate &Energy..."), this, &ScanPeaks::calibrateEnergy);
    calibrate_->setObjectName(QStringLiteral("mnuEntryCalibrate"));
    energyAxis_ = menu.addAction(tr("Energy A&xis (keV)"));
    energyAxis_->setObjectName(QStringLiteral("mnuEntryEnergyAxis"));
    energyAxis_->setCheckable(true); // off when the window opens: it opens as it always has
    connect(energyAxis_, &QAction::toggled, this, &ScanPeaks::showEnergyAxis);
    analyseShown_ = menu.addAction(tr("&Analyse Shown Range"), this, &ScanPeaks::analyseShownRange);
    analyseShown_->setObjectName(QStringLiteral("mnuEntryAnalyseShown"));
    analyseShown_->setToolTip(tr("Fits one peak in the channels shown; Ctrl+drag on the plot picks a range"));
    peakTable_ = menu.addAction(tr("Peak &Table"));
    peakTable_->setObjectName(QStringLiteral("mnuEntryPeakTable"));
    peakTable_->setCheckable(true);
    connect(peakTable_, &QAction::toggled, this, &ScanPeaks::showPeakTable);

    table_ = new QTableWidget(&scan);
    table_->setObjectName(QStringLiteral("tblPeaks"));
    table_->setAccessibleName(tr("Peaks"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setGeometry(8, Scan::CLIENT_HEIGHT + 4, Scan::CLIENT_WIDTH - 16, TABLE_HEIGHT - 8);
    table_->hide();
    updateActions();
}

ScanPeaks::~ScanPeaks() = default;

double ScanPeaks::windowWidth() const {
    const QAction* chosen = widths_->checkedAction();
    return chosen ? chosen->data().toDouble() : analysis::DEFAULT_WINDOW_FWHMS;
}

QAction* ScanPeaks::mnuEntrySetWindow(double k) const {
    for (QAction* a : widths_->actions())
        if (a->data().toDouble() == k)
            return a;
    return nullptr;
}

// ---- Hooks ----

void ScanPeaks::scanStarted() {
    scanning_ = true;
    analysis_ = {};
    refreshCalibration();
    show();
}

void ScanPeaks::spectrumChanged() {
    scanning_ = false;
    const spectrum::ScanRecord r = record();
    refreshCalibration();
    analysis_ = r.hasMeasuredChannel() ? analysis::findPeaks(r) : analysis::Analysis{};
    show();
}

void ScanPeaks::axisReset() {
    if (energyAxisShown())
        showEnergyAxis(true);
}

void ScanPeaks::analyseRegion(qint32 firstChannel, qint32 lastChannel) {
    if (scanning_)
        return;
    const spectrum::ScanRecord r = record();
    const analysis::Analysis region = analysis::analyseRegion(r, firstChannel, lastChannel);
    if (region.peaks.isEmpty()) {
        showMessage(&scan_, QStringLiteral("Morla"),
                    region.message.isEmpty() ? tr("There is no peak in that range.") : region.message,
                    MsgIcon::Information);
        return;
    }
    // The user's region replaces a found peak at the same place rather than listing it twice.
    const analysis::Peak& added = region.peaks.front();
    analysis_.peaks.removeIf([&](const analysis::Peak& p) {
        return p.centroidLevel >= added.centroidLevel - added.fwhmLevels &&
               p.centroidLevel <= added.centroidLevel + added.fwhmLevels;
    });
    auto at = std::lower_bound(
        analysis_.peaks.begin(), analysis_.peaks.end(), added,
        [](const analysis::Peak& a, const analysis::Peak& b) { return a.centroidLevel < b.centroidLevel; });
    analysis_.peaks.insert(at, added);
    analysis_.windowWidthRemoved = region.windowWidthRemoved;
    analysis_.fullScaleLevel = region.fullScaleLevel;
    analysis_.message.clear();
    show();
    if (!peakTable_->isChecked())
        peakTable_->setChecked(true); // asked for: its figures are in the table
}

void ScanPeaks::analyseShownRange() {
    analyseRegion(scan_.Plot()->firstPoint(), qMin(scan_.Plot()->lastPoint(), scan_.shownChannels() - 1));
}

// ---- The calibration ----

spectrum::ScanRecord ScanPeaks::record() const {
    return scan_.spectrumFiles().currentRecord();
}

analysis::StoredCalibration ScanPeaks::storedFor(const spectrum::ScanRecord& r) const {
    const std::optional<analysis::UnitSettings> unit = analysis::unitSettingsOf(r);
    if (!unit)
        return {};
    QSettings settings = programSettings();
    return analysis::CalibrationStore(settings).lookup(*unit);
}

std::optional<spectrum::EnergyCalibration> ScanPeaks::calibration() const {
    return calibration_;
}

void ScanPeaks::refreshCalibration() {
    spectrum::ScanRecord r = scan_.spectrumFiles().uncalibratedRecord();
    // A spectrum is calibrated by the settings it was measured at; before any reading, by the unit's
    // present ones (the next scan's).
    if (!r.hasMeasuredChannel()) {
        r.serialNumber = globals::serialNumber;
        r.highVoltageCount = settings_.highVoltageCount();
        r.coarseGainIndex = settings_.coarseGain();
        r.fineGain = settings_.fineGain();
    }
    const analysis::StoredCalibration stored = storedFor(r);
    calibration_ = stored.usable();
    calibrationNote_ =
        stored.status == analysis::StoredCalibration::Status::Stale ? stored.message : QString();
    if (!calibration_ && energyAxis_->isChecked())
        energyAxis_->setChecked(false);
}

void ScanPeaks::calibrateEnergy() {
    if (analysis_.peaks.isEmpty())
        return;
    CalibrateEnergyDialog dialog(analysis_, peakAt(menuChannel_), &scan_);
    if (dialog.exec() != QDialog::Accepted || !dialog.calibration())
        return;
    const std::optional<analysis::UnitSettings> unit =
        analysis::unitSettingsOf(scan_.spectrumFiles().uncalibratedRecord());
    QString error = unit ? QString()
                         : tr("The spectrum does not say which unit and settings it was measured with, "
                              "so the calibration cannot be kept.");
    if (unit) {
        QSettings settings = programSettings();
        error = analysis::CalibrationStore(settings).save(*unit, *dialog.calibration());
    }
    if (!error.isEmpty()) {
        showMessage(&scan_, QStringLiteral("Morla"), error, MsgIcon::Critical);
        return;
    }
    refreshCalibration();
    analysis::setEnergies(analysis_, calibration_);
    show();
    energyAxis_->setChecked(true); // the user calibrated to see energies
}

void ScanPeaks::showEnergyAxis(bool on) {
    CTreviumCtrl& plot = *scan_.Plot();
    const qint32 channels = scan_.shownChannels();
    const qint32 levels = globals::maxLevel + 1;
    if (on && calibration_ && channels > 0) {
        // Channel position x begins at level x * levels / channels, as the percent axis counts it.
        const double levelsPerChannel = double(levels) / double(channels);
        auto axis = plot.calibrationObject();
        axis->setOffset(float(calibration_->offsetKeV));
        axis->setSlope(float(calibration_->slopeKeVPerLevel * levelsPerChannel));
        axis->setEnable(true);
        plot.setXLabel(tr("Energy (keV)"));
    } else {
        scanplot::setAxis(plot, channels);
        plot.setXLabel(QCoreApplication::translate("Scan", "Discriminator level (%)"));
        if (on) {
            const QSignalBlocker blocker(energyAxis_);
            energyAxis_->setChecked(false);
        }
    }
    plot.update();
}

bool ScanPeaks::energyAxisShown() const {
    return energyAxis_->isChecked();
}

// ---- The window on a peak ----

const analysis::Peak* ScanPeaks::peakAt(std::optional<qint32> channel) const {
    if (channel)
        for (const analysis::Peak& p : analysis_.peaks)
            if (*channel >= p.firstPoint && *channel <= p.lastPoint)
                return &p;
    return analysis::strongestPeak(analysis_);
}

void ScanPeaks::setWindowOnPeak(double k) {
    const analysis::Peak* peak = peakAt(menuChannel_);
    if (!peak || globals::scanRunning || globals::hSCA == 0)
        return;
    const std::optional<analysis::PeakWindow> window = analysis::windowOnPeak(*peak, globals::maxLevel, k);
    if (!window)
        return;
    // The normal path: the unit gets the window, the settings become unsaved, the plot's ROI follows.
    settings_.setDiscriminatorWindow(window->lld, window->uld, window->integralMode);
}

// ---- What is shown ----

void ScanPeaks::show() {
    markPeaks();
    fillTable();
    updateActions();
}

void ScanPeaks::markPeaks() {
    trevium::RoiCollection& rois = *scan_.Plot()->roiCollection();
    // ROI 1 is the user's window; the peaks follow it.
    while (rois.count() > 1)
        rois.removeAt(QVariant(qint32(rois.count())));
    for (const analysis::Peak& p : analysis_.peaks) {
        auto item = std::make_shared<trevium::RoiInfo>();
        item->setColor(PEAK_COLOR);
        item->setFirstChannel(p.firstPoint);
        item->setLastChannel(p.lastPoint);
        item->setLabel(markText(p));
        item->setVisible(true);
        rois.add(item);
    }
    scan_.Plot()->update();
}

void ScanPeaks::fillTable() {
    const analysis::PeakTable t = analysis::peakTable(analysis_);
    table_->clear();
    table_->setColumnCount(int(t.headers.size()));
    table_->setHorizontalHeaderLabels(t.headers);
    table_->setRowCount(int(t.rows.size()));
    for (int r = 0; r < t.rows.size(); ++r)
        for (int c = 0; c < t.rows[r].size(); ++c)
            table_->setItem(r, c, new QTableWidgetItem(t.rows[r][c]));
    table_->resizeColumnsToContents();
    QString note = scanning_ ? tr("The peaks are searched when the scan ends.") : t.note;
    if (!calibrationNote_.isEmpty())
        note += u' ' + calibrationNote_;
    table_->setAccessibleDescription(note);
    table_->setToolTip(note);
}

void ScanPeaks::updateActions() {
    const bool peaks = !analysis_.peaks.isEmpty() && !scanning_;
    setWindowMenu_->setEnabled(peaks && globals::hSCA != 0);
    scan_.cmdPeakWindow()->setEnabled(peaks && globals::hSCA != 0);
    calibrate_->setEnabled(peaks);
    energyAxis_->setEnabled(calibration_.has_value());
    energyAxis_->setToolTip(calibration_                 ? QString()
                            : calibrationNote_.isEmpty() ? tr("Calibrate Energy... first")
                                                         : calibrationNote_);
    analyseShown_->setEnabled(!scanning_);
}

void ScanPeaks::showPeakTable(bool on) {
    table_->setVisible(on);
    scan_.setFixedSize(Scan::CLIENT_WIDTH, Scan::CLIENT_HEIGHT + (on ? TABLE_HEIGHT : 0));
}
