// Writes what a scan produced, one OUTPUT at a time, by its extension: the spectrum files, the plot as
// an image, the report with its images beside it, the report as PDF. Each write either completes or
// leaves nothing of its own behind, and says why.
#pragma once

#include "Options.h"
#include "ScanRecord.h"
#include "SpectrumFile.h"

#include <QString>

namespace cli {
class DeviceSession;
}

namespace kivoscan {

using cli::DeviceSession;
class ScanRun;
struct PeakFindings;

// The scan with the unit's identity and settings, as the spectrum files carry it, before any analysis.
spectrum::ScanRecord scanRecord(const DeviceSession& session, const ScanRun& run);

class Outputs {
public:
    // `findings` (may be null: nothing analysed) add the calibration to every output, the peaks to the
    // .json and, when options asked for peaks, their table to the report.
    Outputs(const DeviceSession& session, const ScanRun& run, const Options& options,
            const PeakFindings* findings);

    // Empty when `output` was written, otherwise a sentence that names the file and the reason.
    QString write(const Output& output) const;

    // The scan with the unit's identity and settings and the calibration, as the files carry it.
    spectrum::ScanRecord record() const;

private:
    QString writeSpectrum(const QString& path, spectrum::Format format) const;
    QString writeJson(const QString& path) const;
    QString writeImage(const QString& path) const;
    QString writeReport(const QString& path) const;
    QString writePdf(const QString& path) const;

    const DeviceSession& session_;
    const ScanRun& run_;
    const Options& options_;
    const PeakFindings* findings_;
};

} // namespace kivoscan
