// The report as a vector PDF: the page the preview saves and the headless conversion of a written
// report file, for callers without a window.
#pragma once

#include <QPageLayout>
#include <QString>

namespace preview {

// A4 portrait, or Letter where the locale measures in inches, with 15 mm margins.
QPageLayout ReportPageLayout();

// Loads the report file `htmlPath` in a page without a window and prints it to `pdfPath`. Blocks (with
// a local event loop) until done or `timeoutMs` has passed. Returns false with a sentence in *error.
bool WriteReportPdf(const QString& htmlPath, const QString& pdfPath, QString* error, int timeoutMs = 60000);

} // namespace preview
