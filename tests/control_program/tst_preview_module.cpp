// The print preview as the program reaches it: a module loaded at the first Print. Until then the
// browser engine is not mapped; a missing or foreign module, or a missing engine helper, is told in
// the scan window's box and the program goes on; once loaded, the preview works as before, its boxes go
// through the program's message service, and the headless PDF entry converts a report file.
#include "BrowserTestMain.h"
#include "PreviewLoader.h"
#include "ReportWriter.h"
#include "ScanFixture.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

QString builtModule() {
    return qEnvironmentVariable("KIVO_BIN_DIR") + QStringLiteral("/libKivoPreview.so");
}

bool engineMapped() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
}

QString pdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0)
        return QString();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

} // namespace

class TestPreviewModule : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    preview::PreviewLoader& loader_ = preview::PreviewLoader::instance();

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void programStartsWithoutTheEngine() {
        ScanFixture f;
        f.connectAndOpen();
        f.tick(8, 1000);
        QVERIFY(!engineMapped());
        QVERIFY(!loader_.isLoaded());
        QCOMPARE(QFileInfo(preview::PreviewLoader::defaultModulePath()).fileName(),
                 QStringLiteral("libKivoPreview.so"));
    }

    void printWithoutAUsableModule_data() {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no module") << dir_.filePath(QStringLiteral("none/libKivoPreview.so"))
                                   << "cannot open shared object file";
        QTest::newRow("not a library") << dir_.filePath(QStringLiteral("libKivoPreview.so")) << "ELF";
        QTest::newRow("another version")
            << QStringLiteral(KIVO_FOREIGN_PREVIEW) << "belongs to another version of the program";
    }
    void printWithoutAUsableModule() {
        QFETCH(QString, module);
        QFETCH(QString, reason);
        QFile garbage(dir_.filePath(QStringLiteral("libKivoPreview.so")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("not a shared library, but long enough to be read as one......................\n");
        garbage.close();

        ScanFixture f;
        Scan* s = f.connectAndOpen();
        loader_.setModulePath(module);
        for (int attempt = 1; attempt <= 2; ++attempt) { // tried again at every Print
            ScanFixture::press(s->cmdPrint());
            QCOMPARE(f.messages.shown.size(), attempt);
            const ShownMessage& box = f.messages.shown.last();
            QCOMPARE(box.title, QStringLiteral("Morla"));
            QCOMPARE(box.icon, MsgIcon::Critical);
            QVERIFY(box.text.startsWith(QStringLiteral("The print preview is not available.\n\n")));
            QVERIFY2(box.text.contains(module) && box.text.contains(reason), qPrintable(box.text));
        }
        QVERIFY(!loader_.isLoaded());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!engineMapped());
        // The rest of the program goes on: the scan starts and takes readings.
        ScanFixture::press(s->cmdStartStop());
        QVERIFY(globals::scanRunning);
        f.tick(4, 500);
        QCOMPARE(s->channel(), 2);
    }

    void printWithoutTheEngineHelper() {
        qputenv("QTWEBENGINEPROCESS_PATH", "/no/such/QtWebEngineProcess");
        ScanFixture f;
        Scan* s = f.connectAndOpen();
        loader_.setModulePath(builtModule());
        ScanFixture::press(s->cmdPrint());
        qunsetenv("QTWEBENGINEPROCESS_PATH");
        QVERIFY(loader_.isLoaded());
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown.first().title, QStringLiteral("Morla"));
        QCOMPARE(f.messages.shown.first().text,
                 QStringLiteral("The print preview is not available.\n\nThe browser engine cannot start: its "
                                "helper program was not found (looked for /no/such/QtWebEngineProcess)."));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Presses Print in the scan window and waits, while the modal preview runs, until `seen` says the
    // preview shows what the test waits for; then closes it. Never hangs: after 60 s whatever is open
    // is closed and the caller's checks fail.
    static bool printAndWatch(Scan* s, const std::function<bool(QDialog*)>& seen) {
        bool watched = false;
        QElapsedTimer clock;
        clock.start();
        QTimer driver;
        driver.callOnTimeout([&] {
            auto* top = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!top)
                return;
            if (clock.elapsed() > 60000 || (top->inherits("PrintPreview") && seen(top))) {
                watched = clock.elapsed() <= 60000;
                top->reject();
            }
        });
        driver.start(50);
        ScanFixture::press(s->cmdPrint()); // returns when the preview is closed
        return watched;
    }

    static QPushButton* printButton(QDialog* preview) {
        for (QPushButton* button : preview->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("&Print..."))
                return button;
        return nullptr;
    }

    // The preview from the module generates the report and shows it, modal over the scan window.
    void printOpensThePreviewFromTheModule() {
        ScanFixture f;
        Scan* s = f.connectAndOpen();
        loader_.setModulePath(builtModule());
        bool modal = false;
        QVERIFY(printAndWatch(s, [&](QDialog* preview) {
            modal = preview->isModal() && preview->parentWidget() == s;
            QPushButton* print = printButton(preview);
            return print && print->isEnabled(); // enabled once the report is generated
        }));
        QVERIFY(modal);
        QVERIFY(engineMapped());
        QVERIFY(f.messages.shown.isEmpty());
        // Run from the build folder, the report went into the program folder.
        const QString folder = QCoreApplication::applicationDirPath();
        QVERIFY(QFile::exists(folder + QStringLiteral("/print.html")));
        QFile::remove(folder + QStringLiteral("/print.html"));
        QFile::remove(folder + QStringLiteral("/spect.png"));
    }

    // A box of the preview, shown from the module, reaches the program's message service: here the
    // report cannot be written because a folder has taken its name.
    void previewBoxesReachTheProgramsService() {
        ScanFixture f;
        Scan* s = f.connectAndOpen();
        loader_.setModulePath(builtModule());
        const QString blocked = QCoreApplication::applicationDirPath() + QStringLiteral("/print.html");
        QVERIFY(QDir().mkpath(blocked));
        const bool watched = printAndWatch(s, [&](QDialog*) { return !f.messages.shown.isEmpty(); });
        QDir(blocked).removeRecursively();
        QVERIFY(watched);
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown.first().title, QStringLiteral("Print Preview"));
        QCOMPARE(f.messages.shown.first().icon, MsgIcon::Critical);
        QVERIFY2(f.messages.shown.first().text.contains(blocked), qPrintable(f.messages.shown.first().text));
    }

    void headlessPdfThroughTheModule() {
        loader_.setModulePath(builtModule());
        ReportValues values;
        values.serialNumber = QStringLiteral("HL-77");
        values.highVoltageText = QStringLiteral("950");
        const QString html = dir_.filePath(QStringLiteral("print.html"));
        QVERIFY(report::WriteReport(html, values));
        const QString pdf = dir_.filePath(QStringLiteral("report.pdf"));
        QString error;
        QVERIFY2(loader_.writeReportPdf(html, pdf, &error), qPrintable(error));
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("HL-77")) && text.contains(QStringLiteral("950.0V")),
                 qPrintable(text));
    }
};

// Like the program, the test makes no OpenGL share context before the application: the loader does.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestPreviewModule test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_preview_module.moc"
