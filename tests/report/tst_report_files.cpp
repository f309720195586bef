// Where the report files go, and the URL the browser loads them from, tried in a real browser.
#include "BrowserTestMain.h"
#include "ProgramFolders.h"
#include "ReportFiles.h"
#include "ReportUrl.h"
#include "ReportWriter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

using namespace report;

namespace {

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes a folder refuse new files for the life of the object. Permissions do not stop root, so the
// immutable attribute is used as well where they do not suffice.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString path) : path_(std::move(path)) {
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        if (IsWritableFolder(path_))
            immutable_ = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path_}) == 0;
    }
    ~ReadOnlyFolder() {
        if (immutable_)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path_});
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool effective() const { return !IsWritableFolder(path_); }

private:
    QString path_;
    bool immutable_ = false;
};

} // namespace

class TestReportFiles : public QObject {
    Q_OBJECT
private slots:
    void programFolderFirst() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString program = root.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(program));
        ReportFiles files(program, root.filePath(QStringLiteral("data")));
        QVERIFY(files.Prepare());
        QCOMPARE(files.folder(), program);
        QCOMPARE(files.reportPath(), program + QStringLiteral("/print.html"));
        QCOMPARE(files.imagePath(), program + QStringLiteral("/spect.png"));
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("data")))); // untouched when not needed
        QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden), QStringList()); // no probe left
    }

    void dataFolderWhenProgramFolderIsReadOnly() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString program = root.filePath(QStringLiteral("bin"));
        const QString data = root.filePath(QStringLiteral("home/.local/share/KivoPanel"));
        QVERIFY(QDir().mkpath(program));
        QVERIFY(writeFile(program + QStringLiteral("/vtlogo.png"), "logo v1"));
        ReadOnlyFolder readOnly(program);
        if (!readOnly.effective())
            QSKIP("this machine cannot make a folder read-only for the current user");

        ReportFiles files(program, data);
        QVERIFY(files.Prepare());
        QCOMPARE(files.folder(), data);
        QCOMPARE(files.reportPath(), data + QStringLiteral("/print.html"));
        QCOMPARE(readFile(data + QStringLiteral("/vtlogo.png")), QByteArray("logo v1"));
        QVERIFY(WriteReport(files.reportPath(), ReportValues()));

        // A logo left by an older installation is replaced.
        QVERIFY(writeFile(data + QStringLiteral("/vtlogo.png"), "old logo!"));
        QVERIFY(files.Prepare());
        QCOMPARE(readFile(data + QStringLiteral("/vtlogo.png")), QByteArray("logo v1"));
    }

    // The layout around a program in <root>/<prefix>/bin: with the installed private library folder
    // and logo, or (build folder) with the logo beside the program.
    void layoutsOfTheProgram_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("build folder") << false << "build";
        QTest::newRow("installed in /usr") << true << "usr";
        QTest::newRow("installed in a relocated prefix") << true << "opt/lab tools/kivo";
    }
    void layoutsOfTheProgram() {
        QFETCH(bool, installed);
        QFETCH(QString, prefix);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString bin = root.filePath(prefix + QStringLiteral("/bin"));
        const QString data = root.filePath(QStringLiteral("home/.local/share/KivoPanel"));
        QVERIFY(QDir().mkpath(bin));
        QString logoFolder = bin;
        if (installed) {
            const QDir binDir(bin);
            QVERIFY(QDir().mkpath(binDir.filePath(kivo::folders::kPrivateLibraryFolderFromProgram)));
            logoFolder = QDir::cleanPath(binDir.filePath(kivo::folders::kDataFolderFromProgram));
            QVERIFY(QDir().mkpath(logoFolder));
        }
        QVERIFY(writeFile(logoFolder + QStringLiteral("/vtlogo.png"), "installed logo"));

        const auto layout = kivo::folders::layoutFor(bin.toStdString());
        QCOMPARE(layout.installed, installed);
        QCOMPARE(QString::fromStdString(layout.dataFolder.string()), logoFolder);
        ReportFiles files = ReportFiles::forLayout(layout, data);
        QVERIFY(files.Prepare());
        // Installed, the report goes to the user's data folder even though this bin/ is writable (as
        // /usr/bin is for root), and takes the logo from share/kivopanel along.
        const QString expected = installed ? data : bin;
        QCOMPARE(files.folder(), expected);
        QCOMPARE(readFile(expected + QStringLiteral("/vtlogo.png")), QByteArray("installed logo"));
        QVERIFY(WriteReport(files.reportPath(), ReportValues()));
        QCOMPARE(QDir(bin).entryList(QDir::Files).size(), installed ? 0 : 2); // logo and report
    }

    void installedWithoutWritableDataFolder() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString blocker = root.filePath(QStringLiteral("blocker"));
        QVERIFY(writeFile(blocker, "x"));
        ReportFiles files(QString(), blocker + QStringLiteral("/data"), root.path());
        QVERIFY(!files.Prepare());
        QCOMPARE(files.errorText(), QStringLiteral("The report cannot be written: the data folder \"%1\" "
                                                   "accepts no new files.")
                                        .arg(blocker + QStringLiteral("/data")));
    }

    // Each report asks again: a data folder that has gone since the last one is not written to.
    void aFolderThatWentAwayIsNotUsedAgain() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString data = root.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        ReportFiles files(QString(), data, root.path());
        QVERIFY(files.Prepare());
        QCOMPARE(files.folder(), data);
        QVERIFY(QDir(data).removeRecursively());
        QVERIFY(writeFile(data, "x")); // and a file in its place: nothing can be created below it
        QVERIFY(!files.Prepare());
        QVERIFY(files.folder().isEmpty());
    }

    void neitherFolderWritable() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        // Nothing can be created below a regular file, whoever asks.
        const QString blocker = root.filePath(QStringLiteral("blocker"));
        QVERIFY(writeFile(blocker, "x"));
        ReportFiles files(blocker + QStringLiteral("/bin"), blocker + QStringLiteral("/data"));
        QVERIFY(!files.Prepare());
        QVERIFY(files.folder().isEmpty());
        QVERIFY(files.reportPath().isEmpty());
        QVERIFY(files.errorText().contains(blocker + QStringLiteral("/bin")));
        QVERIFY(files.errorText().contains(blocker + QStringLiteral("/data")));
    }

    void urlOfAwkwardFolders_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("spaces") << "Lab Tools/Kivo Panel";
        QTest::newRow("bar") << "a|b";
        QTest::newRow("hash") << "set #1";
        QTest::newRow("percent") << "100%";
        QTest::newRow("percent escape lookalike") << "x%20y%7C";
        QTest::newRow("question mark") << "why?";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Zählung µSv 日本");
        QTest::newRow("all at once") << QString::fromUtf8("C: Lab|Tools #2 100% Ä?");
    }
    void urlOfAwkwardFolders() {
        QFETCH(QString, name);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString folder = root.filePath(name);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(WriteReport(folder + QStringLiteral("/print.html"), ReportValues()));

        const QUrl url = BuildReportUrl(folder);
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("file"));
        QVERIFY(!url.hasFragment());
        QVERIFY(!url.hasQuery());
        QCOMPARE(url.toLocalFile(), folder + QStringLiteral("/print.html"));

        // The browser finds the file under that address.
        QWebEngineView view;
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.setUrl(url);
        QVERIFY(loaded.wait(30000));
        QCOMPARE(loaded.first().first().toBool(), true);
        QTRY_COMPARE_WITH_TIMEOUT(view.title(), QStringLiteral("Kivo Report"), 30000);
    }

    void relativeFolderGivesAbsoluteUrl() {
        const QUrl url = BuildReportUrl(QStringLiteral("relative/dir"));
        QVERIFY(QDir::isAbsolutePath(url.toLocalFile()));
        QVERIFY(url.toLocalFile().endsWith(QStringLiteral("/relative/dir/print.html")));
    }
};

KIVO_BROWSER_TEST_MAIN(TestReportFiles)

#include "tst_report_files.moc"
