// What the analysis of a spectrum gives: its peaks, each with position, width, areas and their
// uncertainties, and how each was obtained.
//
// Positions and widths are in discriminator levels on the pulse-amplitude scale: a channel window
// LLD..ULD passes the amplitudes from LLD up to ULD + 1. Areas are in the spectrum's own counts (the
// sums the points show); the peak rate is the pulses per second the whole peak holds.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace analysis {

// FWHM of a Gaussian in units of its sigma: 2 sqrt(2 ln 2).
constexpr double FWHM_PER_SIGMA = 2.3548200450309493;

// How a peak's figures were obtained.
enum class PeakMethod {
    Fit,            // least-squares fit of peak and background over the points' own windows
    MomentEstimate, // the fit failed or the region is too small: moments above a straight background
};

struct Peak {
    double centroidLevel = 0;      // pulse amplitude at the peak's centre, in levels
    double centroidSigmaLevel = 0; // one-sigma uncertainty of the centroid
    double centroidPercent = 0;    // centroid in percent of full scale
    double fwhmLevels = 0;         // the detector's own FWHM: the channel windows' width removed
    double fwhmSigmaLevels = 0;    // one-sigma uncertainty of the FWHM
    double apparentFwhmLevels = 0; // the FWHM the points show, the windows' width included
    double resolutionPercent = 0;  // FWHM in percent of the centroid

    double grossCounts = 0;      // counts of the points in the peak's region
    double netCounts = 0;        // the peak's counts in that region, the background under it removed
    double netCountsSigma = 0;   // one-sigma uncertainty of netCounts
    double backgroundCounts = 0; // the background's counts in that region
    double peakRate = 0;         // pulses per second in the whole peak
    double peakRateSigma = 0;

    qint32 firstPoint = 0; // the region the areas are summed over: record point indices, inclusive
    qint32 lastPoint = 0;

    PeakMethod method = PeakMethod::Fit;
    bool nearEdge = false;      // the peak reaches beyond the measured range: its figures are uncertain
    bool userRegion = false;    // analysed in a region the user chose, not found by the search
    double significance = 0;    // net area in units of its uncertainty
    double chiSquarePerDof = 0; // goodness of the fit (1 for a fit within counting statistics)

    // Filled when the record has an energy calibration.
    std::optional<double> energyKeV{};
    std::optional<double> fwhmKeV{};
};

struct Analysis {
    QList<Peak> peaks;               // in order of centroid
    bool windowWidthRemoved = false; // the FWHMs are the detector's own, the windows' width removed
    double fullScaleLevel = 0;       // the level that is 100 % of full scale
    QString message;                 // why nothing could be analysed; empty when the analysis ran
};

// The peak with the most pulses per second (what "--calibrate" and "Set Window on Peak" take when the
// user names none), or nullptr when there is none.
const Peak* strongestPeak(const Analysis& analysis);

// The short text that goes with every shown FWHM or resolution.
QString resolutionNote();
// "fit" or "moment estimate".
QString methodText(PeakMethod method);
// The peak's flags for a table: how it was obtained when not by a fit, near the edge, user region.
QString flagsText(const Peak& peak);

} // namespace analysis
