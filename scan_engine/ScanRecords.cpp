#include "ScanRecords.h"

#include "ScanChannels.h"

#include <algorithm>

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
    const qint32 channels = std::clamp(engine.channels(), 1, COUNTS_SIZE - 1);
    spectrum::ScanRecord r = channelLayout(channels, maxLevel);
    for (qint32 k = 0; k <= channels; ++k)
        r.counts[k] = std::max(0, engine.counts()[size_t(k)]); // a count rate below zero is no count
    r.readings = QList<qint32>(engine.readings().begin(), engine.readings().begin() + channels + 1);
    r.sweepsRequested = engine.sweeps();
    r.sweepsCompleted = engine.sweepsCompleted();
    r.startTime = engine.startTime();
    r.endTime = engine.running() ? now : engine.endTime();
    r.realTimeSeconds = r.startTime.isValid() ? double(r.startTime.msecsTo(r.endTime)) / 1000.0 : 0.0;
    // Each summed reading is a count rate over about one second.
    r.liveTimeSeconds = double(*std::max_element(r.readings.begin(), r.readings.end()));
    r.state = engine.running()     ? spectrum::ScanState::Running
              : engine.completed() ? spectrum::ScanState::Complete
                                   : spectrum::ScanState::Aborted;
    r.userLLD = engine.savedLLD();
    r.userULD = engine.savedULD();
    r.userIntegralMode = engine.savedIntegMode() != 0;
    return r;
}

} // namespace scan
