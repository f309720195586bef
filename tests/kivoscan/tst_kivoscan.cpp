// kivoscan as a user runs it: the real binary over the simulated detector, with a fast reading period.
// A recording device library in front of the simulator shows what the unit was left with.
#include "DetectorModel.h"
#include "DeviceSettings.h"
#include "SpectrumFile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <unistd.h>

namespace {

struct Run {
    int exitCode = -1;
    QString errors;
    QByteArray output;
};

} // namespace

class TestKivoscan : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QProcessEnvironment environment(const QByteArray& fail = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KIVO_SIM_STATE"_qs, dir.filePath(u"nvram.ini"_qs));
        env.insert(u"KIVO_SIM_READING_MS"_qs, u"1"_qs);
        env.insert(u"KIVO_SIM_SEED"_qs, u"7"_qs);
        env.insert(u"KIVO_SIM_FAIL"_qs, QString::fromLatin1(fail));
        env.insert(u"KIVO_RECORD_TARGET"_qs, QStringLiteral(KIVO_SIM_LIBRARY_BUILT));
        env.insert(u"KIVO_RECORD_LOG"_qs, dir.filePath(u"sets.log"_qs));
        env.insert(u"XDG_RUNTIME_DIR"_qs, dir.path());
        return env;
    }
    static QStringList withRecorder(QStringList args) {
        return QStringList{u"--device-library"_qs, QStringLiteral(KIVO_RECORDING_LIBRARY)} + args;
    }
    Run run(const QStringList& args, const QByteArray& fail = {},
            const QProcessEnvironment& extra = QProcessEnvironment()) const {
        QProcessEnvironment env = environment(fail);
        for (const QString& name : extra.keys())
            env.insert(name, extra.value(name));
        return execute(QStringLiteral(KIVOSCAN_BINARY), args, env);
    }
    Run execute(const QString& program, const QStringList& args, const QProcessEnvironment& env) const {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(program, args);
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError()), p.readAllStandardOutput()};
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray readAll(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The unit's discriminator window and mode as last written: LLD, ULD, integral mode.
    QList<qint32> lastWindow() const {
        QFile log(path(u"sets.log"_qs));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        QMap<qint32, qint32> last;
        for (const QByteArray& line : log.readAll().split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() == 3)
                last[f[0].toInt()] = f[1].toInt();
        }
        return {last.value(5, -1), last.value(6, -1), last.value(9, -1)};
    }
    static int peakChannel(const QList<qint32>& counts) {
        return int(std::max_element(counts.begin() + 16, counts.end()) - counts.begin());
    }

