// The command line of kivoscan: what to scan, which settings to apply first, where to write the
// results. Everything is checked here, before the device is touched.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kivoscan {

enum class OutputKind { N42, Spe, Csv, Json, Png, Html, Pdf };

struct Output {
    QString path;
    OutputKind kind;
};

struct Options {
    std::optional<double> highVoltage; // volts
    std::optional<int> coarseGain;     // list position: x1, x2, x4, x8
    std::optional<double> fineGain;    // factor 1.0 .. 2.0
    int channels = 128;
    int sweeps = 10;
    int periodMs = 250;
    QString deviceLibrary;
    bool info = false;
    bool quiet = false;
    bool analyse = false;                    // print the peak table
    std::optional<double> calibrateKeV;      // the strongest peak's energy
    std::optional<double> windowOnPeakFwhms; // leave the window on the strongest peak, +/- k FWHM
    QList<Output> outputs;

    bool needsGui() const; // an image, report or PDF output
    // The peaks are asked for: by an option (the report then shows them) or by a .json output.
    bool asksForPeaks() const { return analyse || calibrateKeV || windowOnPeakFwhms; }
    bool needsAnalysis() const;
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

constexpr double MAX_VOLTS = 1500.0;
constexpr int MAX_SWEEPS = 32767;
constexpr int MAX_PERIOD_MS = 60000;
constexpr double MAX_CALIBRATION_KEV = 10000.0;
constexpr double MAX_WINDOW_FWHMS = 10.0;

} // namespace kivoscan
