#include "SpectrumPoints.h"

#include <algorithm>

namespace analysis {

SpectrumPoints pointsOf(const spectrum::ScanRecord& record) {
    SpectrumPoints out;
    const QString invalid = spectrum::validate(record);
    if (!invalid.isEmpty()) {
        out.problem = QStringLiteral("The spectrum cannot be analysed: %1.").arg(invalid);
        return out;
    }
    const qsizetype n = record.counts.size();
    out.windowsKnown = !record.levels.isEmpty();
    const qint32 topLevel = record.levelCount - 1;
    if (out.windowsKnown && record.levelCount > 1)
        out.fullScaleLevel = topLevel;
    else if (out.windowsKnown) // levels without the device's range: the highest level a window reaches
        for (const spectrum::LevelWindow& w : record.levels)
            out.fullScaleLevel = std::max(out.fullScaleLevel, double(w.uld));
    else
        out.fullScaleLevel = double(n - 1);
    if (out.fullScaleLevel <= 0)
        out.fullScaleLevel = 1;

    for (qsizetype k = 0; k < n; ++k) {
        SpectrumPoint p;
        p.index = qint32(k);
        p.counts = record.counts[k];
        p.readings = record.readings.isEmpty() ? 1.0 : double(record.readings[k]);
        if (p.readings <= 0)
            continue;
        if (out.windowsKnown) {
            const spectrum::LevelWindow w = record.levels[k];
            if (w.uld < w.lld || (record.levelCount > 1 && w.uld >= topLevel))
                continue;
            p.low = w.lld;
            p.high = w.uld + 1.0;
        } else {
            p.low = double(k) - 0.5;
            p.high = double(k) + 0.5;
        }
        out.points << p;
    }
    std::stable_sort(out.points.begin(), out.points.end(),
                     [](const SpectrumPoint& a, const SpectrumPoint& b) { return a.centre() < b.centre(); });
    if (out.points.isEmpty())
        out.problem = QStringLiteral("The spectrum has no measured channels.");
    return out;
}

qsizetype firstAtOrAbove(const QList<SpectrumPoint>& points, double level) {
    return std::lower_bound(points.begin(), points.end(), level,
                            [](const SpectrumPoint& p, double x) { return p.centre() < x; }) -
           points.begin();
}

double meanWidth(const QList<SpectrumPoint>& points, PointRange range) {
    double sum = 0;
    for (qsizetype i = range.first; i < range.last; ++i)
        sum += points[i].width();
    return range.size() > 0 ? sum / double(range.size()) : 0;
}

} // namespace analysis
