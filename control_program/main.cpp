#include "CommandLine.h"
#include "TerminationSignals.h"
#include "TopLevel.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    // Chromium (the report preview's browser) refuses to start its sandbox as root and would take the
    // whole program down when the preview opens; a lab PC often runs the panel as root.
    if (geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX"))
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    app::SetApplicationInfo();
    if (int exitCode = 0; app::AnswerWithoutWindow(argc, argv, &exitCode))
        return exitCode;

    QApplication application(argc, argv);
    const app::ParseResult parsed = app::ParseArguments(QApplication::arguments());
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(parsed.error),
                     qPrintable(QApplication::translate("CommandLine", "Try 'KivoPanel --help'.")));
        return EXIT_FAILURE;
    }
    // Ties the windows to the desktop entry and its icon; the icon built in covers a program run from
    // its build folder.
    QGuiApplication::setDesktopFileName(QStringLiteral(KIVO_APP_ID));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral(KIVO_APP_ID), QIcon(QStringLiteral(":/icons/kivopanel.png"))));

    TopLevel window;
    // Closing the main window ends the program, whatever other windows are still open.
    QObject::connect(&window, &TopLevel::unloaded, &application, &QApplication::quit, Qt::QueuedConnection);
    // Ending the session or Ctrl+C in the shell closes the window as its close box does; the same
    // signal again, later, ends the program at once.
    cli::TerminationSignals terminate;
    QObject::connect(&terminate, &cli::TerminationSignals::received, &window, &TopLevel::terminate);
    QObject::connect(&terminate, &cli::TerminationSignals::insistedOn, &window, &TopLevel::terminateNow);
    window.show();
    if (parsed.options.connect)
        QTimer::singleShot(0, &window, &TopLevel::cmdConnect_Click);
    return application.exec();
}
