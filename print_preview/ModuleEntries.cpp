// The entry points of the preview module (see PreviewModule.h). Everything else in the module is
// hidden; it holds no program state of its own.
#include "BrowserEngine.h"
#include "PreviewModule.h"
#include "PrintPreview.h"
#include "ReportPdf.h"

#include <QString>
#include <QtGlobal>

#include <type_traits>

extern "C" {

Q_DECL_EXPORT int kivoPreviewInterfaceVersion() {
    return preview::kInterfaceVersion;
}

Q_DECL_EXPORT bool kivoPreviewRun(ReportSource& source, QWidget* parent, QString* error) {
    if (!preview::BrowserEngineAvailable(error))
        return false;
    PrintPreview window(source, parent);
    window.exec();
    return true;
}

Q_DECL_EXPORT bool kivoPreviewWriteReportPdf(const QString& htmlPath, const QString& pdfPath,
                                             QString* error) {
    return preview::BrowserEngineAvailable(error) && preview::WriteReportPdf(htmlPath, pdfPath, error);
}

} // extern "C"

// The signatures must match the interface the program calls through.
static_assert(std::is_same_v<decltype(&kivoPreviewInterfaceVersion), preview::InterfaceVersionFn>);
static_assert(std::is_same_v<decltype(&kivoPreviewRun), preview::RunPreviewFn>);
static_assert(std::is_same_v<decltype(&kivoPreviewWriteReportPdf), preview::WriteReportPdfFn>);
