#include "ScanChannels.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace scan {

qint32 roundHalfEven(double value) {
    constexpr double lo = std::numeric_limits<qint32>::min();
    constexpr double hi = std::numeric_limits<qint32>::max();
    if (std::isnan(value))
        return 0;
    if (value <= lo)
        return std::numeric_limits<qint32>::min();
    if (value >= hi)
        return std::numeric_limits<qint32>::max();
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double rounded = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
        rounded = floor + 1.0;
    return static_cast<qint32>(rounded);
}

ChannelWindow channelWindow(qint32 channel, qint32 channels, qint32 maxLevel) {
    // 64-bit products: identical to 32-bit ones for every real level count, and no overflow for others.
    const qint64 fullScale = qint64(maxLevel) + 1;
    const double n = channels > 0 ? channels : 1;
    const qint32 overlap = qMax(1, roundHalfEven(double(fullScale) / n / 4.0));
    ChannelWindow w;
    w.lld = qMax(0, roundHalfEven(double(fullScale * channel) / n - overlap));
    w.uld = qMin(maxLevel, roundHalfEven(double(fullScale * (qint64(channel) + 1)) / n + overlap));
    return w;
}

qint32 levelToChannel(qint32 level, qint32 channels, qint32 maxLevel) {
    return roundHalfEven(double(qint64(level) * channels) / double(qMax(1, maxLevel)));
}

qint32 channelToLevel(qint32 channel, qint32 channels, qint32 maxLevel) {
    return roundHalfEven(double(qint64(maxLevel) * channel) / double(qMax(1, channels)));
}

qint32 addSaturated(qint32 sum, qint32 reading) {
    const qint64 total = qint64(sum) + reading;
    return qint32(
        std::clamp<qint64>(total, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

qint16 toLevel16(qint32 level) {
    return qint16(
        std::clamp<qint32>(level, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

} // namespace scan
