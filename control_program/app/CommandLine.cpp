#include "CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace app {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("CommandLine", text);
}

// The parser with every option of the program.
struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption connect{{QStringLiteral("c"), QStringLiteral("connect")},
                               tr("Connect to the detector at start-up, as the Connect button does.")};

    Parser() : help(parser.addHelpOption()), version(parser.addVersionOption()) {
        parser.setApplicationDescription(
            tr("Control program for Kivo detector electronics: high voltage, amplifier gain, discriminator "
               "window and outputs, the live count rate, pseudo pulse-height spectrum scans and their "
               "printed report."));
        parser.addOption(connect);
    }
};

QStringList argumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

void SetApplicationInfo() {
    QCoreApplication::setApplicationName(QStringLiteral("KivoPanel"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(QString::number(KIVO_VERSION_MAJOR),
                                                     QString::number(KIVO_VERSION_MINOR),
                                                     QString::number(KIVO_VERSION_PATCH)));
}

ParseResult ParseArguments(const QStringList& arguments) {
    Parser p;
    ParseResult result;
    if (!p.parser.parse(arguments)) {
        result.error = p.parser.errorText();
        return result;
    }
    if (!p.parser.positionalArguments().isEmpty()) {
        result.error = tr("Unexpected argument '%1'.").arg(p.parser.positionalArguments().constFirst());
        return result;
    }
    result.options.connect = p.parser.isSet(p.connect);
    return result;
}

bool AnswerWithoutWindow(int argc, char** argv, int* exitCode) {
    Parser p;
    QCommandLineParser& parser = p.parser;
    // Qt's own options are still in the list here: only --help and --version matter at this point.
    parser.parse(argumentList(argc, argv));
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (!parser.isSet(p.help) && !helpAll && !parser.isSet(p.version))
        return false;
    QCoreApplication core(argc, argv); // no window system needed for text
    if (parser.isSet(p.version))
        print(stdout,
              QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n');
    else if (helpAll)
        parser.process(QStringList{core.arguments().constFirst(), QStringLiteral("--help-all")}); // exits
    else
        print(stdout, parser.helpText());
    *exitCode = 0;
    return true;
}

} // namespace app
