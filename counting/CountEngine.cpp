#include "CountEngine.h"

#include "CountStatistics.h"
#include "HvPlateau.h"

#include <algorithm>
#include <cmath>

namespace counting {

namespace {

bool within(double value, double lo, double hi) {
    return value >= lo && value <= hi; // false for NaN
}

} // namespace

QString checkSeriesPlan(const SeriesPlan& plan) {
    if (plan.preset == Preset::Duration && !within(plan.durationSeconds, 1, MAX_SERIES_SECONDS))
        return u"The duration must be from 1 to "_qs + QString::number(MAX_SERIES_SECONDS) + u" s."_qs;
    // Two readings at least: one reading has no scatter to tell its uncertainty.
    if (plan.preset == Preset::Readings && !within(plan.readings, 2, MAX_READINGS))
        return u"The number of readings must be from 2 to "_qs + QString::number(MAX_READINGS) + u"."_qs;
    if (!within(plan.measurements, 1, MAX_MEASUREMENTS))
        return u"The number of measurements must be from 1 to "_qs + QString::number(MAX_MEASUREMENTS) +
               u"."_qs;
    if (!within(plan.pauseSeconds, 0, MAX_SERIES_SECONDS))
        return u"The pause must be from 0 to "_qs + QString::number(MAX_SERIES_SECONDS) + u" s."_qs;
    return {};
}

CountEngine::CountEngine(CountHost& host) : host_(host) {}

void CountEngine::begin(const SeriesPlan& plan, const QDateTime& nowUtc) {
    ++run_;
    series_ = Series{};
    series_.kind = plan.kind;
    series_.plan = plan;
    durationMs_ = std::llround(plan.durationSeconds * 1000.0);
    rates_.clear();
    steps_.clear();
    discardNext_ = false;
    pendingEnd_.reset();
    lastRequested_.reset();
    lastAccepted_.reset();
    clock_ = nowUtc.toUTC();
    lastReading_ = clock_;
    series_.started = clock_;
}

QString CountEngine::start(const SeriesPlan& plan, const QDateTime& nowUtc) {
    if (running())
        return QStringLiteral("A count is already running.");
    if (plan.kind == SeriesKind::Plateau)
        return QStringLiteral("A plateau needs its high-voltage steps.");
    if (!nowUtc.isValid())
        return QStringLiteral("The start time is not valid.");
    if (QString problem = checkSeriesPlan(plan); !problem.isEmpty())
        return problem;
    begin(plan, nowUtc);
    total_ = plan.measurements;
    if (plan.kind == SeriesKind::Measurement)
        series_.background = background_;
    beginMeasurement(clock_);
    return {};
}

QString CountEngine::startPlateau(const SeriesPlan& plan, const PlateauPlan& plateau,
                                  const QDateTime& nowUtc) {
    if (running())
        return QStringLiteral("A count is already running.");
    if (!nowUtc.isValid())
        return QStringLiteral("The start time is not valid.");
    SeriesPlan stepPlan = plan;
    stepPlan.kind = SeriesKind::Plateau;
    stepPlan.measurements = 1; // the steps decide how many
    stepPlan.pauseSeconds = 0;
    if (QString problem = checkSeriesPlan(stepPlan); !problem.isEmpty())
        return problem;
    if (QString problem = checkPlateauPlan(plateau); !problem.isEmpty())
        return problem;
    begin(stepPlan, nowUtc);
    steps_ = plateauSteps(plateau);
    total_ = int(steps_.size());
    series_.plan.measurements = total_;
    series_.plateau = plateau;
    phase_ = Phase::Ramping;
    const quint64 run = run_;
    for (const double volts : rampSteps(plateau.userVolts, steps_.first(), plateau.stepVolts)) {
        const bool accepted = requestHighVoltage(volts);
        if (run != run_)
            return {};
        if (pendingEnd_ || !accepted) {
            endSeries(pendingEnd_.value_or(SeriesEnd::Failed));
            return {};
        }
    }
    discardNext_ = true;
    waitThenMeasure(clock_, plateau.settleSeconds);
    return {};
}

void CountEngine::beginMeasurement(const QDateTime& startUtc) {
    phase_ = Phase::Measuring;
    measurementStart_ = startUtc;
    lastReading_ = startUtc;
    waitUntil_ = QDateTime();
    rates_.clear();
    host_.measurementStarted(measurementIndex());
}

void CountEngine::waitThenMeasure(const QDateTime& fromUtc, double seconds) {
    if (seconds <= 0) {
        beginMeasurement(fromUtc);
        return;
    }
    phase_ = series_.kind == SeriesKind::Plateau ? Phase::Settling : Phase::Pausing;
    waitUntil_ = fromUtc.addMSecs(std::llround(seconds * 1000.0));
    host_.waiting(waitUntil_);
}

void CountEngine::addReading(qint32 cps, const QDateTime& timeUtc) {
    if (phase_ != Phase::Settling && phase_ != Phase::Pausing && phase_ != Phase::Measuring)
        return;
    if (!timeUtc.isValid())
        return;
    clock_ = std::max(clock_, timeUtc.toUTC());
    if (discardNext_) {
        discardNext_ = false;
        return;
    }
    const quint64 run = run_;
    if (phase_ != Phase::Measuring) {
        if (clock_ <= waitUntil_)
            return;
        beginMeasurement(waitUntil_);
        if (run != run_)
            return;
    }
    if (clock_ <= measurementStart_)
        return;
    rates_.push_back(double(cps));
    lastReading_ = clock_;
    host_.readingTaken(measurementIndex(), cps);
    if (run != run_)
        return;
    if (measurementDone())
        finishMeasurement();
}

void CountEngine::tick(const QDateTime& nowUtc) {
    if ((phase_ == Phase::Settling || phase_ == Phase::Pausing) && nowUtc.isValid() && nowUtc >= waitUntil_)
        beginMeasurement(waitUntil_);
}

bool CountEngine::measurementDone() const {
    if (series_.plan.preset == Preset::Readings)
        return qsizetype(rates_.size()) >= series_.plan.readings;
    return measurementStart_.msecsTo(lastReading_) >= durationMs_;
}

double CountEngine::progress() const {
    if (phase_ != Phase::Measuring)
        return 0;
    const double done = series_.plan.preset == Preset::Readings
                            ? double(rates_.size()) / series_.plan.readings
                            : double(measurementStart_.msecsTo(lastReading_)) / double(durationMs_);
    return std::clamp(done, 0.0, 1.0);
}

QDateTime CountEngine::waitUntil() const {
    return phase_ == Phase::Settling || phase_ == Phase::Pausing ? waitUntil_ : QDateTime();
}

void CountEngine::appendMeasurement(bool complete) {
    const ReadingStatistics s = readingStatistics(rates_);
    Measurement m;
    m.start = measurementStart_;
    m.durationSeconds = double(measurementStart_.msecsTo(lastReading_)) / 1000.0;
    m.readings = s.readings;
    m.mean = s.mean;
    m.standardError = s.standardError;
    m.dispersion = s.dispersion;
    m.complete = complete;
    if (series_.kind == SeriesKind::Plateau)
        m.highVoltage = steps_.value(measurementIndex(), NO_VALUE);
    if (series_.background) {
        const NetRate net = subtractBackground(m.mean, m.standardError, *series_.background);
        m.net = net.rate;
        m.netError = net.error;
    }
    series_.measurements.append(m);
    rates_.clear();
}

void CountEngine::finishMeasurement() {
    appendMeasurement(true);
    const quint64 run = run_;
    host_.measurementFinished(measurementIndex() - 1);
    if (run != run_)
        return;
    if (measurementIndex() >= total_) {
        endSeries(SeriesEnd::Completed);
        return;
    }
    if (series_.kind != SeriesKind::Plateau) {
        waitThenMeasure(lastReading_, series_.plan.pauseSeconds);
        return;
    }
    phase_ = Phase::Ramping;
    const bool accepted = requestHighVoltage(steps_[measurementIndex()]);
    if (run != run_)
        return;
    if (pendingEnd_ || !accepted) {
        endSeries(pendingEnd_.value_or(SeriesEnd::Failed));
        return;
    }
    discardNext_ = true;
    waitThenMeasure(lastReading_, series_.plateau->settleSeconds);
}

bool CountEngine::requestHighVoltage(double volts) {
    lastRequested_ = volts;
    const bool accepted = host_.setHighVoltage(volts);
    if (accepted)
        lastAccepted_ = volts;
    return accepted;
}

void CountEngine::stop(SeriesEnd how) {
    if (how == SeriesEnd::Running || how == SeriesEnd::Completed)
        how = SeriesEnd::Stopped;
    if (phase_ == Phase::Idle || phase_ == Phase::Restoring)
        return;
    if (phase_ == Phase::Ramping) {
        // The HV call under way returns first; the run ends right after it.
        if (!pendingEnd_)
            pendingEnd_ = how;
        return;
    }
    endSeries(how);
}

void CountEngine::endSeries(SeriesEnd how) {
    if (phase_ == Phase::Measuring && !rates_.empty() && how != SeriesEnd::Completed)
        appendMeasurement(false);
    // Ended before any HV call: nothing that runs while one is under way may still see a running count.
    ++run_;
    phase_ = Phase::Restoring;
    pendingEnd_.reset();
    series_.end = how;
    if (series_.kind == SeriesKind::Plateau && lastRequested_)
        restoreHighVoltage();
    if (series_.kind == SeriesKind::Background) {
        const QString source = u"background series of "_qs + series_.started.toString(Qt::ISODate);
        if (std::optional<Background> measured = backgroundOf(series_, source))
            background_ = measured;
    }
    phase_ = Phase::Idle;
    host_.seriesEnded(how);
}

void CountEngine::restoreHighVoltage() {
    const double user = series_.plateau->userVolts;
    // From what the unit last took (none taken: it still holds the user's HV), one step at a time.
    QList<double> ramp = rampSteps(lastAccepted_.value_or(user), user, series_.plateau->stepVolts);
    if (ramp.isEmpty())
        ramp.append(user); // asked once more all the same: the unit may not hold what it was last asked
    // A refused step ends the way back there: a later request that the unit took would jump from the
    // last HV it holds by more than a step. The caller tells the user (hvRestored) and may try again.
    bool accepted = true;
    for (const double volts : ramp)
        if (!(accepted = requestHighVoltage(volts)))
            break;
    series_.hvRestored = accepted;
}

} // namespace counting
