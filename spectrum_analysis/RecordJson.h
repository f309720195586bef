// A scan record as a JSON object: the spectrum with each point's window and readings, the scan, the
// unit and its settings, the calibration, and what went wrong while it ran.
#pragma once

#include "ScanRecord.h"

#include <QJsonObject>
#include <QJsonValue>

namespace analysis {

QJsonObject recordJson(const spectrum::ScanRecord& record);

// The calibration as {"offsetKeV", "slopeKeVPerLevel"}, or null without one.
QJsonValue calibrationJson(const std::optional<spectrum::EnergyCalibration>& calibration);

// A number, or null when it is not finite (JSON has no NaN or infinity).
QJsonValue finiteJson(double value);

} // namespace analysis
