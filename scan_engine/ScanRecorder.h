// What a spectrum file needs to know about the counts a scan engine fills, beyond the counts: the
// channel layout they were measured with, the readings summed into each channel, when the scans behind
// them ran, how many sweeps were asked for and made, how they ended, and the unit they ran on. The
// engine feeds it through the hooks below; the scan window keeps one for the program's life beside its
// counts (they outlive the window), a command-line scan one per run. Both files come from here, so the
// window's files and the command line's agree for the same scan.
#pragma once

#include "ScanRecord.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <QList>

#include <array>
#include <optional>

namespace scan {

constexpr int COUNTS_SIZE = 513;                  // plot points 0..512: up to 512 channels plus the end point
using Counts = std::array<qint32, COUNTS_SIZE>;   // channel sums
using Readings = std::array<qint32, COUNTS_SIZE>; // readings summed per channel

// The unit and its settings when a scan starts, as the record carries them.
struct UnitDescription {
    QString product;
    QString manufacturer;
    QString serialNumber;
    QString firmware;
    QString highVoltageText;                // volts as shown
    std::optional<qint32> highVoltageCount; // the unit's HV count
    qint32 coarseGainIndex = 0;
    qint32 fineGain = 0;
    bool simulated = false; // the bundled simulated detector, not real hardware
};

class ScanRecorder {
public:
    // A scan begins. It continues the record of the counts on screen unless they are empty or were
    // measured with another layout; then the record starts afresh.
    void scanStarted(qint32 channels, qint32 maxLevel, qint16 sweeps, const Counts& counts,
                     const UnitDescription& unit, const QDateTime& now);
    void readingAdded(qint32 channel);
    void sweepCompleted();
    // The counts were zeroed. A running scan starts its current sweep `sweep` (of `sweeps`) again: only
    // what it measures from now on counts.
    void countsCleared(bool running, qint16 sweep, qint16 sweeps, const QDateTime& now);
    void scanEnded(bool complete, const QDateTime& now);
    // A device call failed in a way that makes the counts doubtful: a channel's window could not be
    // set (`channel` >= 0), or the whole scan is affected (`channel` < 0: integral mode left on, the
    // level count unknown). The record says what failed and how often, and is then not trustworthy.
    void deviceFailure(const QString& text, qint32 channel);

    bool running() const { return runStart_.isValid(); }
    bool hasReadings() const;
    const Readings& readings() const { return readings_; }
    qint32 sweepsCompleted() const { return sweepsCompleted_; }
    QDateTime startTime() const { return startTime_; } // UTC, first scan since the counts were empty
    QDateTime endTime() const { return endTime_; }     // UTC, end of the last scan; invalid while none ended
    // The layout of the recorded counts: channels and highest level; 0 before any scan.
    qint32 channels() const { return channels_; }
    qint32 maxLevel() const { return maxLevel_; }

    // The counts as a record: each point with its window, readings, sweeps, times, state (Running while
    // a scan goes on, up to `now`) and unit. The layout is the recorded one; before any reading it is
    // `channels` over `maxLevel`. The user's window and the program are the caller's to add.
    spectrum::ScanRecord record(const Counts& counts, const QDateTime& now, qint32 channels,
                                qint32 maxLevel) const;

private:
    Readings readings_{};
    qint32 channels_ = 0;
    qint32 maxLevel_ = 0;
    QDateTime startTime_;
    QDateTime endTime_;
    QDateTime runStart_;    // start of the scan running now; invalid when none runs
    qint64 realTimeMs_ = 0; // wall-clock time of the finished scans
    qint32 sweepsRequested_ = 0;
    qint32 sweepsCompleted_ = 0;
    spectrum::ScanState state_ = spectrum::ScanState::Complete;
    UnitDescription unit_;
    struct Failure {
        QString text;
        QList<qint32> channels; // sorted, each once; empty for a failure of the whole scan
    };
    QList<Failure> failures_;
};

} // namespace scan
