// The analysis as the programs show and write it: the peak table (rows for a window or an HTML page,
// plain text for a terminal) and one JSON object with the record, the peaks and the calibration.
// Numbers are locale-neutral: '.' as decimal separator, no group separators.
#pragma once

#include "Peak.h"
#include "ScanRecord.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>

namespace analysis {

struct PeakTable {
    QStringList headers;     // "#", "Centroid (%)", ["Energy (keV)",] "FWHM (%)", "Net counts", "Flags"
    QList<QStringList> rows; // one per peak, as many cells as headers
    QString note;            // what the FWHM is; or why there are no peaks
};

// The energy column is there when at least one peak has an energy. Net counts read "1234 ± 56".
PeakTable peakTable(const Analysis& analysis);

// The table in columns padded with blanks, the note on the last line; ends with a newline.
QString peakTableText(const Analysis& analysis);

// A peak's figures by name (levels, percent, counts, their sigmas, method and flags, keV when
// calibrated).
QJsonObject peakJson(const Peak& peak);
// {"record": ..., "analysis": {"peaks": [...], "windowWidthRemoved", "note", "fullScaleLevel", "message"},
//  "energyCalibration": {"offsetKeV", "slopeKeVPerLevel"} or null}
QJsonObject analysisJson(const spectrum::ScanRecord& record, const Analysis& analysis);

} // namespace analysis
