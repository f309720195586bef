#include "Rebin.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace spectrum {

namespace {

bool rising(const QList<double>& edges) {
    for (qsizetype i = 1; i < edges.size(); ++i)
        if (!(edges[i] > edges[i - 1]))
            return false;
    return edges.size() >= 2;
}

QList<double> fractionEdges(const ScanRecord& r) {
    const qsizetype n = r.counts.size();
    qsizetype bins = n;
    if (r.channels > 0 && n == qsizetype(r.channels) + 1)
        bins = r.channels;
    else if (n >= 3 && ((n - 1) & (n - 2)) == 0) // 2^k + 1 points: a scan's layout
        bins = n - 1;
    QList<double> edges;
    edges.reserve(n + 1);
    for (qsizetype k = 0; k <= n; ++k)
        edges << double(k) / double(bins);
    return edges;
}

// Edges by discriminator level; empty when the windows give no usable edges.
QList<double> levelEdges(const ScanRecord& r) {
    const qsizetype n = r.counts.size();
    if (r.levelCount < 2 || r.levels.size() != n || n < 3)
        return {};
    const qint32 top = r.levelCount - 1;
    // The edge between channels k - 1 and k is the middle of their windows' overlap, unless a window
    // was cut at the ends of the level range; those edges are interpolated from their neighbours.
    // Linear in the points: a 65536-point file must open at once.
    QList<double> edges(n + 1, 0.0);
    QList<qsizetype> known; // rising
    QList<bool> isKnown(n + 1, false);
    for (qsizetype k = 1; k < n; ++k) {
        if (r.levels[k].lld > 0 && r.levels[k - 1].uld < top) {
            edges[k] = (double(r.levels[k].lld) + double(r.levels[k - 1].uld)) / 2.0;
            known << k;
            isKnown[k] = true;
        }
    }
    if (known.size() < 2)
        return {};
    for (qsizetype k = 0; k <= n; ++k) {
        if (isKnown[k])
            continue;
        // The two known edges around k, or the two nearest on one side.
        auto above = std::lower_bound(known.begin(), known.end(), k);
        qsizetype hi = above == known.end() ? known.size() - 1 : above - known.begin();
        hi = std::max<qsizetype>(hi, 1);
        const qsizetype a = known[hi - 1], b = known[hi];
        edges[k] = edges[a] + (edges[b] - edges[a]) * double(k - a) / double(b - a);
    }
    for (double& e : edges)
        e /= double(r.levelCount);
    return rising(edges) ? edges : QList<double>();
}

} // namespace

QList<double> channelEdges(const ScanRecord& record) {
    QList<double> edges = levelEdges(record);
    return edges.isEmpty() ? fractionEdges(record) : edges;
}

QList<qint32> rebin(const QList<qint32>& counts, const QList<double>& from, const QList<double>& to) {
    const qsizetype m = to.size() - 1;
    if (m < 1)
        return {};
    QList<double> shares(m, 0.0);
    qint64 total = 0;
    qsizetype j = 0;
    for (qsizetype i = 0; i < counts.size() && i + 1 < from.size(); ++i) {
        const double c = counts[i];
        if (c <= 0)
            continue;
        total += counts[i];
        const double a = from[i], b = from[i + 1];
        const double width = b - a;
        if (!(width > 0)) {
            shares[std::clamp<qsizetype>(std::upper_bound(to.begin(), to.end(), a) - to.begin() - 1, 0,
                                         m - 1)] += c;
            continue;
        }
        // Below the target's range: its first channel; above: its last.
        if (a < to.front())
            shares[0] += c * (std::min(b, to.front()) - a) / width;
        if (b > to.back())
            shares[m - 1] += c * (b - std::max(a, to.back())) / width;
        while (j > 0 && to[j] > a)
            --j;
        while (j < m && to[j + 1] <= a)
            ++j;
        for (qsizetype t = j; t < m && to[t] < b; ++t) {
            const double overlap = std::min(b, to[t + 1]) - std::max(a, to[t]);
            if (overlap > 0)
                shares[t] += c * overlap / width;
        }
    }

    // Whole counts: each channel's share rounded down, the rest handed out by the largest remainders.
    QList<qint64> whole(m);
    qint64 given = 0;
    for (qsizetype t = 0; t < m; ++t) {
        whole[t] = qint64(std::floor(shares[t] + 1e-9));
        given += whole[t];
    }
    QList<qsizetype> order(m);
    std::iota(order.begin(), order.end(), 0);
    auto fraction = [&](qsizetype t) { return shares[t] - double(whole[t]); };
    if (given < total) {
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype x, qsizetype y) { return fraction(x) > fraction(y); });
        for (qsizetype k = 0; given < total; k = (k + 1) % m, ++given)
            ++whole[order[k]];
    } else if (given > total) {
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype x, qsizetype y) { return fraction(x) < fraction(y); });
        for (qsizetype k = 0; given > total; k = (k + 1) % m)
            if (whole[order[k]] > 0) {
                --whole[order[k]];
                --given;
            }
    }
    QList<qint32> out(m);
    for (qsizetype t = 0; t < m; ++t)
        out[t] = qint32(std::min<qint64>(whole[t], std::numeric_limits<qint32>::max()));
    return out;
}

QList<qint32> rebinOnto(const ScanRecord& reference, const ScanRecord& scan) {
    const bool sameLayout = reference.counts.size() == scan.counts.size() &&
                            (reference.levels.isEmpty() ||
                             (reference.levels == scan.levels && reference.levelCount == scan.levelCount));
    if (sameLayout)
        return reference.counts;
    return rebin(reference.counts, channelEdges(reference), channelEdges(scan));
}

} // namespace spectrum
