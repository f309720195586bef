// kivoscan: the pseudo-PHA scan from the command line, on the same scan engine, device link and
// simulated detector as the scan window.
#include "AutomaticCopy.h"
#include "DeviceLink.h"
#include "DeviceSession.h"
#include "ExitCodes.h"
#include "OptionReader.h"
#include "Options.h"
#include "Outputs.h"
#include "PeakRequests.h"
#include "Progress.h"
#include "ScanRun.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    const ParsedCommandLine command = parseCommandLine(cli::argumentsOf(argc, argv));
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
    // A device library named but missing is told the same way whichever way it was named.
    if (const QString library = qEnvironmentVariable(kivo::DeviceLink::LIBRARY_ENV);
        !library.isEmpty() && !QFileInfo(library).isFile()) {
        print(stderr, QStringLiteral("kivoscan: the device library \"%1\" does not exist.").arg(library));
        return exitcode::CONNECTION;
    }

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
    // From here on Ctrl+C, SIGTERM and SIGHUP stop the program as a Stop button does. One that comes
    // before the first reading changes nothing more on the unit and writes no file.
    cli::TerminationSignals interrupt;
    const auto stoppedBeforeTheScan = [&] {
        session.close();
        progress.message(QStringLiteral("Stopped before the scan began: no file was written."));
        return exitcode::INTERRUPTED;
    };
    if (!session.open()) {
        progress.message(QStringLiteral("Failed to connect to SCA."));
        return exitcode::CONNECTION;
    }
    if (interrupt.requested())
        return stoppedBeforeTheScan();
    if (session.identity().simulated && !options.info)
        progress.message(QStringLiteral("The unit is the simulated detector, not real hardware."));

    if (options.info) {
        std::fputs(QJsonDocument(session.toJson()).toJson(QJsonDocument::Indented).constData(), stdout);
        session.close();
        return deviceFailed ? exitcode::DEVICE : exitcode::OK;
    }

    session.apply(options.highVoltage, options.coarseGain, options.fineGain,
                  [&] { return interrupt.requested(); });
    if (interrupt.requested())
        return stoppedBeforeTheScan();
    ScanRun run(session, progress, options.periodMs, [&] { return interrupt.insisted(); });
    QObject::connect(&interrupt, &cli::TerminationSignals::received, &run, [&] {
        progress.message(QStringLiteral("Stopping: the user's window goes back to the unit."));
        run.stop();
    });
    PeakRequests peaks(options, session, run, progress);
    run.setWindowChoice([&](bool complete) { return peaks.chooseWindow(complete); });
    if (!interrupt.requested())
        run.run(options.channels, qint16(options.sweeps));
    deviceFailed = deviceFailed || run.deviceFailed();
    session.close();
    if (interrupt.requested() && !run.engine().recorder().hasReadings())
        return stoppedBeforeTheScan();

    peaks.tell();

    bool outputFailed = false;
    const Outputs outputs(session, run, options, peaks.findings());
    for (const Output& output : options.outputs) {
        if (const QString error = outputs.write(output); !error.isEmpty()) {
            outputFailed = true;
            progress.message(error);
        }
    }
    if (outputFailed) {
        // What was measured is never lost with an output: it is kept where every scan's copy goes.
        if (const spectrum::ScanRecord record = outputs.record(); record.hasMeasuredChannel()) {
            const spectrum::CopyResult copy = spectrum::writeAutomaticCopy(record);
            progress.message(copy.path.isEmpty() ? copy.error
                                                 : QStringLiteral("The spectrum is kept in \"%1\".")
                                                       .arg(QDir::toNativeSeparators(copy.path)));
        }
        return exitcode::OUTPUT;
    }
    if (interrupt.requested())
        return exitcode::INTERRUPTED;
    if (deviceFailed)
        return exitcode::DEVICE;
    return peaks.peakMissing() ? exitcode::NO_PEAK : exitcode::OK;
}
