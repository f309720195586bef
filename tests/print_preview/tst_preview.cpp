// The print preview with the real browser: its states, the loaded report, printing, PDF, failures.
#include "BrowserTestMain.h"
#include "CTreviumCtrl.h"
#include "PrintPreview.h"
#include "ProgramFolders.h"
#include "ReportPdf.h"
#include "ReportSource.h"
#include "ReportUrl.h"
#include "ReportWriter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

namespace {

constexpr int kWait = 30000; // the browser starts slowly on a small machine

struct Shown {
    QString title, text;
};

// The failure boxes the preview asked its program to show.
class MessageRecorder {
public:
    QList<Shown> shown;
};
MessageRecorder failures;

class FakeSource : public ReportSource {
public:
    ReportValues values;
    CTreviumCtrl* plot = nullptr;
    mutable int asked = 0;
    ReportValues reportValues() const override {
        ++asked;
        return values;
    }
    CTreviumCtrl* spectrumPlot() const override { return plot; }
    report::ReportFiles reportFiles() const override { return {}; }
    void showFailure(QWidget*, const QString& title, const QString& text) const override {
        failures.shown.append({title, text});
    }
};

ReportValues exampleValues() {
    ReportValues v;
    v.serialNumber = QStringLiteral("KV-0042");
    v.firmwareVersion = QStringLiteral("1.2");
    v.productionDate = QStringLiteral("20190315");
    v.coarseGainIndex = 2;
    v.fineGainPosition = 2048;
    v.lldPosition = 1024;
    v.uldPosition = 2047;
    v.maxLevel = 2047;
    v.highVoltageText = QStringLiteral("1000");
    v.channelsIndex = 1;
    v.sweepsText = QStringLiteral("10");
    return v;
}

QVariant runScript(QWebEngineView* view, const QString& script) {
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, kWait))
        return QStringLiteral("<script did not finish>");
    return result;
}

QString pdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(kWait) || pdftotext.exitCode() != 0)
        return QString();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

const QString kCellsScript = QStringLiteral(
    "Array.from(document.querySelectorAll('table.Settings td')).map(td => td.textContent).join('|')");

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

    MessageRecorder& messages_ = failures;
    QTemporaryDir root_;

    // A preview writing into a fresh program folder below root_.
    std::unique_ptr<PrintPreview> makePreview(FakeSource& source, const QString& name) {
        auto preview = std::make_unique<PrintPreview>(source);
        preview->setReportFiles(report::ReportFiles(root_.filePath(name), root_.filePath(name + "-data")));
        QDir().mkpath(root_.filePath(name));
        // The logo installed beside the program.
        QFile::copy(qEnvironmentVariable("KIVO_BIN_DIR") + QStringLiteral("/vtlogo.png"),
                    root_.filePath(name + QStringLiteral("/vtlogo.png")));
        return preview;
    }

    // Generates the report and waits until the browser has loaded it.
    static bool generateAndLoad(PrintPreview& preview) {
        QSignalSpy loaded(preview.WB(), &QWebEngineView::loadFinished);
        preview.StartTimer_Timer();
        return loaded.wait(kWait) && loaded.last().first().toBool();
    }

