// The report document "print.html": HTML 3.2 with an embedded style sheet, UTF-8, CR LF line ends.
#pragma once

#include "ReportValues.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace report {

// The document's lines, without line ends.
QStringList ReportLines(const ReportValues& values);

// Appends the style block to `lines`; does nothing when `lines` is null.
void WriteStyleSheet(QStringList* lines);

// The whole document as written to disk: UTF-8, every line ended by CR LF.
QByteArray ReportDocument(const ReportValues& values);

// Replaces the file at `filePath` with the document. On failure returns false, leaves any earlier file
// untouched and puts the reason into `error` (when given).
bool WriteReport(const QString& filePath, const ReportValues& values, QString* error = nullptr);

} // namespace report
