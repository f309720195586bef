// Where the device link finds libKivoLib.so: $KIVOLIB_LIBRARY, then the program's own library folder,
// then the system's search path, then (installed) the simulated detector. Each case lays out a
// program folder of its own, copies the probe program into it and runs it there.
#include "ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

struct ProbeResult {
    QString loaded;
    int handle = 0;
    QStringList reports;
};

} // namespace

class TestLibraryLookup : public QObject {
    Q_OBJECT

    // A prefix under `root`: <prefix>/bin with the probe, and for an installed layout the private
    // library folder beside it.
    struct Layout {
        QString bin, libraryFolder, simulatorFolder, systemFolder;
    };

    static Layout makeLayout(const QTemporaryDir& root, bool installed) {
        Layout layout;
        layout.bin = root.filePath(QStringLiteral("prefix/bin"));
        QDir().mkpath(layout.bin);
        layout.libraryFolder = layout.bin;
        if (installed) {
            layout.libraryFolder =
                QDir::cleanPath(QDir(layout.bin).filePath(kivo::folders::kPrivateLibraryFolderFromProgram));
            layout.simulatorFolder = layout.libraryFolder + QStringLiteral("/simulator");
            QDir().mkpath(layout.simulatorFolder);
        }
        layout.systemFolder = root.filePath(QStringLiteral("system-lib"));
        QDir().mkpath(layout.systemFolder);
        QFile::copy(QStringLiteral(KIVO_LOOKUP_PROBE), layout.bin + QStringLiteral("/probe"));
        return layout;
    }

    static ProbeResult runProbe(const QTemporaryDir& root, const Layout& layout,
                                const QString& environmentLibrary) {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), layout.systemFolder); // the system's search path
        env.insert(QStringLiteral("KIVO_SIM_STATE"), root.filePath(QStringLiteral("nvram.ini")));
        if (environmentLibrary.isEmpty())
            env.remove(QStringLiteral("KIVOLIB_LIBRARY"));
        else
            env.insert(QStringLiteral("KIVOLIB_LIBRARY"), environmentLibrary);
        probe.setProcessEnvironment(env);
        probe.start(layout.bin + QStringLiteral("/probe"), {});
        ProbeResult result;
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
            return result;
        for (const QString& line : QString::fromLocal8Bit(probe.readAllStandardOutput()).split(u'\n')) {
            if (line.startsWith(QStringLiteral("loaded=")))
                result.loaded = line.mid(7);
            else if (line.startsWith(QStringLiteral("handle=")))
                result.handle = line.mid(7).toInt();
            else if (line.startsWith(QStringLiteral("report=")))
                result.reports << line.mid(7);
        }
        return result;
    }

    static bool placeLibrary(const QString& folder, bool broken) {
        const QString path = folder + QStringLiteral("/libKivoLib.so");
        if (broken)
            return writeFile(path, "this is not a shared library\n");
        return QFile::copy(QStringLiteral(KIVO_SIM_LIBRARY_BUILT), path);
    }

private slots:
    // Columns: where libraries are (own library folder, system path, simulator folder; "broken" is a
    // file that is no library), what $KIVOLIB_LIBRARY names, which one is loaded, and what is reported.
    void lookupOrder_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("system");
        QTest::addColumn<bool>("simulator");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("report");

        QTest::newRow("build folder: the library beside the program") << false << "good"
                                                                      << "good" << false << ""
                                                                      << "own"
                                                                      << "";
        QTest::newRow("build folder: the system's search path when none is beside it")
            << false << ""
            << "good" << false << ""
            << "system"
            << "";
        QTest::newRow("installed: the own library folder before the system") << true << "good"
                                                                             << "good" << true << ""
                                                                             << "own"
                                                                             << "";
        QTest::newRow("installed: a library installed system-wide replaces the simulator")
            << true << ""
            << "good" << true << ""
            << "system"
            << "";
        QTest::newRow("installed: the simulator when no other is found") << true << ""
                                                                         << "" << true << ""
                                                                         << "simulator"
                                                                         << "";
        QTest::newRow("installed: a broken system library is reported, not replaced")
            << true << ""
            << "broken" << true << ""
            << ""
            << "\"libKivoLib.so\" could not be loaded";
        QTest::newRow("installed: a broken own library is reported, not replaced")
            << true << "broken"
            << "good" << true << ""
            << ""
            << "kivopanel/libKivoLib.so\" could not be loaded";
        QTest::newRow("installed: nothing anywhere") << true << ""
                                                     << "" << false << ""
                                                     << ""
                                                     << "libKivoLib.so: cannot open shared object file";
        QTest::newRow("KIVOLIB_LIBRARY before everything") << true << "good"
                                                           << "good" << true << "environment"
                                                           << "environment"
                                                           << "";
        QTest::newRow("KIVOLIB_LIBRARY missing: reported, nothing else tried") << true << "good"
                                                                               << "good" << true << "missing"
                                                                               << ""
                                                                               << "/no/such/libKivoLib.so";
    }
    void lookupOrder() {
        QFETCH(bool, installed);
        QFETCH(QString, own);
        QFETCH(QString, system);
        QFETCH(bool, simulator);
        QFETCH(QString, environment);
        QFETCH(QString, expected);
        QFETCH(QString, report);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        const Layout layout = makeLayout(root, installed);
        if (!own.isEmpty())
            QVERIFY(placeLibrary(layout.libraryFolder, own == QStringLiteral("broken")));
        if (!system.isEmpty())
            QVERIFY(placeLibrary(layout.systemFolder, system == QStringLiteral("broken")));
        if (simulator)
            QVERIFY(placeLibrary(layout.simulatorFolder, false));
        QString environmentLibrary;
        if (environment == QStringLiteral("environment")) {
            environmentLibrary = root.filePath(QStringLiteral("elsewhere/libKivoLib.so"));
            QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("elsewhere"))));
            QVERIFY(placeLibrary(root.filePath(QStringLiteral("elsewhere")), false));
        } else if (environment == QStringLiteral("missing")) {
            environmentLibrary = QStringLiteral("/no/such/libKivoLib.so");
        }

        const ProbeResult result = runProbe(root, layout, environmentLibrary);
        const QMap<QString, QString> folders = {{QStringLiteral("own"), layout.libraryFolder},
                                                {QStringLiteral("system"), layout.systemFolder},
                                                {QStringLiteral("simulator"), layout.simulatorFolder},
                                                {QStringLiteral("environment"), root.filePath("elsewhere")}};
        if (expected.isEmpty()) {
            QCOMPARE(result.loaded, QString());
            QCOMPARE(result.handle, 0);
            QCOMPARE(result.reports.size(), 1);
            QVERIFY2(result.reports.first().contains(report), qPrintable(result.reports.first()));
        } else {
            QCOMPARE(
                QFileInfo(result.loaded).canonicalFilePath(),
                QFileInfo(folders.value(expected) + QStringLiteral("/libKivoLib.so")).canonicalFilePath());
            QVERIFY(result.handle != 0);
            QCOMPARE(result.reports, QStringList());
        }
    }
};

QTEST_GUILESS_MAIN(TestLibraryLookup)

#include "tst_library_lookup.moc"
