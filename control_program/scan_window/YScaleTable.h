// The full scales offered for the scan plot's Y axis: the label shown in the list and the count written
// to the plot's Yscale (0 = automatic; the plot raises any other value to its next own scale step).
#pragma once

#include <QtGlobal>

#include <array>

namespace scan {

struct YScaleEntry {
    const char* label;
    qint32 value;
};

inline constexpr std::array<YScaleEntry, 23> yScaleTable{{
    {"Auto", 0},       {"10", 10},        {"20", 20},          {"50", 50},       {"100", 100},
    {"200", 200},      {"500", 500},      {"1K", 1000},        {"2K", 2000},     {"5K", 5000},
    {"10K", 10000},    {"20K", 20000},    {"50K", 50000},      {"100K", 100000}, {"200K", 200000},
    {"500K", 500000},  {"1M", 1000000},   {"2M", 2000000},     {"5M", 5000000},  {"10M", 10000000},
    {"20M", 20000000}, {"50M", 50000000}, {"100M", 100000000},
}};

} // namespace scan
