#include "CountRun.h"

#include "Globals.h"
#include "UnitSettings.h"

CountRun::CountRun(UnitSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), engine_(*this) {}

CountRun::~CountRun() {
    // The main window may be half destroyed: no HV goes back, but the series is kept.
    abandon();
}

QString CountRun::start(const counting::SeriesPlan& plan, const QDateTime& nowUtc) {
    if (globals::scanRunning)
        return tr("A scan is running: stop it before starting a count.");
    const QString problem = engine_.start(plan, nowUtc);
    begun(problem, nowUtc);
    return problem;
}

QString CountRun::startPlateau(const counting::SeriesPlan& plan, const counting::PlateauPlan& plateau,
                               const QDateTime& nowUtc) {
    if (globals::scanRunning)
        return tr("A scan is running: stop it before starting a count.");
    // Set before the first HV call: a failure box's event loop must not let a scan start meanwhile.
    globals::countRunning = true;
    abandoning_ = false;
    const QString problem = engine_.startPlateau(plan, plateau, nowUtc);
    begun(problem, nowUtc);
    return problem;
}

void CountRun::begun(const QString& problem, const QDateTime& nowUtc) {
    globals::countRunning = engine_.running();
    if (!problem.isEmpty() || !engine_.running())
        return;
    abandoning_ = false;
    lastFresh_ = nowUtc;
    staleShown_ = 0;
    emit staleFor(0);
    emit progressed();
}

void CountRun::stop() {
    engine_.stop(counting::SeriesEnd::Stopped);
}

void CountRun::abandon() {
    if (!engine_.running())
        return;
    abandoning_ = true;
    engine_.stop(counting::SeriesEnd::Aborted);
}

void CountRun::tick(const QDateTime& nowUtc) {
    if (!engine_.running())
        return;
    engine_.tick(nowUtc);
    const qint64 quiet = lastFresh_.secsTo(nowUtc);
    const qint64 shown = quiet >= STALE_SECONDS ? quiet : 0;
    if (shown != staleShown_) {
        staleShown_ = shown;
        emit staleFor(shown);
    }
}

void CountRun::reading(qint32 cps, const QDateTime& utc) {
    if (!engine_.running())
        return;
    lastFresh_ = utc;
    if (staleShown_ != 0) {
        staleShown_ = 0;
        emit staleFor(0);
    }
    engine_.addReading(cps, utc);
}

// ---- What the engine asks of its host ----

bool CountRun::setHighVoltage(double volts) {
    if (abandoning_ || globals::hSCA == 0)
        return false;
    // The main window's own path: the controls show it, the settings become unsaved.
    return settings_.setHighVoltage(volts) && settings_.highVoltageAccepted();
}

void CountRun::waiting(const QDateTime&) {
    emit progressed();
}

void CountRun::measurementStarted(int) {
    emit progressed();
}

void CountRun::readingTaken(int, qint32) {
    emit progressed();
}

void CountRun::measurementFinished(int index) {
    emit measurementDone(index);
    emit progressed();
}

void CountRun::seriesEnded(counting::SeriesEnd how) {
    globals::countRunning = false;
    saved_ = countfiles::autoSave(engine_.series());
    emit ended(how);
}
