// The entries of the main window's lists. A list's position is the raw value the device exchanges,
// so the order of every table here is part of the device protocol.
#pragma once

#include <QStringList>

namespace lists {

using namespace Qt::StringLiterals;

inline QStringList coarseGain() {
    return {u"x1"_s, u"x2"_s, u"x4"_s, u"x8"_s};
}

// TTL pulse durations; position 5 ("2.5 µsec") is the device default.
inline QStringList ttlDuration() {
    return {u"0.25 \u00B5sec"_s, u"0.5 \u00B5sec"_s, u"1 \u00B5sec"_s,  u"1.5 \u00B5sec"_s,
            u"2 \u00B5sec"_s,    u"2.5 \u00B5sec"_s, u"3 \u00B5sec"_s,  u"4 \u00B5sec"_s,
            u"5 \u00B5sec"_s,    u"7.5 \u00B5sec"_s, u"10 \u00B5sec"_s, u"12 \u00B5sec"_s,
            u"15 \u00B5sec"_s,   u"20 \u00B5sec"_s};
}
constexpr int TTL_DEFAULT_POSITION = 5;

inline QStringList responseTime() {
    return {u"0.1 sec"_s, u"0.5 sec"_s, u"1 sec"_s,   u"1.5 sec"_s, u"2 sec"_s,  u"2.5 sec"_s, u"3 sec"_s,
            u"4 sec"_s,   u"5 sec"_s,   u"7.5 sec"_s, u"10 sec"_s,  u"12 sec"_s, u"15 sec"_s,  u"20 sec"_s};
}

// Count-rate ranges of the analogue "CPS level" output: firmware 1.2 and later know 29 ranges,
// older firmware 8; the same position means a different range in the two lists.
inline QStringList cpsRangeExtended() {
    return {u"50"_s,    u"100"_s,   u"150"_s,   u"200"_s,   u"250"_s,  u"300"_s,   u"400"_s,   u"500"_s,
            u"600"_s,   u"750"_s,   u"800"_s,   u"1000"_s,  u"1500"_s, u"2000"_s,  u"2500"_s,  u"3000"_s,
            u"4000"_s,  u"5000"_s,  u"6000"_s,  u"7500"_s,  u"8000"_s, u"10000"_s, u"15000"_s, u"20000"_s,
            u"25000"_s, u"30000"_s, u"40000"_s, u"50000"_s, u"60000"_s};
}
inline QStringList cpsRangeShort() {
    return {u"100"_s, u"200"_s, u"500"_s, u"1000"_s, u"2000"_s, u"5000"_s, u"10000"_s, u"50000"_s};
}

} // namespace lists
