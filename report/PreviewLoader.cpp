#include "PreviewLoader.h"

#include "ProgramFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>

// Qt's setter of the context every OpenGL context shares with; exported by Qt GUI and declared the same
// way by the browser engine itself.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace preview {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("PreviewLoader", text);
}

QOpenGLContext* sharedContext = nullptr;

void deleteSharedContext() {
    delete sharedContext;
    sharedContext = nullptr;
}

// The browser engine draws through an OpenGL context that all contexts share. Qt makes one at start-up
// when asked before the application exists, but making it loads the OpenGL driver (some 50 MB resident
// with Mesa's software renderer) whether a preview ever opens or not. So it is made here, just before
// the engine is loaded. Without OpenGL at all, the engine draws without it.
void shareOpenGLContexts() {
    if (QOpenGLContext::globalShareContext() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    sharedContext = new QOpenGLContext;
    sharedContext->setFormat(QSurfaceFormat::defaultFormat());
    sharedContext->create();
    qt_gl_set_global_share_context(sharedContext);
    qAddPostRoutine(deleteSharedContext);
}

} // namespace

PreviewLoader::PreviewLoader() : PreviewLoader(defaultModulePath()) {}

PreviewLoader::PreviewLoader(const QString& modulePath) : path_(modulePath) {}

PreviewLoader& PreviewLoader::instance() {
    static PreviewLoader loader;
    return loader;
}

QString PreviewLoader::defaultModulePath() {
    const auto& folder = kivo::folders::current().libraryFolder;
    return QDir(QString::fromStdString(folder.string())).filePath(QString::fromLatin1(kModuleFile));
}

void PreviewLoader::setModulePath(const QString& path) {
    path_ = path;
}

bool PreviewLoader::load() {
    if (isLoaded())
        return true;
    error_.clear();
    shareOpenGLContexts();
    library_.setFileName(path_);
    // Resolve every symbol now, so a broken installation fails here and not in the middle of a preview.
    library_.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library_.load()) {
        error_ = tr("The print preview module \"%1\" could not be loaded:\n%2")
                     .arg(QDir::toNativeSeparators(path_), library_.errorString());
        return false;
    }
    const auto version = reinterpret_cast<InterfaceVersionFn>(library_.resolve(kInterfaceVersionEntry));
    const auto run = reinterpret_cast<RunPreviewFn>(library_.resolve(kRunPreviewEntry));
    const auto writePdf = reinterpret_cast<WriteReportPdfFn>(library_.resolve(kWriteReportPdfEntry));
    if (!version || !run || !writePdf || version() != kInterfaceVersion) {
        error_ = tr("The print preview module \"%1\" belongs to another version of the program.")
                     .arg(QDir::toNativeSeparators(path_));
        // Stays loaded (its code may still be referenced by the loader); it is never called.
        return false;
    }
    run_ = run;
    writePdf_ = writePdf;
    return true;
}

bool PreviewLoader::runPreview(ReportSource& source, QWidget* parent, QString* error) {
    if (!load()) {
        *error = error_;
        return false;
    }
    return run_(source, parent, error);
}

bool PreviewLoader::writeReportPdf(const QString& htmlPath, const QString& pdfPath, QString* error) {
    if (!load()) {
        *error = error_;
        return false;
    }
    return writePdf_(htmlPath, pdfPath, error);
}

} // namespace preview
