#include "SpectrumAnalysis.h"

#include "CalibrationModel.h"
#include "PeakFit.h"
#include "PeakSearch.h"
#include "SpectrumPoints.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace analysis {

namespace {

constexpr double FIT_REACH = 4.0;  // a found peak is fitted over its centroid +/- 4 apparent sigmas
constexpr double AREA_REACH = 3.0; // and its areas summed over +/- 3
constexpr qsizetype MIN_FIT_POINTS = 9;
constexpr qsizetype MIN_REGION_POINTS = 3;
constexpr double STEP_CHI_SQUARE = 4.0;
// Candidates are taken from this share of the threshold up: a peak's fitted significance may exceed
// the search filter's, which smooths with a kernel of the wrong width.
constexpr double CANDIDATE_SHARE = 0.6;
// A continuum edge (the Compton edge) is a hump followed by a fall larger than the hump: its fit puts
// a step under the "peak" higher than the peak, and the continuum beside it falls by about as much.
// The sum of the two, relative to the peak's height, is about 2 at a Compton edge (1.2 at the least in
// the simulated detector's spectra), below 0.3 at a photopeak and mostly below 0.8 at a peak on a
// curved continuum (the backscatter peak).
constexpr double MAX_EDGE_SCORE = 1.0;
// Moments have no model to tell a peak from a wiggle of the continuum: a candidate that only they
// measure (its fit failed) must stand out further to count as found.
constexpr double MOMENT_THRESHOLD_FACTOR = 1.5;
// A peak narrower than this many point spacings (as the points show it) is one or two high points:
// counting noise. A real line that narrow (more channels would resolve it) is still analysed as a region.
constexpr double MIN_APPARENT_FWHM_SPACINGS = 1.2;

// The points whose centres lie within centre +/- reach, grown on both sides to at least `minPoints`.
PointRange rangeAround(const QList<SpectrumPoint>& points, double centre, double reach, qsizetype minPoints) {
    PointRange r{firstAtOrAbove(points, centre - reach),
                 firstAtOrAbove(points, std::nextafter(centre + reach, HUGE_VAL))};
    while (r.size() < minPoints && (r.first > 0 || r.last < points.size())) {
        if (r.first > 0)
            --r.first;
        if (r.size() < minPoints && r.last < points.size())
            ++r.last;
    }
    return r;
}

// A peak whose apparent +/- 3 sigmas reach beyond the measured windows.
void markEdge(Peak& peak, const SpectrumPoints& spectrum) {
    const double reach = 3.0 * peak.apparentFwhmLevels / FWHM_PER_SIGMA;
    peak.nearEdge = peak.centroidLevel - reach < spectrum.points.first().low ||
                    peak.centroidLevel + reach > spectrum.points.last().high;
}

// The fall of the continuum across a peak relative to the peak's height (both per level): the mean
// density 3 to 6 apparent sigmas below the centroid less that 3 to 6 above. A continuum edge (the
// Compton edge) falls by more than its hump stands out; a photopeak's background by a few % of its
// height. 0 when a side has no measured point.
double fallToHeight(const QList<SpectrumPoint>& points, const Peak& peak) {
    const double sigma = peak.apparentFwhmLevels / FWHM_PER_SIGMA;
    const auto density = [&](double from, double to) {
        const PointRange r{firstAtOrAbove(points, from), firstAtOrAbove(points, to)};
        double sum = 0;
        for (qsizetype i = r.first; i < r.last; ++i)
            sum += points[i].rate() / points[i].width();
        return r.size() > 0 ? std::optional(sum / double(r.size())) : std::nullopt;
    };
    const std::optional<double> below =
        density(peak.centroidLevel - 6 * sigma, peak.centroidLevel - 3 * sigma);
    const std::optional<double> above =
        density(peak.centroidLevel + 3 * sigma, peak.centroidLevel + 6 * sigma);
    const double height = peak.peakRate / (sigma * std::sqrt(2.0 * std::numbers::pi));
    return below && above && height > 0 ? (*below - *above) / height : 0;
}

struct Found {
    Peak peak;
    double stepToHeight = 0;
};

// Fits a candidate twice, the second time over the region its first fit gives; a moment estimate
// over the last region when no fit converges.
std::optional<Found> examine(const SpectrumPoints& spectrum, const Candidate& candidate) {
    const QList<SpectrumPoint>& points = spectrum.points;
    const double width = meanWidth(points, {0, points.size()});
    const double boxVariance = width * width / 12.0;
    PeakGuess guess{candidate.centroid,
                    std::sqrt(std::max(candidate.apparentSigma * candidate.apparentSigma - boxVariance,
                                       0.0625 * width * width))};
    std::optional<PeakFit> fit;
    // A second fit over the region the first one gives, unless it hardly moved from the guess.
    for (int pass = 0; pass < 2; ++pass) {
        const double apparent = std::sqrt(guess.sigma * guess.sigma + boxVariance);
        const PointRange region = rangeAround(points, guess.centroid, FIT_REACH * apparent, MIN_FIT_POINTS);
        std::optional<PeakFit> f = PeakFit::fit(points, region, guess);
        if (!f)
            break;
        fit = f;
        const bool settled = std::abs(f->centroid() - guess.centroid) < 0.5 * guess.sigma &&
                             std::abs(std::log(f->sigma() / guess.sigma)) < 0.25;
        guess = {f->centroid(), f->sigma()};
        if (settled)
            break;
    }
    if (fit) {
        const double apparent = std::sqrt(guess.sigma * guess.sigma + boxVariance);
        const PointRange area = rangeAround(points, guess.centroid, AREA_REACH * apparent, 1);
        return Found{fit->peak(spectrum, area), fit->stepToHeight()};
    }
    const double apparent = std::sqrt(guess.sigma * guess.sigma + boxVariance);
    double stepToHeight = 0;
    if (std::optional<Peak> moment = momentEstimate(
            spectrum, rangeAround(points, candidate.centroid, FIT_REACH * apparent, MIN_FIT_POINTS),
            &stepToHeight))
        return Found{*moment, stepToHeight};
    return std::nullopt;
}

Analysis started(const SpectrumPoints& spectrum) {
    Analysis a;
    a.fullScaleLevel = spectrum.fullScaleLevel;
    a.message = spectrum.problem;
    a.windowWidthRemoved = spectrum.problem.isEmpty();
    return a;
}

} // namespace

