#include "CountFiles.h"

#include "SeriesCsv.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace countfiles {

QString folder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/KivoPanel/counts");
}

Saved autoSave(const counting::Series& series) {
    const QString dir = folder();
    if (!QDir().mkpath(dir))
        return {{},
                QStringLiteral("The folder \"%1\" could not be created.").arg(QDir::toNativeSeparators(dir))};
    const QString name = counting::seriesFileName(series);
    QString path = QDir(dir).filePath(name);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(dir).filePath(QFileInfo(name).completeBaseName() + u'-' + QString::number(n) +
                                  QStringLiteral(".csv"));
    QString error;
    if (!counting::writeSeriesCsv(path, series, &error))
        return {{}, error};
    return {path, {}};
}

} // namespace countfiles
