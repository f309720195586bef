// The high-voltage plateau: the unit's HV range and the steps a plateau run asks for, and the plateau
// found in the rate against HV with an operating point proposed inside it.
#pragma once

#include "CountSeries.h"

#include <QList>
#include <QString>

namespace counting {

// The unit's HV setting: 0 to 1500 V in counts of 1500 / 4095 V.
inline constexpr double MAX_HV_VOLTS = 1500;
inline constexpr int HV_FULL_SCALE_COUNT = 4095;
inline constexpr double HV_VOLTS_PER_COUNT = MAX_HV_VOLTS / HV_FULL_SCALE_COUNT;
// The longest settling time after an HV step.
inline constexpr double MAX_SETTLE_SECONDS = 3600;

// Empty when `volts` is within the unit's range, else the sentence that says so; `what` names the
// value ("The stop voltage").
QString checkHighVoltage(double volts, const QString& what);
// Empty when the plan can run, else the first thing wrong with it.
QString checkPlateauPlan(const PlateauPlan& plan);

// The HV of each measurement: start, start +- step, ..., stop (the last step may be shorter).
QList<double> plateauSteps(const PlateauPlan& plan);
// The voltages to ask for on the way from `from` to `to`, none more than `maxStep` from the one
// before, ending with `to`; empty when they are equal.
QList<double> rampSteps(double from, double to, double maxStep);

struct PlateauPoint {
    double volts = 0;
    double rate = 0; // counts per second
};
// The rate against HV of a series' measurements that have both, in rising HV.
QList<PlateauPoint> plateauCurve(const Series& series);

struct PlateauResult {
    bool found = false;
    double fromVolts = NO_VALUE;
    double toVolts = NO_VALUE;
    double slopePercentPer100V = NO_VALUE; // straight-line slope over the plateau, relative to its mean rate
    double operatingVolts = NO_VALUE;      // the proposed operating point, one of the measured steps
};

// The plateau: the longest run (in volts) of at least 3 consecutive steps whose local slope is below
// `thresholdPercentPer100V` in magnitude. A step's local slope is the least-squares slope of the rate
// over the steps within 50 V either side of it (at least its neighbours), relative to their mean rate:
// fitted over a window, so the noise of single readings does not break a plateau, and local, so a knee
// inside a long range is not averaged away. The operating point is the measured step nearest to a
// third of the way into the plateau: far enough from the knee that a drift of the detector's gain
// leaves the rate unchanged, low enough to spare the tube the noise and ageing of high voltage.
PlateauResult findPlateau(const QList<PlateauPoint>& points, double thresholdPercentPer100V);

} // namespace counting
