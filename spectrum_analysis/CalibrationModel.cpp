#include "CalibrationModel.h"

#include <gsl/gsl_fit.h>

#include <algorithm>
#include <cmath>

namespace analysis {

QString KnownLine::label() const {
    return QStringLiteral("%1 %2 keV").arg(nuclide, QString::number(keV, 'f', 1));
}

const QList<KnownLine>& knownLines() {
    static const QList<KnownLine> lines{
        {QStringLiteral("Cs-137"), 661.7}, {QStringLiteral("Co-60"), 1173.2},
        {QStringLiteral("Co-60"), 1332.5}, {QStringLiteral("Na-22"), 511.0},
        {QStringLiteral("Na-22"), 1274.5}, {QStringLiteral("Am-241"), 59.5},
        {QStringLiteral("Ba-133"), 356.0}, {QStringLiteral("K-40"), 1460.8},
    };
    return lines;
}

CalibrationResult calibrate(const QList<CalibrationPoint>& points) {
    CalibrationResult r;
    if (points.isEmpty()) {
        r.error = QStringLiteral("Choose a peak and the energy of its line.");
        return r;
    }
    for (const CalibrationPoint& p : points) {
        if (!std::isfinite(p.keV) || p.keV <= 0) {
            r.error = QStringLiteral("A line's energy must be above 0 keV.");
            return r;
        }
        if (!std::isfinite(p.level)) {
            r.error = QStringLiteral("A peak has no position to calibrate with.");
            return r;
        }
    }
    spectrum::EnergyCalibration c;
    if (points.size() == 1) {
        if (points.first().level <= 0) {
            r.error = QStringLiteral("The peak must lie above level 0.");
            return r;
        }
        c.slopeKeVPerLevel = points.first().keV / points.first().level;
    } else {
        const auto [lo, hi] = std::minmax_element(points.begin(), points.end(),
                                                  [](auto a, auto b) { return a.level < b.level; });
        if (hi->level - lo->level <= 1e-9 * std::max(1.0, std::abs(hi->level))) {
            r.error = QStringLiteral("The peaks must lie at different levels.");
            return r;
        }
        QList<double> x, y;
        for (const CalibrationPoint& p : points) {
            x << p.level;
            y << p.keV;
        }
        // GSL's straight-line least squares: exact through two points, the best line through more.
        double cov00 = 0, cov01 = 0, cov11 = 0, sumsq = 0;
        gsl_fit_linear(x.constData(), 1, y.constData(), 1, size_t(x.size()), &c.offsetKeV,
                       &c.slopeKeVPerLevel, &cov00, &cov01, &cov11, &sumsq);
    }
    if (!(c.slopeKeVPerLevel > 0) || !std::isfinite(c.offsetKeV) || !std::isfinite(c.slopeKeVPerLevel)) {
        r.error =
            QStringLiteral("The energies must rise with the level: check which line belongs to which peak.");
        return r;
    }
    r.calibration = c;
    return r;
}

void setEnergies(Analysis& analysis, const std::optional<spectrum::EnergyCalibration>& calibration) {
    for (Peak& p : analysis.peaks) {
        if (calibration) {
            p.energyKeV = calibration->energyOfLevel(p.centroidLevel);
            p.fwhmKeV = calibration->slopeKeVPerLevel * p.fwhmLevels;
        } else {
            p.energyKeV.reset();
            p.fwhmKeV.reset();
        }
    }
}

} // namespace analysis