Analysis findPeaks(const spectrum::ScanRecord& record, const SearchOptions& options) {
    const SpectrumPoints spectrum = pointsOf(record);
    Analysis a = started(spectrum);
    if (!spectrum.problem.isEmpty())
        return a;
    const QList<SpectrumPoint>& points = spectrum.points;
    const double spacing =
        points.size() > 1 ? (points.last().centre() - points.first().centre()) / double(points.size() - 1)
                          : 1.0;
    // Strongest candidates first. Several candidates lie on one feature (a peak's top and flanks at
    // narrower widths): one inside a feature already fitted, peak or not, is not fitted again.
    QList<Candidate> candidates = searchCandidates(points, CANDIDATE_SHARE * options.threshold);
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& x, const Candidate& y) { return x.score > y.score; });
    const auto within = [](auto& peaks, double level) {
        return std::find_if(peaks.begin(), peaks.end(), [&](const Peak& q) {
            return std::abs(q.centroidLevel - level) < q.apparentFwhmLevels;
        });
    };
    const auto isPeak = [&](const Found& found) {
        const Peak& p = found.peak;
        const double needed =
            p.method == PeakMethod::Fit ? options.threshold : MOMENT_THRESHOLD_FACTOR * options.threshold;
        return p.significance >= needed && found.stepToHeight + fallToHeight(points, p) <= MAX_EDGE_SCORE &&
               p.apparentFwhmLevels >= MIN_APPARENT_FWHM_SPACINGS * spacing &&
               p.centroidLevel >= points.first().low && p.centroidLevel <= points.last().high;
    };
    QList<Peak> rejected;
    for (const Candidate& c : candidates) {
        if (within(a.peaks, c.centroid) != a.peaks.end() || within(rejected, c.centroid) != rejected.end())
            continue;
        const std::optional<Found> found = examine(spectrum, c);
        if (!found)
            continue;
        if (!isPeak(*found)) {
            rejected << found->peak;
            continue;
        }
        const auto same = within(a.peaks, found->peak.centroidLevel);
        if (same == a.peaks.end())
            a.peaks << found->peak;
        else if (found->peak.significance > same->significance)
            *same = found->peak;
    }
    std::sort(a.peaks.begin(), a.peaks.end(),
              [](const Peak& x, const Peak& y) { return x.centroidLevel < y.centroidLevel; });
    for (Peak& p : a.peaks)
        markEdge(p, spectrum);
    setEnergies(a, record.energyCalibration);
    return a;
}

