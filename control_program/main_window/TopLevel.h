// The main window: connection to one detector, live count rate, the device's settings and the
// buttons that read, store and scan them. Closing it ends the program.
#pragma once

#include "ReadingWatch.h"
#include "UnitSettings.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class Count;
class Scan;

class TopLevel : public QMainWindow {
    Q_OBJECT

public:
    explicit TopLevel(QWidget* parent = nullptr);
    ~TopLevel() override;

    // Shows a discriminator window chosen elsewhere (the scan plot) and, when no scan runs and a
    // device is connected, sends it; only the display is limited to the slider range.
    void UpdateControls(qint32 lld, qint32 uld, qint32 integ);

    // What the user has set on the unit; other windows read and change it through this object.
    UnitSettings& unitSettings() { return settings_; }

    // The controls other windows read.
    QSlider* sldLLD() const { return sldLLD_; }
    QSlider* sldULD() const { return sldULD_; }
    QCheckBox* chkIntegMode() const { return chkIntegMode_; }
    QComboBox* cmbCoarseGain() const { return cmbCoarseGain_; }
    QSlider* sldFineGain() const { return sldFineGain_; }
    QLineEdit* txtHV() const { return txtHV_; }
    QComboBox* cmbTTL() const { return cmbTTL_; }
    QComboBox* cmbCPSRange() const { return cmbCPSRange_; }
    QComboBox* cmbRespTime() const { return cmbRespTime_; }
    QRadioButton* rbDC() const { return rbDC_; }
    QLabel* lblCPS() const { return lblCPS_; }
    QLabel* lblSimulated() const { return lblSimulated_; }
    // First status bar panel: the connection state.
    QString statusText() const;
    bool isUpdatingControls() const { return updatingControls_; }
    const QTimer& timer1() const { return Timer1; }
    // How long the unit has gone without a fresh reading (tests shorten its limit).
    ReadingWatch& readingWatch() { return readingWatch_; }
    // The scan window, created hidden at its first use; closing it deletes it until the next use.
    Scan* scanWindow();
    // The count window, created at its first use; closing it deletes it until the next use.
    Count* countWindow();

public slots:
    // Connection, readback and device information.
    void cmdConnect_Click();
    void cmdRefresh_Click();
    void cmdInfo_Click();
    void cmdExit_Click();
    void cmdScan_Click();
    void cmdCount_Click();
    // Count-rate poll, every 250 ms while connected.
    void Timer1_Timer();

    // A termination signal (the session ends, kill, Ctrl+C): the program ends as its close box ends
    // it, but a running scan is stopped, and its spectrum saved, before anything is asked; and never in
    // the middle of another handler's device conversation, which finishes first.
    void terminate();
    // The same signal again, later: the user insists. A running scan ends without its write-back (its
    // spectrum still saved), nothing is asked, and the program ends.
    void terminateNow();

    // High voltage and permanent save.
    void txtHV_Change();
    void cmdApplyHV_Click();
    void cmdSave_Click();

    // Amplifier gain.
    void cmbCoarseGain_Click();
    void sldFineGain_Change();
    void sldFineGain_Scroll(int position);

    // Discriminator window.
    void sldLLD_Change();
    void sldLLD_Scroll(int position);
    void sldULD_Change();
    void sldULD_Scroll(int position);
    void chkIntegMode_Click();

    // Output settings.
    void cmbTTL_Click();
    void cmbCPSRange_Click();
    void cmbRespTime_Click();
    void rbPulse_Click();
    void rbDC_Click();

signals:
    // The window was closed for good: the program ends.
    void unloaded();
    // No fresh reading for a while (true), or readings are back (false).
    void readingsStalled(bool stalled);
    // Every tick of the count-rate timer that may talk to the unit, before its reading; the clock of
    // counts and plateaus, which make no poll of their own.
    void pollTick(const QDateTime& utc);
    // Each fresh count-rate reading, with the UTC time it was read.
    void freshReading(qint32 cps, const QDateTime& utc);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The count readout keeps its last number but says it is stale; a running scan waits.
    void showStale(bool stale);
    // Sets updatingControls for its lifetime so the window's own writes are not sent to the device.
    class UpdatingGuard {
    public:
        explicit UpdatingGuard(TopLevel& w) : w_(w), previous_(w.updatingControls_) {
            w_.updatingControls_ = true;
        }
        ~UpdatingGuard() { w_.updatingControls_ = previous_; }
        UpdatingGuard(const UpdatingGuard&) = delete;
        UpdatingGuard& operator=(const UpdatingGuard&) = delete;

