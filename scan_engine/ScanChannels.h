// The arithmetic of the pseudo-PHA scan: which discriminator window measures a channel, how levels
// and plot channels map onto each other, and how channel sums are kept.
// Pure functions of their arguments; every rounding sends halves to the even neighbour.
#pragma once

#include <QtGlobal>

namespace scan {

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4), limited to the 32-bit range.
qint32 roundHalfEven(double value);

// The discriminator window of channel k of N: the bin [k/N, (k+1)/N] of the full scale
// F = maxLevel + 1, widened by a quarter bin (at least one level) on each side, within 0..maxLevel.
struct ChannelWindow {
    qint32 lld = 0;
    qint32 uld = 0;
    bool operator==(const ChannelWindow&) const = default;
};
ChannelWindow channelWindow(qint32 channel, qint32 channels, qint32 maxLevel);

// The plot channel that shows a level: level x N / maxLevel, the same share of maxLevel that the main
// window's percentage labels show.
qint32 levelToChannel(qint32 level, qint32 channels, qint32 maxLevel);
// The level a plot channel stands for when the user drags a window: maxLevel x channel / N.
qint32 channelToLevel(qint32 channel, qint32 channels, qint32 maxLevel);

// A channel sum plus one reading, held at the 32-bit limits instead of wrapping.
qint32 addSaturated(qint32 sum, qint32 reading);

// A level narrowed to the 16 bits the scan window's ROI operation takes, held at its limits.
qint16 toLevel16(qint32 level);

} // namespace scan
