#include "OptionReader.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>

#include <cmath>
#include <cstdio>

namespace cli {

std::optional<double> readNumber(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<int> readInteger(const QString& text) {
    bool ok = false;
    const int value = QLocale::c().toInt(text.trimmed(), &ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<QString> OptionReader::next() {
    if (++i_ >= args_.size())
        return std::nullopt;
    return args_[i_];
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

CommonOption OptionReader::common(const QString& argument) {
    if (argument == u"--") {
        endOptions();
        return CommonOption::EndOfOptions;
    }
    if (argument == u"-h" || argument == u"--help")
        return CommonOption::Help;
    if (argument == u"-V" || argument == u"--version")
        return CommonOption::Version;
    if (argument == u"-q" || argument == u"--quiet")
        return CommonOption::Quiet;
    return CommonOption::None;
}

QString OptionReader::nameOf(const QString& argument) {
    return argument.section(u'=', 0, 0);
}

bool OptionReader::isOption(const QString& argument) const {
    return !optionsEnded_ && argument.startsWith(u'-') && argument != u"-";
}

std::optional<QString> OptionReader::value(const QString& argument, const QString& name) {
    if (argument.startsWith(name + u'='))
        return argument.mid(name.size() + 1);
    if (i_ + 1 >= args_.size()) {
        error_ = QStringLiteral("option %1 needs a value").arg(name);
        return std::nullopt;
    }
    return args_[++i_];
}

std::optional<double> OptionReader::number(const QString& argument, const QString& name, double min,
                                           double max, const QString& what) {
    const auto text = value(argument, name);
    if (!text)
        return std::nullopt;
    const auto n = readNumber(*text);
    if (!n || *n < min || *n > max) {
        error_ = QStringLiteral("%1 must be %2, not \"%3\"").arg(name, what, *text);
        return std::nullopt;
    }
    return n;
}

std::optional<int> OptionReader::integer(const QString& argument, const QString& name, int min, int max) {
    const auto text = value(argument, name);
    if (!text)
        return std::nullopt;
    const auto n = readInteger(*text);
    if (!n || *n < min || *n > max) {
        error_ =
            QStringLiteral("%1 must be from %2 to %3, not \"%4\"").arg(name).arg(min).arg(max).arg(*text);
        return std::nullopt;
    }
    return n;
}

QString checkOutputPath(const QString& path, QStringList& seen) {
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return QStringLiteral("the folder of \"%1\" does not exist").arg(path);
    if (info.isDir())
        return QStringLiteral("\"%1\" is a folder").arg(path);
    if (seen.contains(info.absoluteFilePath()))
        return QStringLiteral("\"%1\" is named twice").arg(path);
    seen << info.absoluteFilePath();
    // Tried for real: permissions alone do not tell (root, read-only mounts, network shares). An output
    // found unwritable only at the end would cost the whole measurement.
    QTemporaryFile probe(info.absoluteDir().filePath(QStringLiteral(".kivo-write-test-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("the folder of \"%1\" accepts no new files").arg(path);
    return {};
}

void printUsageError(const QString& program, const QString& error, const QString& usage) {
    std::fprintf(stderr, "%s: %s\n%s\nTry '%s --help' for more information.\n", qPrintable(program),
                 qPrintable(error), qPrintable(usage), qPrintable(program));
}

} // namespace cli
