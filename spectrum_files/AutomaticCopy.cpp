#include "AutomaticCopy.h"

#include "SpectrumFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace spectrum {

QString automaticCopyFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/KivoPanel/scans");
}

CopyResult writeAutomaticCopy(const ScanRecord& record) {
    const QString folder = automaticCopyFolder();
    if (!QDir().mkpath(folder))
        return {
            {},
            QStringLiteral("The folder \"%1\" could not be created.").arg(QDir::toNativeSeparators(folder))};
    const QString name = proposedFileName(record, Format::N42);
    QString path = QDir(folder).filePath(name);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QFileInfo(name).completeBaseName() + u'-' + QString::number(n) +
                                     QStringLiteral(".n42"));
    if (QString problem = writeFile(record, path, Format::N42); !problem.isEmpty())
        return {{}, problem};
    return {path, {}};
}

} // namespace spectrum
