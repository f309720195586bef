// The count window: timed and repeated count-rate measurements, background subtraction and the
// high-voltage plateau, run by CountRun over the main window's readings. It shows the live rate as a
// strip chart (with an optional alarm line), the table of measurements, the series statistics, the
// plateau curve with its proposed operating point, and keeps the rate log. One instance, a child of
// the main window, deleted when closed; closing stops a running count (a plateau's HV goes back).
#pragma once

#include "CountSeries.h"
#include "HvPlateau.h"
#include "RateLog.h"

#include <QDateTime>
#include <QWidget>

class CTreviumCtrl;
class CountRun;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTableWidget;
class UnitSettings;

class Count : public QWidget {
    Q_OBJECT

public:
    static constexpr qint16 CHART_POINTS = 240; // readings the strip chart holds

    // `settings` (the unit's, owned by the main window) and `parent` must outlive the window.
    Count(UnitSettings& settings, QWidget* parent);
    ~Count() override;

    // Stops a running count or plateau as the Stop button does. Nothing when none runs.
    void stopCount();
    // Ends a running count without a device call (the program must end at once); it is still saved.
    // True when it was a plateau, whose HV the unit may still hold.
    bool abandonCount();

    // The controls other windows and tests read.
    CTreviumCtrl* Chart() const { return Chart_; }
    CTreviumCtrl* PlateauPlot() const { return PlateauPlot_; }
    QPushButton* cmdStartStop() const { return cmdStartStop_; }
    QPushButton* cmdPlateau() const { return cmdPlateau_; }
    QPushButton* cmdUseHV() const { return cmdUseHV_; }
    QPushButton* cmdExport() const { return cmdExport_; }
    QPushButton* cmdLogRate() const { return cmdLogRate_; }
    QPushButton* cmdHelp() const { return cmdHelp_; }
    QPushButton* cmdClose() const { return cmdClose_; }
    QRadioButton* optTime() const { return optTime_; }
    QRadioButton* optReadings() const { return optReadings_; }
    QLineEdit* txtTime() const { return txtTime_; }
    QLineEdit* txtReadings() const { return txtReadings_; }
    QLineEdit* txtMeasurements() const { return txtMeasurements_; }
    QLineEdit* txtPause() const { return txtPause_; }
    QCheckBox* chkBackground() const { return chkBackground_; }
    QLineEdit* txtHvStart() const { return txtHvStart_; }
    QLineEdit* txtHvStop() const { return txtHvStop_; }
    QLineEdit* txtHvStep() const { return txtHvStep_; }
    QLineEdit* txtSettle() const { return txtSettle_; }
    QLineEdit* txtThreshold() const { return txtThreshold_; }
    QCheckBox* chkAlarm() const { return chkAlarm_; }
    QLineEdit* txtAlarm() const { return txtAlarm_; }
    QTableWidget* tblMeasurements() const { return tblMeasurements_; }
    QLabel* lblStatistics() const { return lblStatistics_; }
    QLabel* lblPlateau() const { return lblPlateau_; }
    QLabel* lblLog() const { return lblLog_; }
    QString statusPanel1() const;
    QString statusPanel2() const;

    const CountRun& run() const { return *run_; }
    const counting::RateLog& rateLog() const { return rateLog_; }
    // The plateau of the last plateau series, if one was measured.
    const counting::PlateauResult& plateauResult() const { return plateau_; }

public slots:
    // The main window's timer: each tick that may talk to the unit, and each fresh reading.
    void pollTick(const QDateTime& utc);
    void freshReading(qint32 cps, const QDateTime& utc);

    void cmdStartStop_Click();
    void cmdPlateau_Click();
    void cmdUseHV_Click();
    void cmdExport_Click();
    void cmdLogRate_Click();
    void cmdHelp_Click();
    void cmdClose_Click();
    void chkAlarm_Click();
    void txtAlarm_Change();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Window construction (Count.cpp).
    void createControls();
    void layOutControls();
    void connectHandlers();

    // Starting and stopping (CountActions.cpp).
    // The plan the boxes describe; nullopt (the user told) when a box holds no number.
    std::optional<counting::SeriesPlan> seriesPlan();
    std::optional<counting::PlateauPlan> plateauPlan();
    bool readNumber(QLineEdit* box, const QString& what, double& value);
    bool mayStart();
    void failure(const QString& text);

    // What the window shows (CountDisplay.cpp).
    void showRunState();
    void showMeasurements();
    void showPlateau();
    void seriesEnded(counting::SeriesEnd how);
    void showStale(qint64 seconds);
    void logReading(qint32 cps, const QDateTime& utc);
    void closeLog();

    UnitSettings& settings_;
    CountRun* run_ = nullptr;
    counting::RateLog rateLog_;
    counting::PlateauResult plateau_;

    CTreviumCtrl* Chart_ = nullptr;
    QCheckBox* chkAlarm_ = nullptr;
    QLineEdit* txtAlarm_ = nullptr;
    QGroupBox* frSeries_ = nullptr;
    QRadioButton* optTime_ = nullptr;
    QLineEdit* txtTime_ = nullptr;
    QRadioButton* optReadings_ = nullptr;
    QLineEdit* txtReadings_ = nullptr;
    QLabel* lblMeasurements_ = nullptr;
    QLineEdit* txtMeasurements_ = nullptr;
    QLabel* lblPause_ = nullptr;
    QLineEdit* txtPause_ = nullptr;
    QCheckBox* chkBackground_ = nullptr;
    QGroupBox* frPlateau_ = nullptr;
    QLabel* lblHvStart_ = nullptr;
    QLineEdit* txtHvStart_ = nullptr;
    QLabel* lblHvStop_ = nullptr;
    QLineEdit* txtHvStop_ = nullptr;
    QLabel* lblHvStep_ = nullptr;
    QLineEdit* txtHvStep_ = nullptr;
    QLabel* lblSettle_ = nullptr;
    QLineEdit* txtSettle_ = nullptr;
    QLabel* lblThreshold_ = nullptr;
    QLineEdit* txtThreshold_ = nullptr;
    QPushButton* cmdStartStop_ = nullptr;
    QPushButton* cmdPlateau_ = nullptr;
    QPushButton* cmdExport_ = nullptr;
    QPushButton* cmdLogRate_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    QTableWidget* tblMeasurements_ = nullptr;
    QLabel* lblStatistics_ = nullptr;
    CTreviumCtrl* PlateauPlot_ = nullptr;
    QLabel* lblPlateau_ = nullptr;
    QPushButton* cmdUseHV_ = nullptr;
    QLabel* lblLog_ = nullptr;
    QStatusBar* StatusBar_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QLabel* statusPanel2_ = nullptr;
};
