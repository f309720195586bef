// Where the device link finds libKivoLib.so: $KIVOLIB_LIBRARY, then the program's own library folder,
// then the system's search path, then (installed) the simulated detector; and whether what it loaded
// is the simulated detector. Each case lays out a program folder of its own, copies the probe program
// into it and runs it there.
#include "DeviceLink.h"
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
    QString loaded, simulator;
    int origin = -1;
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
                                const QString& environmentLibrary, bool german) {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (german) {
            for (const char* name : {"LANGUAGE", "LANG", "LC_ALL", "LC_MESSAGES"})
                env.insert(QString::fromLatin1(name), QStringLiteral("de_DE.UTF-8"));
            env.insert(QStringLiteral("KIVO_PROBE_FOREIGN_LOADER"), QStringLiteral("1"));
        }
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
            else if (line.startsWith(QStringLiteral("origin=")))
                result.origin = line.mid(7).toInt();
            else if (line.startsWith(QStringLiteral("simulator=")))
                result.simulator = line.mid(10);
            else if (line.startsWith(QStringLiteral("handle=")))
                result.handle = line.mid(7).toInt();
            else if (line.startsWith(QStringLiteral("report=")))
                result.reports << line.mid(7);
        }
        return result;
    }

    // Kinds: "sim" the simulated detector, "vendor" a unit's own library (a small library that does not
    // name itself the simulator, enough to open and close), "broken" a file that is no
    // library, "foreign" a library of another architecture (the loader passes over it when searching).
    static bool placeLibrary(const QString& folder, const QString& kind) {
        const QString path = folder + QStringLiteral("/libKivoLib.so");
        if (kind == QStringLiteral("broken"))
            return writeFile(path, "this is not a shared library\n");
        if (kind == QStringLiteral("foreign")) // a 32-bit ELF header, padded to a 64-bit header's size
            return writeFile(path, QByteArray("\x7f"
                                              "ELF\x01\x01\x01",
                                              7) +
                                       QByteArray(57, '\0'));
        return QFile::copy(kind == QStringLiteral("vendor") ? QStringLiteral(KIVO_PARTIAL_LIBRARY)
                                                            : QStringLiteral(KIVO_SIM_LIBRARY_BUILT),
                           path);
    }

private slots:
    // Columns: which library is where (own library folder, system path, the installed simulator
    // folder), what $KIVOLIB_LIBRARY names, whether the loader speaks German, which one is loaded and
    // whether the link takes it for the simulator, and what is reported.
    void lookupOrder_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("system");
        QTest::addColumn<bool>("simulator");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("simulated");
        QTest::addColumn<QString>("report");

        auto row = [](const char* name, bool installed, const char* own, const char* system, bool simulator,
                      const char* environment, bool german, const char* expected, bool simulated,
                      const char* report) {
            QTest::newRow(name) << installed << QString(own) << QString(system) << simulator
                                << QString(environment) << german << QString(expected) << simulated
                                << QString(report);
        };
        row("build folder: the simulator beside the program", false, "sim", "sim", false, "", false, "own",
            true, "");
        row("build folder: the system's search path when none is beside it", false, "", "sim", false, "",
            false, "system", true, "");
        row("installed: the own library folder before the system", true, "sim", "vendor", true, "", false,
            "own", true, "");
        row("installed: a unit's library installed system-wide replaces the simulator", true, "", "vendor",
            true, "", false, "system", false, "");
        row("installed: the simulator when no other is found", true, "", "", true, "", false, "simulator",
            true, "");
        row("installed: a broken system library is reported, not replaced", true, "", "broken", true, "",
            false, "", false, "\"libKivoLib.so\" could not be loaded");
        row("installed: another architecture's library is reported, not replaced", true, "", "foreign", true,
            "", false, "", false, "(found at \"");
        row("installed: a broken own library is reported, not replaced", true, "broken", "sim", true, "",
            false, "", false, "kivopanel/libKivoLib.so\" could not be loaded");
        row("installed: nothing anywhere", true, "", "", false, "", false, "", false,
            "libKivoLib.so: cannot open shared object file");
        row("KIVOLIB_LIBRARY before everything", true, "vendor", "vendor", true, "sim", false, "environment",
            true, "");
        row("KIVOLIB_LIBRARY naming a unit's library", true, "sim", "sim", true, "vendor", false,
            "environment", false, "");
        row("KIVOLIB_LIBRARY missing: reported, nothing else tried", true, "sim", "sim", true, "missing",
            false, "", false, "/no/such/libKivoLib.so");
        row("German loader: the simulator when no other is found", true, "", "", true, "", true, "simulator",
            true, "");
        row("German loader: a broken system library is reported, not replaced", true, "", "broken", true, "",
            true, "", false, "\"libKivoLib.so\" could not be loaded");
    }
    void lookupOrder() {
        QFETCH(bool, installed);
        QFETCH(QString, own);
        QFETCH(QString, system);
        QFETCH(bool, simulator);
        QFETCH(QString, environment);
        QFETCH(bool, german);
        QFETCH(QString, expected);
        QFETCH(bool, simulated);
        QFETCH(QString, report);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        const Layout layout = makeLayout(root, installed);
        if (!own.isEmpty())
            QVERIFY(placeLibrary(layout.libraryFolder, own));
        if (!system.isEmpty())
            QVERIFY(placeLibrary(layout.systemFolder, system));
        if (simulator)
            QVERIFY(placeLibrary(layout.simulatorFolder, QStringLiteral("sim")));
        QString environmentLibrary;
        if (environment == QStringLiteral("missing")) {
            environmentLibrary = QStringLiteral("/no/such/libKivoLib.so");
        } else if (!environment.isEmpty()) {
            environmentLibrary = root.filePath(QStringLiteral("elsewhere/libKivoLib.so"));
            QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("elsewhere"))));
            QVERIFY(placeLibrary(root.filePath(QStringLiteral("elsewhere")), environment));
        }

        const ProbeResult result = runProbe(root, layout, environmentLibrary, german);
        using kivo::LibraryOrigin;
        const QMap<QString, std::pair<QString, LibraryOrigin>> folders = {
            {QStringLiteral("own"), {layout.libraryFolder, LibraryOrigin::ProgramFolder}},
            {QStringLiteral("system"), {layout.systemFolder, LibraryOrigin::SearchPath}},
            {QStringLiteral("simulator"), {layout.simulatorFolder, LibraryOrigin::SimulatorFallback}},
            {QStringLiteral("environment"), {root.filePath("elsewhere"), LibraryOrigin::Environment}}};
        if (expected.isEmpty()) {
            QCOMPARE(result.loaded, QString());
            QCOMPARE(result.origin, int(LibraryOrigin::None));
            QCOMPARE(result.handle, 0);
            QCOMPARE(result.reports.size(), 1);
            QVERIFY2(result.reports.first().contains(report), qPrintable(result.reports.first()));
        } else {
            const auto [folder, origin] = folders.value(expected);
            QCOMPARE(QFileInfo(result.loaded).canonicalFilePath(),
                     QFileInfo(folder + QStringLiteral("/libKivoLib.so")).canonicalFilePath());
            QCOMPARE(result.origin, int(origin));
            QVERIFY(result.handle != 0);
            QCOMPARE(result.reports, QStringList());
        }
        QCOMPARE(result.simulator.startsWith(QStringLiteral("KivoPanel simulated detector ")), simulated);
    }
};

QTEST_GUILESS_MAIN(TestLibraryLookup)

#include "tst_library_lookup.moc"
