#include "NoticeService.h"

#include <QMessageBox>

namespace {

class WindowService final : public NoticeService {
public:
    void notify(QWidget* parent, const QString& title, const QString& text) override {
        auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
        box->setTextFormat(Qt::PlainText); // texts may carry file names and device strings
        box->setWindowModality(Qt::NonModal);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    }
};

WindowService& windowService() {
    static WindowService service;
    return service;
}

NoticeService* installed = nullptr;

} // namespace

NoticeService& NoticeService::current() {
    return installed ? *installed : windowService();
}

void NoticeService::install(NoticeService* service) {
    installed = service;
}
