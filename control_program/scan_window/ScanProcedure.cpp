// The scan procedure as the window runs it: the engine steps the device's discriminator window and
// sums the readings; the window shows its progress, reports its failures in boxes and keeps its
// controls in step. Each device sequence is marked, so the count-rate timer stays out of it while a
// failure box is open.
#include "Scan.h"

#include "CTreviumCtrl.h"
#include "Conversions.h"
#include "DeviceSequence.h"
#include "Globals.h"
#include "MessageService.h"
#include "NoticeService.h"
#include "ScanChannels.h"
#include "ScanPeaks.h"
#include "ScanPlot.h"
#include "ScanSpectrumFiles.h"
#include "ScanTexts.h"
#include "UnitSettings.h"
#include "UpDown.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void Scan::setScanControlsEnabled(bool enabled) {
    cmbChannels_->setEnabled(enabled);
    txtSweeps_->setEnabled(enabled);
    spinSweeps_->setEnabled(enabled);
}

void Scan::StartScan() {
    if (globals::hSCA == 0)
        return;
    if (globals::countRunning) { // the count takes the readings until it ends
        scanFailure(tr("A count is running: stop it before starting a scan."));
        return;
    }
    const DeviceSequence sequence;
    engine_.saveUserWindow();

    cmdStartStop_->setText(tr("&Stop"));

    engine_.setChannels(scan::leadingInteger(cmbChannels_->currentText()).value_or(channels()));
    cmbChannels_->setEnabled(false);

    // The box keeps what the user typed; the count scanned is shown in the status bar.
    engine_.setSweeps(scan::sweepsFromText(txtSweeps_->text()));
    txtSweeps_->setEnabled(false);
    spinSweeps_->setEnabled(false);

    scanplot::setAxis(*Plot_, channels());
    Plot_->calibrationObject()->setEnable(true);
    peaks_->scanStarted();
    peaks_->axisReset();
    Plot_->setCursorPos(channel());

    ShowUserROI(scan::toLevel16(savedLLD()), scan::toLevel16(savedULD()), savedIntegMode() != 0);

    engine_.begin();
}

void Scan::SetChannel() {
    const DeviceSequence sequence;
    engine_.setChannel();
}

void Scan::Update(qint32 cps) {
    engine_.update(cps);
}

void Scan::StopScan() {
    const DeviceSequence sequence;
    if (stalled_) {
        // Three calls to a unit that does not answer would be three boxes and change nothing.
        engine_.abandon();
        restorePending_ = true;
        NoticeService::current().notify(this, QStringLiteral("Morla"),
                                        tr("The unit does not answer: it may still hold a scan channel's "
                                           "window. Your window goes back to it when it answers again."));
        return;
    }
    engine_.stop();
}

void Scan::readingsStalled(bool stalled) {
    stalled_ = stalled;
    if (stalled) {
        if (globals::scanRunning)
            statusPanel1_->setText(tr("Paused: no fresh reading from the unit"));
        return;
    }
    if (globals::scanRunning) {
        SetChannel(); // the unit may have lost the channel's window; its first reading is left out
        return;
    }
    if (restorePending_) {
        restorePending_ = false;
        const DeviceSequence sequence;
        if (engine_.restoreUserWindow())
            NoticeService::current().notify(
                this, QStringLiteral("Morla"),
                tr("The unit answers again: your window is back on it (LLD %1, ULD %2%3).")
                    .arg(conv::plainNumber(savedLLD()), conv::plainNumber(savedULD()),
                         savedIntegMode() != 0 ? tr(", integral mode") : QString()));
    }
}

// ---- What the engine tells the window ----

qint32 Scan::deviceHandle() const {
    return globals::hSCA;
}

qint32 Scan::maxLevel() const {
    return globals::maxLevel;
}

bool Scan::levelCountKnown() const {
    return globals::levelCountKnown;
}

scan::UnitDescription Scan::unitDescription() const {
    scan::UnitDescription unit;
    unit.product = globals::productName;
    unit.serialNumber = globals::serialNumber;
    unit.firmware = globals::fwVersion;
    // The voltage the unit has: as read back or last sent, never a text typed but not applied.
    if (const auto count = settings_.highVoltageCount()) {
        unit.highVoltageCount = *count;
        unit.highVoltageText = QString::number(conv::countToVolts(*count), 'f', 1);
    }
    unit.coarseGainIndex = settings_.coarseGain();
    unit.fineGain = settings_.fineGain();
    unit.simulated = globals::simulatedUnit;
    return unit;
}

void Scan::scanFailure(const QString& text) {
    showMessage(this, QStringLiteral("Morla"), text, MsgIcon::Critical);
}

void Scan::channelStarted() {
    setStatus(tr("Sweep %1 of %2").arg(conv::plainNumber(sweep()), conv::plainNumber(sweeps())),
              tr("Channel %1 of %2").arg(conv::plainNumber(channel() + 1), conv::plainNumber(channels())));
}

void Scan::readingAdded(qint32) {
    scanplot::showCounts(*Plot_, globals::scanCounts);
}

void Scan::countsCleared() {
    scanplot::showCounts(*Plot_, globals::scanCounts);
    // With the counts gone the next scan's layout is shown.
    if (!globals::scanRunning) {
        showLayout();
        peaks_->spectrumChanged();
    }
}

void Scan::movedOn(qint32 channel) {
    // While the user drags a window the cursor follows the pointer.
    if (!dragging_)
        Plot_->setCursorPos(channel);
}

void Scan::scanEnded(bool) {
    cmdStartStop_->setText(tr("&Start"));
    setScanControlsEnabled(true);
    setStatus(tr("Scan complete"), QString());
    spectrumFiles_->scanStopped(); // saves the scan; no box, no status text
    peaks_->spectrumChanged();
}

void Scan::ShowUserROI(qint16 userLLD, qint16 userULD, bool integMode) {
    scanplot::showUserWindow(*Plot_, userLLD, userULD, integMode, shownChannels(), globals::maxLevel);
    engine_.setUserWindow(userLLD, userULD, integMode);
}
