#include "ScanRun.h"

#include "Conversions.h"
#include "DeviceLink.h"
#include "DeviceSession.h"
#include "Progress.h"

#include <utility>

namespace kivoscan {

ScanRun::ScanRun(DeviceSession& session, Progress& progress, int periodMs, std::function<bool()> abandon)
    : session_(session), progress_(progress), engine_(*this, counts_, running_), periodMs_(periodMs),
      abandon_(std::move(abandon)) {
    timer_.setInterval(periodMs_);
    timer_.setTimerType(Qt::PreciseTimer); // a coarse timer slips by up to 5 % of every period
    connect(&timer_, &QTimer::timeout, this, &ScanRun::poll);
}

qint64 ScanRun::stallLimitMs() const {
    return 10000 + 40LL * periodMs_;
}

void ScanRun::run(qint32 channels, qint16 sweeps) {
    if (abandonDevice())
        return;
    elapsed_.start();
    sinceFresh_.start();
    engine_.start(channels, sweeps);
    if (!running_)
        return; // ended while starting
    timer_.start();
    loop_.exec();
    timer_.stop();
    progress_.finish();
}

void ScanRun::stop() {
    if (running_)
        engine_.stop();
}

void ScanRun::poll() {
    qint32 cps = 0;
    qint32 fresh = 0;
    const qint32 status = kivo::DeviceLink::instance().ReadCPS(session_.handle(), &cps, &fresh);
    if (status != 0 && !std::exchange(readFailureReported_, true)) {
        deviceFailed_ = true;
        progress_.message(QStringLiteral("Failed to read the count rate."));
    }
    if (status == 0 && fresh != 0) {
        sinceFresh_.restart();
        engine_.update(cps);
    } else if (sinceFresh_.elapsed() > stallLimitMs()) {
        stalled_ = true;
        deviceFailed_ = true;
        progress_.message(QStringLiteral("No count-rate reading for %1 s; the scan is stopped.")
                              .arg(sinceFresh_.elapsed() / 1000));
        engine_.stop();
    }
}

qint32 ScanRun::deviceHandle() const {
    return session_.handle();
}

qint32 ScanRun::maxLevel() const {
    return session_.identity().maxLevel;
}

scan::UnitDescription ScanRun::unitDescription() const {
    const cli::UnitIdentity& id = session_.identity();
    const cli::UnitSettings& s = session_.settings();
    scan::UnitDescription unit;
    unit.product = id.product;
    unit.manufacturer = id.manufacturer;
    unit.serialNumber = id.serial;
    unit.firmware = id.firmware;
    if (s.highVoltage) {
        unit.highVoltageText = QString::number(conv::countToVolts(*s.highVoltage), 'f', 1);
        unit.highVoltageCount = *s.highVoltage;
    }
    unit.coarseGainIndex = s.gain ? conv::coarseFromGain(*s.gain) : 0;
    unit.fineGain = s.gain ? conv::fineFromGain(*s.gain) : 0;
    unit.simulated = id.simulated;
    return unit;
}

void ScanRun::scanFailure(const QString& text) {
    deviceFailed_ = true;
    progress_.message(text);
}

void ScanRun::channelFailure(const QString& text, qint32 channel) {
    deviceFailed_ = true;
    if (channelFailures_[text]++ == 0)
        progress_.message(QStringLiteral("%1 (channel %2 of %3, sweep %4)")
                              .arg(text)
                              .arg(channel + 1)
                              .arg(engine_.channels())
                              .arg(engine_.sweep()));
}

bool ScanRun::levelCountKnown() const {
    return session_.identity().levelCountKnown;
}

void ScanRun::sweepDone(int sweep) {
    progress_.line(QStringLiteral("sweep %1 of %2 done, %3 elapsed")
                       .arg(sweep)
                       .arg(engine_.sweeps())
                       .arg(Progress::clock(elapsed_.elapsed())));
}

void ScanRun::channelStarted() {
    if (engine_.sweep() != lastSweep_ && lastSweep_ != 0)
        sweepDone(lastSweep_);
    lastSweep_ = engine_.sweep();
    // Channels 2..N of each sweep are measured; the share done counts the ones finished.
    const int sweep = engine_.sweep();
    const int channel = engine_.channel() + 1; // 1-based, as the scan window counts
    const double perSweep = qMax(1, engine_.channels() - 1);
    const double done = ((sweep - 1) * perSweep + (channel - 2)) / (double(engine_.sweeps()) * perSweep);
    progress_.bar(done,
                  QStringLiteral("sweep %1/%2 channel %3/%4")
                      .arg(sweep)
                      .arg(engine_.sweeps())
                      .arg(channel)
                      .arg(engine_.channels()),
                  elapsed_.elapsed());
}

void ScanRun::scanEnded(bool complete) {
    if (complete)
        sweepDone(engine_.sweeps());
    for (auto it = channelFailures_.cbegin(); it != channelFailures_.cend(); ++it)
        if (it.value() > 1)
            progress_.message(QStringLiteral("%1 (%2 times in all; the spectrum is not trustworthy)")
                                  .arg(it.key())
                                  .arg(it.value()));
    loop_.quit();
}

} // namespace kivoscan
