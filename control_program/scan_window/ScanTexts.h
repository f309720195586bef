// How the scan window reads its texts: the channel list's entry and the sweeps box, as numbers.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace scan {

// The leading number of a text (blanks, optional sign, digits with "." as decimal point, optional
// exponent), rounded half to even; nullopt when the text does not start with a number.
std::optional<qint32> leadingInteger(const QString& text);

// The sweep count for the sweeps box's text: its leading number as a 16-bit integer, so "500" scans 500
// times. A number beyond the 16-bit range is limited to the up-down control's MIN_SWEEPS..MAX_SWEEPS; a
// text without a number gives 0. A count below 1 still makes one complete sweep.
constexpr qint16 MIN_SWEEPS = 1;
constexpr qint16 MAX_SWEEPS = 200;
qint16 sweepsFromText(const QString& text);

} // namespace scan
