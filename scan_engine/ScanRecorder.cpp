#include "ScanRecorder.h"

#include "ScanChannels.h"
#include "ScanRecords.h"

#include <algorithm>

namespace scan {

bool ScanRecorder::hasReadings() const {
    return std::any_of(readings_.begin(), readings_.end(), [](qint32 n) { return n > 0; });
}

void ScanRecorder::scanStarted(qint32 channels, qint32 maxLevel, qint16 sweeps, const Counts& counts,
                               const UnitDescription& unit, const QDateTime& now) {
    const bool countsEmpty = std::all_of(counts.begin(), counts.end(), [](qint32 c) { return c == 0; });
    if (countsEmpty || !hasReadings() || channels_ != channels || maxLevel_ != maxLevel) {
        *this = ScanRecorder();
        startTime_ = now;
        channels_ = channels;
        maxLevel_ = maxLevel;
    }
    unit_ = unit;
    sweepsRequested_ += sweeps;
    runStart_ = now;
}

void ScanRecorder::readingAdded(qint32 channel) {
    if (channel >= 0 && channel < qint32(readings_.size()))
        readings_[size_t(channel)] = addSaturated(readings_[size_t(channel)], 1);
}

void ScanRecorder::sweepCompleted() {
    ++sweepsCompleted_;
}

void ScanRecorder::deviceFailure(const QString& text, qint32 channel) {
    auto failure =
        std::find_if(failures_.begin(), failures_.end(), [&](const Failure& f) { return f.text == text; });
    if (failure == failures_.end()) {
        failures_.append({text, {}});
        failure = failures_.end() - 1;
    }
    if (channel < 0)
        return;
    QList<qint32>& channels = failure->channels;
    const auto at = std::lower_bound(channels.begin(), channels.end(), channel);
    if (at == channels.end() || *at != channel)
        channels.insert(at, channel);
}

void ScanRecorder::countsCleared(bool running, qint16 sweep, qint16 sweeps, const QDateTime& now) {
    // What failed for single channels concerned counts that are gone; what failed for the whole scan
    // still holds while it runs on.
    failures_.removeIf([&](const Failure& f) { return !running || !f.channels.isEmpty(); });
    readings_.fill(0);
    realTimeMs_ = 0;
    sweepsCompleted_ = 0;
    startTime_ = now;
    endTime_ = QDateTime();
    if (running) {
        runStart_ = now;
        sweepsRequested_ = sweeps - (sweep - 1);
    } else {
        sweepsRequested_ = 0;
    }
}

void ScanRecorder::scanEnded(bool complete, const QDateTime& now) {
    if (runStart_.isValid())
        realTimeMs_ += runStart_.msecsTo(now);
    runStart_ = QDateTime();
    endTime_ = now;
    state_ = complete ? spectrum::ScanState::Complete : spectrum::ScanState::Aborted;
}

spectrum::ScanRecord ScanRecorder::record(const Counts& counts, const QDateTime& now, qint32 channels,
                                          qint32 maxLevel) const {
    if (channels_ > 0 && hasReadings()) {
        channels = channels_;
        maxLevel = maxLevel_;
    }
    channels = std::clamp(channels, 1, COUNTS_SIZE - 1);
    spectrum::ScanRecord r = channelLayout(channels, maxLevel);
    for (qint32 k = 0; k <= channels; ++k)
        r.counts[k] = std::max(0, counts[size_t(k)]); // a count rate below zero is no count
    r.readings = QList<qint32>(readings_.begin(), readings_.begin() + channels + 1);
    r.sweepsRequested = sweepsRequested_;
    r.sweepsCompleted = sweepsCompleted_;
    r.startTime = startTime_;
    r.endTime = running() ? now : endTime_;
    qint64 realMs = realTimeMs_;
    if (running())
        realMs += runStart_.msecsTo(now);
    r.realTimeSeconds = double(realMs) / 1000.0;
    // Each summed reading is a count rate over about one second.
    r.liveTimeSeconds = double(*std::max_element(r.readings.begin(), r.readings.end()));
    r.state = running() ? spectrum::ScanState::Running : state_;
    r.product = unit_.product;
    r.manufacturer = unit_.manufacturer;
    r.serialNumber = unit_.serialNumber;
    r.firmware = unit_.firmware;
    r.highVoltageText = unit_.highVoltageText;
    r.highVoltageCount = unit_.highVoltageCount;
    r.coarseGainIndex = unit_.coarseGainIndex;
    r.fineGain = unit_.fineGain;
    r.simulatedUnit = unit_.simulated;
    QList<qint32> failedChannels;
    for (const Failure& f : failures_) {
        r.deviceFailures << (f.channels.isEmpty() ? f.text
                                                  : QStringLiteral("%1 (on %2 of %3 channels)")
                                                        .arg(f.text)
                                                        .arg(f.channels.size())
                                                        .arg(qMax(1, channels - 1)));
        failedChannels += f.channels;
    }
    std::sort(failedChannels.begin(), failedChannels.end());
    r.failedChannels =
        qint32(std::unique(failedChannels.begin(), failedChannels.end()) - failedChannels.begin());
    return r;
}

} // namespace scan
