// The scan window: records a pseudo pulse-height spectrum by stepping the device's discriminator
// window across the level range, one step per count-rate reading handed over by the main window's
// timer, and shows it with the user's own window drawn as a red region. Dragging across the plot
// chooses a new discriminator window for the unit's settings, as the main window's sliders do. One
// instance, a child of the main window; it exists (hidden) from the first readback of the unit's
// settings and is deleted when closed.
#pragma once

#include "ScanEngine.h"

#include <QWidget>

#include <memory>

class CTreviumCtrl;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
class ScanPeaks;
class ScanSpectrumFiles;
class UnitSettings;
class UpDown;

class Scan : public QWidget, private scan::ScanHost {
    Q_OBJECT

public:
    // Client size of the fixed window.
    static constexpr int CLIENT_WIDTH = 640;
    static constexpr int CLIENT_HEIGHT = 389;

    // `settings` (the unit's, owned by the main window) and `parent` must outlive the window.
    Scan(UnitSettings& settings, QWidget* parent);
    ~Scan() override;

    // One count-rate reading while a scan runs: the first after each window change is discarded, the
    // next three are added to the channel, then the scan moves on.
    void Update(qint32 cps);
    // Sends the window of the current channel to the device and shows the progress.
    void SetChannel();
    // Shows the user's discriminator window as ROI 1 and makes it the window restored after a scan.
    void ShowUserROI(qint16 userLLD, qint16 userULD, bool integMode);
    // Stops a running scan as the Stop button does: the user's window goes back to the device and the
    // status reads "Scan aborted". Does nothing when no scan runs.
    void abortScan();
    // Ends a running scan without a device call (the program must end at once): its spectrum is saved
    // automatically, the unit keeps the scan channel's window. Does nothing when no scan runs.
    void abandonScan();
    // The unit gave no fresh reading for a while (true) or gives them again (false). A running scan
    // waits with a notice and goes on with its channel's window sent again; a scan stopped meanwhile
    // puts the user's window back once the unit answers.
    void readingsStalled(bool stalled);
    bool restorePending() const { return restorePending_; }

    // The controls other windows and tests read.
    CTreviumCtrl* Plot() const { return Plot_; }
    QPushButton* cmdStartStop() const { return cmdStartStop_; }
    QPushButton* cmdClear() const { return cmdClear_; }
    QPushButton* cmdPrint() const { return cmdPrint_; }
    QPushButton* cmdClose() const { return cmdClose_; }
    QPushButton* cmdPeakWindow() const { return cmdPeakWindow_; }
    QComboBox* cmbChannels() const { return cmbChannels_; }
    QComboBox* cmbYScale() const { return cmbYScale_; }
    QRadioButton* optLin() const { return optLin_; }
    QRadioButton* optLog() const { return optLog_; }
    QLineEdit* txtSweeps() const { return txtSweeps_; }
    UpDown* spinSweeps() const { return spinSweeps_; }
    QStatusBar* StatusBar() const { return StatusBar_; }
    QMenu* mnuContext() const { return mnuContext_; }
    QAction* mnuEntryPrint() const { return mnuEntryPrint_; }
    // Save Spectrum, Open Reference, Clear Reference and the automatic copy of each scan.
    ScanSpectrumFiles& spectrumFiles() const { return *spectrumFiles_; }
    // The peaks of the spectrum, the energy calibration and "Set Window on Peak".
    ScanPeaks& peaks() const { return *peaks_; }
    bool hasPeaks() const { return peaks_ != nullptr; }
    QString statusPanel1() const;
    QString statusPanel2() const;

