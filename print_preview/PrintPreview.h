// The print preview: generates the report of the device, its settings and the scan spectrum, shows it
// in an embedded browser and prints it or saves it as PDF. Opened modally by the scan window; every
// opening is a fresh window that regenerates the report from the values current at that moment.
#pragma once

#include "ReportFiles.h"

#include <QDialog>
#include <QString>
#include <QUrl>

#include <memory>

class CTreviumCtrl;
class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPrinter;
class QPushButton;
class QStatusBar;
class QTimer;
class QWebEngineView;
class ReportSource;

class PrintPreview : public QDialog {
    Q_OBJECT
public:
    // `source` must outlive the window.
    explicit PrintPreview(ReportSource& source, QWidget* parent = nullptr);
    ~PrintPreview() override;

    QWebEngineView* WB() const { return WB_; }
    QPushButton* cmdPrint() const { return cmdPrint_; }
    QPushButton* cmdClose() const { return cmdClose_; }
    QTimer* StartTimer() const { return StartTimer_; }
    QWidget* browserFrame() const { return browserFrame_; }
    QLineEdit* addressBar() const { return addressBar_; }
    QMenuBar* menuBar() const { return menuBar_; }
    QStatusBar* statusBar() const { return statusBar_; }
    QLabel* spectrumNote() const { return spectrumNote_; }
    QAction* mnuPrint() const { return mnuPrint_; }
    QAction* mnuSaveAsPdf() const { return mnuSaveAsPdf_; }
    CTreviumCtrl* SpectImg() const { return SpectImg_; }

    // The address the browser is to show: "about:blank" until the report has been written.
    QUrl url() const { return url_; }

    // Where the report files go: the source's, unless set otherwise before the report is generated.
    void setReportFiles(const report::ReportFiles& files) { files_ = files; }
    const report::ReportFiles& reportFiles() const { return files_; }

    // Generates the report and navigates to it; runs once, 250 ms after the window was created.
    void StartTimer_Timer();
    // Asks for a printer, then prints the shown report; the outcome appears in the status bar.
    void cmdPrint_Click();
    void cmdClose_Click();
    void Form_Resize();
    // Asks for a file name, then saves the shown report as PDF.
    void mnuSaveAsPdf_Click();

    // Prints the shown report on a printer already set up. Returns false when a print is still running.
    bool printTo(std::unique_ptr<QPrinter> printer);
    // Saves the shown report as a vector PDF; pdfSaved reports the outcome.
    void saveAsPdf(const QString& filePath);

signals:
    void printed(bool success);
    void pdfSaved(const QString& filePath, bool success);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    // The three steps of generating the report; each returns false with a message for the user.
    void RenderSpectrumImage();
    bool WriteReport(QString* error);
    void BuildReportUrl();
    void noteMissingSpectrum();
    void navigate();
    void onPrintFinished(bool success);
    void onPdfFinished(const QString& filePath, bool success);
    int twipsX(int twips) const;
    int twipsY(int twips) const;

    ReportSource& source_;
    report::ReportFiles files_;
    QUrl url_;
    bool generated_ = false;
    std::unique_ptr<QPrinter> printer_; // alive until the browser has finished printing on it

    QWebEngineView* WB_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    QTimer* StartTimer_ = nullptr;
    QWidget* browserFrame_ = nullptr;
    QLineEdit* addressBar_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* spectrumNote_ = nullptr; // shown when the report has no spectrum image
    QAction* mnuPrint_ = nullptr;
    QAction* mnuSaveAsPdf_ = nullptr;
    CTreviumCtrl* SpectImg_ = nullptr; // hidden; renders the spectrum image
};
