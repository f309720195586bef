// Counting measurements as a small state machine, without a window or a timer: the host hands it each
// fresh count-rate reading with its UTC time and hears progress and the end through a CountHost.
// Pauses and settling are counted on the readings' clock (or the host's tick), so a run can be played
// through at any speed. A plateau asks the host to set each HV, never more than one step from the last
// HV it asked for, and always ends by asking for the user's HV again: at the end, on a stop or abort,
// and when the unit refused a step.
#pragma once

#include "CountSeries.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace counting {

// What the engine needs from the one who runs it. The calls come from inside the engine's own calls
// (start, addReading, tick, stop); the host may call stop() from any of them.
class CountHost {
public:
    virtual ~CountHost() = default;
    // Plateau: put `volts` on the unit. False when the unit refused; the host has told the user.
    virtual bool setHighVoltage(double volts) = 0;
    // Nothing is measured until `untilUtc`: a pause, or the HV settling after a step.
    virtual void waiting(const QDateTime& untilUtc) = 0;
    // Measurement `index` (0-based) takes the readings from now on.
    virtual void measurementStarted(int index) = 0;
    // A reading went into measurement `index`; progress() tells how far it is.
    virtual void readingTaken(int index, qint32 cps) = 0;
    // Measurement `index` is done: series().measurements[index].
    virtual void measurementFinished(int index) = 0;
    // The series ended. A measurement cut short is already in series(), marked incomplete; after a
    // plateau the user's HV has been asked for (series().hvRestored says whether the unit took it).
    virtual void seriesEnded(SeriesEnd how) = 0;
};

// The longest measurement or pause, and the most readings and measurements a plan may ask for.
inline constexpr double MAX_SERIES_SECONDS = 86400;
inline constexpr int MAX_READINGS = 1000000;
inline constexpr int MAX_MEASUREMENTS = 100000;

// Empty when the plan can run, else the first thing wrong with it.
QString checkSeriesPlan(const SeriesPlan& plan);

class CountEngine {
public:
    enum class Phase { Idle, Ramping, Settling, Pausing, Measuring, Restoring };

    explicit CountEngine(CountHost& host);

    // Starts a series at `nowUtc`: the first measurement takes the readings after that instant. A
    // measurement series subtracts the background in force. Returns empty when it started, else why
    // not (nothing changed).
    QString start(const SeriesPlan& plan, const QDateTime& nowUtc);
    // Starts a plateau: ramps from the user's HV to the start voltage, then one measurement per step
    // (plan's preset; its measurement count and pause are replaced by the steps and settling time).
    // A refused HV may end the run as failed before this returns.
    QString startPlateau(const SeriesPlan& plan, const PlateauPlan& plateau, const QDateTime& nowUtc);

    // One fresh reading. Readings whose time is not after the current measurement's start (or after the
    // end of a pause or settling) are not counted, nor is the first one after an HV change, which may
    // have been counted partly at the old voltage. The clock never runs backwards: an earlier time
    // counts as the latest time seen.
    void addReading(qint32 cps, const QDateTime& timeUtc);
    // The host's clock: ends a pause or settling that is over without waiting for a reading.
    void tick(const QDateTime& nowUtc);
    // Ends the series now (Stopped by the user, Aborted when the program ends, Failed when a device
    // call failed). What was measured is kept; a plateau asks for the user's HV back.
    void stop(SeriesEnd how = SeriesEnd::Stopped);

    bool running() const { return phase_ != Phase::Idle; }
    Phase phase() const { return phase_; }
    // The series running, or the last one.
    const Series& series() const { return series_; }
    // The measurement under way or next, 0-based.
    int measurementIndex() const { return int(series_.measurements.size()); }
    int measurementCount() const { return total_; }
    int currentReadings() const { return int(rates_.size()); }
    // How far the current measurement is, 0 to 1.
    double progress() const;
    // End of the pause or settling under way (invalid otherwise).
    QDateTime waitUntil() const;
    // The latest reading's time (or the start's): the host can tell how long no fresh reading came.
    QDateTime lastReadingTime() const { return clock_; }
    // The last HV asked for, NO_VALUE before any.
    double requestedHighVoltage() const { return lastRequested_.value_or(NO_VALUE); }

    // The background subtracted from measurement series started from now on. A background series
    // that ends with a usable measurement replaces it.
    const std::optional<Background>& background() const { return background_; }
    void setBackground(std::optional<Background> background) { background_ = std::move(background); }

private:
    void begin(const SeriesPlan& plan, const QDateTime& nowUtc);
    void beginMeasurement(const QDateTime& startUtc);
    void waitThenMeasure(const QDateTime& fromUtc, double seconds);
    bool measurementDone() const;
    void appendMeasurement(bool complete);
    void finishMeasurement();
    bool requestHighVoltage(double volts);
    void endSeries(SeriesEnd how);
    void restoreHighVoltage();

    CountHost& host_;
    Series series_;
    Phase phase_ = Phase::Idle;
    quint64 run_ = 0; // changes at every start and end: a host call that ended the run is noticed
    int total_ = 0;
    qint64 durationMs_ = 0;
    QList<double> steps_; // plateau HV per measurement
    QDateTime clock_;
    QDateTime waitUntil_;
    QDateTime measurementStart_;
    QDateTime lastReading_;
    std::vector<double> rates_; // the current measurement's readings
    bool discardNext_ = false;
    std::optional<SeriesEnd> pendingEnd_; // a stop while the HV was being set
    std::optional<double> lastRequested_;
    std::optional<double> lastAccepted_; // the last HV the unit took during this run
    std::optional<Background> background_;
};

} // namespace counting
