#include "PrintPreview.h"

#include "CTreviumCtrl.h"
#include "ReportPdf.h"
#include "ReportSource.h"
#include "ReportUrl.h"
#include "ReportWriter.h"
#include "SpectrumImage.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

const QString kTitle = QStringLiteral("Print Preview");

// Shows the busy pointer while the report is generated, and always restores it.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

PrintPreview::PrintPreview(ReportSource& source, QWidget* parent)
    : QDialog(parent), source_(source), files_(source.reportFiles()) {
    setWindowTitle(kTitle);
    setModal(true);

    // The browser frame: menu bar, read-only address bar, the page, status bar.
    browserFrame_ = new QWidget(this);
    auto* frameLayout = new QVBoxLayout(browserFrame_);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(0);
    menuBar_ = new QMenuBar(browserFrame_);
    QMenu* fileMenu = menuBar_->addMenu(tr("&File"));
    mnuPrint_ = fileMenu->addAction(tr("&Print..."), this, &PrintPreview::cmdPrint_Click);
    mnuPrint_->setShortcut(QKeySequence::Print);
    mnuSaveAsPdf_ = fileMenu->addAction(tr("Save as P&DF..."), this, &PrintPreview::mnuSaveAsPdf_Click);
    fileMenu->addSeparator();
    fileMenu->addAction(tr("&Close"), this, &PrintPreview::cmdClose_Click);
    frameLayout->addWidget(menuBar_);

    auto* addressRow = new QWidget(browserFrame_);
    auto* addressLayout = new QHBoxLayout(addressRow);
    addressLayout->setContentsMargins(4, 2, 4, 2);
    auto* addressLabel = new QLabel(tr("&Address:"), addressRow);
    addressBar_ = new QLineEdit(addressRow);
    addressBar_->setReadOnly(true);
    addressLabel->setBuddy(addressBar_);
    addressLayout->addWidget(addressLabel);
    addressLayout->addWidget(addressBar_, 1);
    frameLayout->addWidget(addressRow);

    WB_ = new QWebEngineView(browserFrame_);
    WB_->setAccessibleName(tr("Report"));
    frameLayout->addWidget(WB_, 1);

    statusBar_ = new QStatusBar(browserFrame_);
    statusBar_->setSizeGripEnabled(false);
    spectrumNote_ = new QLabel(statusBar_);
    spectrumNote_->hide();
    statusBar_->addPermanentWidget(spectrumNote_);
    frameLayout->addWidget(statusBar_);

    // Renders the report's spectrum image; never shown.
    SpectImg_ = new CTreviumCtrl(this);
    SpectImg_->setAccessibleName(tr("Spectrum image"));

    cmdPrint_ = new QPushButton(tr("&Print..."), this);
    cmdClose_ = new QPushButton(tr("&Close"), this);
    const QSize buttonSize(twipsX(1215), twipsY(375));
    for (QPushButton* button : {cmdPrint_, cmdClose_})
        button->setFixedSize(buttonSize.expandedTo(button->sizeHint()));
    connect(cmdPrint_, &QPushButton::clicked, this, &PrintPreview::cmdPrint_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &PrintPreview::cmdClose_Click);
    setTabOrder(cmdPrint_, cmdClose_);
    setTabOrder(cmdClose_, addressBar_);
    setTabOrder(addressBar_, WB_);

    StartTimer_ = new QTimer(this);
    StartTimer_->setSingleShot(true);
    StartTimer_->setInterval(250);
    connect(StartTimer_, &QTimer::timeout, this, &PrintPreview::StartTimer_Timer);

    connect(WB_, &QWebEngineView::urlChanged, this,
            [this](const QUrl& url) { addressBar_->setText(url.toDisplayString()); });
    connect(WB_, &QWebEngineView::loadProgress, this, [this](int percent) {
        statusBar_->showMessage(tr("Loading... %1%").arg(QLocale().toString(percent)));
    });
    connect(WB_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (ok)
            statusBar_->showMessage(tr("Done"));
        else
            statusBar_->showMessage(tr("The page could not be loaded."));
    });
    connect(WB_, &QWebEngineView::printFinished, this, &PrintPreview::onPrintFinished);
    connect(WB_->page(), &QWebEnginePage::pdfPrintingFinished, this, &PrintPreview::onPdfFinished);

    resize(twipsX(9165), twipsY(7440));
    Form_Load();
}

PrintPreview::~PrintPreview() {
    // The browser may still be painting onto printer_: it must go first.
    delete WB_;
    WB_ = nullptr;
}

void PrintPreview::Form_Load() {
    SpectImg_->hide();
    url_ = QUrl(QStringLiteral("about:blank"));
    navigate();
    StartTimer_->start();
    cmdPrint_->setEnabled(false);
    mnuPrint_->setEnabled(false);
    mnuSaveAsPdf_->setEnabled(false);
}

void PrintPreview::navigate() {
    addressBar_->setText(url_.toDisplayString());
    WB_->setUrl(url_);
}

