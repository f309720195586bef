// Placing a spectrum of one channel layout onto another: each channel covers an interval of the
// discriminator's full scale, and its counts are shared among the target channels in proportion to
// the overlap, as whole counts that add up to the same total.
#pragma once

#include "ScanRecord.h"

#include <QList>

namespace spectrum {

// The edges of a record's channels in fractions of the full scale (counts.size() + 1 values, rising).
// By discriminator level when the record carries its channels' windows and level count: the edge
// between two channels is the middle of their windows' overlap. Otherwise by channel fraction: the
// N + 1 points of a scan of N channels (a power of two plus one, or `channels` when the file says)
// cover k / N to (k + 1) / N, any other M points cover k / M to (k + 1) / M.
QList<double> channelEdges(const ScanRecord& record);

// `counts` with channel edges `from` shared onto the channels with edges `to`. Counts outside the
// target's range go to its first or last channel, so the total is kept (up to the 32-bit limit of a
// channel).
QList<qint32> rebin(const QList<qint32>& counts, const QList<double>& from, const QList<double>& to);

// The reference's counts on the scan's channels: a copy when both have the same points and layout,
// otherwise rebinned by the edges above.
QList<qint32> rebinOnto(const ScanRecord& reference, const ScanRecord& scan);

} // namespace spectrum
