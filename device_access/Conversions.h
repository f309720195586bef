// Pure conversions between device values and what the main window shows or reads. No widgets, no
// device calls: everything here is a function of its arguments and the default QLocale().
#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace conv {

// A number in plain decimal: ASCII digits and minus, no digit grouping, and the user's decimal separator
// (the only part of the locale a readout follows). Instrument readouts read "1500.0", not "1,500.0"
// or Eastern Arabic digits, and the same text can be typed back.
QString plainNumber(double value, int decimals);
QString plainNumber(qint64 value);

// True for the analogue-output variant: the name starts with "Kivo*", "Kivo/VR" or "Kivo-VR" (exact,
// case-sensitive; the asterisk is an ordinary character).
bool isVariantVR(const QString& productName);

// The leading number of `text`: optional blanks, an optional sign, then decimal digits; 0 when there
// are none. Saturates instead of overflowing.
qint32 leadingNumber(const QString& text);

struct FirmwareFeatures {
    bool extRanges = false;   // 1.2 or later: long CPS range list, settable response time
    bool ttlDuration = false; // 2.x.y with y > 0 and later majors with a non-zero third part
};
// Features of a firmware version "a.b.c"; nullopt when the text does not have exactly three
// dot-separated parts.
std::optional<FirmwareFeatures> firmwareFeatures(const QString& version);

// maxLevel from the level information: the level count minus one; a failed read, a single level or a
// count of 0 or less carries no information and gives the default 2047.
constexpr qint32 DEFAULT_MAX_LEVEL = 2047;
qint32 maxLevelFromCount(bool readOk, qint32 levelCount);

// Locale-aware text to single precision, also in the plain form the window shows; anything that does
// not convert to a finite float gives 0.
float TextToSingle(const QString& text);

// Volts to the 12-bit HV count (4095 for 1500 V), rounded to nearest with ties to even; nullopt when
// the count does not fit a 32-bit signed integer.
std::optional<qint32> voltsToCount(float volts);
// The volts of a device HV count, and the text shown for it: volts with one decimal.
double countToVolts(qint32 count);
QString countToVoltsText(qint32 count);

// The fine gain factor 1 + fine / 4095, the position nearest to a factor (limited to 0..4095), and
// the text shown: "x" and the factor with four decimals.
double fineFactor(qint32 fine);
qint32 fineFromFactor(double factor);
QString fineGainText(qint32 fine);
// PARAM_GAIN split into its parts.
constexpr qint32 fineFromGain(qint32 gain) {
    return gain & 4095;
}
constexpr qint32 coarseFromGain(qint32 gain) {
    return (gain / 4096) & 7;
}
constexpr qint32 gainValue(qint32 coarse, qint32 fine) {
    return coarse * 4096 + fine;
}

// A discriminator level shown in percent of maxLevel with two decimals and "%"; the level is shown
// limited to 0..maxLevel.
QString levelPercentText(qint32 level, qint32 maxLevel);

// Production date from the raw identification text: characters 1-4 year, 5-6 month, 7-8 day. The
// result is invalid when those numbers make no calendar date.
QDate productionDate(const QString& raw);

// The text a count-rate reading shows in the window.
QString cpsText(qint32 cps);

} // namespace conv
