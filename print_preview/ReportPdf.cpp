#include "ReportPdf.h"

#include "AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QPageSize>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

namespace preview {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ReportPdf", text);
}

// Runs a local event loop until `done` is set or the time is up; true when done.
bool waitFor(QEventLoop& loop, const bool& done, int timeoutMs) {
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    if (!done)
        loop.exec();
    return done;
}

} // namespace

QPageLayout ReportPageLayout() {
    const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    return QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
}

bool WriteReportPdf(const QString& htmlPath, const QString& pdfPath, QString* error, int timeoutMs) {
    const QString shownHtml = QDir::toNativeSeparators(htmlPath);
    const QString shownPdf = QDir::toNativeSeparators(pdfPath);
    if (!QFileInfo(htmlPath).isFile()) {
        *error = tr("The report \"%1\" does not exist.").arg(shownHtml);
        return false;
    }

    QWebEnginePage page;
    QEventLoop loop;
    bool loaded = false, loadedOk = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, [&](bool ok) {
        loaded = true;
        loadedOk = ok;
        loop.quit();
    });
    page.load(QUrl::fromLocalFile(QFileInfo(htmlPath).absoluteFilePath()));
    if (!waitFor(loop, loaded, timeoutMs) || !loadedOk) {
        *error = tr("The report \"%1\" could not be loaded.").arg(shownHtml);
        return false;
    }

    // The engine hands the PDF over as bytes, written here like every other output: through a
    // temporary file that stays open until it is renamed into place.
    bool printed = false;
    QByteArray pdf;
    page.printToPdf(
        [&](const QByteArray& bytes) {
            pdf = bytes;
            printed = true;
            loop.quit();
        },
        ReportPageLayout());
    if (!waitFor(loop, printed, timeoutMs) || pdf.isEmpty() ||
        !spectrum::writeAtomically(QFileInfo(pdfPath).absoluteFilePath(), pdf).isEmpty()) {
        *error = tr("The PDF \"%1\" could not be written.").arg(shownPdf);
        return false;
    }
    return true;
}

} // namespace preview
