#include "Options.h"

#include "OptionReader.h"
#include "PeakWindow.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace kivoscan {

namespace {

const QStringList kCoarse = {QStringLiteral("x1"), QStringLiteral("x2"), QStringLiteral("x4"),
                             QStringLiteral("x8")};

std::optional<OutputKind> kindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"n42")
        return OutputKind::N42;
    if (suffix == u"spe")
        return OutputKind::Spe;
    if (suffix == u"csv")
        return OutputKind::Csv;
    if (suffix == u"json")
        return OutputKind::Json;
    if (suffix == u"png")
        return OutputKind::Png;
    if (suffix == u"html" || suffix == u"htm")
        return OutputKind::Html;
    if (suffix == u"pdf")
        return OutputKind::Pdf;
    return std::nullopt;
}

// The smallest number above 0: the reader's ranges include their ends, and 0 is refused.
constexpr double kAboveZero = std::numeric_limits<double>::denorm_min();

} // namespace

bool Options::needsAnalysis() const {
    return asksForPeaks() || std::any_of(outputs.begin(), outputs.end(),
                                         [](const Output& o) { return o.kind == OutputKind::Json; });
}

bool Options::needsGui() const {
    for (const Output& o : outputs)
        if (o.kind == OutputKind::Png || o.kind == OutputKind::Html || o.kind == OutputKind::Pdf)
            return true;
    return false;
}

ParsedCommandLine parseCommandLine(const QStringList& args) {
    ParsedCommandLine result;
    Options& o = result.options;
    cli::OptionReader reader(args);
    auto fail = [&](const QString& error) {
        result.action = ParsedCommandLine::Action::Error;
        result.error = error;
        return result;
    };
    QStringList paths;
    QStringList scanOptions; // given options that only a scan uses
    while (const auto next = reader.next()) {
        const QString arg = *next;
        if (!reader.isOption(arg)) {
            paths << arg;
            continue;
        }
        const QString name = cli::OptionReader::nameOf(arg);
        static const QStringList kScanOnly = {u"--hv"_qs,       u"--coarse"_qs,    u"--fine"_qs,
                                              u"--channels"_qs, u"--sweeps"_qs,    u"--period-ms"_qs,
                                              u"--analyse"_qs,  u"--calibrate"_qs, u"--window-on-peak"_qs};
        if (kScanOnly.contains(name))
            scanOptions << name;
        const cli::CommonOption common = reader.common(arg);
        if (common == cli::CommonOption::Help || common == cli::CommonOption::Version) {
            result.action = common == cli::CommonOption::Help ? ParsedCommandLine::Action::Help
                                                              : ParsedCommandLine::Action::Version;
            return result;
        }
        if (common == cli::CommonOption::EndOfOptions) {
            // "--": the reader takes what follows as operands
        } else if (common == cli::CommonOption::Quiet) {
            o.quiet = true;
        } else if (arg == u"--info") {
            o.info = true;
        } else if (name == u"--hv") {
            const auto volts =
                reader.number(arg, name, 0.0, MAX_VOLTS, QStringLiteral("a voltage from 0 to 1500"));
            if (!volts)
                return fail(reader.error());
            o.highVoltage = volts;
        } else if (name == u"--coarse") {
            const auto text = reader.value(arg, name);
            if (!text)
                return fail(reader.error());
            const qsizetype index = kCoarse.indexOf(text->trimmed().toLower());
            if (index < 0)
                return fail(QStringLiteral("--coarse must be x1, x2, x4 or x8, not \"%1\"").arg(*text));
            o.coarseGain = int(index);
        } else if (name == u"--fine") {
            const auto factor =
                reader.number(arg, name, 1.0, 2.0, QStringLiteral("a factor from 1.0 to 2.0"));
            if (!factor)
                return fail(reader.error());
            o.fineGain = factor;
        } else if (name == u"--channels") {
            const auto text = reader.value(arg, name);
            if (!text)
                return fail(reader.error());
            const auto n = cli::readInteger(*text);
            if (!n || (*n != 64 && *n != 128 && *n != 256 && *n != 512))
                return fail(QStringLiteral("--channels must be 64, 128, 256 or 512, not \"%1\"").arg(*text));
            o.channels = *n;
        } else if (name == u"--sweeps") {
            const auto n = reader.integer(arg, name, 1, MAX_SWEEPS);
            if (!n)
                return fail(reader.error());
            o.sweeps = *n;
        } else if (name == u"--period-ms") {
            const auto n = reader.integer(arg, name, 1, MAX_PERIOD_MS);
            if (!n)
                return fail(reader.error());
            o.periodMs = *n;
        } else if (arg == u"--analyse") {
            o.analyse = true;
        } else if (name == u"--calibrate") {
            const auto keV = reader.number(arg, name, kAboveZero, MAX_CALIBRATION_KEV,
                                           QStringLiteral("an energy in keV above 0, up to 10000"));
            if (!keV)
                return fail(reader.error());
            o.calibrateKeV = keV;
        } else if (name == u"--window-on-peak") {
            o.windowOnPeakFwhms = analysis::DEFAULT_WINDOW_FWHMS;
            // Only as "=K": a separate argument after it is an output.
            if (arg != name) {
                const auto k = reader.number(arg, name, kAboveZero, MAX_WINDOW_FWHMS,
                                             QStringLiteral("a number of FWHMs above 0, up to 10"));
                if (!k)
                    return fail(reader.error());
                o.windowOnPeakFwhms = k;
            }
        } else if (name == u"--device-library") {
            const auto text = reader.value(arg, name);
            if (!text)
                return fail(reader.error());
            o.deviceLibrary = QFileInfo(*text).absoluteFilePath(); // its existence is checked with the unit
        } else {
            return fail(QStringLiteral("unknown option %1").arg(name));
        }
    }

    if (o.info) {
        if (!paths.isEmpty())
            return fail(QStringLiteral("--info writes no files; leave out \"%1\"").arg(paths.front()));
        // --info only reads: an option that would change or scan something would be ignored unseen.
        if (!scanOptions.isEmpty())
            return fail(
                QStringLiteral("--info changes and scans nothing; leave out %1").arg(scanOptions.front()));
        result.action = ParsedCommandLine::Action::Run;
        return result;
    }
    if (paths.isEmpty())
        return fail(QStringLiteral("no output file named"));
    QStringList seen;
    for (const QString& path : paths) {
        const auto kind = kindOf(path);
        if (!kind)
            return fail(
                QStringLiteral("\"%1\" has no known extension (.n42, .spe, .csv, .json, .png, .html, .pdf)")
                    .arg(path));
        if (const QString problem = cli::checkOutputPath(path, seen); !problem.isEmpty())
            return fail(problem);
        o.outputs << Output{path, *kind};
    }
    result.action = ParsedCommandLine::Action::Run;
    return result;
}

