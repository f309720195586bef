// The address under which the browser loads the report document.
#pragma once

#include <QString>
#include <QUrl>

namespace report {

// The file URL of "print.html" in `folder`. Every character of the path that a URL reserves (spaces,
// "|", "#", "%", "?") or that is not ASCII is percent-encoded, so any folder name loads.
QUrl BuildReportUrl(const QString& folder);

} // namespace report
