// A record's points as the analysis sees them: each measured point with the amplitude range its window
// passes, its count, how many one-second readings were summed into it, and its count rate.
#pragma once

#include "ScanRecord.h"

#include <QList>
#include <QString>

namespace analysis {

struct SpectrumPoint {
    qint32 index = 0; // position in the record's counts
    double low = 0;   // the window passes amplitudes low <= a < high, in levels
    double high = 0;
    double counts = 0;
    double readings = 0; // summed one-second readings: the point's exposure

    double centre() const { return 0.5 * (low + high); }
    double width() const { return high - low; }
    double rate() const { return counts / readings; }
    // Poisson variance of the rate, from the observed count (at least one count, so that an empty
    // point still carries weight).
    double rateVariance() const { return qMax(counts, 1.0) / (readings * readings); }
};

struct SpectrumPoints {
    QList<SpectrumPoint> points; // measured points in order of their window's centre
    bool windowsKnown = false;   // from the record's levels; otherwise each point is a one-level bin
    double fullScaleLevel = 0;   // 100 % of full scale: the highest level, or the last point's index
    QString problem;             // why the record cannot be analysed; empty when it can
};

// The measured points of `record`. A point is left out when no reading was summed into it, when its
// window is empty, and when its window ends at the top level: there it also holds every pulse above
// the range. Without levels, point k is the bin k - 0.5 <= a < k + 0.5 of an index axis; without
// readings, every point counts as one.
SpectrumPoints pointsOf(const spectrum::ScanRecord& record);

// Points [first, last) of a record's measured points.
struct PointRange {
    qsizetype first = 0;
    qsizetype last = 0;
    qsizetype size() const { return last - first; }
};

// The first point whose window centre is at or above `level`, or points.size().
qsizetype firstAtOrAbove(const QList<SpectrumPoint>& points, double level);

// The mean width of the windows of `range` (0 for an empty range).
double meanWidth(const QList<SpectrumPoint>& points, PointRange range);

} // namespace analysis
