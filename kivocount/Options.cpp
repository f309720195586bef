#include "Options.h"

#include "CountEngine.h"
#include "HvPlateau.h"
#include "OptionReader.h"
#include "SeriesCsv.h"

#include <QFileInfo>

#include <algorithm>

namespace kivocount {

namespace {

std::optional<OutputKind> kindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv")
        return OutputKind::Csv;
    if (suffix == u"png")
        return OutputKind::Png;
    return std::nullopt;
}

// START:STOP:STEP in volts; `error` says what is wrong.
std::optional<counting::PlateauPlan> readPlateau(const QString& text, QString& error) {
    const QStringList parts = text.split(u':');
    std::optional<double> start, stop, step;
    if (parts.size() == 3) {
        start = cli::readNumber(parts[0]);
        stop = cli::readNumber(parts[1]);
        step = cli::readNumber(parts[2]);
    }
    if (!start || !stop || !step) {
        error = QStringLiteral("--plateau must be START:STOP:STEP in volts (e.g. 800:1200:25), not \"%1\"")
                    .arg(text);
        return std::nullopt;
    }
    const QString range = QString::number(counting::MAX_HV_VOLTS);
    for (const auto& [volts, what] : {std::pair{*start, "start"}, std::pair{*stop, "stop"}})
        if (volts < 0 || volts > counting::MAX_HV_VOLTS) {
            error = QStringLiteral("--plateau: the %1 voltage must be from 0 to %2 V, not \"%3\"")
                        .arg(QLatin1String(what), range, QString::number(volts));
            return std::nullopt;
        }
    if (*step < counting::HV_VOLTS_PER_COUNT || *step > counting::MAX_HV_VOLTS) {
        error =
            QStringLiteral("--plateau: the step must be from %1 to %2 V, not \"%3\"")
                .arg(QString::number(counting::HV_VOLTS_PER_COUNT, 'f', 2), range, QString::number(*step));
        return std::nullopt;
    }
    if (*start == *stop) {
        error = QStringLiteral("--plateau: the start and stop voltages must differ");
        return std::nullopt;
    }
    counting::PlateauPlan plan;
    plan.startVolts = *start;
    plan.stopVolts = *stop;
    plan.stepVolts = *step;
    return plan;
}

} // namespace

bool Options::needsGui() const {
    return std::any_of(outputs.cbegin(), outputs.cend(),
                       [](const Output& o) { return o.kind == OutputKind::Png; });
}

double Options::highestVolts() const {
    return plateau ? std::max(plateau->startVolts, plateau->stopVolts) : counting::NO_VALUE;
}

QString confirmationQuestion(double volts) {
    return QStringLiteral("Raise the high voltage up to %1 V? [y/N] ").arg(QString::number(volts));
}

