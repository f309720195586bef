// Every file dialog of the program goes through this one service, so tests can answer a dialog from a
// script instead of showing one.
#pragma once

#include <QString>

class QWidget;

class FileDialogService {
public:
    virtual ~FileDialogService() = default;

    // The file chosen to save to, or "" when the user cancelled. `filters` is the dialog's filter list
    // ("Name (*.ext);;..."); `selectedFilter` comes in as the proposed filter and goes out as the chosen.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& proposedPath,
                                 const QString& filters, QString& selectedFilter) = 0;
    // The existing file chosen to open, or "" when the user cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filters) = 0;

    // The service in use: the QFileDialog one unless a test installed another.
    static FileDialogService& current();
    // Installs `service` (not owned); nullptr restores the QFileDialog service.
    static void install(FileDialogService* service);
};
