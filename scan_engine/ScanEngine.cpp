#include "ScanEngine.h"

#include "DeviceLink.h"
#include "Params.h"
#include "ScanChannels.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>
#include <utility>

namespace scan {

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("Scan", text);
}
} // namespace

ScanEngine::ScanEngine(ScanHost& host, Counts& counts, bool& running, ScanRecorder* recorder)
    : host_(host), counts_(counts), running_(running), recorder_(recorder ? recorder : &ownRecorder_) {}

void ScanEngine::saveUserWindow() {
    const qint32 handle = host_.deviceHandle();
    kivo::DeviceLink& link = kivo::DeviceLink::instance();
    // A failed read leaves the saved value as it was (the window last set through setUserWindow).
    auto read = [&](qint32 param, qint32& into, bool& known, const char* failure) {
        qint32 value = 0;
        if (link.GetParam(handle, param, &value, kivo::NUMBER_PARAM_SIZE) != 0) {
            host_.scanFailure(tr(failure));
            return;
        }
        into = value;
        known = true;
    };
    read(kivo::PARAM_LLD, savedLLD_, knownLLD_, "Failed to read LLD.");
    read(kivo::PARAM_ULD, savedULD_, knownULD_, "Failed to read ULD.");
    read(kivo::PARAM_INTEGRAL_MODE, savedIntegMode_, knownIntegMode_, "Failed to read integral mode.");
    if (link.SetParam(handle, kivo::PARAM_INTEGRAL_MODE, 0) != 0) {
        // Integral mode still on counts everything above each channel's LLD: no spectrum.
        host_.scanFailure(tr("Failed to disable integral mode."));
        disableFailed_ = true;
    }
}

void ScanEngine::setSweeps(qint16 sweeps) {
    sweeps_ = sweeps;
    sweep_ = 1;
}

void ScanEngine::begin() {
    completed_ = false;
    // Counts are kept from earlier scans until cleared; so are the readings behind them. Counts of
    // another layout are never added to: they were measured with other windows (and are already in the
    // automatic copy of the scan that made them), so this scan starts from zero.
    const ScanRecorder& r = *recorder_;
    const bool otherLayout =
        r.channels() != 0 && (r.channels() != channels_ || r.maxLevel() != host_.maxLevel());
    if (otherLayout)
        std::fill(counts_.begin(), counts_.end() - 1, 0);
    recorder_->scanStarted(channels_, host_.maxLevel(), sweeps_, counts_, host_.unitDescription(),
                           QDateTime::currentDateTimeUtc());
    if (otherLayout)
        host_.countsCleared();
    if (std::exchange(disableFailed_, false))
        recorder_->deviceFailure(tr("Failed to disable integral mode."), -1);
    if (!host_.levelCountKnown())
        recorder_->deviceFailure(tr("The level count could not be read; the windows assume %1 levels.")
                                     .arg(qint64(host_.maxLevel()) + 1),
                                 -1);
    channel_ = 1;
    setChannel();
    running_ = true;
}

void ScanEngine::start(qint32 channels, qint16 sweeps) {
    saveUserWindow();
    setChannels(channels);
    setSweeps(sweeps);
    begin();
}

void ScanEngine::setChannel() {
    const ChannelWindow w = channelWindow(channel_, channels_, host_.maxLevel());
    // The channel's state is settled before any failure is reported: a reading taken while the device
    // may still hold the previous window is never counted.
    skipNext_ = true;
    dwellLeft_ = 2;
    const qint32 handle = host_.deviceHandle();
    kivo::DeviceLink& link = kivo::DeviceLink::instance();
    // The LLD goes first, so the window never passes through a state the device has to reject.
    auto set = [&](qint32 param, qint32 value, const char* failure) {
        if (link.SetParam(handle, param, value) == 0)
            return;
        recorder_->deviceFailure(tr(failure), channel_);
        host_.channelFailure(tr(failure), channel_);
    };
    set(kivo::PARAM_LLD, w.lld, "Failed to set LLD.");
    set(kivo::PARAM_ULD, w.uld, "Failed to set ULD.");
    host_.channelStarted();
}

