// What kivoscan makes of a measured spectrum when asked: its peaks, an energy calibration that gives
// the strongest of them a known energy, and the window on that peak that may be left on the unit. A
// step that gives nothing says why in a sentence for the user.
#pragma once

#include "Peak.h"
#include "PeakWindow.h"
#include "ScanRecord.h"

#include <QString>

#include <optional>

namespace kivoscan {

struct PeakFindings {
    analysis::Analysis analysis; // the peaks, with their energies when calibrated
    std::optional<spectrum::EnergyCalibration> calibration;
    QString noCalibration; // why a calibration asked for was not made
};

// The peaks of `record`; with `calibrateKeV`, the one-point proportional calibration that gives the
// strongest peak that energy.
PeakFindings findPeaks(const spectrum::ScanRecord& record, std::optional<double> calibrateKeV);

// The window centroid -/+ k x FWHM on the strongest peak, within 0..maxLevel; or nothing, and `why`.
std::optional<analysis::PeakWindow> windowOnStrongest(const analysis::Analysis& analysis, qint32 maxLevel,
                                                      double k, QString* why);

// "Energy calibration: 661.7 keV at level 1023.9 (50.02 % of full scale), 0.6463 keV per level."
QString calibrationText(const PeakFindings& findings);
// "The unit's window is left on the photopeak: LLD 912, ULD 1140 (44.55 % to 55.69 %), integral mode
// off; its permanent memory is unchanged."
QString windowText(const analysis::PeakWindow& window, qint32 maxLevel);

} // namespace kivoscan