bool isYes(const QString& answer) {
    const QString a = answer.trimmed().toLower();
    return a == u"y" || a == u"yes";
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
    QStringList seriesOnly;  // given options that a plateau cannot use
    QStringList plateauOnly; // given options that only a plateau uses
    QString backgroundFile;
    bool timeGiven = false;
    bool readingsGiven = false;
    std::optional<double> settle, threshold;
    while (const auto next = reader.next()) {
        const QString arg = *next;
        if (!reader.isOption(arg)) {
            paths << arg;
            continue;
        }
        const QString name = cli::OptionReader::nameOf(arg);
        if (QStringList{u"--repeat"_qs, u"--pause"_qs, u"--background"_qs, u"--as-background"_qs}.contains(
                name))
            seriesOnly << name;
        if (QStringList{u"--settle"_qs, u"--threshold"_qs, u"--yes"_qs}.contains(name))
            plateauOnly << name;
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
        } else if (arg == u"--json") {
            o.json = true;
        } else if (arg == u"-y" || arg == u"--yes") {
            o.yes = true;
        } else if (arg == u"--as-background") {
            o.plan.kind = counting::SeriesKind::Background;
        } else if (name == u"--time") {
            const auto s = reader.number(arg, name, 1, counting::MAX_SERIES_SECONDS,
                                         QStringLiteral("a duration from 1 to 86400 seconds"));
            if (!s)
                return fail(reader.error());
            o.plan.preset = counting::Preset::Duration;
            o.plan.durationSeconds = *s;
            timeGiven = true;
        } else if (name == u"--readings") {
            const auto n = reader.integer(arg, name, 2, counting::MAX_READINGS);
            if (!n)
                return fail(reader.error());
            o.plan.preset = counting::Preset::Readings;
            o.plan.readings = *n;
            readingsGiven = true;
        } else if (name == u"--repeat") {
            const auto n = reader.integer(arg, name, 1, counting::MAX_MEASUREMENTS);
            if (!n)
                return fail(reader.error());
            o.plan.measurements = *n;
        } else if (name == u"--pause") {
            const auto s = reader.number(arg, name, 0, counting::MAX_SERIES_SECONDS,
                                         QStringLiteral("a pause from 0 to 86400 seconds"));
            if (!s)
                return fail(reader.error());
            o.plan.pauseSeconds = *s;
        } else if (name == u"--background") {
            const auto text = reader.value(arg, name);
            if (!text)
                return fail(reader.error());
            backgroundFile = *text;
        } else if (name == u"--plateau") {
            const auto text = reader.value(arg, name);
            if (!text)
                return fail(reader.error());
            QString error;
            o.plateau = readPlateau(*text, error);
            if (!o.plateau)
                return fail(error);
        } else if (name == u"--settle") {
            settle = reader.number(arg, name, 0, counting::MAX_SETTLE_SECONDS,
                                   QStringLiteral("a settling time from 0 to 3600 seconds"));
            if (!settle)
                return fail(reader.error());
        } else if (name == u"--threshold") {
            threshold = reader.number(arg, name, 0, MAX_THRESHOLD_PERCENT,
                                      QStringLiteral("a slope above 0 and up to 1000 (%/100 V)"));
            if (!threshold)
                return fail(reader.error());
            if (*threshold <= 0)
                return fail(QStringLiteral("--threshold must be a slope above 0 and up to 1000 (%/100 V), "
                                           "not \"%1\"")
                                .arg(QString::number(*threshold)));
        } else if (name == u"--period-ms") {
            const auto n = reader.integer(arg, name, MIN_PERIOD_MS, MAX_PERIOD_MS);
            if (!n)
                return fail(reader.error());
            o.periodMs = *n;
        } else if (name == u"--device-library") {
            const auto text = reader.value(arg, name);
            if (!text)
                return fail(reader.error());
            o.deviceLibrary = QFileInfo(*text).absoluteFilePath(); // its existence is checked with the unit
        } else {
            return fail(QStringLiteral("unknown option %1").arg(name));
        }
    }

    if (timeGiven && readingsGiven)
        return fail(QStringLiteral("--time and --readings both set the length of a measurement; give one"));
    if (o.plateau) {
        // One measurement per HV step: a repeat, a pause or a background would be ignored unseen.
        if (!seriesOnly.isEmpty())
            return fail(
                QStringLiteral("a plateau measures once per HV step; leave out %1").arg(seriesOnly.front()));
        o.plan.kind = counting::SeriesKind::Plateau;
        o.plateau->settleSeconds = settle.value_or(o.plateau->settleSeconds);
        o.plateau->thresholdPercentPer100V = threshold.value_or(o.plateau->thresholdPercentPer100V);
    } else if (!plateauOnly.isEmpty()) {
        return fail(QStringLiteral("%1 belongs to --plateau; leave it out").arg(plateauOnly.front()));
    }
    if (!backgroundFile.isEmpty()) {
        if (o.plan.kind == counting::SeriesKind::Background)
            return fail(
                QStringLiteral("a background series subtracts no background; leave out --background"));
        QString error;
        const auto series = counting::readSeriesCsv(backgroundFile, &error);
        if (!series)
            return fail(QStringLiteral("--background: %1").arg(error));
        if (series->kind != counting::SeriesKind::Background)
            return fail(QStringLiteral("--background: \"%1\" is a %2 series, not a background series "
                                       "(record one with --as-background)")
                            .arg(backgroundFile, counting::kindName(series->kind)));
        o.background = counting::backgroundOf(*series, QFileInfo(backgroundFile).fileName());
        if (!o.background)
            return fail(QStringLiteral("--background: \"%1\" has no measurement with a standard error")
                            .arg(backgroundFile));
    }
    // The engine's own checks, in case a combination passes the options one by one.
    QString problem = counting::checkSeriesPlan(o.plan);
    if (problem.isEmpty() && o.plateau) {
        counting::PlateauPlan check = *o.plateau;
        check.userVolts = 0; // read from the unit later
        problem = counting::checkPlateauPlan(check);
    }
    if (!problem.isEmpty())
        return fail(problem);

    QStringList seen;
    for (const QString& path : paths) {
        const auto kind = kindOf(path);
        if (!kind)
            return fail(QStringLiteral("\"%1\" has no known extension (.csv, .png)").arg(path));
        if (const QString bad = cli::checkOutputPath(path, seen); !bad.isEmpty())
            return fail(bad);
        o.outputs << Output{path, *kind};
    }
    result.action = ParsedCommandLine::Action::Run;
    return result;
}

