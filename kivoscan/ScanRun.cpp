#include "ScanRun.h"

#include "DeviceLink.h"
#include "DeviceSession.h"
#include "Progress.h"

#include <utility>

namespace kivoscan {

ScanRun::ScanRun(DeviceSession& session, Progress& progress, int periodMs)
    : session_(session), progress_(progress), engine_(*this, counts_, running_), periodMs_(periodMs) {
    timer_.setInterval(periodMs_);
    timer_.setTimerType(Qt::PreciseTimer); // a coarse timer slips by up to 5 % of every period
    connect(&timer_, &QTimer::timeout, this, &ScanRun::poll);
}

qint64 ScanRun::stallLimitMs() const {
    return 10000 + 40LL * periodMs_;
}

void ScanRun::run(qint32 channels, qint16 sweeps) {
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

void ScanRun::scanFailure(const QString& text) {
    deviceFailed_ = true;
    progress_.message(text);
}

void ScanRun::channelStarted() {
    if (engine_.sweep() != lastSweep_ && lastSweep_ != 0)
        progress_.sweepDone(lastSweep_, engine_.sweeps(), elapsed_.elapsed());
    lastSweep_ = engine_.sweep();
    progress_.channel(engine_.sweep(), engine_.sweeps(), engine_.channel() + 1, engine_.channels(),
                      elapsed_.elapsed());
}

void ScanRun::scanEnded(bool complete) {
    if (complete)
        progress_.sweepDone(engine_.sweeps(), engine_.sweeps(), elapsed_.elapsed());
    loop_.quit();
}

} // namespace kivoscan
