#include "ScanRecords.h"

#include "ScanChannels.h"

namespace scan {

spectrum::ScanRecord channelLayout(qint32 channels, qint32 maxLevel) {
    spectrum::ScanRecord r;
    r.channels = channels;
    r.levelCount = maxLevel + 1;
    for (qint32 k = 0; k <= channels; ++k) {
        const ChannelWindow w = channelWindow(k, channels, maxLevel);
        r.levels << spectrum::LevelWindow{w.lld, w.uld};
    }
    r.counts.fill(0, channels + 1);
    return r;
}

spectrum::ScanRecord recordOf(const ScanEngine& engine, qint32 maxLevel, const QDateTime& now) {
    spectrum::ScanRecord r = engine.recorder().record(engine.counts(), now, engine.channels(), maxLevel);
    r.userLLD = engine.savedLLD();
    r.userULD = engine.savedULD();
    r.userIntegralMode = engine.savedIntegMode() != 0;
    return r;
}

} // namespace scan
