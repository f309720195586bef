// KivoPanel's start: its command line, the termination signals, and the real program run as a user
// would from a shell: --help and --version without a display, a bad option, and a start connected to
// the simulated detector that a signal closes, with the browser engine never mapped.
#include "CommandLine.h"
#include "TerminationSignals.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

QString program() {
    return qEnvironmentVariable("KIVO_BIN_DIR") + QStringLiteral("/KivoPanel");
}

// The libraries the process has mapped, from /proc/<pid>/maps.
QStringList mappedFiles(qint64 pid) {
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    QStringList files;
    if (!maps.open(QIODevice::ReadOnly))
        return files;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0 && !files.contains(QString::fromLocal8Bit(line.mid(slash))))
            files << QString::fromLocal8Bit(line.mid(slash));
    }
    return files;
}

bool anyContains(const QStringList& files, const QString& part) {
    for (const QString& file : files)
        if (file.contains(part))
            return true;
    return false;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

    // The environment of a user's shell: no display unless asked for, a fresh home for the simulator's
    // memory and the report, the device library found by the program itself.
    QProcessEnvironment shell(bool offscreen) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "KIVOLIB_LIBRARY"})
            env.remove(QString::fromLatin1(name));
        if (offscreen)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home_.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("KIVO_SIM_STATE"), home_.filePath(QStringLiteral("nvram.ini")));
        return env;
    }

private slots:
    void initTestCase() { QVERIFY(home_.isValid()); }

    void parsesArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("connect");
        QTest::addColumn<QString>("error");
        QTest::newRow("none") << QStringList{} << false << "";
        QTest::newRow("--connect") << QStringList{"--connect"} << true << "";
        QTest::newRow("-c") << QStringList{"-c"} << true << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << false << "Unknown option 'bogus'.";
        QTest::newRow("argument") << QStringList{"report.html"} << false
                                  << "Unexpected argument 'report.html'.";
    }
    void parsesArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, connect);
        QFETCH(QString, error);
        const app::ParseResult result =
            app::ParseArguments(QStringList{QStringLiteral("KivoPanel")} + arguments);
        QCOMPARE(result.error, error);
        QCOMPARE(result.options.connect, connect);
    }

    // A signal delivered twice in a row (to the process and to its group) is one request; one that
    // comes after the grace period insists, and then the default action is back.
    void aRepeatIsOneRequestALaterOneInsists_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void aRepeatIsOneRequestALaterOneInsists() {
        QFETCH(int, signalNumber);
        cli::TerminationSignals listener;
        QVERIFY(listener.isActive());
        cli::TerminationSignals second; // only one may listen
        QVERIFY(!second.isActive());
        QSignalSpy received(&listener, &cli::TerminationSignals::received);
        QSignalSpy insisted(&listener, &cli::TerminationSignals::insistedOn);
        QCOMPARE(std::raise(signalNumber), 0);
        QVERIFY(listener.requested()); // known at once, before the event loop runs
        QCOMPARE(std::raise(signalNumber), 0);
        QVERIFY(received.wait(5000));
        QTest::qWait(200);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toInt(), signalNumber);
        QCOMPARE(insisted.size(), 0);
        QVERIFY(!listener.insisted());
        struct sigaction now = {};
        QCOMPARE(::sigaction(signalNumber, nullptr, &now), 0);
        QVERIFY(now.sa_handler != SIG_DFL);

        QTest::qWait(cli::TerminationSignals::GRACE_MS + 100);
        QCOMPARE(std::raise(signalNumber), 0);
        QVERIFY(listener.insisted());
        QVERIFY(insisted.wait(5000));
        QCOMPARE(insisted.first().first().toInt(), signalNumber);
        QCOMPARE(received.size(), 1);
        QCOMPARE(::sigaction(signalNumber, nullptr, &now), 0);
        QVERIFY(now.sa_handler == SIG_DFL); // a third one would end the program at once
    }

    void signalsAreReleasedWithTheListener() {
        {
            cli::TerminationSignals listener;
            QVERIFY(listener.isActive());
        }
        cli::TerminationSignals again;
        QVERIFY(again.isActive());
        struct sigaction now = {};
        QCOMPARE(::sigaction(SIGTERM, nullptr, &now), 0);
        QVERIFY(now.sa_handler != SIG_DFL);
    }

    void answersWithoutADisplay_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        QTest::newRow("--version") << "--version"
                                   << "KivoPanel 1.0.0\n";
        QTest::newRow("-v") << "-v"
                            << "KivoPanel 1.0.0\n";
        QTest::newRow("--help") << "--help"
                                << "-c, --connect";
        QTest::newRow("-h") << "-h"
                            << "Control program for Kivo detector electronics";
        QTest::newRow("--help-all") << "--help-all"
                                    << "--qmljsdebugger";
        // Qt's own options are not read letter by letter ("-reverse" holds a "v").
        QTest::newRow("-reverse --help") << "-reverse --help"
                                         << "-c, --connect";
        QTest::newRow("-platform xcb -h") << "-platform xcb -h"
                                          << "Control program for Kivo detector electronics";
    }
    void answersWithoutADisplay() {
        QFETCH(QString, option);
        QFETCH(QString, expected);
        QProcess process;
        process.setProcessEnvironment(shell(false));
        process.start(program(), option.split(u' '));
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        if (expected.endsWith(u'\n'))
            QCOMPARE(out, expected);
        else
            QVERIFY2(out.contains(expected), qPrintable(out));
    }

    // With or without a display: the usage is told, not a crash inside the window system.
    void badArgumentsEndWithStatusOne_data() {
        QTest::addColumn<bool>("display");
        QTest::newRow("display") << true;
        QTest::newRow("no display") << false;
    }
    void badArgumentsEndWithStatusOne() {
        QFETCH(bool, display);
        QProcess process;
        process.setProcessEnvironment(shell(display));
        process.start(program(), {QStringLiteral("--bogus")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 1);
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("Unknown option 'bogus'.")), qPrintable(err));
        QVERIFY(err.contains(QStringLiteral("KivoPanel --help")));
    }

    void startsConnectedAndClosesOnASignal_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void startsConnectedAndClosesOnASignal() {
        QFETCH(int, signalNumber);
        // A damaged memory file makes the simulated unit say at power-up (OpenSCA) that it uses its
        // factory defaults.
        QFile nvram(home_.filePath(QStringLiteral("nvram.ini")));
        QVERIFY(nvram.open(QIODevice::WriteOnly));
        nvram.write("hv = not a number\n");
        nvram.close();

        QProcess process;
        process.setProcessEnvironment(shell(true));
        process.start(program(), {QStringLiteral("--connect")});
        QVERIFY(process.waitForStarted(30000));
        const QString simulator = qEnvironmentVariable("KIVO_BIN_DIR") + QStringLiteral("/libKivoLib.so");
        QTRY_VERIFY_WITH_TIMEOUT(mappedFiles(process.processId()).contains(simulator), 30000);
        QByteArray err;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (err += process.readAllStandardError()).contains("kivo-sim: saved settings"), err.constData(),
            30000);
        QTest::qWait(600); // a few ticks of the count-rate poll
        // Started, connected and polling without the browser engine.
        QVERIFY(!anyContains(mappedFiles(process.processId()), QStringLiteral("libQt6WebEngine")));
        QVERIFY(!anyContains(mappedFiles(process.processId()), QStringLiteral("libKivoPreview")));

        QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }
};

QTEST_MAIN(TestCommandLine)

#include "tst_command_line.moc"
