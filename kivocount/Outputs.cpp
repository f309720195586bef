#include "Outputs.h"

#include "AtomicFile.h"
#include "SeriesCsv.h"
#include "SeriesImage.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kivocount {

QString writeOutput(const Output& output, const counting::Series& series) {
    QString error;
    switch (output.kind) {
    case OutputKind::Csv:
        counting::writeSeriesCsv(output.path, series, &error);
        return error;
    case OutputKind::Png: {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!seriesImage(series).save(&buffer, "PNG"))
            return spectrum::notWritten(output.path, QStringLiteral("the image could not be encoded"));
        if (const QString reason = spectrum::writeAtomically(output.path, png); !reason.isEmpty())
            return spectrum::notWritten(output.path, reason);
        return {};
    }
    }
    return spectrum::notWritten(output.path, QStringLiteral("unknown kind of output"));
}

QString keptSeriesFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/KivoPanel/counts");
}

QString keepSeries(const counting::Series& series, QString* error) {
    const QString folder = keptSeriesFolder();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("The folder \"%1\" could not be created.").arg(QDir::toNativeSeparators(folder));
        return {};
    }
    const QString name = counting::seriesFileName(series);
    QString path = QDir(folder).filePath(name);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QFileInfo(name).completeBaseName() + u'-' + QString::number(n) + u".csv"_qs);
    if (!counting::writeSeriesCsv(path, series, error))
        return {};
    return path;
}

} // namespace kivocount
