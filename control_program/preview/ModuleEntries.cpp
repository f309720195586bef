// The entry points of the preview module (see PreviewModule.h). Everything else in the module is
// hidden, including its own copies of the program's static helpers.
#include "BrowserEngine.h"
#include "MessageService.h"
#include "PreviewModule.h"
#include "PrintPreview.h"
#include "ReportPdf.h"

#include <QString>
#include <QtGlobal>

#include <type_traits>

namespace {

// The module carries its own copy of the message service; for the life of a preview it forwards to
// the one the program uses, so the program's (or a test's) service sees every box.
class UseMessageService {
public:
    explicit UseMessageService(MessageService& service) : previous_(MessageService::current()) {
        MessageService::install(&service);
    }
    ~UseMessageService() { MessageService::install(&previous_); }
    UseMessageService(const UseMessageService&) = delete;
    UseMessageService& operator=(const UseMessageService&) = delete;

private:
    MessageService& previous_;
};

} // namespace

extern "C" {

Q_DECL_EXPORT int kivoPreviewInterfaceVersion() {
    return preview::kInterfaceVersion;
}

Q_DECL_EXPORT bool kivoPreviewRun(ReportSource& source, MessageService& messages, QWidget* parent,
                                  QString* error) {
    if (!preview::BrowserEngineAvailable(error))
        return false;
    UseMessageService use(messages);
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
