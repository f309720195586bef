// Progress of a long measurement on stderr: a live bar on a terminal, one line per milestone otherwise,
// nothing when quiet. Messages (device failures, notices) go through it too, so they never land in the
// middle of the bar; they carry the program's name.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace cli {

class Progress {
public:
    enum class Style { Bar, Lines, Quiet };
    Progress(std::FILE* out, Style style);
    // The style for stderr: a bar on a terminal, lines otherwise.
    static Style styleFor(std::FILE* out, bool quiet);

    // The live bar (terminal only): `done` is the share finished (0..1), `label` says where the
    // measurement is ("sweep 2/10 channel 17/128"); elapsed and remaining time follow. The line is
    // fitted to the terminal's width, so it never wraps and scrolls.
    void bar(double done, const QString& label, qint64 elapsedMs);
    // A milestone line ("sweep 2 of 10 done, 0:05 elapsed"), shown only when the output is no terminal.
    void line(const QString& text);
    void finish();
    // A result line ("measurement 3 of 20: ..."): shown above the bar or among the milestone lines,
    // not when quiet, without the program's name.
    void note(const QString& text);
    // A line that is always shown, also when quiet: "<program>: <text>".
    void message(const QString& text);

    // The bar's text for a terminal `columns` wide, without control characters.
    static QString barText(double done, const QString& label, qint64 elapsedMs, int columns);
    // "1:05" or "1:02:05".
    static QString clock(qint64 ms);

private:
    void clearBar();
    int columns() const;
    std::FILE* out_;
    Style style_;
    bool barShown_ = false;
};

} // namespace cli
