#include "CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

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

// The options Qt's application object takes for itself (QGuiApplication, QApplication, X11), with
// one or two dashes; those in the first list take a value as the next argument or after "=".
const QStringList kQtOptionsWithValue = {
    QStringLiteral("platform"),    QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),      QStringLiteral("qmljsdebugger"),      QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"),       QStringLiteral("session"),
    QStringLiteral("display"),     QStringLiteral("geometry"),           QStringLiteral("style"),
    QStringLiteral("stylesheet")};
const QStringList kQtFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                              QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync")};

// The program's own arguments before the application object has taken Qt's: read letter by letter,
// "-reverse" would otherwise be "-r -e -v ..." and ask for the version.
QStringList withoutQtOptions(const QStringList& arguments) {
    QStringList own;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const QString name =
            QString(arg).remove(QRegularExpression(QStringLiteral("^--?"))).section(u'=', 0, 0);
        if (i > 0 && arg.startsWith(u'-') && kQtFlags.contains(name))
            continue;
        if (i > 0 && arg.startsWith(u'-') && kQtOptionsWithValue.contains(name)) {
            if (!arg.contains(u'='))
                ++i; // its value
            continue;
        }
        own << arg;
    }
    return own;
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
    const QStringList own = withoutQtOptions(argumentList(argc, argv));
    const bool parsed = parser.parse(own);
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (!parser.isSet(p.help) && !helpAll && !parser.isSet(p.version)) {
        // A bad command line is told here, before a window system is needed: without a display the
        // application object would end the program first.
        const ParseResult result = ParseArguments(own);
        if (parsed && result.error.isEmpty())
            return false;
        print(stderr, result.error + u'\n' + tr("Try 'KivoPanel --help'.") + u'\n');
        *exitCode = EXIT_FAILURE;
        return true;
    }
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
