// The energy axis from peaks of known energy: one peak gives a proportional calibration (0 keV at
// level 0), two or more a straight line; and the gamma lines a user usually calibrates with.
#pragma once

#include "Peak.h"
#include "ScanRecord.h"

#include <QList>
#include <QString>

#include <optional>

namespace analysis {

struct KnownLine {
    QString nuclide; // "Cs-137"
    double keV = 0;
    QString label() const; // "Cs-137 661.7 keV"
};

// Cs-137 661.7, Co-60 1173.2 and 1332.5, Na-22 511.0 and 1274.5, Am-241 59.5, Ba-133 356.0,
// K-40 1460.8 keV, in this order.
const QList<KnownLine>& knownLines();

// A peak's centroid (level) and the energy the user gives it.
struct CalibrationPoint {
    double level = 0;
    double keV = 0;
};

struct CalibrationResult {
    std::optional<spectrum::EnergyCalibration> calibration;
    QString error; // why there is none: a sentence for the user
};

// One point: offset 0 and the slope through it. Two or more: the least-squares line through them
// (exact for two). Energies must be positive and rise with the level.
CalibrationResult calibrate(const QList<CalibrationPoint>& points);

// Fills (or, without a calibration, clears) each peak's energy and FWHM in keV.
void setEnergies(Analysis& analysis, const std::optional<spectrum::EnergyCalibration>& calibration);

} // namespace analysis
