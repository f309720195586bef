// Reading a command line the same way in every tool: options as "--name value" or "--name=value",
// numbers read alike in every locale, ranges checked with a sentence that names the option and what it
// takes, output files checked before any device is touched, and the usage error printed as tools do.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// Numbers as typed on a command line: digits and "." as decimal point, whatever the locale.
std::optional<double> readNumber(const QString& text);
std::optional<int> readInteger(const QString& text);

// main()'s arguments as the readers take them, the program name first.
QStringList argumentsOf(int argc, char** argv);

// The options every tool takes alike.
enum class CommonOption { None, EndOfOptions, Help, Version, Quiet };

class OptionReader {
public:
    // `arguments` as main() received them, the program name first.
    explicit OptionReader(const QStringList& arguments) : args_(arguments) {}

    // The next argument, or nullopt at the end.
    std::optional<QString> next();
    // The option's name: "--name" of "--name=value".
    static QString nameOf(const QString& argument);
    // After "--": everything else is an operand.
    bool optionsEnded() const { return optionsEnded_; }
    void endOptions() { optionsEnded_ = true; }
    // True for an argument that is an option rather than an operand ("-" alone is an operand).
    bool isOption(const QString& argument) const;
    // Which common option `argument` is: "--" (options end here, done), -h/--help, -V/--version or
    // -q/--quiet; None for a tool's own.
    CommonOption common(const QString& argument);

    // The value of the option `argument` (named `name`): its "=value" or the next argument. On failure
    // error() says why.
    std::optional<QString> value(const QString& argument, const QString& name);
    // The value as a number within min..max; on failure the sentence says "<name> must be <what>",
    // e.g. what = "a voltage from 0 to 1500".
    std::optional<double> number(const QString& argument, const QString& name, double min, double max,
                                 const QString& what);
    std::optional<int> integer(const QString& argument, const QString& name, int min, int max);

    // Set when one of the above fails.
    QString error() const { return error_; }

private:
    const QStringList& args_;
    qsizetype i_ = 0;
    bool optionsEnded_ = false;
    QString error_;
};

// Checks one output file before anything is measured: its folder exists and takes new files, it is no
// folder itself, and it is not named twice (`seen` collects the absolute paths). Returns the sentence
// saying what is wrong, or "".
QString checkOutputPath(const QString& path, QStringList& seen);

// Prints "<program>: <error>", the usage and the hint to --help to stderr, as every tool does on a bad
// command line.
void printUsageError(const QString& program, const QString& error, const QString& usage);

} // namespace cli
