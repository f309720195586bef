// What a counting run is made of: its plan, its measurements and how it ended. A measurement is a run
// of consecutive fresh count-rate readings; the unit reports rates, not counts over a gate of ours, so
// every uncertainty here comes from the scatter of the readings themselves.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <limits>
#include <optional>

namespace counting {

// A value that could not be determined (too few readings, no background): NaN, written as an empty field.
inline constexpr double NO_VALUE = std::numeric_limits<double>::quiet_NaN();

enum class SeriesKind { Measurement, Background, Plateau };
enum class SeriesEnd { Running, Completed, Stopped, Aborted, Failed };
enum class Preset { Duration, Readings };

// The word files and the command line use ("measurement", "completed", ...).
QString kindName(SeriesKind kind);
QString endName(SeriesEnd end);
std::optional<SeriesKind> kindFromName(const QString& name);
std::optional<SeriesEnd> endFromName(const QString& name);

struct Measurement {
    QDateTime start;            // UTC: readings after this instant belong to the measurement
    double durationSeconds = 0; // from the start to the measurement's last reading
    int readings = 0;
    double mean = NO_VALUE;          // counts per second
    double standardError = NO_VALUE; // sample standard deviation of the readings / sqrt(readings)
    double dispersion = NO_VALUE;    // sample variance / mean of the readings
    double highVoltage = NO_VALUE;   // volts; plateau steps only
    double net = NO_VALUE;           // mean - background mean, when a background was subtracted
    double netError = NO_VALUE;      // standard error and background error added in quadrature
    bool complete = true;            // false when a stop cut it short
};

// A background rate to subtract: the mean of a background series' measurement means, and the
// uncertainty of that mean propagated from the measurements' standard errors.
struct Background {
    double mean = 0;
    double error = 0;
    int measurements = 0;
    QString source; // where it came from: "series of <UTC start>" or a file name
};

// Net rate and uncertainty of a rate with standard error `error` after subtracting `background`.
struct NetRate {
    double rate = NO_VALUE;
    double error = NO_VALUE;
};
NetRate subtractBackground(double rate, double error, const Background& background);

struct SeriesPlan {
    SeriesKind kind = SeriesKind::Measurement; // Background marks a background series
    Preset preset = Preset::Duration;
    double durationSeconds = 10; // seconds of fresh readings per measurement (Preset::Duration)
    int readings = 10;           // fresh readings per measurement (Preset::Readings)
    int measurements = 1;        // measurements in the series (a plateau has one per HV step)
    double pauseSeconds = 0;     // between measurements, counted on the readings' clock
};

// The high-voltage plateau: one measurement per step from start to stop, each after the settling time.
struct PlateauPlan {
    double startVolts = 800;
    double stopVolts = 1200;
    double stepVolts = 25;
    double settleSeconds = 5;
    // The most a plateau's rate may change per 100 V, in percent.
    double thresholdPercentPer100V = 10;
    double userVolts = 0; // the unit's HV before the plateau; it goes back afterwards
};

struct Series {
    SeriesKind kind = SeriesKind::Measurement;
    SeriesEnd end = SeriesEnd::Running;
    SeriesPlan plan;
    QDateTime started;                    // UTC, when the series was started
    std::optional<PlateauPlan> plateau;   // a plateau series only
    std::optional<Background> background; // the background subtracted from its measurements
    QList<Measurement> measurements;
    bool hvRestored = true; // plateau: the user's HV was accepted back by the unit
};

// The background a series provides: its measurements with a standard error, averaged. nullopt when
// it has none, or when it is a plateau (its rate depends on the HV of each step).
std::optional<Background> backgroundOf(const Series& series, const QString& source);

} // namespace counting