void PrintPreview::StartTimer_Timer() {
    StartTimer_->stop();
    if (generated_)
        return;
    generated_ = true;

    QString error;
    {
        BusyCursor busy;
        if (!files_.Prepare()) {
            error = files_.errorText();
        } else {
            RenderSpectrumImage();
            if (WriteReport(&error)) {
                BuildReportUrl();
                navigate();
            }
        }
    }
    if (!error.isEmpty()) {
        // Showing an older report from an earlier preview would be worse than showing none.
        source_.showFailure(this, kTitle, error);
        statusBar_->showMessage(tr("No report."));
        return;
    }
    cmdPrint_->setEnabled(true);
    mnuPrint_->setEnabled(true);
    mnuSaveAsPdf_->setEnabled(true);
}

void PrintPreview::RenderSpectrumImage() {
    // A failed render must not leave the spectrum of an earlier report in place.
    const QString path = files_.imagePath();
    QFile::remove(path);
    const CTreviumCtrl* plot = source_.spectrumPlot();
    if (!plot) {
        noteMissingSpectrum();
        return;
    }
    report::CopyPlotForPrint(*plot, *SpectImg_);
    if (SpectImg_->SaveToPNG(path, report::SPECTRUM_IMAGE_WIDTH, report::SPECTRUM_IMAGE_HEIGHT) != 0)
        noteMissingSpectrum();
}

void PrintPreview::noteMissingSpectrum() {
    spectrumNote_->setText(tr("The spectrum image could not be made."));
    spectrumNote_->show();
}

bool PrintPreview::WriteReport(QString* error) {
    QString reason;
    if (report::WriteReport(files_.reportPath(), source_.reportValues(), &reason))
        return true;
    *error = tr("The report could not be written to \"%1\": %2")
                 .arg(QDir::toNativeSeparators(files_.reportPath()), reason);
    return false;
}

void PrintPreview::BuildReportUrl() {
    url_ = report::BuildReportUrl(files_.folder());
}

void PrintPreview::cmdPrint_Click() {
    if (!cmdPrint_->isEnabled())
        return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), this);
    if (dialog.exec() != QDialog::Accepted)
        return; // cancelled by the user: nothing to report
    printTo(std::move(printer));
}

bool PrintPreview::printTo(std::unique_ptr<QPrinter> printer) {
    if (printer_ || !printer)
        return false;
    printer_ = std::move(printer);
    cmdPrint_->setEnabled(false);
    mnuPrint_->setEnabled(false);
    statusBar_->showMessage(tr("Printing..."));
    WB_->print(printer_.get());
    return true;
}

void PrintPreview::onPrintFinished(bool success) {
    statusBar_->showMessage(success ? tr("Printed.") : tr("Printing failed."));
    cmdPrint_->setEnabled(true);
    mnuPrint_->setEnabled(true);
    // The browser is still inside its printing code when it signals: release the printer afterwards
    // (or with this window, should it close first). The next print may start at once.
    QTimer::singleShot(0, this, [done = std::shared_ptr<QPrinter>(printer_.release())] {});
    emit printed(success);
}

void PrintPreview::mnuSaveAsPdf_Click() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save as PDF"), QDir(folder).filePath(tr("Kivo Report.pdf")), tr("PDF files (*.pdf)"));
    if (!path.isEmpty())
        saveAsPdf(path);
}

void PrintPreview::saveAsPdf(const QString& filePath) {
    statusBar_->showMessage(tr("Saving as PDF..."));
    WB_->page()->printToPdf(filePath, preview::ReportPageLayout());
}

void PrintPreview::onPdfFinished(const QString& filePath, bool success) {
    if (success) {
        statusBar_->showMessage(tr("Saved as %1").arg(QDir::toNativeSeparators(filePath)));
    } else {
        statusBar_->showMessage(tr("Saving the PDF failed."));
        source_.showFailure(
            this, kTitle,
            tr("The PDF could not be saved as \"%1\".").arg(QDir::toNativeSeparators(filePath)));
    }
    emit pdfSaved(filePath, success);
}

void PrintPreview::cmdClose_Click() {
    close();
}

int PrintPreview::twipsX(int twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}
int PrintPreview::twipsY(int twips) const {
    return qRound(twips * logicalDpiY() / 1440.0);
}

void PrintPreview::Form_Resize() {
    const int margin = twipsX(120);
    const int w = width();
    const int h = height();
    const int browserWidth = w - cmdPrint_->width() - 2 * margin;
    if (browserWidth < 0 || h <= 0)
        return; // too small to lay out: leave everything where it is
    cmdPrint_->move(w - cmdPrint_->width() - margin, twipsY(120));
    cmdClose_->move(w - cmdClose_->width() - margin, cmdPrint_->y() + twipsY(600));
    browserFrame_->setGeometry(0, 0, browserWidth, h);
}

void PrintPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}
