#include "BrowserEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>

namespace preview {

namespace {

const QString kHelperName = QStringLiteral("QtWebEngineProcess");

QStringList helperCandidates() {
    const QString fromEnvironment = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    if (!fromEnvironment.isEmpty())
        return {fromEnvironment};
    return {QDir(QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath)).filePath(kHelperName),
            QDir(QCoreApplication::applicationDirPath()).filePath(kHelperName)};
}

} // namespace

QString BrowserHelperProcess() {
    for (const QString& candidate : helperCandidates()) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

bool BrowserEngineAvailable(QString* error) {
    if (!BrowserHelperProcess().isEmpty())
        return true;
    QStringList shown;
    for (const QString& candidate : helperCandidates())
        shown << QDir::toNativeSeparators(candidate);
    *error = QCoreApplication::translate("BrowserEngine",
                                         "The browser engine cannot start: its helper program was not "
                                         "found (looked for %1).")
                 .arg(shown.join(QStringLiteral(", ")));
    return false;
}

} // namespace preview
