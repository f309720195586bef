// What the command line asks of the spectrum's peaks, carried out around one scan: the window left on
// the unit as the scan ends, then the table and the calibration printed as the command's result. The
// peaks are found once, when first needed.
#pragma once

#include "Options.h"
#include "PeakFindings.h"

#include <optional>

namespace cli {
class DeviceSession;
class Progress;
} // namespace cli

namespace kivoscan {

class ScanRun;

class PeakRequests {
public:
    PeakRequests(const Options& options, const cli::DeviceSession& session, const ScanRun& run,
                 cli::Progress& progress);

    // The scan's end (ScanRun::setWindowChoice): with --window-on-peak the window on the strongest
    // peak of a complete, trustworthy scan; otherwise nothing, and the user is told why.
    std::optional<spectrum::LevelWindow> chooseWindow(bool complete);
    // After the scan: what became of the window, the peak table and the calibration. Results go to
    // stdout (also when quiet), problems to the progress messages.
    void tell();

    // Null when nothing was analysed.
    const PeakFindings* findings() const { return findings_ ? &*findings_ : nullptr; }
    // A peak was asked for (--calibrate, --window-on-peak) and the spectrum has none.
    bool peakMissing() const { return peakMissing_; }

private:
    const PeakFindings& analyse();

    const Options& options_;
    const cli::DeviceSession& session_;
    const ScanRun& run_;
    cli::Progress& progress_;
    std::optional<PeakFindings> findings_;
    std::optional<analysis::PeakWindow> window_;
    bool peakMissing_ = false;
};

} // namespace kivoscan
