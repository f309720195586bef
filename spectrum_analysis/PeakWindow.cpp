#include "PeakWindow.h"

#include <algorithm>
#include <cmath>

namespace analysis {

std::optional<PeakWindow> windowOnPeak(const Peak& peak, qint32 maxLevel, double k) {
    const double half = k * peak.fwhmLevels;
    if (!std::isfinite(peak.centroidLevel) || !std::isfinite(half) || !(k > 0) || maxLevel < 1)
        return std::nullopt;
    // Held within the range before rounding, so no level beyond 32 bits is ever converted.
    const auto level = [maxLevel](double x) {
        return qint32(std::nearbyint(std::clamp(x, 0.0, double(maxLevel))));
    };
    return PeakWindow{level(peak.centroidLevel - half), level(peak.centroidLevel + half), false};
}

} // namespace analysis
