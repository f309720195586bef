// KivoPanel's command line. --help and --version answer without a window system, so they work on a
// machine without a display; everything else is parsed once the application has taken Qt's own
// options (-platform, -style ...).
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace app {

struct Options {
    bool connect = false; // connect to the detector at start-up, as the Connect button does
};

struct ParseResult {
    Options options;
    QString error; // empty when the arguments are fine
};

// The program's name and version, as --version and the window system show them.
void SetApplicationInfo();

// Parses the program's own arguments (the first is the program name).
ParseResult ParseArguments(const QStringList& arguments);

// Prints the help or the version when asked for (or the error when the arguments are bad and no window
// is wanted) and returns true with the exit code: the program then ends without opening a window.
bool AnswerWithoutWindow(int argc, char** argv, int* exitCode);

} // namespace app