private slots:
    void init() {
        QVERIFY(dir.isValid());
        QFile::remove(path(u"sets.log"_qs));
    }

    void aShortScanWritesEveryOutput() {
        const Run r = run(
            withRecorder({u"--channels"_qs, u"64"_qs, u"--sweeps"_qs, u"1"_qs, u"--period-ms"_qs, u"2"_qs,
                          u"a.n42"_qs, u"a.spe"_qs, u"a.csv"_qs, u"a.png"_qs, u"a.html"_qs, u"a.json"_qs}));
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        QVERIFY(r.errors.contains(u"sweep 1 of 1 done"_qs));
        QList<qint32> counts;
        for (const QString& name : {u"a.n42"_qs, u"a.spe"_qs, u"a.csv"_qs}) {
            const spectrum::ReadResult read = spectrum::readFile(path(name));
            QVERIFY2(read.ok(), qPrintable(read.error));
            QCOMPARE(read.record.channels, 64);
            QCOMPARE(read.record.state, spectrum::ScanState::Complete);
            QCOMPARE(read.record.readings.value(10), 3);
            if (counts.isEmpty())
                counts = read.record.counts;
            QCOMPARE(read.record.counts, counts);
        }
        // The photopeak where the detector model puts it: channel k is measured around (k + 1/2) / 64.
        const kivo::sim::DeviceSettings factory = kivo::sim::factoryDefaults({});
        const double expected = kivo::sim::photopeakLevel(factory, 2048) * 64.0 / 2048 - 0.5;
        QVERIFY2(std::abs(peakChannel(counts) - expected) <= 2.0,
                 qPrintable(QString::number(peakChannel(counts))));
        const QImage png(path(u"a.png"_qs));
        QCOMPARE(png.size(), QSize(1000, 600));
        // On a log scale the low tail stands tall: the spectrum's fill, the commonest colour after the
        // background, covers over a quarter of the picture (about a tenth on a linear scale).
        QHash<QRgb, int> colours;
        for (int y = 0; y < png.height(); ++y)
            for (int x = 0; x < png.width(); ++x)
                ++colours[png.pixel(x, y)];
        // The scan window's colours: white ground, the user's window in red, grey grid, black text.
        const QList<QRgb> used = colours.keys();
        QCOMPARE(QSet<QRgb>(used.begin(), used.end()),
                 (QSet<QRgb>{qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(128, 128, 128), qRgb(0, 0, 0)}));
        colours.remove(png.pixel(0, 0));
        const auto commonest = std::max_element(colours.cbegin(), colours.cend());
        QVERIFY2(*commonest > png.width() * png.height() / 4, qPrintable(QString::number(*commonest)));
        // The full scale is automatic: only the photopeak's tip reaches the fill's highest row.
        for (int y = 0; y < png.height(); ++y) {
            int across = 0;
            for (int x = 0; x < png.width(); ++x)
                across += png.pixel(x, y) == commonest.key();
            if (across > 0) {
                QVERIFY2(across < 30, qPrintable(QString::number(across)));
                break;
            }
        }
        QFile html(path(u"a.html"_qs));
        QVERIFY(html.open(QIODevice::ReadOnly));
        const QByteArray report = html.readAll();
        QVERIFY(report.contains("<img src=\"a-spectrum.png\""));
        QVERIFY(!report.contains("<h2>Peaks</h2>")); // nothing asked of the peaks: the .json has them
        const QJsonObject json = QJsonDocument::fromJson(readAll(u"a.json"_qs)).object();
        QVERIFY(json[u"analysis"_qs][u"peaks"_qs].isArray());
        QVERIFY(r.output.isEmpty());
        QCOMPARE(QImage(path(u"a-spectrum.png"_qs)).size(), QSize(1000, 600));
        QVERIFY(!QImage(path(u"a-logo.png"_qs)).isNull());
        QCOMPARE(lastWindow(), (QList<qint32>{factory.lld, factory.uld, 0}));
    }

    // On a terminal the progress is one bar counting the measured channels, 2 to N, of each sweep.
    void aTerminalShowsTheChannelBeingMeasured() {
        QProcessEnvironment env = environment();
        env.insert(u"COLUMNS"_qs, u"200"_qs);
        // script(1) gives the program a terminal and copies what it shows to our stdout.
        const QString command =
            QStringLiteral(KIVOSCAN_BINARY) + u" --channels 64 --sweeps 2 --period-ms 2 t.n42"_qs;
        const Run r = execute(u"script"_qs, {u"-qec"_qs, command, u"/dev/null"_qs}, env);
        const QString shown = QString::fromLocal8Bit(r.output);
        QCOMPARE(r.exitCode, 0);
        for (const char* label :
             {"sweep 1/2 channel 2/64 ", "sweep 1/2 channel 64/64 ", "sweep 2/2 channel 64/64 "})
            QVERIFY2(shown.contains(QLatin1String(label)), label);
        QVERIFY(!shown.contains(u"channel 1/64 "_qs)); // the first channel is the reference, not measured
        // At channel 63 of sweep 1, 61 of the 126 channels measured in all are done: half the bar.
        QVERIFY(
            shown.contains(u'[' + QString(15, u'#') + QString(15, u'.') + u"] sweep 1/2 channel 63/64 "_qs));
        QVERIFY(!shown.contains(u"channel 65/64"_qs));
        QVERIFY(!shown.contains(u"sweep 1 of 2 done"_qs)); // lines are for logs, not terminals
    }

    // Over ssh there is no display: the plot is drawn all the same, and the progress says how long it took.
    void aPlotNeedsNoDisplay() {
        QProcessEnvironment env = environment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        const Run r = execute(QStringLiteral(KIVOSCAN_BINARY),
                              {u"--channels=64"_qs, u"--sweeps=2"_qs, u"--period-ms=2"_qs, u"n.png"_qs}, env);
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        QCOMPARE(QImage(path(u"n.png"_qs)).size(), QSize(1000, 600));
        // Off a terminal, one line per sweep.
        const QRegularExpression sweeps(
            u"\nsweep 1 of 2 done, 0:\\d\\d elapsed\nsweep 2 of 2 done, 0:\\d\\d elapsed\n$"_qs);
        QVERIFY2(sweeps.match(r.errors).hasMatch(), qPrintable(r.errors));
    }

    // The PDF is the report as the preview prints it, and only the finished file appears in the folder.
    void aPdfIsTheReport() {
        // Chromium inside the browser engine frees some objects through a base of another size; under
        // AddressSanitizer that check stays off for this run, as in the browser tests.
        QProcessEnvironment env = environment();
        const QString asan = qEnvironmentVariable("ASAN_OPTIONS");
        env.insert(u"ASAN_OPTIONS"_qs,
                   (asan.isEmpty() ? asan : asan + u':') + u"new_delete_type_mismatch=0"_qs);
        // As root (a CI job often is) the program turns the engine's sandbox off itself.
        if (::geteuid() == 0)
            env.remove(u"QTWEBENGINE_DISABLE_SANDBOX"_qs);
        const Run r = execute(QStringLiteral(KIVOSCAN_BINARY),
                              {u"--channels"_qs, u"64"_qs, u"--sweeps"_qs, u"1"_qs, u"--period-ms"_qs,
                               u"2"_qs, u"b.n42"_qs, u"b.pdf"_qs},
                              env);
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        QVERIFY(r.errors.contains(u"The unit is the simulated detector, not real hardware."_qs));
        // The browser engine's own log lines are not the user's business.
        QVERIFY2(!r.errors.contains(u"qt.webenginecontext"_qs) &&
                     !r.errors.contains(u"Sandboxing disabled"_qs),
                 qPrintable(r.errors));
        // Nor is the closed unit asked for readings while the report is drawn.
        QVERIFY2(!r.errors.contains(u"Failed"_qs), qPrintable(r.errors));
        QFile pdf(path(u"b.pdf"_qs));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        QVERIFY(pdf.permissions() & QFileDevice::ReadGroup);
        QProcess text;
        text.start(u"pdftotext"_qs, {pdf.fileName(), u"-"_qs});
        QVERIFY(text.waitForFinished(30000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        const spectrum::ReadResult read = spectrum::readFile(path(u"b.n42"_qs));
        QVERIFY(read.ok() && !read.record.serialNumber.isEmpty());
        QVERIFY2(page.contains(read.record.serialNumber) && page.contains(u"Pseudo-PHA Spectrum"_qs),
                 qPrintable(page));
        QCOMPARE(QDir(dir.path()).entryList({u"b.pdf*"_qs, u"b-*"_qs}, QDir::Files),
                 QStringList{u"b.pdf"_qs});
    }

    void settingsAreAppliedFirst() {
        const Run r = run(withRecorder({u"--hv"_qs, u"900"_qs, u"--coarse"_qs, u"x2"_qs, u"--fine"_qs,
                                        u"1.5"_qs, u"--channels"_qs, u"64"_qs, u"--sweeps"_qs, u"1"_qs,
                                        u"--period-ms"_qs, u"2"_qs, u"--quiet"_qs, u"b.n42"_qs}));
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        QVERIFY2(r.errors.isEmpty(), qPrintable(r.errors));
        const spectrum::ReadResult read = spectrum::readFile(path(u"b.n42"_qs));
        QVERIFY(read.ok());
        QCOMPARE(read.record.highVoltageCount, std::optional<qint32>(2457));
        QCOMPARE(read.record.highVoltageText, u"900.0"_qs); // as read back from the unit, in volts
        QCOMPARE(read.record.coarseGainIndex, 1);
        QCOMPARE(read.record.fineGain, 2048);
        kivo::sim::DeviceSettings applied = kivo::sim::factoryDefaults({});
        applied.hv = 2457;
        applied.gain = 1 * 4096 + 2048;
        const double expected = kivo::sim::photopeakLevel(applied, 2048) * 64.0 / 2048 - 0.5;
        QVERIFY2(std::abs(peakChannel(read.record.counts) - expected) <= 2.0,
                 qPrintable(QString::number(peakChannel(read.record.counts))));
    }

    void aSignalStopsTheScanAsStopDoes_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("Ctrl+C") << SIGINT << QStringList();
        // A stopped scan's peaks are not where the unit's window is left.
        QTest::newRow("SIGTERM, window on peak") << SIGTERM << QStringList{u"--window-on-peak"_qs};
    }
    void aSignalStopsTheScanAsStopDoes() {
        QFETCH(int, signal);
        QFETCH(QStringList, options);
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(KIVOSCAN_BINARY),
                withRecorder(options + QStringList{u"--sweeps"_qs, u"100"_qs, u"--period-ms"_qs, u"2"_qs,
                                                   u"c.n42"_qs}));
        QVERIFY(p.waitForStarted());
        // Stop once the scan is well under way.
        QTRY_VERIFY_WITH_TIMEOUT(QFile(path(u"sets.log"_qs)).size() > 400, 20000);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 130);
        const spectrum::ReadResult read = spectrum::readFile(path(u"c.n42"_qs));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.record.state, spectrum::ScanState::Aborted);
        QVERIFY(read.record.hasMeasuredChannel());
        const kivo::sim::DeviceSettings factory = kivo::sim::factoryDefaults({});
        QCOMPARE(lastWindow(), (QList<qint32>{factory.lld, factory.uld, 0}));
    }

    // Polled faster than the unit makes readings, only fresh ones count: each of the 3 readings a
    // channel keeps (and the one before, left out) is a gate of its own, so the scan lasts at least as
    // many reading periods.
    void onlyFreshReadingsCount() {
        QProcessEnvironment extra;
        extra.insert(u"KIVO_SIM_READING_MS"_qs, u"8"_qs);
        const Run r = run(
            {u"--channels"_qs, u"64"_qs, u"--sweeps"_qs, u"1"_qs, u"--period-ms"_qs, u"1"_qs, u"f.n42"_qs},
            {}, extra);
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        const spectrum::ReadResult read = spectrum::readFile(path(u"f.n42"_qs));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QVERIFY2(read.record.realTimeSeconds >= 64 * 3 * 0.008,
                 qPrintable(QString::number(read.record.realTimeSeconds)));
    }

    // A signal delivered twice in a row is one request: the scan still ends as Stop ends it. A unit
    // whose calls take tens of milliseconds, as a real link's do, leaves the second signal inside the
    // restore of the user's window.
    void aSignalDeliveredTwiceIsOneRequest_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("timeout forwards it and signals its group") << u"timeout"_qs;
        QTest::newRow("the process group") << u"group"_qs;
        QTest::newRow("twice 50 ms apart") << u"twice"_qs;
    }
    void aSignalDeliveredTwiceIsOneRequest() {
        QFETCH(QString, how);
        QProcess p;
        QProcessEnvironment env = environment();
        env.insert(u"KIVO_SIM_LATENCY_MS"_qs, u"10"_qs);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        const QStringList scan = QStringList{QStringLiteral(KIVOSCAN_BINARY)} +
                                 withRecorder({u"--channels"_qs, u"64"_qs, u"--sweeps"_qs, u"100"_qs,
                                               u"--period-ms"_qs, u"2"_qs, u"t.n42"_qs});
        if (how == u"timeout"_qs)
            p.start(u"timeout"_qs,
                    QStringList{u"--preserve-status"_qs, u"-s"_qs, u"INT"_qs, u"10"_qs} + scan);
        else // its own process group, as a shell job is
            p.start(u"setsid"_qs, scan);
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile(path(u"sets.log"_qs)).size() > 400, 20000);
        const pid_t pid = pid_t(p.processId());
        if (how == u"group"_qs) {
            ::kill(-pid, SIGINT);
        } else if (how == u"twice"_qs) {
            ::kill(pid, SIGINT);
            QThread::msleep(50);
            ::kill(pid, SIGINT);
        }
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 130);
        const QString errors = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(!errors.contains(u"may still hold"_qs), qPrintable(errors));
        const spectrum::ReadResult read = spectrum::readFile(path(u"t.n42"_qs));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.record.state, spectrum::ScanState::Aborted);
        const kivo::sim::DeviceSettings factory = kivo::sim::factoryDefaults({});
        QCOMPARE(lastWindow(), (QList<qint32>{factory.lld, factory.uld, 0}));
    }

    // A unit unplugged mid-scan: no fresh reading for the stall limit ends the scan as a device failure,
    // with the partial spectrum written.
    void aUnitThatGoesAwayEndsTheScanWithItsSpectrum() {
        QProcess p;
        QProcessEnvironment env = environment();
        const QString plug = dir.filePath(u"unplugged"_qs);
        env.insert(u"KIVO_SIM_UNPLUG"_qs, plug);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(KIVOSCAN_BINARY),
                withRecorder({u"--sweeps"_qs, u"100"_qs, u"--period-ms"_qs, u"2"_qs, u"u.n42"_qs}));
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile(path(u"sets.log"_qs)).size() > 400, 20000);
        QVERIFY(QFile(plug).open(QIODevice::WriteOnly));
        QVERIFY(p.waitForFinished(40000));
        QCOMPARE(p.exitCode(), 4);
        const QString errors = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(errors.contains(u"No count-rate reading for"_qs), qPrintable(errors));
        QCOMPARE(errors.count(u"Failed to read the count rate."_qs), 1); // told once, not each period
        const spectrum::ReadResult read = spectrum::readFile(path(u"u.n42"_qs));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.record.state, spectrum::ScanState::Aborted);
        QVERIFY(read.record.hasMeasuredChannel());
    }

    void failuresEndWithTheirExitCode_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("fail");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("written"); // an output that must exist afterwards, or ""
        const QStringList scan{u"--channels"_qs, u"64"_qs,          u"--sweeps"_qs,
                               u"1"_qs,          u"--period-ms"_qs, u"2"_qs};
        QTest::newRow("no unit") << scan + QStringList{u"d.n42"_qs} << QByteArray("OpenSCA") << 3
                                 << u"Failed to connect to SCA."_qs << QString();
        // The first failure names its channel; the rest are summed up.
        QTest::newRow("device call") << scan + QStringList{u"e.n42"_qs} << QByteArray("SetParam:6") << 4
                                     << u"Failed to set ULD. (channel 2 of 64, sweep 1)"_qs << u"e.n42"_qs;
        // One parameter holds both gain halves: without the unit's gain read, --coarse sets nothing.
        QTest::newRow("window on peak after a device failure")
            << scan + QStringList{u"--window-on-peak"_qs, u"f.n42"_qs} << QByteArray("SetParam:6") << 4
            << u"The window is not left on the photopeak: a device call failed during the scan; the user's "
               u"window goes back."_qs
            << u"f.n42"_qs;
        QTest::newRow("user's window unread")
            << scan + QStringList{u"u.n42"_qs} << QByteArray("GetParam:5") << 4
            << u"The LLD was not restored: it could not be read before the scan."_qs << u"u.n42"_qs;
        QTest::newRow("gain unread")
            << scan + QStringList{u"--coarse"_qs, u"x2"_qs, u"g.n42"_qs} << QByteArray("GetParam:7") << 4
            << u"The amplifier gain was not set: its fine gain could not be read first."_qs << u"g.n42"_qs;
    }
    void failuresEndWithTheirExitCode() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, fail);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(QString, written);
        const Run r = run(args, fail);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.errors.contains(message), qPrintable(r.errors));
        if (!written.isEmpty())
            QVERIFY(spectrum::readFile(path(written)).ok());
    }

    void aWindowThatCannotBeLeftOnThePeakIsTold() {
        QProcessEnvironment refusing;
        refusing.insert(u"KIVO_RECORD_FAIL_SET"_qs, u"6 64 1"_qs); // the 64th ULD set: the one on the peak
        const Run r = run(withRecorder({u"--channels=64"_qs, u"--sweeps=1"_qs, u"--period-ms=2"_qs,
                                        u"--window-on-peak"_qs, u"p.n42"_qs}),
                          {}, refusing);
        QCOMPARE(r.exitCode, 4);
        QVERIFY2(
            r.errors.contains(u"The unit's window was not left on the photopeak: it could not be set."_qs),
            qPrintable(r.errors));
    }

    void anUnreadGainStaysUnknownInTheFile() {
        const Run r =
            run({u"--channels=64"_qs, u"--sweeps=1"_qs, u"--period-ms=2"_qs, u"u.n42"_qs}, "GetParam:7");
        QCOMPARE(r.exitCode, 4);
        const spectrum::ReadResult read = spectrum::readFile(path(u"u.n42"_qs));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.record.coarseGainIndex, 0); // unknown, as a file that does not say
        QCOMPARE(read.record.fineGain, 0);
    }

    // A window refused on a channel or two: the first is named, a repeat is summed up, a single one not.
    void repeatedChannelFailuresAreSummedUp() {
        for (const int times : {1, 2}) {
            QProcessEnvironment refusing;
            refusing.insert(u"KIVO_RECORD_FAIL_SET"_qs, u"6 10 %1"_qs.arg(times));
            const Run r =
                run(withRecorder({u"--channels=64"_qs, u"--sweeps=1"_qs, u"--period-ms=2"_qs, u"r.n42"_qs}),
                    {}, refusing);
            QCOMPARE(r.exitCode, 4);
            QVERIFY2(r.errors.contains(u"Failed to set ULD. (channel 11 of 64, sweep 1)"_qs),
                     qPrintable(r.errors));
            QCOMPARE(
                r.errors.contains(u"Failed to set ULD. (2 times in all; the spectrum is not trustworthy)"_qs),
                times == 2);
            QCOMPARE(r.errors.count(u"times in all"_qs), times == 2 ? 1 : 0);
        }
    }

    // Refused before the unit is touched: with a unit that cannot be opened, any attempt would end 3.
    void badCommandLinesAreRefused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option")
            << QStringList{u"--fast"_qs, u"z.n42"_qs} << u"unknown option --fast"_qs;
        QTest::newRow("channels") << QStringList{u"--channels=100"_qs, u"z.n42"_qs}
                                  << u"--channels must be 64, 128, 256 or 512, not \"100\""_qs;
        QTest::newRow("sweeps") << QStringList{u"--sweeps"_qs, u"0"_qs, u"z.n42"_qs} << u"--sweeps"_qs;
        QTest::newRow("sweeps over") << QStringList{u"--sweeps=32768"_qs, u"z.n42"_qs} << u"--sweeps"_qs;
        QTest::newRow("channels 513") << QStringList{u"--channels=513"_qs, u"z.n42"_qs} << u"--channels"_qs;
        QTest::newRow("high voltage below") << QStringList{u"--hv=-0.1"_qs, u"z.n42"_qs} << u"--hv"_qs;
        QTest::newRow("fine gain below") << QStringList{u"--fine=0.99"_qs, u"z.n42"_qs} << u"--fine"_qs;
        QTest::newRow("fine gain above") << QStringList{u"--fine=2.01"_qs, u"z.n42"_qs} << u"--fine"_qs;
        QTest::newRow("period over") << QStringList{u"--period-ms=60001"_qs, u"z.n42"_qs}
                                     << u"--period-ms"_qs;
        QTest::newRow("high voltage") << QStringList{u"--hv"_qs, u"1500.1"_qs, u"z.n42"_qs} << u"--hv"_qs;
        QTest::newRow("coarse gain") << QStringList{u"--coarse"_qs, u"x3"_qs, u"z.n42"_qs} << u"--coarse"_qs;
        QTest::newRow("fine gain") << QStringList{u"--fine"_qs, u"2,0"_qs, u"z.n42"_qs} << u"--fine"_qs;
        QTest::newRow("period") << QStringList{u"--period-ms"_qs, u"0"_qs, u"z.n42"_qs} << u"--period-ms"_qs;
        QTest::newRow("calibrate 0")
            << QStringList{u"--calibrate"_qs, u"0"_qs, u"z.n42"_qs}
            << u"--calibrate must be an energy in keV above 0, up to 10000, not \"0\""_qs;
        QTest::newRow("calibrate above 10 MeV")
            << QStringList{u"--calibrate=10000.5"_qs, u"z.n42"_qs} << u"--calibrate must be"_qs;
        QTest::newRow("calibrate, no number")
            << QStringList{u"--calibrate"_qs, u"z.n42"_qs} << u"--calibrate must be"_qs;
        QTest::newRow("window of 0 FWHM")
            << QStringList{u"--window-on-peak=0"_qs, u"z.n42"_qs}
            << u"--window-on-peak must be a number of FWHMs above 0, up to 10, not \"0\""_qs;
        QTest::newRow("window over 10 FWHM")
            << QStringList{u"--window-on-peak=10.01"_qs, u"z.n42"_qs} << u"--window-on-peak must be"_qs;
        QTest::newRow("info with an analysis")
            << QStringList{u"--info"_qs, u"--analyse"_qs} << u"leave out --analyse"_qs;
        QTest::newRow("value missing") << QStringList{u"z.n42"_qs, u"--sweeps"_qs} << u"needs a value"_qs;
        QTest::newRow("extension") << QStringList{u"a.txt"_qs} << u"no known extension"_qs;
        QTest::newRow("folder") << QStringList{u"nowhere/z.n42"_qs} << u"does not exist"_qs;
        // Found before the scan, not after it when the spectrum would be lost.
        QTest::newRow("unwritable folder")
            << QStringList{u"/proc/kivoscan-test.n42"_qs} << u"accepts no new files"_qs;
        QTest::newRow("no output") << QStringList{u"--sweeps"_qs, u"2"_qs} << u"no output"_qs;
        QTest::newRow("same output twice") << QStringList{u"z.n42"_qs, u"./z.n42"_qs} << u"named twice"_qs;
        QTest::newRow("info with outputs") << QStringList{u"--info"_qs, u"z.n42"_qs} << u"--info"_qs;
        QTest::newRow("info with a setting") << QStringList{u"--info"_qs, u"--hv"_qs, u"900"_qs}
                                             << u"--info changes and scans nothing; leave out --hv"_qs;
        QTest::newRow("info with a scan option")
            << QStringList{u"--sweeps=3"_qs, u"--info"_qs} << u"leave out --sweeps"_qs;
    }
    void badCommandLinesAreRefused() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = run(args, "OpenSCA");
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errors.contains(message), qPrintable(r.errors));
        QVERIFY(r.errors.contains(u"Usage: kivoscan [options] OUTPUT..."_qs));
        QVERIFY(!QFile::exists(path(u"z.n42"_qs)));
    }

    // Each end of each documented range is taken: the run goes on to open the unit, which fails (3).
    void theEndsOfEachRangeAreTaken() {
        for (const char* option :
             {"--channels=64", "--channels=512", "--sweeps=1", "--sweeps=32767", "--hv=0", "--hv=1500",
              "--coarse=x1", "--coarse=x8", "--fine=1.0", "--fine=2.0", "--period-ms=1", "--period-ms=60000",
              "--calibrate=0.001", "--calibrate=10000", "--window-on-peak=0.01", "--window-on-peak=10"})
            QVERIFY2(run({QString::fromLatin1(option), u"z.n42"_qs}, "OpenSCA").exitCode == 3, option);
    }

    // A device library that is not there: one message and one exit status, however it was named.
    void aMissingDeviceLibraryIsToldOneWay_data() {
        QTest::addColumn<bool>("byOption");
        QTest::newRow("--device-library") << true;
        QTest::newRow("KIVOLIB_LIBRARY") << false;
    }
    void aMissingDeviceLibraryIsToldOneWay() {
        QFETCH(bool, byOption);
        const QString missing = path(u"nowhere.so"_qs);
        QProcessEnvironment extra;
        if (!byOption)
            extra.insert(u"KIVOLIB_LIBRARY"_qs, missing);
        const QStringList args =
            byOption ? QStringList{u"--device-library"_qs, missing, u"z.n42"_qs} : QStringList{u"z.n42"_qs};
        const Run r = run(args, {}, extra);
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.errors, u"kivoscan: the device library \"%1\" does not exist.\n"_qs.arg(missing));
        QVERIFY(!QFile::exists(path(u"z.n42"_qs)));
    }

    // The photopeak where the detector model puts it, with the model's 7 % resolution; the calibration
    // on it in every output, the table on stdout and in the report.
    void analyseAndCalibrateOnThePhotopeak() {
        const Run r = run({u"--channels"_qs, u"256"_qs, u"--sweeps"_qs, u"5"_qs, u"--period-ms"_qs, u"1"_qs,
                           u"--quiet"_qs, u"--analyse"_qs, u"--calibrate"_qs, u"661.7"_qs, u"h.n42"_qs,
                           u"h.json"_qs, u"h.html"_qs});
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        const QString printed = QString::fromUtf8(r.output);
        QVERIFY2(printed.contains(u"Centroid (%)  Energy (keV)  FWHM (%)"_qs), qPrintable(printed));
        QVERIFY(printed.contains(u"FWHM with the channel windows' own width removed"_qs));

        const QJsonObject json = QJsonDocument::fromJson(readAll(u"h.json"_qs)).object();
        const QJsonArray peaks = json[u"analysis"_qs][u"peaks"_qs].toArray();
        QVERIFY(!peaks.isEmpty());
        const QJsonObject photopeak =
            std::max_element(peaks.begin(), peaks.end(), [](const QJsonValue& a, const QJsonValue& b) {
                return a[u"peakRate"_qs].toDouble() < b[u"peakRate"_qs].toDouble();
            })->toObject();
        const double model = kivo::sim::photopeakLevel(kivo::sim::factoryDefaults({}), 2048);
        const double level = photopeak[u"centroidLevel"_qs].toDouble();
        const double resolution = photopeak[u"resolutionPercent"_qs].toDouble();
        qInfo("photopeak at level %.1f, model %.1f; resolution %.2f %%", level, model, resolution);
        QVERIFY2(std::abs(level / model - 1) < 0.01, qPrintable(QString::number(level)));
        QVERIFY2(resolution >= 6.5 && resolution <= 7.5, qPrintable(QString::number(resolution)));
        QCOMPARE(photopeak[u"energyKeV"_qs].toDouble(), 661.7);
        QCOMPARE(json[u"energyCalibration"_qs][u"slopeKeVPerLevel"_qs].toDouble(), 661.7 / level);
        QCOMPARE(json[u"record"_qs][u"channels"_qs].toInt(), 256);
        QVERIFY2(printed.contains(
                     u"Energy calibration: 661.7 keV at level %1 (%2 % of full scale), %3 keV per "
                     u"level."_qs.arg(QString::number(level, 'f', 1),
                                      QString::number(photopeak[u"centroidPercent"_qs].toDouble(), 'f', 2),
                                      QString::number(661.7 / level, 'f', 4))),
                 qPrintable(printed));

        const spectrum::ReadResult read = spectrum::readFile(path(u"h.n42"_qs));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QVERIFY(read.record.energyCalibration);
        QVERIFY(std::abs(read.record.energyCalibration->energyOfLevel(model) / 661.7 - 1) < 0.01);

        const QByteArray report = readAll(u"h.html"_qs);
        QVERIFY(report.contains("<h2>Peaks</h2>"));
        QVERIFY(report.contains("<td>661.7</td>"));
        QVERIFY(report.contains("; the spectrum's axis is in keV</td>"));
    }

    void aCalibratedPlotHasAnEnergyAxis() {
        const QStringList scan{u"--channels=64"_qs, u"--sweeps=1"_qs, u"--period-ms=1"_qs, u"--quiet"_qs};
        QCOMPARE(run(scan + QStringList{u"l.png"_qs}).exitCode, 0);
        QCOMPARE(run(scan + QStringList{u"--calibrate=661.7"_qs, u"e.png"_qs}).exitCode, 0);
        // The same counts (the simulator's seed is fixed), so only the axis tells the pictures apart.
        QVERIFY(!QImage(path(u"l.png"_qs)).isNull());
        QVERIFY(QImage(path(u"l.png"_qs)) != QImage(path(u"e.png"_qs)));
    }

    // Asked for, the window on the photopeak stays on the unit, and nothing reaches its permanent
    // memory; the .json is written without --analyse, and nothing is printed then but the window.
    void theWindowIsLeftOnThePhotopeak() {
        const Run r = run(withRecorder({u"--sweeps"_qs, u"2"_qs, u"--period-ms"_qs, u"1"_qs,
                                        u"--window-on-peak=1"_qs, u"w.n42"_qs, u"w.json"_qs}));
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        QCOMPARE(spectrum::readFile(path(u"w.n42"_qs)).record.channels, 128); // the default
        const QList<qint32> window = lastWindow();
        QCOMPARE(window.size(), 3);
        QCOMPARE(window[2], 0); // integral mode off
        // Centroid -/+ 1 FWHM: the model's 7 % of the photopeak's level each side.
        const double model = kivo::sim::photopeakLevel(kivo::sim::factoryDefaults({}), 2048);
        QVERIFY2(std::abs(window[0] - 0.93 * model) < 0.015 * model, qPrintable(QString::number(window[0])));
        QVERIFY2(std::abs(window[1] - 1.07 * model) < 0.015 * model, qPrintable(QString::number(window[1])));
        QCOMPARE(QString::fromUtf8(r.output).trimmed(),
                 u"The unit's window is left on the photopeak: LLD %1, ULD %2 (%3 % to %4 %), integral mode "
                 u"off; its permanent memory is unchanged."_qs.arg(window[0])
                     .arg(window[1])
                     .arg(QString::number(100.0 * window[0] / 2047, 'f', 2),
                          QString::number(100.0 * window[1] / 2047, 'f', 2)));
        QVERIFY(!QFile::exists(path(u"nvram.ini"_qs)));
        // The files keep the user's window: the one the scan was made from.
        const spectrum::ReadResult read = spectrum::readFile(path(u"w.n42"_qs));
        QVERIFY(read.ok());
        QCOMPARE(read.record.userLLD, kivo::sim::factoryDefaults({}).lld);
        const QJsonObject json = QJsonDocument::fromJson(readAll(u"w.json"_qs)).object();
        QVERIFY(!json[u"analysis"_qs][u"peaks"_qs].toArray().isEmpty());
        QVERIFY(json[u"energyCalibration"_qs].isNull());
    }

    // No pulses below 300 V: no peak to calibrate on or to set the window on. Said, the user's window
    // back, the files written without a calibration, and a status of its own.
    void noPeakIsToldAndEndsWithItsStatus() {
        const Run r = run(withRecorder({u"--hv"_qs, u"0"_qs, u"--channels"_qs, u"64"_qs, u"--sweeps"_qs,
                                        u"1"_qs, u"--period-ms"_qs, u"1"_qs, u"--calibrate"_qs, u"661.7"_qs,
                                        u"--window-on-peak"_qs, u"n.n42"_qs}));
        QCOMPARE(r.exitCode, 6);
        QVERIFY2(r.errors.contains(
                     u"No peak was found to calibrate on: the outputs carry no energy calibration."_qs),
                 qPrintable(r.errors));
        QVERIFY(r.errors.contains(u"The window is not left on the photopeak: no peak was found"_qs));
        QVERIFY(r.output.isEmpty());
        const kivo::sim::DeviceSettings factory = kivo::sim::factoryDefaults({});
        QCOMPARE(lastWindow(), (QList<qint32>{factory.lld, factory.uld, 0}));
        const spectrum::ReadResult read = spectrum::readFile(path(u"n.n42"_qs));
        QVERIFY(read.ok());
        QVERIFY(!read.record.energyCalibration);
    }

    // Each peak option alone analyses and prints its own result.
    void eachPeakOptionAloneAnalyses_data() {
        QTest::addColumn<QStringList>("option");
        QTest::addColumn<QString>("printed");
        QTest::newRow("--analyse") << QStringList{u"--analyse"_qs} << u"Centroid (%)"_qs;
        QTest::newRow("--calibrate") << QStringList{u"--calibrate=661.7"_qs}
                                     << u"Energy calibration: 661.7 keV"_qs;
    }
    void eachPeakOptionAloneAnalyses() {
        QFETCH(QStringList, option);
        QFETCH(QString, printed);
        const Run r = run(option + QStringList{u"--channels"_qs, u"64"_qs, u"--sweeps"_qs, u"1"_qs,
                                               u"--period-ms"_qs, u"1"_qs, u"p.n42"_qs});
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        QVERIFY2(QString::fromUtf8(r.output).contains(printed), r.output.constData());
    }

    // What a script meets is in the help: the ranges the options take, the peak options, the exit
    // statuses, the example.
    void theHelpTellsThePeakOptions() {
        const Run r = run({u"--help"_qs});
        QCOMPARE(r.exitCode, 0);
        const QString help = QString::fromUtf8(r.output);
        for (const QString& line :
             {u"\n  --analyse "_qs, u"\n  --calibrate KEV "_qs, u"\n  --window-on-peak[=K] "_qs,
              u"\n  .json "_qs, u"\n  6    --calibrate or --window-on-peak found no peak"_qs,
              u"\n  kivoscan --channels 256 --sweeps 5 --analyse --calibrate 661.7 run.n42 run.json\n"_qs,
              u"64, 128, 256 or 512 (default 128)\n"_qs, u"(1 to 32767, default 10)\n"_qs,
              u"(0 to 1500)\n"_qs, u"(1.0 to 2.0)\n"_qs, u"(1 to 60000, default 250)\n"_qs,
              u"(above 0, up to 10000)"_qs, u"(K above 0, up to 10, default 1.25)"_qs,
              u".png   the plot, 1000 x 600\n"_qs, // the size it is written in
              // the exit statuses scripts test, each with the status the program gives for it
              u"\n  0    done\n"_qs, u"\n  2    bad command line\n"_qs,
              u"\n  3    the unit could not be reached\n"_qs, u"\n  4    a device call failed "_qs,
              u"\n  5    an output could not be written\n"_qs, u"\n  130  stopped by a signal "_qs})
            QVERIFY2(help.contains(line), qPrintable(line));
    }

    void infoPrintsTheUnitAsJson() {
        const Run r = run({u"--info"_qs});
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        const QJsonObject json = QJsonDocument::fromJson(r.output).object();
        QCOMPARE(json[u"unit"_qs][u"serial"_qs].toString(), u"VR-24-03117"_qs);
        QCOMPARE(json[u"unit"_qs][u"levels"_qs].toInt(), 2048);
        QCOMPARE(json[u"unit"_qs][u"simulated"_qs].toBool(), true);
        QVERIFY(json[u"unit"_qs][u"deviceLibrary"_qs].toString().endsWith(u"libKivoLib.so"_qs));
        QCOMPARE(json[u"settings"_qs][u"lld"_qs].toInt(), kivo::sim::factoryDefaults({}).lld);
        QCOMPARE(json[u"settings"_qs][u"highVoltage"_qs][u"volts"_qs].toDouble(), 2730 * 1500.0 / 4095);
    }
};

QTEST_GUILESS_MAIN(TestKivoscan)
#include "tst_kivoscan.moc"