QString usageLine() {
    return QStringLiteral("Usage: kivoscan [options] OUTPUT...\n       kivoscan --info [options]");
}

QString helpText() {
    return usageLine() + QStringLiteral(R"(

Records a pseudo pulse-height spectrum with a Kivo unit: connects, applies the settings given, steps
the discriminator window across the level range (each channel: one reading discarded, three summed)
for the sweeps asked, puts the user's discriminator window back, disconnects and writes each OUTPUT.

Outputs, by extension:
  .n42   ANSI N42.42-2012 XML spectrum      .png   the plot, 1000 x 600
  .spe   IAEA SPE spectrum                  .html  the report (its images beside it)
  .csv   spectrum as comma-separated text   .pdf   the report as PDF
  .json  the spectrum, its peaks and the energy calibration

Options:
  --channels N        channels of the scan: 64, 128, 256 or 512 (default 128)
  --sweeps N          sweeps, summed (1 to 32767, default 10)
  --hv VOLTS          set the high voltage first (0 to 1500)
  --coarse x1|x2|x4|x8  set the coarse amplifier gain first
  --fine FACTOR       set the fine amplifier gain first (1.0 to 2.0)
  --period-ms MS      how often the count rate is read (1 to 60000, default 250)
  --analyse           print the table of the spectrum's peaks on stdout (the FWHM with the
                      channel windows' width removed); the report shows it too
  --calibrate KEV     give the strongest peak this energy in keV (above 0, up to 10000): every
                      output carries the calibration, the plot and report show keV
  --window-on-peak[=K]  leave the unit's window on the strongest peak, centroid -/+ K x FWHM
                      (K above 0, up to 10, default 1.25) with integral mode off, instead of
                      putting the user's window back; never saved to the unit's memory
  --device-library FILE  the device library to load (as KIVOLIB_LIBRARY)
  --info              print the unit's identity and settings as JSON, scan nothing
  -q, --quiet         no progress on stderr
  -h, --help          show this help
  -V, --version       show the version

Ctrl+C or SIGTERM stops the scan as the scan window's Stop does; the partial spectrum is written,
marked as aborted. With --window-on-peak, a stopped scan, a failed device call or a spectrum without
a peak still puts the user's window back.

Example: a Cs-137 spectrum, its peaks and the energy axis from the 661.7 keV photopeak:
  kivoscan --channels 256 --sweeps 5 --analyse --calibrate 661.7 run.n42 run.json

Exit status:
  0    done
  2    bad command line
  3    the unit could not be reached
  4    a device call failed (reported; the user's window was written back, the outputs written)
  5    an output could not be written
  6    --calibrate or --window-on-peak found no peak (the outputs are written, uncalibrated)
  130  stopped by a signal (the outputs hold the partial spectrum)
)");
}

} // namespace kivoscan
