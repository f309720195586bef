// How each report value is written. Numbers and dates go through QLocale() (decimal separator, month
// names), never with group separators, because the report shows them as plain figures.
#pragma once

#include "ScanRecord.h"

#include <QString>
#include <QtGlobal>

namespace report {

// The leading number of a text, read the same way in every locale: blanks skipped, an optional sign,
// digits with "." as decimal point and an optional exponent; reading stops at the first character that
// does not fit. No number (or one too large to represent) gives 0.
double LeadingNumber(const QString& text);

QString FormatCoarseGain(int index);                       // 2^index: "1", "2", "4", "8"
QString FormatFineGain(int position);                      // position / 4095 + 1, "0.000"
QString FormatLevelPercent(int position, qint32 maxLevel); // share of maxLevel in %, "0.00" (no "%")
QString FormatHighVoltage(const QString& text);            // leading number, "0.0" (no "V")
QString FormatChannels(int index);                         // 64 × 2^index
QString FormatSweeps(const QString& text);                 // leading number, plain
// Eight digits year, month, day as the locale's long date; any other text HTML-escaped as it is.
QString FormatProductionDate(const QString& text);

// A whole number in the locale's digits, without group separators.
QString FormatInteger(qint64 n);
// The sweeps a recorded scan holds: "10" when complete, "3 of 10 (stopped)" when stopped, "3 of 10
// (running)" while it still runs.
QString FormatScanSweeps(const spectrum::ScanRecord& scan);
// When a recorded scan ran: the start as the locale's long date with the time, and the end time, in
// UTC ("15 March 2024, 10:20:30 to 10:25:02 UTC"); the end's date too when it is another day. Empty
// when the start is unknown.
QString FormatScanTime(const spectrum::ScanRecord& scan);
// An energy calibration as "0.6461 keV per level, offset 0.00 keV".
QString FormatEnergyCalibration(const spectrum::EnergyCalibration& calibration);

} // namespace report
