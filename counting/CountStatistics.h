// The numbers of a measurement and of a series, from readings whose counts are not known: the
// standard error comes from the readings' scatter, and the series test compares the spread of the
// measurement means with the spread that scatter predicts.
#pragma once

#include "CountSeries.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace counting {

// A measurement's numbers from its readings (counts per second). With one reading the standard error
// and the dispersion index are NO_VALUE; the dispersion index also when the mean is not positive.
struct ReadingStatistics {
    int readings = 0;
    double mean = NO_VALUE;
    double standardError = NO_VALUE;
    double dispersion = NO_VALUE;
};
ReadingStatistics readingStatistics(const std::vector<double>& rates);

enum class Verdict { NotEnoughData, NoScatter, Steady, MoreSpread, LessSpread };
// The verdict in plain words, as the window, the command line and the files show it.
QString verdictText(Verdict verdict);

// A p-value below this: the means spread more than the readings explain.
inline constexpr double MORE_SPREAD_P = 0.05;
// A p-value above this: they spread less than the readings explain. Too little spread has no common
// cause in this set-up, so it is only called out when a steady source would show it 1 time in 100.
inline constexpr double LESS_SPREAD_P = 0.99;

struct SeriesStatistics {
    int measurements = 0;               // k
    int readings = 0;                   // N, over all measurements
    double mean = NO_VALUE;             // mean of the measurement means
    double sd = NO_VALUE;               // their sample standard deviation (two measurements or more)
    double meanError = NO_VALUE;        // uncertainty of the mean, from the measurements' standard errors
    double dispersion = NO_VALUE;       // pooled variance of the readings / their mean
    double reducedChiSquare = NO_VALUE; // spread of the means against the readings' pooled scatter
    int degreesOfFreedom = 0;           // k minus one
    int scatterDegreesOfFreedom = 0;    // N - k, behind the pooled scatter
    double pValue = NO_VALUE;           // chance of this much spread or more from a steady source
    Verdict verdict = Verdict::NotEnoughData;
    NetRate net; // the mean minus the background, when one is given
};
SeriesStatistics seriesStatistics(const QList<Measurement>& measurements,
                                  const std::optional<Background>& background = std::nullopt);

} // namespace counting
