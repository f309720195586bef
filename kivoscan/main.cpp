// kivoscan: the pseudo-PHA scan from the command line, on the same scan engine, device link and
// simulated detector as the scan window.
#include "DeviceLink.h"
#include "DeviceSession.h"
#include "ExitCodes.h"
#include "OptionReader.h"
#include "Options.h"
#include "Outputs.h"
#include "Progress.h"
#include "ScanRun.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace kivoscan;
using cli::DeviceSession;
using cli::Progress;
namespace exitcode = cli::exitcode;

namespace {

QString version() {
    return QStringLiteral("%1.%2.%3").arg(KIVO_VERSION_MAJOR).arg(KIVO_VERSION_MINOR).arg(KIVO_VERSION_PATCH);
}

void print(std::FILE* to, const QString& text) {
    std::fputs(qPrintable(text), to);
    std::fputc('\n', to);
}

// Images and reports are drawn by the plot control, which needs a GUI platform: the offscreen one, so
// the command runs on a machine without a display. Only spectrum files and --info need none.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, const Options& options) {
    if (!options.needsGui())
        return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The PDF is rendered by the browser engine, whose sandbox refuses to start as root (a CI job often
    // is).
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ParsedCommandLine command = parseCommandLine(arguments);
    switch (command.action) {
    case ParsedCommandLine::Action::Help:
        print(stdout, helpText());
        return exitcode::OK;
    case ParsedCommandLine::Action::Version:
        print(stdout, QStringLiteral("kivoscan ") + version());
        return exitcode::OK;
    case ParsedCommandLine::Action::Error:
        cli::printUsageError(QStringLiteral("kivoscan"), command.error, usageLine());
        return exitcode::USAGE;
    case ParsedCommandLine::Action::Run:
        break;
    }
    const Options& options = command.options;
    if (!options.deviceLibrary.isEmpty())
        qputenv(kivo::DeviceLink::LIBRARY_ENV, QFile::encodeName(options.deviceLibrary));

    const auto app = makeApplication(argc, argv, options);
    QCoreApplication::setApplicationName(QStringLiteral("kivoscan"));
    QCoreApplication::setApplicationVersion(version());

    Progress progress(stderr, Progress::styleFor(stderr, options.quiet));
    bool deviceFailed = false;
    kivo::DeviceLink::instance().setErrorReporter(
        [&](const std::string& message) { progress.message(QString::fromStdString(message)); });
    DeviceSession session([&](const QString& text) {
        deviceFailed = true;
        progress.message(text);
    });
    // Signals that arrive before the scan runs end the program as usual; from here on they stop it.
    cli::TerminationSignals interrupt;
    if (!session.open()) {
        progress.message(QStringLiteral("Failed to connect to SCA."));
        return exitcode::CONNECTION;
    }

    if (options.info) {
        std::fputs(QJsonDocument(session.toJson()).toJson(QJsonDocument::Indented).constData(), stdout);
        session.close();
        return deviceFailed ? exitcode::DEVICE : exitcode::OK;
    }

    session.apply(options.highVoltage, options.coarseGain, options.fineGain);
    ScanRun run(session, progress, options.periodMs);
    QObject::connect(&interrupt, &cli::TerminationSignals::received, &run, [&] {
        progress.message(QStringLiteral("Stopping: the user's window goes back to the unit."));
        run.stop();
    });
    if (!interrupt.happened())
        run.run(options.channels, qint16(options.sweeps));
    deviceFailed = deviceFailed || run.deviceFailed();
    session.close();

    bool outputFailed = false;
    const Outputs outputs(session, run, options);
    for (const Output& output : options.outputs) {
        if (const QString error = outputs.write(output); !error.isEmpty()) {
            outputFailed = true;
            progress.message(error);
        }
    }
    if (outputFailed)
        return exitcode::OUTPUT;
    if (interrupt.happened())
        return exitcode::INTERRUPTED;
    return deviceFailed ? exitcode::DEVICE : exitcode::OK;
}