    private:
        TopLevel& w_;
        bool previous_;
    };

    // Window construction (TopLevelLayout.cpp).
    void createControls();
    void layOutControls();
    void connectHandlers();

    // Start-up, connection and closing (TopLevel.cpp).
    void Form_Load();
    void Form_QueryUnload(bool& cancel);
    void Form_Unload();
    void connectDevice();
    void disconnectDevice();
    void readIdentity();
    void readLevelInfo();
    void rangeLevelSliders();
    void FillCPSRangeList();
    void closeConnection();
    // Asks whether to save unsaved settings; false when the user cancels.
    bool confirmUnsavedSettings();
    // Stops a running scan as its Stop button does, before an action that must not find the device
    // on a scan channel's window (save, readback, connect, disconnect, exit); a running count or
    // plateau stops too, so the unit has the user's HV again before any of them.
    void abortRunningScan();

    // Settings handlers' shared steps (TopLevelSettings.cpp).
    void sendGain(int fine);
    void showULDEnabled(bool enabled);
    // The controls follow the unit's settings, whoever changed them.
    void showWindowSettings();
    void showGainSettings();
    void showHighVoltage();
    void setAnalogModeControls(bool dcMode);
    void sendListIndex(QComboBox* list, qint32 param, const QString& failure);
    void showLevel(QSlider* slider, QLabel* label, qint32 level);

    // Message boxes in the window's style.
    void failure(const QString& text);
    void notConnected();

    bool updatingControls_ = false;
    UnitSettings settings_;
    QTimer Timer1;
    ReadingWatch readingWatch_;

    QPushButton* cmdConnect_ = nullptr;
    QPushButton* cmdInfo_ = nullptr;
    QPushButton* cmdRefresh_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdScan_ = nullptr;
    QPushButton* cmdCount_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
    QLabel* lblCPS_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QLabel* lblSimulated_ = nullptr; // shown while the unit is the simulated detector

    QGroupBox* frHV_ = nullptr;
    QLabel* lblHV_ = nullptr;
    QLineEdit* txtHV_ = nullptr;
    QPushButton* cmdApplyHV_ = nullptr;

    QGroupBox* frGain_ = nullptr;
    QLabel* lblCoarseGain_ = nullptr;
    QComboBox* cmbCoarseGain_ = nullptr;
    QLabel* lblFine_ = nullptr;
    QSlider* sldFineGain_ = nullptr;
    QLabel* lblFineGain_ = nullptr;

    QGroupBox* frDiscriminator_ = nullptr;
    QLabel* lblLLDsld_ = nullptr;
    QSlider* sldLLD_ = nullptr;
    QLabel* lblLLD_ = nullptr;
    QLabel* lblULDsld_ = nullptr;
    QSlider* sldULD_ = nullptr;
    QLabel* lblULD_ = nullptr;
    QCheckBox* chkIntegMode_ = nullptr;

    QGroupBox* frTTL_ = nullptr;
    QLabel* lblTTL_ = nullptr;
    QComboBox* cmbTTL_ = nullptr;

    QGroupBox* frVR_ = nullptr;
    QRadioButton* rbPulse_ = nullptr;
    QRadioButton* rbDC_ = nullptr;
    QLabel* lblCPSRange_ = nullptr;
    QComboBox* cmbCPSRange_ = nullptr;
    QLabel* lblRespTime_ = nullptr;
    QComboBox* cmbRespTime_ = nullptr;

    QPointer<Scan> scan_; // a child window of this one
    QPointer<Count> count_; // likewise
};
