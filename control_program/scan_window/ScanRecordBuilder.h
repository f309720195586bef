// What the program knows about the spectrum in scanCounts beyond the counts: how many readings each
// channel summed, when the scans that filled it ran, how many sweeps they made and the device's
// settings when they started. Kept program-wide like the counts, so a spectrum that reappears when
// the scan window is opened again can still be saved in full. Turned into a spectrum-file record on
// demand.
#pragma once

#include "Globals.h"
#include "ScanRecord.h"

#include <QDateTime>

#include <array>
#include <optional>

class TopLevel;

namespace scanfiles {

// The device and its settings when a scan started.
struct ScanSettings {
    QString product;
    QString serialNumber;
    QString firmware;
    QString highVoltageText;
    std::optional<qint32> highVoltageCount;
    qint32 coarseGainIndex = 0;
    qint32 fineGain = 0;
};

// Reads them from the main window's controls and the program-wide identity.
ScanSettings currentSettings(const TopLevel& main);

struct ScanSession {
    std::array<qint32, globals::SCAN_COUNTS_SIZE> readings{}; // readings summed into each entry
    qint32 channels = 0;                                      // channel count of the scans
    QDateTime startTime;                                      // UTC, first scan since the counts were empty
    QDateTime endTime;                                        // UTC, end of the last scan
    QDateTime runStart;                                       // UTC, start of the scan running now
    qint64 realTimeMs = 0;                                    // wall-clock time of the finished scans
    qint32 sweepsRequested = 0;
    qint32 sweepsCompleted = 0;
    qint32 sweepsBefore = 0; // sweeps of the running scan made before a Clear emptied the counts
    spectrum::ScanState state = spectrum::ScanState::Complete;
    ScanSettings settings;
    std::optional<qint32> levelCount; // maxLevel + 1 when the scans ran

    bool hasReadings() const;
};

// The program's one session, beside globals::scanCounts.
ScanSession& session();

// The spectrum on screen as a record: the first `channels` + 1 counts, each point's window, readings,
// times and settings. `running` marks a scan still going (its time counts up to `now`).
struct ScreenState {
    qint32 channels = 128;
    qint32 maxLevel = 2047;
    qint32 userLLD = 0;
    qint32 userULD = 0;
    bool userIntegralMode = false;
    bool running = false;
};
spectrum::ScanRecord buildRecord(const ScanSession& session,
                                 const std::array<qint32, globals::SCAN_COUNTS_SIZE>& counts,
                                 const ScreenState& screen, const QDateTime& now);

} // namespace scanfiles
