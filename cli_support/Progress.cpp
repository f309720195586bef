#include "Progress.h"

#include <QCoreApplication>

#include <sys/ioctl.h>
#include <unistd.h>

namespace cli {

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

int Progress::columns() const {
    struct winsize size {};
    if (::ioctl(::fileno(out_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && fromEnvironment > 0 ? fromEnvironment : 80;
}

QString Progress::barText(double done, const QString& label, qint64 elapsedMs, int columns) {
    done = qBound(0.0, done, 1.0);
    const QString remaining =
        done > 0.0 ? clock(qint64(double(elapsedMs) * (1.0 - done) / done)) : QStringLiteral("--:--");
    const QString times = QStringLiteral("%1 elapsed, %2 left").arg(clock(elapsedMs), remaining);
    // The last column stays free: a terminal wraps a line that fills it.
    const int room = qMax(1, columns - 1);
    const QString tail = u' ' + label + QStringLiteral("  ") + times;
    // The bar gives way first (down to ten cells), then the text is cut.
    const int width = qBound(10, room - int(tail.size()) - 2, 30);
    const int filled = qBound(0, int(done * width + 0.5), width);
    const QString text = u'[' + QString(filled, u'#') + QString(width - filled, u'.') + u']' + tail;
    return text.left(room);
}

void Progress::bar(double done, const QString& label, qint64 elapsedMs) {
    if (style_ != Style::Bar)
        return;
    std::fprintf(out_, "\r%s\033[K", qPrintable(barText(done, label, elapsedMs, columns())));
    std::fflush(out_);
    barShown_ = true;
}

void Progress::line(const QString& text) {
    if (style_ != Style::Lines)
        return;
    std::fprintf(out_, "%s\n", qPrintable(text));
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

void Progress::note(const QString& text) {
    if (style_ == Style::Quiet)
        return;
    clearBar();
    std::fprintf(out_, "%s\n", qPrintable(text));
    std::fflush(out_);
}

void Progress::message(const QString& text) {
    clearBar();
    std::fprintf(out_, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(text));
    std::fflush(out_);
}

} // namespace cli
