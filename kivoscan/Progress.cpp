#include "Progress.h"

#include <unistd.h>

namespace kivoscan {

Progress::Progress(std::FILE* out, Style style) : out_(out), style_(style) {}

Progress::Style Progress::styleFor(std::FILE* out, bool quiet) {
    if (quiet)
        return Style::Quiet;
    return ::isatty(::fileno(out)) ? Style::Bar : Style::Lines;
}

QString Progress::clock(qint64 ms) {
    const qint64 s = qMax<qint64>(0, ms) / 1000;
    const QString minutes = QStringLiteral("%1:%2")
                                .arg(s / 60 % 60, s >= 3600 ? 2 : 1, 10, QLatin1Char('0'))
                                .arg(s % 60, 2, 10, QLatin1Char('0'));
    return s >= 3600 ? QStringLiteral("%1:%2").arg(s / 3600).arg(minutes) : minutes;
}

void Progress::channel(int sweep, int sweeps, int channel, int channels, qint64 elapsedMs) {
    if (style_ != Style::Bar)
        return;
    // Channels 2..N of each sweep are measured; the share done counts the ones finished.
    const double perSweep = qMax(1, channels - 1);
    const double done = ((sweep - 1) * perSweep + (channel - 2)) / (double(sweeps) * perSweep);
    const int width = 30;
    const int filled = qBound(0, int(done * width + 0.5), width);
    const QString remaining =
        done > 0.0 ? clock(qint64(double(elapsedMs) * (1.0 - done) / done)) : QStringLiteral("--:--");
    const QString line = QStringLiteral("[%1%2] sweep %3/%4 channel %5/%6  %7 elapsed, %8 left")
                             .arg(QString(filled, u'#'), QString(width - filled, u'.'))
                             .arg(sweep)
                             .arg(sweeps)
                             .arg(channel)
                             .arg(channels)
                             .arg(clock(elapsedMs), remaining);
    std::fprintf(out_, "\r%s\033[K", qPrintable(line));
    std::fflush(out_);
    barShown_ = true;
}

void Progress::sweepDone(int sweep, int sweeps, qint64 elapsedMs) {
    if (style_ != Style::Lines)
        return;
    std::fprintf(out_, "sweep %d of %d done, %s elapsed\n", sweep, sweeps, qPrintable(clock(elapsedMs)));
    std::fflush(out_);
}

void Progress::clearBar() {
    if (barShown_) {
        std::fprintf(out_, "\r\033[K");
        barShown_ = false;
    }
}

void Progress::finish() {
    if (barShown_) {
        std::fputc('\n', out_);
        barShown_ = false;
    }
    std::fflush(out_);
}

void Progress::message(const QString& text) {
    clearBar();
    std::fprintf(out_, "kivoscan: %s\n", qPrintable(text));
    std::fflush(out_);
}

} // namespace kivoscan
