#include "PeakSearch.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace analysis {

namespace {

// Kernel widths tried on each halving of the spectrum, in its points: with the halvings, a ladder of
// widths a factor sqrt 2 apart from 1.4 points up.
constexpr double WIDTHS[] = {1.41421356, 2.0};
constexpr double KERNEL_REACH = 3.0; // kernel half-length in widths
// The kernel responds most, relative to its noise, to a Gaussian whose sigma is its width / sqrt 5.
const double WIDTH_PER_SIGMA = std::sqrt(5.0);

struct Series {
    std::vector<double> x, y, variance;
    size_t size() const { return x.size(); }
};

Series halved(const Series& s) {
    Series h;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        h.x.push_back(0.5 * (s.x[i] + s.x[i + 1]));
        h.y.push_back(0.5 * (s.y[i] + s.y[i + 1]));
        h.variance.push_back(0.25 * (s.variance[i] + s.variance[i + 1]));
    }
    return h;
}

// The kernel at offsets lo..hi of its full length, made blind again to a constant and a straight line
// over what is left of it (the least-squares line through its values taken off): near the ends of the
// spectrum only part of it lies on measured points.
std::vector<double> cutKernel(const std::vector<double>& kernel, ptrdiff_t reach, ptrdiff_t lo,
                              ptrdiff_t hi) {
    std::vector<double> c(kernel.begin() + (lo + reach), kernel.begin() + (hi + reach + 1));
    double m0 = 0, m1 = 0, m2 = 0, s0 = 0, s1 = 0;
    for (ptrdiff_t j = lo; j <= hi; ++j) {
        const double v = c[size_t(j - lo)];
        m0 += 1;
        m1 += double(j);
        m2 += double(j) * double(j);
        s0 += v;
        s1 += v * double(j);
    }
    const double det = m0 * m2 - m1 * m1;
    const double a = det > 0 ? (s0 * m2 - s1 * m1) / det : s0 / m0;
    const double b = det > 0 ? (s1 * m0 - s0 * m1) / det : 0;
    for (ptrdiff_t j = lo; j <= hi; ++j)
        c[size_t(j - lo)] -= a + b * double(j);
    return c;
}

void scan(const Series& s, double width, double minScore, QList<Candidate>& out) {
    const auto reach = static_cast<ptrdiff_t>(std::ceil(KERNEL_REACH * width));
    const auto n = static_cast<ptrdiff_t>(s.size());
    std::vector<double> kernel(size_t(2 * reach + 1));
    for (ptrdiff_t j = -reach; j <= reach; ++j) {
        const double u = double(j) / width;
        kernel[size_t(j + reach)] = (1.0 - u * u) * std::exp(-0.5 * u * u);
    }
    kernel = cutKernel(kernel, reach, -reach, reach);
    // At least half the kernel on measured points, so a peak cut by the end of the range is still seen;
    // a position with less is no candidate at any score.
    std::vector<double> score(s.size(), -HUGE_VAL);
    for (ptrdiff_t i = 0; i < n; ++i) {
        const ptrdiff_t lo = std::max(-reach, -i);
        const ptrdiff_t hi = std::min(reach, n - 1 - i);
        if (hi - lo < reach + 1)
            continue;
        const std::vector<double> cut =
            (lo == -reach && hi == reach) ? std::vector<double>() : cutKernel(kernel, reach, lo, hi);
        const double* c = cut.empty() ? kernel.data() + (lo + reach) : cut.data();
        double response = 0, variance = 0;
        for (ptrdiff_t j = lo; j <= hi; ++j) {
            response += c[j - lo] * s.y[size_t(i + j)];
            variance += c[j - lo] * c[j - lo] * s.variance[size_t(i + j)];
        }
        score[size_t(i)] = variance > 0 ? response / std::sqrt(variance) : 0;
    }
    for (ptrdiff_t i = 0; i < n; ++i) {
        const double z = score[size_t(i)];
        if (z >= minScore && (i == 0 || z >= score[size_t(i - 1)]) &&
            (i == n - 1 || z > score[size_t(i + 1)])) {
            const ptrdiff_t a = std::max<ptrdiff_t>(i - 1, 0), b = std::min(i + 1, n - 1);
            const double spacing = (s.x[size_t(b)] - s.x[size_t(a)]) / double(b - a);
            out << Candidate{s.x[size_t(i)], width * spacing / WIDTH_PER_SIGMA, z};
        }
    }
}

} // namespace

QList<Candidate> searchCandidates(const QList<SpectrumPoint>& points, double minScore) {
    Series s;
    for (const SpectrumPoint& p : points) {
        s.x.push_back(p.centre());
        s.y.push_back(p.rate());
        s.variance.push_back(p.rateVariance());
    }
    QList<Candidate> found;
    while (s.size() >= 7) {
        for (const double width : WIDTHS) {
            if (2.0 * std::ceil(KERNEL_REACH * width) + 1.0 > double(s.size()) / 2.0)
                break;
            scan(s, width, minScore, found);
        }
        s = halved(s);
    }
    // One candidate per peak: the strongest response, and none other of a like width near it. A much
    // wider response around a narrow one (a peak on a broad hump) stays a candidate of its own.
    std::sort(found.begin(), found.end(),
              [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    QList<Candidate> kept;
    for (const Candidate& c : found) {
        const bool taken = std::any_of(kept.begin(), kept.end(), [&](const Candidate& k) {
            return std::abs(k.centroid - c.centroid) < 2.0 * std::min(k.apparentSigma, c.apparentSigma);
        });
        if (!taken)
            kept << c;
    }
    std::sort(kept.begin(), kept.end(),
              [](const Candidate& a, const Candidate& b) { return a.centroid < b.centroid; });
    return kept;
}

} // namespace analysis
