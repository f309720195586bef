// The energy spectrum a NaI(Tl) scintillator records from a Cs-137 check source on a laboratory bench:
// the 662 keV photopeak, the Compton continuum up to its edge at 477 keV, multiple-scatter events between
// edge and peak, the backscatter peak at 184 keV, the 32 keV Ba K X-ray line and room background
// (a falling continuum and the 1461 keV K-40 line). Every feature is broadened by the detector's
// resolution, about 7 % FWHM at 662 keV and growing as 1/sqrt(E) towards low energies.
#pragma once

#include <vector>

namespace kivo::sim {

constexpr double CS137_GAMMA_KEV = 661.657;
constexpr double ELECTRON_MASS_KEV = 510.999;

class CheckSource {
public:
    // The one spectrum the simulated unit sees (built on first use, then shared read-only).
    static const CheckSource& checkSource();

    // Pulses per second whose recorded energy is at least `keV`.
    double rateAbove(double keV) const;
    // Pulses per second of every energy.
    double totalRate() const { return rateAbove(-1e9); }

    // Standard deviation of the recorded energy of a `keV` deposit.
    static double resolutionSigma(double keV);
    // Compton edge and backscatter peak energies for a gamma ray of `keV`.
    static double comptonEdge(double keV);
    static double backscatterEnergy(double keV);

private:
    CheckSource();

    struct Line {
        double energy; // keV
        double rate;   // pulses per second
        double sigma;  // keV
    };
    std::vector<Line> lines_;
    // Broadened continuum: rate above gridStart_ + i * gridStep_.
    std::vector<double> continuumAbove_;
    double continuumTotal_ = 0.0;
};

} // namespace kivo::sim