    // Scan state.
    const scan::ScanEngine& engine() const { return engine_; }
    qint32 channels() const { return engine_.channels(); } // of the next scan (the channel list)
    // The layout of the spectrum on screen: the one its counts were measured with, or the channel
    // list's when there are none.
    qint32 shownChannels() const;
    qint32 channel() const { return engine_.channel(); }
    qint16 sweeps() const { return engine_.sweeps(); }
    qint16 sweep() const { return engine_.sweep(); }
    qint32 savedLLD() const { return engine_.savedLLD(); }
    qint32 savedULD() const { return engine_.savedULD(); }
    qint32 savedIntegMode() const { return engine_.savedIntegMode(); }
    bool isDragging() const { return dragging_; }
    bool isPickingRegion() const { return regionDragging_; }

public slots:
    void cmdStartStop_Click();
    void cmdClear_Click();
    void cmdClose_Click();
    void cmdPrint_Click();
    void mnuEntryPrint_Click();
    void cmbChannels_Click();
    void cmbYScale_Click();
    void optLin_Click();
    void optLog_Click();
    void Plot_MouseDown(qint16 Button, qint16 Shift, qint32 x, qint32 y);
    void Plot_MouseMove(qint16 Button, qint16 Shift, qint32 x, qint32 y);
    void Plot_MouseUp(qint16 Button, qint16 Shift, qint32 x, qint32 y);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Window construction (Scan.cpp).
    void createControls();
    void layOutControls();
    void connectHandlers();
    void Form_Load();
    void Form_MouseUp(Qt::MouseButton button, QPoint pos);

    // The scan procedure (ScanProcedure.cpp): the engine runs it, the window shows it.
    void StartScan();
    void StopScan();
    void setScanControlsEnabled(bool enabled);
    // The plot's axis, the user's window and the reference on the shown layout.
    void showLayout();
    // Says when the spectrum shown has another layout than the next scan's; empty otherwise.
    QString layoutNote() const;
    void setStatus(const QString& panel1, const QString& panel2);
    qint32 deviceHandle() const override;
    qint32 maxLevel() const override;
    scan::UnitDescription unitDescription() const override;
    bool levelCountKnown() const override;
    void scanFailure(const QString& text) override;
    void channelStarted() override;
    void readingAdded(qint32 channel) override;
    void countsCleared() override;
    void movedOn(qint32 channel) override;
    void scanEnded(bool complete) override;

    // Drag-select on the plot (ScanDrag.cpp): ROI 1 and the unit's window follow the pointer.
    void dragTo();
    // The channel under plot position x (the context menu's peak).
    qint32 channelAtX(qint32 x) const;
    // The unit's window changed (a slider, a readback, another window): shown unless this window's own
    // drag made the change and has drawn it already.
    void userWindowChanged();

    // The sweeps box and its up-down control show the same number.
    void txtSweeps_Change();
    void spinSweeps_Change(int value);

    UnitSettings& settings_;
    scan::ScanEngine engine_;
    bool dragging_ = false;
    qint16 dragStart_ = 0;
    bool stalled_ = false;        // no fresh reading from the unit for a while
    bool restorePending_ = false; // stopped while stalled: the user's window is still to go back
    bool regionDragging_ = false; // Ctrl+drag: a range to analyse, not a window

    CTreviumCtrl* Plot_ = nullptr;
    QPushButton* cmdStartStop_ = nullptr;
    QPushButton* cmdClear_ = nullptr;
    QGroupBox* Frame1_ = nullptr;
    QComboBox* cmbChannels_ = nullptr;
    QGroupBox* Frame2_ = nullptr;
    QRadioButton* optLin_ = nullptr;
    QRadioButton* optLog_ = nullptr;
    QComboBox* cmbYScale_ = nullptr;
    QGroupBox* Frame3_ = nullptr;
    QLineEdit* txtSweeps_ = nullptr;
    UpDown* spinSweeps_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    QPushButton* cmdPeakWindow_ = nullptr;
    QStatusBar* StatusBar_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QLabel* statusPanel2_ = nullptr;
    QMenu* mnuContext_ = nullptr;
    QAction* mnuEntryPrint_ = nullptr;

    ScanPeaks* peaks_ = nullptr; // a child of the window
    // Last, so it goes first: it may still save a running scan from the window's state.
    std::unique_ptr<ScanSpectrumFiles> spectrumFiles_;
};
