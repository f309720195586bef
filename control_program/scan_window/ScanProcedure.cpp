// The scan procedure: a small state machine advanced by one count-rate reading at a time. It owns the
// device's discriminator from StartScan to StopScan and then gives the user's window back.
#include "Scan.h"

#include "CTreviumCtrl.h"
#include "Conversions.h"
#include "DeviceLink.h"
#include "DeviceParams.h"
#include "DeviceSequence.h"
#include "Globals.h"
#include "MessageService.h"
#include "Params.h"
#include "ScanChannels.h"
#include "ScanSpectrumFiles.h"
#include "ScanTexts.h"
#include "UpDown.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {
const QString kTitle = QStringLiteral("Morla");
}

void Scan::failure(const QString& text) {
    showMessage(this, kTitle, text, MsgIcon::Critical);
}

void Scan::setScanControlsEnabled(bool enabled) {
    cmbChannels_->setEnabled(enabled);
    txtSweeps_->setEnabled(enabled);
    spinSweeps_->setEnabled(enabled);
}

void Scan::StartScan() {
    if (globals::hSCA == 0)
        return;
    const DeviceSequence sequence;
    kivo::DeviceLink& link = kivo::DeviceLink::instance();
    // A failed read leaves the saved value as it was (the window last shown through ShowUserROI).
    if (link.GetParam(globals::hSCA, kivo::PARAM_LLD, &savedLLD_, kivo::NUMBER_PARAM_SIZE) != 0)
        failure(tr("Failed to read LLD."));
    if (link.GetParam(globals::hSCA, kivo::PARAM_ULD, &savedULD_, kivo::NUMBER_PARAM_SIZE) != 0)
        failure(tr("Failed to read ULD."));
    if (link.GetParam(globals::hSCA, kivo::PARAM_INTEGRAL_MODE, &savedIntegMode_, kivo::NUMBER_PARAM_SIZE) !=
        0)
        failure(tr("Failed to read integral mode."));
    if (link.SetParam(globals::hSCA, kivo::PARAM_INTEGRAL_MODE, 0) != 0)
        failure(tr("Failed to disable integral mode."));

    cmdStartStop_->setText(tr("&Stop"));

    channels_ = scan::leadingInteger(cmbChannels_->currentText()).value_or(channels_);
    cmbChannels_->setEnabled(false);

    // The box keeps what the user typed; the count scanned is shown in the status bar.
    sweeps_ = scan::sweepsFromText(txtSweeps_->text());
    sweep_ = 1;
    txtSweeps_->setEnabled(false);
    spinSweeps_->setEnabled(false);

    setPlotAxis(channels_);
    Plot_->calibrationObject()->setEnable(true);
    Plot_->setCursorPos(channel_);

    ShowUserROI(scan::toLevel16(savedLLD_), scan::toLevel16(savedULD_), savedIntegMode_ != 0);

    channel_ = 1;
    SetChannel();
    globals::scanRunning = true;
    spectrumFiles_->scanStarted();
}

void Scan::SetChannel() {
    const DeviceSequence sequence;
    const scan::ChannelWindow w = scan::channelWindow(channel_, channels_, globals::maxLevel);
    // The channel's state is settled before any failure box opens: a reading taken while the device
    // may still hold the previous window is never counted.
    skipNext_ = true;
    dwellLeft_ = 2;
    kivo::DeviceLink& link = kivo::DeviceLink::instance();
    // The LLD goes first, so the window never passes through a state the device has to reject.
    if (link.SetParam(globals::hSCA, kivo::PARAM_LLD, w.lld) != 0)
        failure(tr("Failed to set LLD."));
    if (link.SetParam(globals::hSCA, kivo::PARAM_ULD, w.uld) != 0)
        failure(tr("Failed to set ULD."));
    setStatus(tr("Sweep %1 of %2").arg(conv::plainNumber(sweep_), conv::plainNumber(sweeps_)),
              tr("Channel %1 of %2").arg(conv::plainNumber(channel_ + 1), conv::plainNumber(channels_)));
}

void Scan::Update(qint32 cps) {
    if (!globals::scanRunning)
        return;
    // The first reading after a window change may still count the previous window.
    if (skipNext_) {
        skipNext_ = false;
        return;
    }
    // Sums are held at the 32-bit limit rather than wrapping into nonsense.
    qint32& sum = globals::scanCounts[size_t(qBound(0, channel_, globals::SCAN_COUNTS_SIZE - 2))];
    sum = scan::addSaturated(sum, cps);
    spectrumFiles_->readingAdded(qint32(&sum - globals::scanCounts.data()));
    showCounts();
    if (dwellLeft_ > 0) {
        --dwellLeft_;
        return;
    }
    ++channel_;
    if (!dragging_)
        Plot_->setCursorPos(channel_);
    if (channel_ != channels_) {
        SetChannel();
        return;
    }
    // Compared before counting on, so the last of 32767 sweeps also ends the scan.
    const bool lastSweep = sweep_ >= sweeps_;
    if (sweep_ < std::numeric_limits<qint16>::max())
        ++sweep_;
    if (lastSweep) {
        StopScan();
    } else {
        channel_ = 1;
        SetChannel();
    }
}

void Scan::StopScan() {
    // Stopped before the write-back: nothing that runs while one of its failure boxes is open may
    // still see a running scan.
    globals::scanRunning = false;
    if (globals::hSCA != 0) {
        const DeviceSequence sequence;
        kivo::DeviceLink& link = kivo::DeviceLink::instance();
        if (link.SetParam(globals::hSCA, kivo::PARAM_LLD, savedLLD_) != 0)
            failure(tr("Failed to restore LLD."));
        if (link.SetParam(globals::hSCA, kivo::PARAM_ULD, savedULD_) != 0)
            failure(tr("Failed to restore ULD."));
        // The device's own encoding: 1 for integral, 0 for window mode.
        if (link.SetParam(globals::hSCA, kivo::PARAM_INTEGRAL_MODE, savedIntegMode_ != 0 ? 1 : 0) != 0)
            failure(tr("Failed to restore integral mode."));
    }
    cmdStartStop_->setText(tr("&Start"));
    setScanControlsEnabled(true);
    setStatus(tr("Scan complete"), QString());
    spectrumFiles_->scanStopped(channel_ == channels_); // saves the scan; no box, no status text
}

void Scan::ShowUserROI(qint16 userLLD, qint16 userULD, bool integMode) {
    const qint32 first = scan::levelToChannel(userLLD, channels_, globals::maxLevel);
    const qint32 last = integMode ? channels_ : scan::levelToChannel(userULD, channels_, globals::maxLevel);
    trevium::RoiCollection& rois = *Plot_->roiCollection();
    std::shared_ptr<trevium::RoiInfo> item;
    if (rois.count() == 0) {
        item = std::make_shared<trevium::RoiInfo>();
        item->setColor(255);
        item->setFirstChannel(first);
        item->setLastChannel(last);
        item->setVisible(true);
        rois.add(item);
    } else {
        item = rois.items().front();
        item->setFirstChannel(first);
        item->setLastChannel(last);
        item->setVisible(true);
    }
    Plot_->setShowROIs(true); // also repaints: the items only store
    savedLLD_ = userLLD;
    savedULD_ = userULD;
    savedIntegMode_ = integMode ? 1 : 0;
}