QString usageLine() {
    return QStringLiteral("Usage: kivocount [options] [OUTPUT...]\n"
                          "       kivocount --plateau START:STOP:STEP [options] [OUTPUT...]");
}

QString helpText() {
    return usageLine() + QStringLiteral(R"(

Counts with a Kivo unit: reads the count rate every period and makes measurements of consecutive fresh
readings, each with its mean rate, the standard error from the readings' own scatter and the
dispersion index (variance / mean). A series ends with its statistics and a verdict on whether its
measurements agree. With --plateau it steps the high voltage instead, one measurement per step, finds
the plateau and proposes an operating point; the user's high voltage goes back to the unit at the end,
also after a failure or Ctrl+C.

Outputs, by extension:
  .csv   the series as comma-separated text (readable again by --background)
  .png   the rate per measurement, or the rate against HV with the plateau marked; 1000 x 600

Options:
  --time S            seconds of readings per measurement (1 to 86400, default 10)
  --readings N        fresh readings per measurement instead (2 to 1000000)
  --repeat N          measurements in the series (1 to 100000, default 1)
  --pause S           pause between measurements (0 to 86400 s, default 0)
  --background FILE   subtract the background series in FILE (a .csv from --as-background)
  --as-background     record a background series
  --plateau START:STOP:STEP  HV plateau from START to STOP volts in steps of STEP
  --settle S          plateau: settling time after each HV step (0 to 3600 s, default 5)
  --threshold PCT     plateau: the most the rate may change per 100 V, in % (default 10)
  -y, --yes           plateau: raise the HV without asking (needed when not on a terminal)
  --json              print the series as JSON on stdout
  --period-ms MS      how often the count rate is read (250 to 60000, default 250)
  --device-library FILE  the device library to load (as KIVOLIB_LIBRARY)
  -q, --quiet         no progress and no result lines on stderr
  -h, --help          show this help
  -V, --version       show the version

Ctrl+C or SIGTERM stops the series as a Stop button does: the measurement under way is kept, marked
incomplete, the outputs are written and a plateau's HV goes back to the user's. A second one more than
a second later skips what is left of the device conversation.

Exit status:
  0    done
  2    bad command line, or the plateau's highest voltage not confirmed
  3    the unit could not be reached
  4    a device call failed, or the unit gave no fresh reading for a while (what was measured is written)
  5    an output could not be written
  130  stopped by a signal (the outputs hold what was measured)
)");
}

} // namespace kivocount
