// The pseudo-PHA scan as a small state machine, without a window: it steps the device's discriminator
// window across the level range, one channel per four count-rate readings (the first discarded, three
// summed), sweep after sweep, and gives the user's window back at the end. Whoever runs it hands over
// the readings (the main window's timer, or the command-line scan's poll) and hears of failures,
// progress and the end through a ScanHost. Every device failure is reported and the scan goes on.
#pragma once

#include "ScanRecorder.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace scan {

// What the scan needs from the one who runs it.
class ScanHost {
public:
    virtual ~ScanHost() = default;
    virtual qint32 deviceHandle() const = 0; // 0 when no device is connected
    virtual qint32 maxLevel() const = 0;     // highest discriminator level of that device
    // The unit and its settings as the scan's record is to carry them; asked when a scan begins.
    virtual UnitDescription unitDescription() const { return {}; }

    // A device call failed; `text` is the sentence for the user ("Failed to set LLD."). The scan goes
    // on when this returns.
    virtual void scanFailure(const QString& text) = 0;
    // The window of `channel` could not be set: a failure that leaves that channel's counts doubtful.
    // Told as any other failure unless the host says more (which channel).
    virtual void channelFailure(const QString& text, qint32 channel) {
        Q_UNUSED(channel);
        scanFailure(text);
    }
    // False when the unit's level count could not be read and maxLevel() is only the default.
    virtual bool levelCountKnown() const { return true; }
    // True when the user insists on ending at once: the scan then ends without the rest of its device
    // conversation (the write-back of the user's window), and says so.
    virtual bool abandonDevice() const { return false; }
    // The current channel's window went to the device (sweep(), channel() tell which).
    virtual void channelStarted() = 0;
    // A reading was added to counts() at `channel`.
    virtual void readingAdded(qint32 channel) = 0;
    // counts() were zeroed.
    virtual void countsCleared() = 0;
    // A channel's last reading arrived; the scan moves on to `channel`.
    virtual void movedOn(qint32 channel) = 0;
    // The window to leave on the unit when the scan ends instead of writing the user's back (integral
    // mode goes off with it); asked once, when the counts are final. None, the usual case, writes the
    // user's window back; so does a failed write of the host's window.
    virtual std::optional<spectrum::LevelWindow> windowToLeave(bool complete) {
        Q_UNUSED(complete);
        return std::nullopt;
    }
    // The scan ended, complete or stopped, and the user's window (or the host's) is on the device.
    virtual void scanEnded(bool complete) = 0;
};

class ScanEngine {
public:
    static constexpr qint32 DEFAULT_CHANNELS = 128;

    // `counts` and `running` are the caller's: the program keeps them for its whole life; so may be the
    // `recorder` of what the counts are (the engine keeps its own when none is given).
    ScanEngine(ScanHost& host, Counts& counts, bool& running, ScanRecorder* recorder = nullptr);

    // Start, in the order the window runs it: saveUserWindow() (reads the user's window and switches
    // integral mode off), setChannels() and setSweeps(), then begin() (channel 1 of sweep 1).
    void saveUserWindow();
    void setChannels(qint32 channels) { channels_ = channels; }
    void setSweeps(qint16 sweeps);
    void begin();
    // All of the above at once.
    void start(qint32 channels, qint16 sweeps);

    // One count-rate reading while the scan runs.
    void update(qint32 cps);
    // Sends the current channel's window to the device.
    void setChannel();
    // Writes the user's window back and ends the scan (as stopped, unless its last sweep completed).
    void stop();
    // Ends the scan as stopped without any device call, for a user who insists on ending at once: the
    // unit keeps the channel's window it has.
    void abandon();
    // Zeroes the spectrum; a running scan restarts its sweep at channel 1.
    void clear();
    // Writes the user's window (what is known of it) to the unit, as stop() does at the end of a scan;
    // for a scan that ended while the unit did not answer. False when a call failed (already reported).
    bool restoreUserWindow();

    // The user's window, restored after the scan; it follows the user's latest choice. A value neither
    // given here nor read from the unit is never written back.
    void setUserWindow(qint32 lld, qint32 uld, bool integral);

    bool running() const { return running_; }
    qint32 channels() const { return channels_; }
    qint32 channel() const { return channel_; }
    qint16 sweeps() const { return sweeps_; }
    qint16 sweep() const { return sweep_; }
    qint32 savedLLD() const { return savedLLD_; }
    qint32 savedULD() const { return savedULD_; }
    qint32 savedIntegMode() const { return savedIntegMode_; }
    const Counts& counts() const { return counts_; }

    // What the counts are: readings summed per channel (kept with the counts until they are cleared),
    // the full sweeps in them, when the scans ran, the layout and the unit.
    const ScanRecorder& recorder() const { return *recorder_; }
    const Readings& readings() const { return recorder_->readings(); }
    qint16 sweepsCompleted() const { return qint16(qMin(recorder_->sweepsCompleted(), 32767)); }
    bool completed() const { return completed_; }
    // The last scan ended with the host's window on the unit (windowToLeave), not the user's.
    bool windowLeft() const { return windowLeft_; }
    QDateTime startTime() const { return recorder_->startTime(); } // UTC
    QDateTime endTime() const { return recorder_->endTime(); }     // UTC; invalid until a scan ended

private:
    // The end of a scan on the unit: `chosen` (the host's window) when given and taken whole, else the
    // user's window. False when a write of the user's window failed or was not made.
    bool writeEndWindow(const std::optional<spectrum::LevelWindow>& chosen);
    ScanHost& host_;
    Counts& counts_;
    bool& running_;

    qint32 channels_ = DEFAULT_CHANNELS;
    qint32 channel_ = 0;
    qint16 sweeps_ = 0;
    qint16 sweep_ = 0;
    bool skipNext_ = false;
    qint16 dwellLeft_ = 0;
    qint32 savedLLD_ = 0;
    qint32 savedULD_ = 0;
    qint32 savedIntegMode_ = 0;
    // Which of the saved values are the user's (read from the unit or given), so worth restoring.
    bool knownLLD_ = false;
    bool knownULD_ = false;
    bool knownIntegMode_ = false;
    bool disableFailed_ = false; // integral mode could not be switched off for this scan

    ScanRecorder ownRecorder_;
    ScanRecorder* recorder_;
    bool completed_ = false;
    bool windowLeft_ = false;
};

} // namespace scan
