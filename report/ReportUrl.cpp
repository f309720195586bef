#include "ReportUrl.h"

#include <QDir>

namespace report {

QUrl BuildReportUrl(const QString& folder) {
    return QUrl::fromLocalFile(QDir(folder).absoluteFilePath(QStringLiteral("print.html")));
}

} // namespace report
