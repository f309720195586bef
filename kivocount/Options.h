// The command line of kivocount: what to count, how often, against which background, or which HV
// plateau to run, and where to write the series. Everything is checked here, before the device is
// touched; a background file is read here too, so a bad one costs no measurement.
#pragma once

#include "CountSeries.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kivocount {

enum class OutputKind { Csv, Png };

struct Output {
    QString path;
    OutputKind kind;
};

struct Options {
    counting::SeriesPlan plan;                    // kind, preset, measurements, pause
    std::optional<counting::PlateauPlan> plateau; // --plateau (its userVolts comes from the unit)
    std::optional<counting::Background> background;
    bool yes = false; // the plateau's highest voltage confirmed on the command line
    bool json = false;
    bool quiet = false;
    int periodMs = 250;
    QString deviceLibrary;
    QList<Output> outputs;

    bool needsGui() const; // an image output
    // The highest HV a plateau asks for: what the user confirms.
    double highestVolts() const;
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, Error } action = Action::Error;
    Options options;
    QString error; // for Error: what was wrong, one sentence
};

// `arguments` as main() received them, the program name first.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

QString usageLine();
QString helpText();

// The unit gives a fresh reading every 250 ms: reading it more often only loads the link.
constexpr int MIN_PERIOD_MS = 250;
constexpr int MAX_PERIOD_MS = 60000;
constexpr double MAX_THRESHOLD_PERCENT = 1000;

// The question asked on a terminal before a plateau raises the HV.
QString confirmationQuestion(double volts);
// True for the answers that mean yes ("y", "yes", any case).
bool isYes(const QString& answer);

} // namespace kivocount
