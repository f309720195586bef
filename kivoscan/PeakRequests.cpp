#include "PeakRequests.h"

#include "DeviceSession.h"
#include "Outputs.h"
#include "PeakReport.h"
#include "Progress.h"
#include "ScanRun.h"

#include <cstdio>

namespace kivoscan {

namespace {

void printResult(const QString& text) {
    std::fputs(qPrintable(text), stdout);
    if (!text.endsWith(u'\n'))
        std::fputc('\n', stdout);
}

} // namespace

PeakRequests::PeakRequests(const Options& options, const cli::DeviceSession& session, const ScanRun& run,
                           cli::Progress& progress)
    : options_(options), session_(session), run_(run), progress_(progress) {}

const PeakFindings& PeakRequests::analyse() {
    if (!findings_)
        findings_ = findPeaks(scanRecord(session_, run_), options_.calibrateKeV);
    return *findings_;
}

std::optional<spectrum::LevelWindow> PeakRequests::chooseWindow(bool complete) {
    if (!options_.windowOnPeakFwhms)
        return std::nullopt;
    QString why;
    // A stopped scan or a doubtful spectrum leaves the unit as the user had it.
    if (run_.deviceFailed())
        why = QStringLiteral("a device call failed during the scan");
    else if (!complete)
        why = QStringLiteral("the scan was stopped");
    else
        window_ = windowOnStrongest(analyse().analysis, session_.identity().maxLevel,
                                    *options_.windowOnPeakFwhms, &why);
    if (!window_) {
        peakMissing_ = complete && !run_.deviceFailed();
        progress_.message(
            QStringLiteral("The window is not left on the photopeak: %1; the user's window goes back.").arg(why));
        return std::nullopt;
    }
    return spectrum::LevelWindow{window_->lld, window_->uld};
}

void PeakRequests::tell() {
    if (window_) {
        if (run_.engine().windowLeft())
            printResult(windowText(*window_, session_.identity().maxLevel));
        else // the engine told which write failed, and wrote the user's window back
            progress_.message(QStringLiteral("The unit's window was not left on the photopeak: it could not be set."));
    }
    if (!options_.needsAnalysis())
        return;
    const PeakFindings& f = analyse();
    if (options_.analyse)
        printResult(analysis::peakTableText(f.analysis));
    if (f.calibration) {
        printResult(calibrationText(f));
    } else if (options_.calibrateKeV) {
        progress_.message(f.noCalibration);
        peakMissing_ = true;
    }
}

} // namespace kivoscan
