#include "CountRun.h"

#include "Conversions.h"
#include "DeviceLink.h"
#include "DeviceParams.h"
#include "DeviceSession.h"
#include "HvPlateau.h"
#include "Params.h"
#include "Progress.h"
#include "SeriesText.h"

#include <cmath>
#include <utility>

namespace kivocount {

CountRun::CountRun(cli::DeviceSession& session, cli::Progress& progress, const Options& options,
                   std::function<bool()> abandon)
    : session_(session), progress_(progress), options_(options), abandon_(std::move(abandon)),
      engine_(*this) {
    timer_.setInterval(options_.periodMs);
    timer_.setTimerType(Qt::PreciseTimer); // a coarse timer slips by up to 5 % of every period
    connect(&timer_, &QTimer::timeout, this, &CountRun::poll);
}

qint64 CountRun::stallLimitMs() const {
    // The unit gives a fresh reading every 250 ms: twenty periods without one is no hiccup.
    return qMax<qint64>(5000, 20LL * options_.periodMs);
}

bool CountRun::run() {
    engine_.setBackground(options_.background);
    elapsed_.start();
    sinceFresh_.start();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString problem;
    if (options_.plateau) {
        const auto userCount = session_.settings().highVoltage;
        if (!userCount) {
            // Without it the run could not end by putting it back.
            deviceFailed_ = true;
            progress_.message(QStringLiteral(
                "The plateau was not started: the unit's high voltage could not be read, so it could not "
                "be put back afterwards."));
            return false;
        }
        counting::PlateauPlan plateau = *options_.plateau;
        plateau.userVolts = conv::countToVolts(*userCount);
        problem = engine_.startPlateau(options_.plan, plateau, now);
    } else {
        problem = engine_.start(options_.plan, now);
    }
    if (!problem.isEmpty()) {
        progress_.message(problem);
        return false;
    }
    if (engine_.running()) { // a refused first HV step ends the run inside startPlateau
        timer_.start();
        loop_.exec();
        timer_.stop();
    }
    progress_.finish();
    return true;
}

void CountRun::stop(counting::SeriesEnd how) {
    if (engine_.running())
        engine_.stop(how);
}

bool CountRun::rampToUserVoltage() {
    const counting::PlateauPlan& plateau = *engine_.series().plateau;
    QList<double> ramp = counting::rampSteps(lastAccepted_, plateau.userVolts, plateau.stepVolts);
    if (ramp.isEmpty())
        ramp.append(plateau.userVolts);
    for (const double volts : ramp)
        if (!setHighVoltage(volts))
            return false; // tried again from the last step taken, so no step is ever larger
    return true;
}

bool CountRun::restoreUserVoltage(qint64 waitMs) {
    const counting::Series& series = engine_.series();
    if (!series.plateau || series.hvRestored)
        return series.hvRestored;
    if (!std::isfinite(lastAccepted_))
        return true; // the unit never took another HV
    progress_.message(QStringLiteral("Waiting up to %1 s for the unit to take the user's high voltage of %2 V "
                                     "back (Ctrl+C gives up).")
                          .arg(waitMs / 1000)
                          .arg(QString::number(series.plateau->userVolts, 'f', 1)));
    QElapsedTimer waited;
    waited.start();
    givenUp_ = false;
    while (!givenUp_ && !(abandon_ && abandon_())) {
        if (rampToUserVoltage())
            return true;
        if (waited.elapsed() >= waitMs)
            break;
        QTimer::singleShot(1000, &loop_, &QEventLoop::quit);
        loop_.exec();
    }
    return false;
}

void CountRun::giveUp() {
    givenUp_ = true;
    loop_.quit();
}

void CountRun::poll() {
    qint32 cps = 0;
    qint32 fresh = 0;
    const qint32 status = kivo::DeviceLink::instance().ReadCPS(session_.handle(), &cps, &fresh);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (status != 0 && !std::exchange(readFailureReported_, true)) {
        deviceFailed_ = true;
        progress_.message(QStringLiteral("Failed to read the count rate."));
    }
    if (status == 0 && fresh != 0) {
        sinceFresh_.restart();
        engine_.addReading(cps, now);
    } else if (sinceFresh_.elapsed() > stallLimitMs()) {
        stalled_ = true;
        deviceFailed_ = true;
        progress_.message(QStringLiteral("No fresh count-rate reading for %1 s; the count is stopped.")
                              .arg(sinceFresh_.elapsed() / 1000));
        engine_.stop(counting::SeriesEnd::Failed);
        return;
    }
    engine_.tick(now);
    if (engine_.running())
        showProgress();
}

void CountRun::showProgress() {
    const int total = qMax(1, engine_.measurementCount());
    const int index = engine_.measurementIndex();
    const double done = (index + engine_.progress()) / total;
    QString label = options_.plateau ? QStringLiteral("step %1/%2 at %3 V")
                                           .arg(index + 1)
                                           .arg(total)
                                           .arg(QString::number(engine_.requestedHighVoltage()))
                                     : QStringLiteral("measurement %1/%2").arg(index + 1).arg(total);
    if (engine_.phase() == counting::CountEngine::Phase::Settling)
        label += QStringLiteral(", settling");
    else if (engine_.phase() == counting::CountEngine::Phase::Pausing)
        label += QStringLiteral(", pause");
    progress_.bar(done, label, elapsed_.elapsed());
}

bool CountRun::setHighVoltage(double volts) {
    if (abandon_ && abandon_())
        return false;
    const auto count = conv::voltsToCount(float(volts));
    if (count && device::writeNumber(session_.handle(), kivo::PARAM_HV, *count)) {
        lastAccepted_ = volts;
        return true;
    }
    deviceFailed_ = true;
    if (!std::exchange(hvFailureReported_, true))
        progress_.message(QStringLiteral("Failed to set High Voltage level."));
    return false;
}

void CountRun::waiting(const QDateTime&) {
    showProgress();
}

void CountRun::measurementStarted(int) {}

void CountRun::readingTaken(int, qint32) {
    showProgress();
}

void CountRun::measurementFinished(int index) {
    progress_.note(measurementLine(engine_.series(), index, engine_.measurementCount()));
}

void CountRun::seriesEnded(counting::SeriesEnd) {
    const counting::Series& series = engine_.series();
    // A measurement cut short has no finish of its own: it is told here.
    if (!series.measurements.isEmpty() && !series.measurements.last().complete)
        progress_.note(measurementLine(series, int(series.measurements.size()) - 1, engine_.measurementCount()));
    loop_.quit();
}

} // namespace kivocount