private slots:
    void initTestCase() {
        QVERIFY(root_.isValid());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void init() { messages_.shown.clear(); }

    void opensBlankWithPrintDisabled() {
        FakeSource source;
        auto preview = makePreview(source, QStringLiteral("blank"));
        QCOMPARE(preview->windowTitle(), QStringLiteral("Print Preview"));
        QVERIFY(preview->isModal());
        QCOMPARE(preview->url(), QUrl(QStringLiteral("about:blank")));
        QCOMPARE(preview->WB()->url(), QUrl(QStringLiteral("about:blank")));
        QCOMPARE(preview->addressBar()->text(), QStringLiteral("about:blank"));
        QVERIFY(preview->addressBar()->isReadOnly());
        QVERIFY(!preview->cmdPrint()->isEnabled());
        QVERIFY(!preview->mnuPrint()->isEnabled());
        QVERIFY(preview->StartTimer()->isActive());
        QVERIFY(preview->StartTimer()->isSingleShot());
        QCOMPARE(preview->StartTimer()->interval(), 250);
        QCOMPARE(preview->cmdPrint()->text(), QStringLiteral("&Print..."));
        QCOMPARE(preview->cmdClose()->text(), QStringLiteral("&Close"));
        QCOMPARE(source.asked, 0); // nothing is generated before the window is up
    }

    void showsReportAfterStartTimer() {
        FakeSource source;
        source.values = exampleValues();
        auto preview = makePreview(source, QStringLiteral("report"));
        QVERIFY(generateAndLoad(*preview));
        QVERIFY(!preview->StartTimer()->isActive());
        QVERIFY(preview->cmdPrint()->isEnabled());
        QVERIFY(preview->mnuSaveAsPdf()->isEnabled());
        const QString folder = root_.filePath(QStringLiteral("report"));
        QCOMPARE(preview->url(), report::BuildReportUrl(folder));
        QCOMPARE(preview->WB()->url(), preview->url());
        QCOMPARE(preview->addressBar()->text(), preview->url().toDisplayString());
        QVERIFY(QFile::exists(folder + QStringLiteral("/print.html")));
        QVERIFY(messages_.shown.isEmpty());
        // No scan plot to copy: no image, and the status bar says so.
        QVERIFY(!QFile::exists(folder + QStringLiteral("/spect.png")));
        QVERIFY(preview->spectrumNote()->isVisibleTo(preview.get()));

        QCOMPARE(runScript(preview->WB(), QStringLiteral("document.title")).toString(),
                 QStringLiteral("Kivo Report"));
        QCOMPARE(
            runScript(preview->WB(), kCellsScript).toString(),
            QStringLiteral("Coarse gain:|4|Fine gain:|1.500|LLD:|50.02%|ULD:|100.00%|High Voltage:|1000.0V|"
                           "Channels:|128|Sweeps:|10"));
        QCOMPARE(
            runScript(preview->WB(), QStringLiteral("document.querySelector('h1').textContent")).toString(),
            QStringLiteral("Kivo Report"));
        // The logo installed beside the program, not the broken-image placeholder.
        QVERIFY(QFile::exists(folder + QStringLiteral("/vtlogo.png")));
        QTRY_COMPARE_WITH_TIMEOUT(
            runScript(preview->WB(), QStringLiteral("document.images[0].naturalWidth")).toInt(), 720, kWait);

        // Generated once: a late timer tick does not regenerate.
        preview->StartTimer_Timer();
        QCOMPARE(source.asked, 1);
    }

    void secondOpeningShowsCurrentValues() {
        FakeSource source;
        source.values = exampleValues();
        {
            auto first = makePreview(source, QStringLiteral("twice"));
            QVERIFY(generateAndLoad(*first));
        }
        source.values.isVR = true;
        source.values.highVoltageText = QStringLiteral("850.25");
        source.values.serialNumber = QStringLiteral("<b>VR-7</b>");
        auto second = makePreview(source, QStringLiteral("twice"));
        QVERIFY(generateAndLoad(*second));
        QCOMPARE(
            runScript(second->WB(), QStringLiteral("document.querySelector('h1').textContent")).toString(),
            QStringLiteral("Kivo-VR Report"));
        QCOMPARE(runScript(second->WB(), QStringLiteral("document.title")).toString(),
                 QStringLiteral("Kivo Report"));
        QVERIFY(runScript(second->WB(), kCellsScript)
                    .toString()
                    .contains(QStringLiteral("High Voltage:|850.3V|")));
        // The hostile serial number is text, not markup.
        QCOMPARE(runScript(second->WB(), QStringLiteral("document.querySelectorAll('b').length")).toInt(), 0);
        QCOMPARE(runScript(second->WB(),
                           QStringLiteral(
                               "document.querySelector('table.CommonTab tr td:nth-child(2)').textContent"))
                     .toString(),
                 QStringLiteral("<b>VR-7</b>"));
    }

    void spectrumImageCopiesTheScanPlot() {
        // A scan plot as the scan window sets it up, with the user's window as ROI 1 and one more.
        CTreviumCtrl scanPlot;
        QList<qint32> counts(513, 0);
        for (int i = 0; i <= 128; ++i)
            counts[i] = 1000 - (i - 64) * (i - 64) / 5;
        scanPlot.setData(QVariant::fromValue(counts));
        scanPlot.setNpoints(129);
        scanPlot.setFirstPoint(0);
        scanPlot.setLastPoint(128);
        scanPlot.calibration()->setEnable(true);
        scanPlot.calibration()->setSlope(100.0f / 128);
        scanPlot.calibration()->setQuadratic(0.5f);
        scanPlot.setXLabel(QStringLiteral("Discriminator level (%)"));
        scanPlot.setYLabel(QStringLiteral("Counts"));
        scanPlot.setShowLabels(true);
        scanPlot.setPlotFilled(true);
        scanPlot.setYmode(TreviumCtl::LogScale);
        scanPlot.setGraphColor(0x00A08040);
        auto userWindow = std::make_shared<trevium::RoiInfo>();
        userWindow->setFirstChannel(40);
        userWindow->setLastChannel(80);
        userWindow->setColor(255);
        userWindow->setVisible(true);
        auto second = std::make_shared<trevium::RoiInfo>();
        QVERIFY(scanPlot.roiCollection()->add(userWindow) == trevium::S_OK);
        QVERIFY(scanPlot.roiCollection()->add(second) == trevium::S_OK);

        FakeSource source;
        source.plot = &scanPlot;
        const QString image = root_.filePath(QStringLiteral("spectrum/spect.png"));
        for (int opening = 1; opening <= 2; ++opening) {
            auto preview = makePreview(source, QStringLiteral("spectrum"));
            QVERIFY(preview->SpectImg()->isHidden());
            QVERIFY(QImage(64, 64, QImage::Format_RGB32).save(image)); // an earlier preview's image
            preview->StartTimer_Timer();
            const CTreviumCtrl& img = *preview->SpectImg();
            // A fresh control each time: the ROIs are the plot's own objects, not added twice.
            QCOMPARE(img.roiCollection()->count(), 2);
            QCOMPARE(img.roiCollection()->items().at(0), userWindow);
            QCOMPARE(img.roiCollection()->items().at(1), second);
            QCOMPARE(scanPlot.roiCollection()->count(), 2);

            QCOMPARE(img.backColor(), 0xFFFFFFu);
            QCOMPARE(img.graphColor(), 0xFF0000u);
            QCOMPARE(img.axisColor(), 0x808080u);
            QCOMPARE(img.labelColor(), 0u);
            QCOMPARE(img.data(), scanPlot.data());
            QCOMPARE(img.npoints(), qint16(129));
            QCOMPARE(img.lastPoint(), 128);
            QCOMPARE(img.ymode(), TreviumCtl::LogScale);
            QCOMPARE(img.xLabel(), QStringLiteral("Discriminator level (%)"));
            QVERIFY(img.showLabels());
            QVERIFY(img.plotFilled());
            QVERIFY(!img.fastDraw());
            QVERIFY(img.calibration()->enable());
            QCOMPARE(img.calibration()->slope(), 100.0f / 128);
            QCOMPARE(img.calibration()->quadratic(), 0.0f); // not part of the copy
            QVERIFY(img.model().data());
            QCOMPARE(QList<qint32>(img.model().data(), img.model().data() + 129), counts.mid(0, 129));

            // This preview's image replaced the earlier one.
            QCOMPARE(QImage(image).size(), QSize(1000, 600));
            QVERIFY(!preview->spectrumNote()->isVisibleTo(preview.get()));
        }
    }

    void savesPdfWithTheReportText() {
        FakeSource source;
        source.values = exampleValues();
        auto preview = makePreview(source, QStringLiteral("pdf"));
        QVERIFY(generateAndLoad(*preview));
        const QString pdf = root_.filePath(QStringLiteral("Kivo Report.pdf"));
        QSignalSpy saved(preview.get(), &PrintPreview::pdfSaved);
        preview->saveAsPdf(pdf);
        QVERIFY(saved.wait(kWait));
        QCOMPARE(saved.first().at(1).toBool(), true);
        const QString text = pdfText(pdf);
        for (const char* expected :
             {"Kivo Report", "Device Identifiers", "KV-0042", "Friday, March 15, 2019", "SCA Settings",
              "50.02%", "1000.0V", "Pseudo-PHA Spectrum", "Veltrano Instruments"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
        QVERIFY(preview->statusBar()->currentMessage().contains(QStringLiteral("Kivo Report.pdf")));
        QVERIFY(messages_.shown.isEmpty());
    }

    void pdfFailureIsReported() {
        FakeSource source;
        auto preview = makePreview(source, QStringLiteral("pdf-fail"));
        QVERIFY(generateAndLoad(*preview));
        QSignalSpy saved(preview.get(), &PrintPreview::pdfSaved);
        preview->saveAsPdf(root_.filePath(QStringLiteral("no/such/folder/report.pdf")));
        QVERIFY(saved.wait(kWait));
        QCOMPARE(saved.first().at(1).toBool(), false);
        QCOMPARE(messages_.shown.size(), 1);
        QCOMPARE(messages_.shown.first().title, QStringLiteral("Print Preview"));
        QCOMPARE(preview->statusBar()->currentMessage(), QStringLiteral("Saving the PDF failed."));
    }

    void printsAndReportsFailure() {
        FakeSource source;
        source.values = exampleValues();
        auto preview = makePreview(source, QStringLiteral("print"));
        QVERIFY(generateAndLoad(*preview));

        const QString out = root_.filePath(QStringLiteral("printed.pdf"));
        auto printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(out);
        QSignalSpy printed(preview.get(), &PrintPreview::printed);
        QVERIFY(preview->printTo(std::move(printer)));
        QVERIFY(!preview->cmdPrint()->isEnabled()); // one print at a time
        QVERIFY(!preview->printTo(std::make_unique<QPrinter>()));
        QVERIFY(printed.wait(kWait));
        QCOMPARE(printed.first().first().toBool(), true);
        QCOMPARE(preview->statusBar()->currentMessage(), QStringLiteral("Printed."));
        QVERIFY(preview->cmdPrint()->isEnabled());
        QVERIFY(QFileInfo(out).size() > 0);

        // A printer that cannot start (its output cannot be created) is reported, not swallowed.
        auto broken = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
        broken->setOutputFormat(QPrinter::PdfFormat);
        broken->setOutputFileName(root_.filePath(QStringLiteral("no/such/folder/printed.pdf")));
        printed.clear();
        QVERIFY(preview->printTo(std::move(broken)));
        QVERIFY(printed.wait(kWait));
        QCOMPARE(printed.first().first().toBool(), false);
        QCOMPARE(preview->statusBar()->currentMessage(), QStringLiteral("Printing failed."));
        QVERIFY(preview->cmdPrint()->isEnabled());
    }

    void dataFolderWhenProgramFolderUnusable() {
        FakeSource source;
        source.values = exampleValues();
        const QString blocker = root_.filePath(QStringLiteral("file-not-folder"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        PrintPreview preview(source);
        const QString data = root_.filePath(QStringLiteral("user-data/KivoPanel"));
        preview.setReportFiles(report::ReportFiles(blocker + QStringLiteral("/bin"), data));
        QVERIFY(generateAndLoad(preview));
        QCOMPARE(preview.url(), report::BuildReportUrl(data));
        QVERIFY(QFile::exists(data + QStringLiteral("/print.html")));
        QVERIFY(messages_.shown.isEmpty());
    }

    void installedProgramWritesIntoTheDataFolderWithTheInstalledLogo() {
        // <prefix>/bin holds the program, <prefix>/share/kivopanel the logo; bin/ is writable here (as
        // /usr/bin is for root) and must stay untouched.
        const QString bin = root_.filePath(QStringLiteral("installed/usr/bin"));
        const QDir binDir(bin);
        QVERIFY(QDir().mkpath(binDir.filePath(kivo::folders::kPrivateLibraryFolderFromProgram)));
        const QString share = QDir::cleanPath(binDir.filePath(kivo::folders::kDataFolderFromProgram));
        QVERIFY(QDir().mkpath(share));
        QVERIFY(QFile::copy(qEnvironmentVariable("KIVO_BIN_DIR") + QStringLiteral("/vtlogo.png"),
                            share + QStringLiteral("/vtlogo.png")));
        const QString data = root_.filePath(QStringLiteral("installed/home/.local/share/KivoPanel"));

        FakeSource source;
        source.values = exampleValues();
        PrintPreview preview(source);
        preview.setReportFiles(
            report::ReportFiles::forLayout(kivo::folders::layoutFor(bin.toStdString()), data));
        QVERIFY(generateAndLoad(preview));
        QCOMPARE(preview.url(), report::BuildReportUrl(data));
        QVERIFY(QFile::exists(data + QStringLiteral("/print.html")));
        QVERIFY(QDir(bin).entryList(QDir::Files).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(
            runScript(preview.WB(), QStringLiteral("document.images[0].naturalWidth")).toInt(), 720, kWait);
        QVERIFY(messages_.shown.isEmpty());
    }

    // The entry the command-line scan uses: a written report to a vector PDF, without a window.
    void reportFileToPdfWithoutAWindow() {
        const QString folder = root_.filePath(QStringLiteral("headless"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(report::WriteReport(folder + QStringLiteral("/print.html"), exampleValues()));
        const QString pdf = folder + QStringLiteral("/report.pdf");
        QString error;
        QVERIFY2(preview::WriteReportPdf(folder + QStringLiteral("/print.html"), pdf, &error),
                 qPrintable(error));
        QVERIFY(error.isEmpty());
        for (const QWindow* window : QGuiApplication::topLevelWindows())
            QVERIFY(!window->isVisible());
        const QString text = pdfText(pdf);
        for (const char* expected : {"Kivo Report", "KV-0042", "50.02%", "1000.0V", "Veltrano Instruments"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
        // Vector text, not a picture of the page: pdftotext found it, and the file stays small.
        QVERIFY(QFileInfo(pdf).size() < 200 * 1024);
    }

    void reportFileToPdfFailures_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QString>("error");
        const QString folder = root_.filePath(QStringLiteral("headless-fail"));
        QTest::newRow("no report")
            << folder + "/missing.html" << folder + "/out.pdf"
            << QStringLiteral("The report \"%1\" does not exist.").arg(folder + "/missing.html");
        QTest::newRow("PDF folder missing")
            << folder + "/print.html" << folder + "/no/such/out.pdf"
            << QStringLiteral("The PDF \"%1\" could not be written.").arg(folder + "/no/such/out.pdf");
    }
    void reportFileToPdfFailures() {
        QFETCH(QString, html);
        QFETCH(QString, pdf);
        QFETCH(QString, error);
        QVERIFY(QDir().mkpath(root_.filePath(QStringLiteral("headless-fail"))));
        QVERIFY(
            report::WriteReport(root_.filePath(QStringLiteral("headless-fail/print.html")), exampleValues()));
        QString message;
        QVERIFY(!preview::WriteReportPdf(html, pdf, &message));
        QCOMPARE(message, error);
        QVERIFY(!QFile::exists(pdf));
    }

    void noWritableFolderMeansOneMessageAndNoNavigation() {
        FakeSource source;
        const QString blocker = root_.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        PrintPreview preview(source);
        preview.setReportFiles(
            report::ReportFiles(blocker + QStringLiteral("/bin"), blocker + QStringLiteral("/data")));
        QSignalSpy urls(preview.WB(), &QWebEngineView::urlChanged);
        preview.StartTimer_Timer();
        QCOMPARE(messages_.shown.size(), 1);
        QCOMPARE(messages_.shown.first().title, QStringLiteral("Print Preview"));
        QVERIFY(messages_.shown.first().text.contains(blocker + QStringLiteral("/bin")));
        QCOMPARE(preview.url(), QUrl(QStringLiteral("about:blank")));
        QVERIFY(!preview.cmdPrint()->isEnabled());
        QTest::qWait(500); // give a navigation, had one been started, time to show
        for (const QList<QVariant>& args : urls)
            QCOMPARE(args.first().toUrl(), QUrl(QStringLiteral("about:blank")));
        QCOMPARE(preview.WB()->url(), QUrl(QStringLiteral("about:blank")));
    }

    void unwritableReportLeavesOldFilesUnshown() {
        FakeSource source;
        auto preview = makePreview(source, QStringLiteral("stale"));
        const QString folder = root_.filePath(QStringLiteral("stale"));
        // "print.html" is taken by a folder, so the report cannot be written over it.
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/print.html")));
        preview->StartTimer_Timer();
        QCOMPARE(messages_.shown.size(), 1);
        QVERIFY(messages_.shown.first().text.contains(QStringLiteral("print.html")));
        QCOMPARE(preview->url(), QUrl(QStringLiteral("about:blank")));
        QVERIFY(!preview->cmdPrint()->isEnabled());
    }

    void layoutInTwips() {
        FakeSource source;
        auto preview = makePreview(source, QStringLiteral("layout"));
        const double dpiX = preview->logicalDpiX() / 1440.0, dpiY = preview->logicalDpiY() / 1440.0;
        QCOMPARE(preview->width(), qRound(9165 * dpiX));
        QCOMPARE(preview->height(), qRound(7440 * dpiY));
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview.get()));

        for (const QSize size : {QSize(900, 700), QSize(400, 300)}) {
            preview->resize(size);
            QTRY_COMPARE(preview->size(), size);
            const int margin = qRound(120 * dpiX);
            const QRect print = preview->cmdPrint()->geometry(), close = preview->cmdClose()->geometry();
            QCOMPARE(print.right() + 1, size.width() - margin);
            QCOMPARE(close.right() + 1, size.width() - margin);
            QCOMPARE(print.top(), qRound(120 * dpiY));
            QCOMPARE(close.top(), print.top() + qRound(600 * dpiY));
            QCOMPARE(preview->browserFrame()->geometry(),
                     QRect(0, 0, size.width() - print.width() - 2 * margin, size.height()));
        }

        // Too narrow for the browser: the layout is left as it was, nothing breaks.
        const QRect frameBefore = preview->browserFrame()->geometry();
        const QRect printBefore = preview->cmdPrint()->geometry();
        preview->resize(preview->cmdPrint()->width() / 2, 200);
        QTest::qWait(50);
        preview->Form_Resize();
        QCOMPARE(preview->browserFrame()->geometry(), frameBefore);
        QCOMPARE(preview->cmdPrint()->geometry(), printBefore);
    }

    void closeButtonClosesAndAccessibility() {
        FakeSource source;
        auto preview = makePreview(source, QStringLiteral("close"));
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview.get()));
        QCOMPARE(preview->cmdPrint()->nextInFocusChain(), preview->cmdClose());
        QVERIFY(!preview->WB()->accessibleName().isEmpty());
        QTest::mouseClick(preview->cmdClose(), Qt::LeftButton);
        QVERIFY(!preview->isVisible());
    }
};

KIVO_BROWSER_TEST_MAIN(TestPreview)

#include "tst_preview.moc"
