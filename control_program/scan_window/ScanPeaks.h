// The scan window's analysis of its spectrum: the photopeaks found when a scan ends (marked on the plot
// and listed in a peak table), a region the user picks (Ctrl+drag, or the range shown), the energy
// calibration kept per unit, the energy axis, and "Set Window on Peak", which puts the unit's window on a
// peak through the unit's settings as if the user had set it by hand. The scan procedure tells it what
// happens through the hooks below; the analysis itself is the widget-free spectrum_analysis library.
#pragma once

#include "Peak.h"
#include "ScanRecord.h"

#include <QObject>

#include <optional>

class QAction;
class QActionGroup;
class QMenu;
class QTableWidget;
class Scan;
class UnitSettings;

namespace analysis {
struct StoredCalibration;
}

class ScanPeaks : public QObject {
    Q_OBJECT

public:
    // The choices of "Set Window on Peak": the window takes in centroid -/+ k x FWHM.
    static constexpr double WINDOW_WIDTHS[] = {1.0, 1.25, 1.5, 2.0};
    // Height the window grows by while the peak table is shown.
    static constexpr int TABLE_HEIGHT = 118;

    // Adds the menu entries to `scan`'s context menu and creates the (hidden) peak table; `scan` and
    // `settings` must outlive this object.
    ScanPeaks(Scan& scan, UnitSettings& settings);
    ~ScanPeaks() override;

    // ---- Hooks of the scan procedure ----
    // A scan begins: its counts are not a spectrum yet.
    void scanStarted();
    // The counts on screen are final (a scan ended, the window opened on kept counts) or gone (Clear):
    // the peaks are searched again.
    void spectrumChanged();
    // The plot's axis was set up for a layout: the energy axis goes back on when it is chosen.
    void axisReset();

    // The one peak in channels first..last (either order), added to the peaks as the user's region.
    void analyseRegion(qint32 firstChannel, qint32 lastChannel);

    const analysis::Analysis& analysis() const { return analysis_; }
    // The energy calibration of the spectrum shown: the unit's, while it was made at the settings the
    // spectrum was measured with.
    std::optional<spectrum::EnergyCalibration> calibration() const;
    // What the user is told about the unit's calibration: empty when it is valid or there is none.
    QString calibrationNote() const { return calibrationNote_; }
    // The peak a menu opened at `channel` is about: the one whose region holds it, else the strongest.
    const analysis::Peak* peakAt(std::optional<qint32> channel) const;
    bool energyAxisShown() const;

    QTableWidget* table() const { return table_; }
    QAction* mnuEntryCalibrate() const { return calibrate_; }
    QAction* mnuEntryEnergyAxis() const { return energyAxis_; }
    QAction* mnuEntryPeakTable() const { return peakTable_; }
    QAction* mnuEntryAnalyseShown() const { return analyseShown_; }
    QMenu* mnuSetWindow() const { return setWindowMenu_; }
    // The entry of width k, or the default one.
    QAction* mnuEntrySetWindow(double k = 1.25) const;
    // The width chosen in the menu (the button uses it too).
    double windowWidth() const;

public slots:
    void calibrateEnergy();
    void showEnergyAxis(bool on);
    void showPeakTable(bool on);
    void setWindowOnPeak(double k);
    void analyseShownRange();
    // The channel under the pointer where the context menu opens; none when opened elsewhere.
    void setMenuChannel(std::optional<qint32> channel) { menuChannel_ = channel; }

private:
    spectrum::ScanRecord record() const;
    analysis::StoredCalibration storedFor(const spectrum::ScanRecord& record) const;
    void refreshCalibration();
    void show();
    void markPeaks();
    void fillTable();
    void updateActions();

    Scan& scan_;
    UnitSettings& settings_;
    analysis::Analysis analysis_;
    std::optional<spectrum::EnergyCalibration> calibration_;
    QString calibrationNote_;
    std::optional<qint32> menuChannel_;
    bool scanning_ = false;

    QTableWidget* table_ = nullptr;
    QAction* calibrate_ = nullptr;
    QAction* energyAxis_ = nullptr;
    QAction* peakTable_ = nullptr;
    QAction* analyseShown_ = nullptr;
    QMenu* setWindowMenu_ = nullptr;
    QActionGroup* widths_ = nullptr;
};
