#include "FileDialogService.h"

#include <QFileDialog>

namespace {

class DialogService final : public FileDialogService {
public:
    QString saveFileName(QWidget* parent, const QString& caption, const QString& proposedPath,
                         const QString& filters, QString& selectedFilter) override {
        return QFileDialog::getSaveFileName(parent, caption, proposedPath, filters, &selectedFilter);
    }
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filters) override {
        return QFileDialog::getOpenFileName(parent, caption, folder, filters);
    }
};

DialogService& dialogService() {
    static DialogService service;
    return service;
}

FileDialogService* installed = nullptr;

} // namespace

FileDialogService& FileDialogService::current() {
    return installed ? *installed : dialogService();
}

void FileDialogService::install(FileDialogService* service) {
    installed = service;
}
