// Progress of a scan on stderr: a live bar on a terminal, one line per sweep otherwise, nothing when
// quiet. Messages (device failures) go through it too, so they never land in the middle of the bar.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace kivoscan {

class Progress {
public:
    enum class Style { Bar, Lines, Quiet };
    Progress(std::FILE* out, Style style);
    // The style for stderr: a bar on a terminal, lines otherwise.
    static Style styleFor(std::FILE* out, bool quiet);

    // The scan measures `channel` (1-based, as the scan window counts) of `channels` in `sweep`.
    void channel(int sweep, int sweeps, int channel, int channels, qint64 elapsedMs);
    void sweepDone(int sweep, int sweeps, qint64 elapsedMs);
    void finish();
    // A line that is always shown, also when quiet.
    void message(const QString& text);

    // "1:05" or "1:02:05".
    static QString clock(qint64 ms);

private:
    void clearBar();
    std::FILE* out_;
    Style style_;
    bool barShown_ = false;
};

} // namespace kivoscan