void ScanEngine::update(qint32 cps) {
    if (!running_)
        return;
    // The first reading after a window change may still count the previous window.
    if (skipNext_) {
        skipNext_ = false;
        return;
    }
    // Sums are held at the 32-bit limit rather than wrapping into nonsense.
    const size_t index = size_t(std::clamp(channel_, 0, COUNTS_SIZE - 2));
    counts_[index] = addSaturated(counts_[index], cps);
    recorder_->readingAdded(qint32(index));
    host_.readingAdded(qint32(index));
    if (dwellLeft_ > 0) {
        --dwellLeft_;
        return;
    }
    ++channel_;
    host_.movedOn(channel_);
    if (channel_ != channels_) {
        setChannel();
        return;
    }
    recorder_->sweepCompleted();
    // Compared before counting on, so the last of 32767 sweeps also ends the scan.
    const bool lastSweep = sweep_ >= sweeps_;
    if (sweep_ < std::numeric_limits<qint16>::max())
        ++sweep_;
    if (lastSweep) {
        completed_ = true;
        stop();
    } else {
        channel_ = 1;
        setChannel();
    }
}

void ScanEngine::stop() {
    // Stopped before the write-back: nothing that runs while one of its failures is reported may
    // still see a running scan.
    running_ = false;
    windowLeft_ = false;
    recorder_->scanEnded(completed_, QDateTime::currentDateTimeUtc());
    writeEndWindow(host_.windowToLeave(completed_));
    host_.scanEnded(completed_);
}

bool ScanEngine::restoreUserWindow() {
    return writeEndWindow(std::nullopt);
}

bool ScanEngine::writeEndWindow(const std::optional<spectrum::LevelWindow>& chosen) {
    const qint32 handle = host_.deviceHandle();
    if (handle == 0)
        return true;
    kivo::DeviceLink& link = kivo::DeviceLink::instance();
    bool abandoned = false;
    bool ok = true;
    // One write of the scan's end; false when it failed, was not made or the user insists on ending.
    // `unknown` says why a value is not written at all.
    auto write = [&](qint32 param, qint32 value, const char* failure, const char* unknown = nullptr) {
        if (abandoned || (abandoned = host_.abandonDevice()))
            return ok = false;
        if (unknown) {
            host_.scanFailure(tr(unknown));
            return false;
        }
        if (link.SetParam(handle, param, value) == 0)
            return true;
        host_.scanFailure(tr(failure));
        return ok = false;
    };
    // The host's window goes on whole or not at all: after a failed write the user's goes back.
    if (chosen) {
        windowLeft_ = write(kivo::PARAM_LLD, chosen->lld, "Failed to set LLD.") &&
                      write(kivo::PARAM_ULD, chosen->uld, "Failed to set ULD.") &&
                      write(kivo::PARAM_INTEGRAL_MODE, 0, "Failed to disable integral mode.");
        ok = true; // what counts now is whether the user's window, if it must, goes back
    }
    if (!chosen || !windowLeft_) {
        // Only what is known goes back: a value never read would put a window on the unit that the
        // user never chose.
        write(kivo::PARAM_LLD, savedLLD_, "Failed to restore LLD.",
              knownLLD_ ? nullptr : "The LLD was not restored: it could not be read before the scan.");
        write(kivo::PARAM_ULD, savedULD_, "Failed to restore ULD.",
              knownULD_ ? nullptr : "The ULD was not restored: it could not be read before the scan.");
        // The device's own encoding: 1 for integral, 0 for window mode.
        write(kivo::PARAM_INTEGRAL_MODE, savedIntegMode_ != 0 ? 1 : 0, "Failed to restore integral mode.",
              knownIntegMode_ ? nullptr
                              : "Integral mode was not restored: it could not be read before the scan.");
    }
    if (abandoned)
        host_.scanFailure(tr("The user's window was not written back: the unit may still hold a scan "
                             "channel's window."));
    return ok;
}

void ScanEngine::abandon() {
    if (!running_)
        return;
    running_ = false;
    recorder_->scanEnded(false, QDateTime::currentDateTimeUtc());
    host_.scanEnded(false);
}

void ScanEngine::clear() {
    // Entry 512 is never written by a scan, so it is left alone here too.
    std::fill(counts_.begin(), counts_.end() - 1, 0);
    recorder_->countsCleared(running_, sweep_, sweeps_, QDateTime::currentDateTimeUtc());
    host_.countsCleared();
    channel_ = 1;
    if (running_)
        setChannel();
}

void ScanEngine::setUserWindow(qint32 lld, qint32 uld, bool integral) {
    savedLLD_ = lld;
    savedULD_ = uld;
    savedIntegMode_ = integral ? 1 : 0;
    knownLLD_ = knownULD_ = knownIntegMode_ = true;
}

} // namespace scan