Analysis analyseRegion(const spectrum::ScanRecord& record, qint32 firstPoint, qint32 lastPoint) {
    const SpectrumPoints spectrum = pointsOf(record);
    Analysis a = started(spectrum);
    if (!spectrum.problem.isEmpty())
        return a;
    const QList<SpectrumPoint>& points = spectrum.points;
    const qint32 lo = std::min(firstPoint, lastPoint);
    const qint32 hi = std::max(firstPoint, lastPoint);
    PointRange range{points.size(), 0};
    for (qsizetype i = 0; i < points.size(); ++i)
        if (points[i].index >= lo && points[i].index <= hi) {
            range.first = std::min(range.first, i);
            range.last = i + 1;
        }
    if (range.size() < MIN_REGION_POINTS) {
        a.message =
            QStringLiteral("The region holds too few measured channels to analyse (at least %1 are needed).")
                .arg(MIN_REGION_POINTS);
        return a;
    }
    // A straight background first, started from the search's strongest response inside the region,
    // from the region's moments and from its middle: the start that fits best wins. Then the step under
    // the peak from there, kept when it fits clearly better (by a chi-square of 4, two sigmas for its
    // one parameter). Under a weak peak the step's free width can take the shape of the peak itself:
    // its fit slides to a broad step and no peak at all.
    const std::optional<Peak> moment = momentEstimate(spectrum, range);
    const double width = meanWidth(points, range);
    const double span = points[range.last - 1].high - points[range.first].low;
    QList<PeakGuess> guesses;
    const QList<SpectrumPoint> inside(points.begin() + range.first, points.begin() + range.last);
    const QList<Candidate> found = searchCandidates(inside, 0.0);
    if (!found.isEmpty()) {
        const Candidate& best =
            *std::max_element(found.begin(), found.end(),
                              [](const Candidate& x, const Candidate& y) { return x.score < y.score; });
        guesses << PeakGuess{best.centroid, std::max(best.apparentSigma, 0.25 * width)};
    }
    if (moment)
        guesses << PeakGuess{moment->centroidLevel,
                             std::max(moment->fwhmLevels / FWHM_PER_SIGMA, 0.25 * width)};
    guesses << PeakGuess{points[range.first].low + 0.5 * span, std::max(span / 10.0, 0.25 * width)};
    std::optional<PeakFit> fit;
    for (const PeakGuess& guess : guesses) {
        std::optional<PeakFit> f = PeakFit::fit(points, range, guess, false);
        if (f && (!fit || f->chiSquarePerDof() < fit->chiSquarePerDof()))
            fit = f;
    }
    if (fit)
        if (std::optional<PeakFit> stepped = PeakFit::fit(points, range, {fit->centroid(), fit->sigma()});
            stepped && fit->chiSquare() - stepped->chiSquare() >= STEP_CHI_SQUARE)
            fit = stepped;
    const std::optional<Peak> peak = fit ? std::optional(fit->peak(spectrum, range)) : moment;
    if (!peak) {
        a.message = QStringLiteral("No counts stand above the background in this region.");
        return a;
    }
    a.peaks << *peak;
    a.peaks.first().userRegion = true;
    markEdge(a.peaks.first(), spectrum);
    setEnergies(a, record.energyCalibration);
    return a;
}

} // namespace analysis
