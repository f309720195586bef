// kivocount: timed and repeated count-rate measurements and the HV plateau from the command line, on the
// same count engine, device link and simulated detector as the count window.
#include "CountRun.h"
#include "DeviceLink.h"
#include "DeviceSession.h"
#include "ExitCodes.h"
#include "OptionReader.h"
#include "Options.h"
#include "Outputs.h"
#include "Progress.h"
#include "SeriesJson.h"
#include "SeriesText.h"
#include "TerminationSignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

using namespace kivocount;
namespace exitcode = cli::exitcode;

namespace {

const QString kProgram = QStringLiteral("kivocount");
// How long a plateau that could not put the user's HV back waits for the unit to answer again.
constexpr qint64 RESTORE_WAIT_MS = 30000;

QString version() {
    return QStringLiteral("%1.%2.%3").arg(KIVO_VERSION_MAJOR).arg(KIVO_VERSION_MINOR).arg(KIVO_VERSION_PATCH);
}

void print(std::FILE* to, const QString& text) {
    std::fputs(qPrintable(text), to);
    std::fputc('\n', to);
}

// A plateau raises the HV: the user says yes on a terminal, or with --yes beforehand. Returns the exit
// status when not confirmed (told), nullopt when confirmed.
std::optional<int> confirmPlateau(const Options& options) {
    if (!options.plateau || options.yes)
        return std::nullopt;
    const double volts = options.highestVolts();
    if (!::isatty(::fileno(stdin))) {
        cli::printUsageError(
            kProgram,
            QStringLiteral("a plateau raises the high voltage up to %1 V: confirm it with --yes")
                .arg(QString::number(volts)),
            usageLine());
        return exitcode::USAGE;
    }
    std::fputs(qPrintable(confirmationQuestion(volts)), stderr);
    std::fflush(stderr);
    char answer[64] = {};
    if (std::fgets(answer, sizeof answer, stdin) && isYes(QString::fromLocal8Bit(answer)))
        return std::nullopt;
    print(stderr, QStringLiteral("kivocount: the high voltage was not confirmed; nothing was done."));
    return exitcode::USAGE;
}

// An image needs a GUI platform for its text: the offscreen one, so the command runs without a display.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, const Options& options) {
    if (!options.needsGui())
        return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    const ParsedCommandLine command = parseCommandLine(cli::argumentsOf(argc, argv));
    switch (command.action) {
    case ParsedCommandLine::Action::Help:
        print(stdout, helpText());
        return exitcode::OK;
    case ParsedCommandLine::Action::Version:
        print(stdout, kProgram + u' ' + version());
        return exitcode::OK;
    case ParsedCommandLine::Action::Error:
        cli::printUsageError(kProgram, command.error, usageLine());
        return exitcode::USAGE;
    case ParsedCommandLine::Action::Run:
        break;
    }
    const Options& options = command.options;
    if (const auto refused = confirmPlateau(options))
        return *refused;
    if (!options.deviceLibrary.isEmpty())
        qputenv(kivo::DeviceLink::LIBRARY_ENV, QFile::encodeName(options.deviceLibrary));
    // A device library named but missing is told the same way whichever way it was named.
    if (const QString library = qEnvironmentVariable(kivo::DeviceLink::LIBRARY_ENV);
        !library.isEmpty() && !QFileInfo(library).isFile()) {
        print(stderr, QStringLiteral("kivocount: the device library \"%1\" does not exist.").arg(library));
        return exitcode::CONNECTION;
    }

    const auto app = makeApplication(argc, argv, options);
    QCoreApplication::setApplicationName(kProgram);
    QCoreApplication::setApplicationVersion(version());

    cli::Progress progress(stderr, cli::Progress::styleFor(stderr, options.quiet));
    bool deviceFailed = false;
    kivo::DeviceLink::instance().setErrorReporter(
        [&](const std::string& message) { progress.message(QString::fromStdString(message)); });
    cli::DeviceSession session([&](const QString& text) {
        deviceFailed = true;
        progress.message(text);
    });
    // From here on Ctrl+C, SIGTERM and SIGHUP stop the series as a Stop button does.
    cli::TerminationSignals interrupt;
    if (!session.open()) {
        progress.message(QStringLiteral("Failed to connect to SCA."));
        return exitcode::CONNECTION;
    }
    if (session.identity().simulated)
        progress.message(QStringLiteral("The unit is the simulated detector, not real hardware."));

    CountRun run(session, progress, options, [&] { return interrupt.insisted(); });
    QObject::connect(&interrupt, &cli::TerminationSignals::received, &run, [&](int signalNumber) {
        if (!run.engine().running()) {
            run.giveUp(); // waiting for the unit to take the user's HV back
            return;
        }
        progress.message(options.plateau
                             ? QStringLiteral("Stopping: the user's high voltage goes back to the unit.")
                             : QStringLiteral("Stopping: what was measured is written."));
        // Ctrl+C is the user's Stop; a session or a service ending the program aborts the series.
        run.stop(signalNumber == SIGINT ? counting::SeriesEnd::Stopped : counting::SeriesEnd::Aborted);
    });
    QObject::connect(&interrupt, &cli::TerminationSignals::insistedOn, &run, [&] { run.giveUp(); });
    const bool started = !interrupt.requested() && run.run();
    deviceFailed = deviceFailed || run.deviceFailed();

    counting::Series series = run.series();
    if (options.plateau && started && !series.hvRestored && !interrupt.insisted())
        series.hvRestored = run.restoreUserVoltage(RESTORE_WAIT_MS);
    if (options.plateau && started && std::isfinite(run.engine().requestedHighVoltage())) {
        const QString user = QString::number(series.plateau->userVolts, 'f', 1);
        if (series.hvRestored)
            progress.note(QStringLiteral("The user's high voltage of %1 V is back on the unit.").arg(user));
        else
            progress.message(QStringLiteral("The user's high voltage of %1 V was not put back: the unit may "
                                            "still hold %2.")
                                 .arg(user, std::isfinite(run.lastAcceptedVolts())
                                                ? QString::number(run.lastAcceptedVolts(), 'f', 1) + u" V"_qs
                                                : QStringLiteral("a voltage of the plateau")));
    }
    session.close();
    const int failureCode = interrupt.requested() ? exitcode::INTERRUPTED
                            : deviceFailed        ? exitcode::DEVICE
                                                  : exitcode::OK;
    if (series.measurements.isEmpty()) {
        progress.message(QStringLiteral("Nothing was measured: no file was written."));
        return failureCode == exitcode::OK ? exitcode::DEVICE : failureCode;
    }
    for (const QString& line : summaryLines(series))
        progress.note(line);

    bool outputFailed = false;
    for (const Output& output : options.outputs) {
        if (const QString error = writeOutput(output, series); !error.isEmpty()) {
            outputFailed = true;
            progress.message(error);
        }
    }
    if (options.json)
        std::fputs(QJsonDocument(seriesJson(series)).toJson(QJsonDocument::Indented).constData(), stdout);
    if (outputFailed) {
        // What was measured is never lost with an output: it is kept in the user's data folder.
        QString error;
        const QString kept = keepSeries(series, &error);
        progress.message(
            kept.isEmpty()
                ? error
                : QStringLiteral("The series is kept in \"%1\".").arg(QDir::toNativeSeparators(kept)));
        return exitcode::OUTPUT;
    }
    return failureCode;
}
