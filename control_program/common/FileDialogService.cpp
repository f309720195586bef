#include "FileDialogService.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace {

// "csv" of "CSV (*.csv)": the suffix a name typed without one gets.
QString suffixOfFilter(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}

class DialogService final : public FileDialogService {
public:
    QString saveFileName(QWidget* parent, const QString& caption, const QString& proposedPath,
                         const QString& filters, QString& selectedFilter) override {
        QFileDialog dialog(parent, caption, proposedPath, filters);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectFile(proposedPath);
        if (!selectedFilter.isEmpty())
            dialog.selectNameFilter(selectedFilter);
        // The dialog adds the suffix before it checks for an existing file, so it asks about the file
        // that will really be written.
        dialog.setDefaultSuffix(suffixOfFilter(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            dialog.setDefaultSuffix(suffixOfFilter(filter));
        });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        selectedFilter = dialog.selectedNameFilter();
        return dialog.selectedFiles().constFirst();
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
