#include "Peak.h"

#include <QStringList>

#include <algorithm>

namespace analysis {

const Peak* strongestPeak(const Analysis& analysis) {
    const auto top = std::max_element(analysis.peaks.begin(), analysis.peaks.end(),
                                      [](const Peak& a, const Peak& b) { return a.peakRate < b.peakRate; });
    return top == analysis.peaks.end() ? nullptr : &*top;
}

QString resolutionNote() {
    return QStringLiteral("FWHM with the channel windows' own width removed");
}

QString methodText(PeakMethod method) {
    return method == PeakMethod::Fit ? QStringLiteral("fit") : QStringLiteral("moment estimate");
}

QString flagsText(const Peak& peak) {
    QStringList flags;
    if (peak.method != PeakMethod::Fit)
        flags << methodText(peak.method);
    if (peak.nearEdge)
        flags << QStringLiteral("near edge");
    if (peak.userRegion)
        flags << QStringLiteral("user region");
    return flags.join(QStringLiteral(", "));
}

} // namespace analysis
