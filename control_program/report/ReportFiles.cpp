#include "ReportFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace report {

namespace {

const QString kLogo = QStringLiteral("vtlogo.png");

// Puts the installed logo beside a report written outside the program folder. A logo that cannot be
// copied shows as a missing image; the report itself is still worth showing.
void copyLogo(const QString& programFolder, const QString& folder) {
    const QString source = QDir(programFolder).filePath(kLogo);
    const QString target = QDir(folder).filePath(kLogo);
    if (!QFileInfo::exists(source))
        return;
    if (QFileInfo::exists(target)) {
        QFile sourceFile(source), targetFile(target);
        if (QFileInfo(source).size() == QFileInfo(target).size() && sourceFile.open(QIODevice::ReadOnly) &&
            targetFile.open(QIODevice::ReadOnly) && sourceFile.readAll() == targetFile.readAll())
            return;
        QFile::remove(target);
    }
    QFile::copy(source, target);
}

} // namespace

bool IsWritableFolder(const QString& folder) {
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kivo-write-test-XXXXXX")));
    return probe.open();
}

ReportFiles::ReportFiles()
    : ReportFiles(QCoreApplication::applicationDirPath(),
                  QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)) {}

ReportFiles::ReportFiles(QString programFolder, QString dataFolder)
    : programFolder_(std::move(programFolder)), dataFolder_(std::move(dataFolder)) {}

bool ReportFiles::Prepare() {
    folder_.clear();
    error_.clear();
    if (IsWritableFolder(programFolder_)) {
        folder_ = programFolder_;
        return true;
    }
    if (IsWritableFolder(dataFolder_)) {
        folder_ = dataFolder_;
        copyLogo(programFolder_, folder_);
        return true;
    }
    error_ = QCoreApplication::translate("ReportFiles",
                                         "The report cannot be written: neither the program folder \"%1\" "
                                         "nor the data folder \"%2\" accepts new files.")
                 .arg(QDir::toNativeSeparators(programFolder_), QDir::toNativeSeparators(dataFolder_));
    return false;
}

QString ReportFiles::reportPath() const {
    return folder_.isEmpty() ? QString() : QDir(folder_).filePath(QStringLiteral("print.html"));
}

QString ReportFiles::imagePath() const {
    return folder_.isEmpty() ? QString() : QDir(folder_).filePath(QStringLiteral("spect.png"));
}

} // namespace report
