#include "ReportFiles.h"

#include "ProgramFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace report {

namespace {

const QString kLogo = QStringLiteral("vtlogo.png");

// Puts the installed logo beside a report written elsewhere. A logo that cannot be copied shows as a
// missing image; the report itself is still worth showing.
void copyLogo(const QString& logoFolder, const QString& folder) {
    const QString source = QDir(logoFolder).filePath(kLogo);
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

ReportFiles::ReportFiles(QString programFolder, QString dataFolder)
    : ReportFiles(programFolder, std::move(dataFolder), programFolder) {}

ReportFiles::ReportFiles(QString programFolder, QString dataFolder, QString logoFolder)
    : programFolder_(std::move(programFolder)), dataFolder_(std::move(dataFolder)),
      logoFolder_(std::move(logoFolder)) {}

ReportFiles ReportFiles::forLayout(const kivo::folders::Layout& layout, const QString& dataFolder) {
    const QString programFolder = QString::fromStdString(layout.programFolder.string());
    const QString logoFolder = QString::fromStdString(layout.dataFolder.string());
    return ReportFiles(layout.installed ? QString() : programFolder, dataFolder, logoFolder);
}

bool ReportFiles::Prepare() {
    folder_.clear();
    error_.clear();
    if (!programFolder_.isEmpty() && IsWritableFolder(programFolder_))
        folder_ = programFolder_;
    else if (IsWritableFolder(dataFolder_))
        folder_ = dataFolder_;
    if (folder_.isEmpty()) {
        const QString data = QDir::toNativeSeparators(dataFolder_);
        error_ = programFolder_.isEmpty()
                     ? QCoreApplication::translate("ReportFiles",
                                                   "The report cannot be written: the data folder \"%1\" "
                                                   "accepts no new files.")
                           .arg(data)
                     : QCoreApplication::translate("ReportFiles",
                                                   "The report cannot be written: neither the program "
                                                   "folder \"%1\" nor the data folder \"%2\" accepts new "
                                                   "files.")
                           .arg(QDir::toNativeSeparators(programFolder_), data);
        return false;
    }
    if (folder_ != logoFolder_)
        copyLogo(logoFolder_, folder_);
    return true;
}

QString ReportFiles::reportPath() const {
    return folder_.isEmpty() ? QString() : QDir(folder_).filePath(QStringLiteral("print.html"));
}

QString ReportFiles::imagePath() const {
    return folder_.isEmpty() ? QString() : QDir(folder_).filePath(QStringLiteral("spect.png"));
}

} // namespace report
