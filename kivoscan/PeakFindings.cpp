#include "PeakFindings.h"

#include "CalibrationModel.h"
#include "SpectrumAnalysis.h"

namespace kivoscan {

namespace {

// Command-line output reads alike in every locale.
QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString percentOf(qint32 level, qint32 maxLevel) {
    return fixed(100.0 * level / qMax(1, maxLevel), 2);
}

} // namespace

PeakFindings findPeaks(const spectrum::ScanRecord& record, std::optional<double> calibrateKeV) {
    PeakFindings f;
    f.analysis = analysis::findPeaks(record);
    if (!calibrateKeV)
        return f;
    const analysis::Peak* peak = analysis::strongestPeak(f.analysis);
    if (!peak) {
        // The analysis's own reason first, when it could not run at all.
        f.noCalibration = (f.analysis.message.isEmpty() ? QString() : f.analysis.message + u' ') +
                          QStringLiteral("No peak was found to calibrate on: the outputs carry no energy "
                                         "calibration.");
        return f;
    }
    const analysis::CalibrationResult result = analysis::calibrate({{peak->centroidLevel, *calibrateKeV}});
    if (!result.calibration) {
        f.noCalibration = QStringLiteral("No energy calibration: %1").arg(result.error);
        return f;
    }
    f.calibration = result.calibration;
    analysis::setEnergies(f.analysis, f.calibration);
    return f;
}

std::optional<analysis::PeakWindow> windowOnStrongest(const analysis::Analysis& analysis, qint32 maxLevel,
                                                      double k, QString* why) {
    const analysis::Peak* peak = analysis::strongestPeak(analysis);
    if (!peak) {
        *why = QStringLiteral("no peak was found");
        return std::nullopt;
    }
    const auto window = analysis::windowOnPeak(*peak, maxLevel, k);
    if (!window)
        *why = QStringLiteral("the peak has no position and width to set a window by");
    return window;
}

QString calibrationText(const PeakFindings& findings) {
    const analysis::Peak* peak = analysis::strongestPeak(findings.analysis);
    if (!findings.calibration || !peak)
        return {};
    return QStringLiteral("Energy calibration: %1 keV at level %2 (%3 % of full scale), %4 keV per level.")
        .arg(fixed(peak->energyKeV.value_or(0), 1), fixed(peak->centroidLevel, 1),
             fixed(peak->centroidPercent, 2), fixed(findings.calibration->slopeKeVPerLevel, 4));
}

QString windowText(const analysis::PeakWindow& window, qint32 maxLevel) {
    return QStringLiteral("The unit's window is left on the photopeak: LLD %1, ULD %2 (%3 % to %4 %), integral "
                          "mode off; its permanent memory is unchanged.")
        .arg(window.lld)
        .arg(window.uld)
        .arg(percentOf(window.lld, maxLevel), percentOf(window.uld, maxLevel));
}

} // namespace kivoscan
