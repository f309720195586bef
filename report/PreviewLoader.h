// Finds and loads the print preview module the first time it is needed, and calls into it. When the
// module, or the browser engine it needs, cannot be loaded, the program says so and goes on without a
// preview.
#pragma once

#include "PreviewModule.h"

#include <QLibrary>
#include <QString>

class QWidget;
class ReportSource;

namespace preview {

class PreviewLoader {
public:
    // The module in the program's own library folder.
    PreviewLoader();
    explicit PreviewLoader(const QString& modulePath);

    PreviewLoader(const PreviewLoader&) = delete;
    PreviewLoader& operator=(const PreviewLoader&) = delete;

    // The one the program uses.
    static PreviewLoader& instance();
    // libKivoPreview.so in the program's own library folder (beside the program in the build folder).
    static QString defaultModulePath();

    QString modulePath() const { return path_; }
    // Looks for the module at `path` from the next load on; a module already loaded stays in use.
    void setModulePath(const QString& path);

    // Loads the module unless it is loaded already. A failure is not remembered: the next call tries
    // again (the missing package may have been installed meanwhile).
    bool load();
    bool isLoaded() const { return run_ != nullptr; }
    // Why the last load failed, in a sentence for the user.
    QString errorText() const { return error_; }

    // The module's entries (see PreviewModule.h); each loads the module first and fails with *error
    // when it cannot.
    bool runPreview(ReportSource& source, QWidget* parent, QString* error);
    bool writeReportPdf(const QString& htmlPath, const QString& pdfPath, QString* error);

private:
    QString path_;
    QLibrary library_;
    RunPreviewFn run_ = nullptr;
    WriteReportPdfFn writePdf_ = nullptr;
    QString error_;
};

} // namespace preview
