// kivocount as a user runs it: the real binary over the simulated detector, with fresh readings at every
// poll. A recording device library in front of the simulator shows every HV the unit was sent.
#include "CountStatistics.h"
#include "DetectorModel.h"
#include "DeviceSettings.h"
#include "Options.h"
#include "SeriesCsv.h"

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

#include <cmath>
#include <csignal>

namespace {

struct Run {
    int exitCode = -1;
    QString errors;
    QByteArray output;
};

constexpr int USER_HV_COUNT = 2730; // the simulator's factory HV, 1000 V
constexpr int HV_PARAM = 8;

int count(double volts) {
    return int(std::lround(volts * 4095 / 1500));
}

} // namespace

class TestKivocount : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KIVO_SIM_STATE"_qs, path(u"nvram.ini"_qs));
        env.insert(u"KIVO_SIM_READING_MS"_qs, u"1"_qs);
        env.insert(u"KIVO_SIM_SEED"_qs, u"7"_qs);
        env.insert(u"KIVO_SIM_UNPLUG"_qs, path(u"unplugged"_qs));
        env.insert(u"KIVO_RECORD_TARGET"_qs, QStringLiteral(KIVO_SIM_LIBRARY_BUILT));
        env.insert(u"KIVO_RECORD_LOG"_qs, path(u"sets.log"_qs));
        env.insert(u"XDG_RUNTIME_DIR"_qs, dir.path());
        env.insert(u"XDG_DATA_HOME"_qs, path(u"data"_qs));
        return env;
    }
    void start(QProcess& p, const QStringList& args, const QByteArray& fail = {}) const {
        QProcessEnvironment env = environment();
        env.insert(u"KIVO_SIM_FAIL"_qs, QString::fromLatin1(fail));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(KIVOCOUNT_BINARY),
                QStringList{u"--device-library"_qs, QStringLiteral(KIVO_RECORDING_LIBRARY)} + args);
    }
    Run run(const QStringList& args, const QByteArray& fail = {}) const {
        QProcess p;
        start(p, args, fail);
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError()), p.readAllStandardOutput()};
    }
    counting::Series series(const QString& name) const {
        QString error;
        const auto read = counting::readSeriesCsv(path(name), &error);
        if (!read)
            qWarning("%s", qPrintable(error));
        return read.value_or(counting::Series{});
    }
    // Every HV count the unit was sent, in order, with the unit's status.
    QList<std::pair<int, int>> hvLog() const {
        QFile log(path(u"sets.log"_qs));
        QList<std::pair<int, int>> sent;
        if (log.open(QIODevice::ReadOnly))
            for (const QByteArray& line : log.readAll().split('\n')) {
                const QList<QByteArray> f = line.split(' ');
                if (f.size() == 3 && f[0].toInt() == HV_PARAM)
                    sent.append({f[1].toInt(), f[2].toInt()});
            }
        return sent;
    }
    QList<int> hvSent() const {
        QList<int> sent;
        for (const auto& [count, status] : hvLog())
            sent << count;
        return sent;
    }
    // The last HV count the unit took.
    int lastTaken() const {
        int taken = -1;
        for (const auto& [count, status] : hvLog())
            if (status == 0)
                taken = count;
        return taken;
    }
    // The plateau's safety: no step larger than `step` volts, nothing above `highest`, the user's HV last.
    void checkHvSteps(double step, double highest) const {
        const QList<int> sent = hvSent();
        QVERIFY(sent.size() >= 2);
        for (qsizetype i = 0; i < sent.size(); ++i) {
            const int previous = i == 0 ? USER_HV_COUNT : sent[i - 1];
            QVERIFY2(std::abs(sent[i] - previous) <= count(step), qPrintable(QString::number(sent[i])));
            QVERIFY(sent[i] <= count(highest));
        }
        QCOMPARE(sent.last(), USER_HV_COUNT);
    }

    // Starts a run with `args`, unplugs the unit once two measurements are told, and waits for `told`
    // on stderr. The process is left running for the test to go on.
    void unplugDuring(QProcess& p, const QStringList& args, const QString& told, QString& errors) const {
        start(p, args);
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            (errors += QString::fromLocal8Bit(p.readAllStandardError())).contains(u" 2 of "_qs), 20000);
        QFile unplug(path(u"unplugged"_qs));
        QVERIFY(unplug.open(QIODevice::WriteOnly));
        unplug.close();
        QTRY_VERIFY_WITH_TIMEOUT((errors += QString::fromLocal8Bit(p.readAllStandardError())).contains(told),
                                 20000);
    }
    // Only ever the process itself: a process id of 0 would signal the test's whole process group.
    static void signalProcess(QProcess& p, int signal) {
        QVERIFY(p.state() == QProcess::Running && p.processId() > 0);
        ::kill(pid_t(p.processId()), signal);
    }
    // The process may already have ended while the test waited for its words.
    static bool ended(QProcess& p) { return p.state() == QProcess::NotRunning || p.waitForFinished(20000); }
    const QStringList plateauArgs{u"--plateau"_qs, u"850:1300:50"_qs, u"--readings"_qs, u"2"_qs,
                                  u"--settle"_qs,  u"0"_qs,           u"--yes"_qs,      u"u.csv"_qs};

private slots:
    void init() {
        QVERIFY(dir.isValid());
        QFile::remove(path(u"sets.log"_qs));
        QFile::remove(path(u"unplugged"_qs));
    }

    void aShortSeriesIsWrittenAndTold() {
        const Run r = run({u"--readings"_qs, u"5"_qs, u"--repeat"_qs, u"3"_qs, u"s.csv"_qs, u"s.png"_qs});
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        const counting::Series s = series(u"s.csv"_qs);
        QCOMPARE(s.kind, counting::SeriesKind::Measurement);
        QCOMPARE(s.end, counting::SeriesEnd::Completed);
        QCOMPARE(s.measurements.size(), 3);
        const double expected = kivo::sim::expectedRate(kivo::sim::factoryDefaults({}), 2048);
        for (const counting::Measurement& m : s.measurements) {
            QCOMPARE(m.readings, 5);
            QVERIFY(m.complete);
            // A Poisson rate: its readings scatter about as their mean says, around the model's rate.
            QVERIFY2(std::abs(m.mean - expected) < 6 * std::sqrt(expected / 5),
                     qPrintable(QString::number(m.mean)));
            QVERIFY(m.dispersion > 0.05 && m.dispersion < 5);
            // Never more than 4 readings a second: five fresh readings span four periods of 250 ms.
            QVERIFY2(m.durationSeconds >= 0.9, qPrintable(QString::number(m.durationSeconds)));
        }
        const counting::SeriesStatistics st = counting::seriesStatistics(s.measurements);
        const counting::Measurement& first = s.measurements.first();
        QVERIFY2(r.errors.contains(u"measurement 1 of 3: %1 +/- %2 cps, dispersion %3 (5 readings, "_qs.arg(
                     QString::number(first.mean, 'f', 1), QString::number(first.standardError, 'f', 1),
                     QString::number(first.dispersion, 'f', 2))),
                 qPrintable(r.errors));
        QCOMPARE(r.errors.count(u"measurement 3 of 3: "_qs), 1); // told once, when it is done
        QVERIFY2(r.errors.contains(u"15 readings; mean %1 +/- %2 cps"_qs.arg(
                     QString::number(st.mean, 'f', 1), QString::number(st.meanError, 'f', 1))),
                 qPrintable(r.errors));
        QVERIFY2(
            r.errors.contains(u"verdict: reduced chi-square %1 (2 degrees of freedom), p = %2: %3\n"_qs.arg(
                QString::number(st.reducedChiSquare, 'f', 2), QString::number(st.pValue, 'f', 3),
                counting::verdictText(st.verdict))),
            qPrintable(r.errors));
        QCOMPARE(QImage(path(u"s.png"_qs)).size(), QSize(1000, 600));
        QVERIFY(hvSent().isEmpty()); // a plain series leaves the HV alone
    }

    // Over ssh there is no display: the picture is drawn all the same.
    void aPictureNeedsNoDisplay() {
        QProcessEnvironment env = environment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(KIVOCOUNT_BINARY), {u"--quiet"_qs, u"--readings"_qs, u"2"_qs, u"n.png"_qs});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                 p.readAllStandardError().constData());
        QCOMPARE(QImage(path(u"n.png"_qs)).size(), QSize(1000, 600));
    }

    void jsonIsTheSeriesOnStdout() {
        const Run r =
            run({u"--quiet"_qs, u"--json"_qs, u"--time"_qs, u"1"_qs, u"--repeat"_qs, u"2"_qs, u"j.csv"_qs});
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        QVERIFY2(r.errors.isEmpty(), qPrintable(r.errors));
        const QJsonObject json = QJsonDocument::fromJson(r.output).object();
        const counting::Series s = series(u"j.csv"_qs);
        QCOMPARE(json[u"kind"_qs].toString(), u"measurement"_qs);
        QCOMPARE(json[u"status"_qs].toString(), u"completed"_qs);
        QCOMPARE(json[u"plan"_qs][u"durationSeconds"_qs].toDouble(), 1.0);
        const QJsonArray ms = json[u"measurements"_qs].toArray();
        QCOMPARE(ms.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(ms[i][u"index"_qs].toInt(), i + 1); // numbered as the progress lines number them
            QCOMPARE(ms[i][u"readings"_qs].toInt(), s.measurements[i].readings);
            QVERIFY(std::abs(ms[i][u"meanCps"_qs].toDouble() - s.measurements[i].mean) < 1e-6);
            QVERIFY(ms[i][u"netCps"_qs].isNull());
        }
        QCOMPARE(json[u"statistics"_qs][u"measurements"_qs].toInt(), 2);
        QVERIFY(std::abs(json[u"statistics"_qs][u"meanCps"_qs].toDouble() -
                         counting::seriesStatistics(s.measurements).mean) < 1e-6);
    }

    void aBackgroundSeriesIsSubtracted() {
        Run r = run({u"--quiet"_qs, u"--as-background"_qs, u"--readings"_qs, u"3"_qs, u"--repeat"_qs, u"2"_qs,
                     u"bg.csv"_qs});
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        const counting::Series bg = series(u"bg.csv"_qs);
        QCOMPARE(bg.kind, counting::SeriesKind::Background);
        const auto background = counting::backgroundOf(bg, {});
        QVERIFY(background);

        r = run({u"--background"_qs, u"bg.csv"_qs, u"--readings"_qs, u"3"_qs, u"net.csv"_qs});
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        const counting::Series s = series(u"net.csv"_qs);
        QVERIFY(s.background);
        QVERIFY(std::abs(s.background->mean - background->mean) < 1e-6);
        const counting::Measurement& m = s.measurements.value(0);
        QVERIFY(std::abs(m.net - (m.mean - background->mean)) < 1e-6);
        QVERIFY(std::abs(m.netError - std::hypot(m.standardError, background->error)) < 1e-6);
        QVERIFY2(r.errors.contains(u"(background %1 +/- %2 cps from bg.csv)"_qs.arg(
                     QString::number(background->mean, 'f', 1), QString::number(background->error, 'f', 1))),
                 qPrintable(r.errors));

        // Only a background series is one: the net series just written is not.
        r = run({u"--background"_qs, u"net.csv"_qs, u"z.csv"_qs});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errors.contains(u"is a measurement series, not a background series"_qs),
                 qPrintable(r.errors));
        QVERIFY(!QFile::exists(path(u"z.csv"_qs)));
    }

    void aPlateauProposesAnOperatingPointInside() {
        const Run r = run({u"--plateau"_qs, u"850:1300:50"_qs, u"--readings"_qs, u"2"_qs, u"--settle"_qs,
                           u"0"_qs, u"--yes"_qs, u"--json"_qs, u"p.csv"_qs, u"p.png"_qs});
        QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
        const QJsonObject plateau = QJsonDocument::fromJson(r.output).object()[u"plateau"_qs].toObject();
        QVERIFY2(plateau[u"found"_qs].toBool(), r.output.constData());
        const double from = plateau[u"fromVolts"_qs].toDouble();
        const double to = plateau[u"toVolts"_qs].toDouble();
        const double operating = plateau[u"operatingVolts"_qs].toDouble();
        QVERIFY(from < to);
        QVERIFY(operating >= from && operating <= to);
        QVERIFY(plateau[u"hvRestored"_qs].toBool());
        QCOMPARE(plateau[u"userVolts"_qs].toDouble(), USER_HV_COUNT * 1500.0 / 4095);
        const counting::Series s = series(u"p.csv"_qs);
        QCOMPARE(s.measurements.size(), 10);
        QCOMPARE(s.measurements.last().highVoltage, 1300.0);
        QVERIFY(r.errors.contains(u"operating point %1 V"_qs.arg(QString::number(operating, 'f', 1))));
        QVERIFY2(r.errors.contains(u"step 1 of 10 at 850.0 V: "_qs), qPrintable(r.errors));
        QVERIFY(r.errors.contains(u"plateau from %1 V to %2 V, slope "_qs.arg(QString::number(from, 'f', 1),
                                                                              QString::number(to, 'f', 1))));
        QVERIFY(r.errors.contains(u"The user's high voltage of 1000.0 V is back on the unit."_qs));
        checkHvSteps(50, 1300);
        QCOMPARE(QImage(path(u"p.png"_qs)).size(), QSize(1000, 600));
    }

    void aSignalEndsThePlateauWithTheUsersHv_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<counting::SeriesEnd>("end");
        QTest::newRow("Ctrl+C") << SIGINT << counting::SeriesEnd::Stopped;
        QTest::newRow("SIGTERM") << SIGTERM << counting::SeriesEnd::Aborted;
    }
    void aSignalEndsThePlateauWithTheUsersHv() {
        QFETCH(int, signal);
        QFETCH(counting::SeriesEnd, end);
        QProcess p;
        start(p, {u"--plateau"_qs, u"850:1300:50"_qs, u"--readings"_qs, u"4"_qs, u"--settle"_qs, u"0"_qs,
                  u"--yes"_qs, u"c.csv"_qs});
        QVERIFY(p.waitForStarted());
        // The ramp down to 850 V (three steps), then two steps up measured at least in part.
        QTRY_VERIFY_WITH_TIMEOUT(hvSent().size() >= 5, 20000);
        signalProcess(p, signal);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 130);
        const counting::Series s = series(u"c.csv"_qs);
        QCOMPARE(s.end, end);
        QVERIFY(!s.measurements.isEmpty() && s.measurements.size() < 10);
        QVERIFY(s.hvRestored);
        checkHvSteps(50, 1300);
    }

    // A unit that gives no fresh reading any more ends the run; what was measured is written.
    void anUnpluggedUnitEndsTheRunWithItsMeasurements() {
        QProcess p;
        QString errors;
        unplugDuring(p, {u"--readings"_qs, u"2"_qs, u"--repeat"_qs, u"1000"_qs, u"u.csv"_qs},
                     u"No fresh count-rate reading for 5 s; the count is stopped."_qs, errors);
        QVERIFY(ended(p));
        QCOMPARE(p.exitCode(), 4);
        const counting::Series s = series(u"u.csv"_qs);
        QCOMPARE(s.end, counting::SeriesEnd::Failed);
        QVERIFY(s.measurements.size() >= 2);
    }

    // Unplugged, the unit takes no HV: the user's goes back as soon as it is plugged in again.
    void thePlateausHvGoesBackWhenTheUnitAnswers() {
        QProcess p;
        QString errors;
        unplugDuring(p, plateauArgs, u"Waiting up to 30 s for the unit to take the user's high voltage"_qs,
                     errors);
        QVERIFY(QFile::remove(path(u"unplugged"_qs)));
        QVERIFY(ended(p));
        errors += QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 4);
        QVERIFY2(errors.contains(u"The user's high voltage of 1000.0 V is back on the unit."_qs),
                 qPrintable(errors));
        const counting::Series s = series(u"u.csv"_qs);
        QCOMPARE(s.end, counting::SeriesEnd::Failed);
        QVERIFY(s.hvRestored);
        checkHvSteps(50, 1300);
    }

    // A user who gives up waiting is told what the unit may still hold.
    void givingUpOnAnUnpluggedUnitSaysWhatItHolds() {
        QProcess p;
        QString errors;
        unplugDuring(p, plateauArgs, u"(Ctrl+C gives up)"_qs, errors);
        signalProcess(p, SIGINT);
        QVERIFY(ended(p));
        errors += QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 130);
        const QRegularExpressionMatch told =
            QRegularExpression(
                u"The user's high voltage of 1000.0 V was not put back: the unit may still hold "
                u"([0-9.]+) V."_qs)
                .match(errors);
        QVERIFY2(told.hasMatch(), qPrintable(errors));
        QCOMPARE(count(told.captured(1).toDouble()), lastTaken());
        const counting::Series s = series(u"u.csv"_qs);
        QVERIFY(!s.hvRestored);
        QVERIFY(s.measurements.size() >= 2);
    }

    // An output that cannot be written at the end loses nothing: the series is kept in the data folder.
    void anUnwritableOutputKeepsTheSeries() {
        QVERIFY(QDir(dir.path()).mkpath(u"gone"_qs));
        QProcess p;
        start(p, {u"--readings"_qs, u"2"_qs, u"--repeat"_qs, u"3"_qs, u"gone/k.csv"_qs});
        QVERIFY(p.waitForStarted());
        QString errors;
        QTRY_VERIFY_WITH_TIMEOUT(
            (errors += QString::fromLocal8Bit(p.readAllStandardError())).contains(u"measurement 1 of 3"_qs),
            20000);
        QVERIFY(QDir(path(u"gone"_qs)).removeRecursively());
        QVERIFY(ended(p));
        errors += QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 5);
        const QRegularExpressionMatch kept =
            QRegularExpression(u"The series is kept in \"([^\"]+)\"."_qs).match(errors);
        QVERIFY2(kept.hasMatch(), qPrintable(errors));
        QVERIFY(kept.captured(1).startsWith(path(u"data/KivoPanel/counts/measurement_"_qs)));
        QString error;
        const auto read = counting::readSeriesCsv(kept.captured(1), &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(read->measurements.size(), 3);
    }

    void theStopVoltageMustBeConfirmed() {
        const Run r = run({u"--plateau"_qs, u"800:1200:25"_qs, u"y.csv"_qs});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(
            r.errors.contains(u"a plateau raises the high voltage up to 1200 V: confirm it with --yes"_qs),
            qPrintable(r.errors));
        QVERIFY(!QFile::exists(path(u"sets.log"_qs)));
        QVERIFY(!QFile::exists(path(u"y.csv"_qs)));
    }

    void theTerminalQuestionTakesOnlyYes_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("yes");
        QTest::newRow("y") << u"y\n"_qs << true;
        QTest::newRow("YES") << u" YES "_qs << true;
        QTest::newRow("empty") << u"\n"_qs << false;
        QTest::newRow("no") << u"n"_qs << false;
        QTest::newRow("yess") << u"yess"_qs << false;
    }
    void theTerminalQuestionTakesOnlyYes() {
        QFETCH(QString, answer);
        QFETCH(bool, yes);
        QCOMPARE(kivocount::isYes(answer), yes);
        QCOMPARE(kivocount::confirmationQuestion(1212.5),
                 u"Raise the high voltage up to 1212.5 V? [y/N] "_qs);
    }

    // Refused before the unit is touched: with a unit that cannot be opened, any attempt would end 3.
    void badCommandLinesAreRefused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QStringList& args, const QString& message) {
            QTest::newRow(name) << args << message;
        };
        const QStringList plateau{u"--plateau"_qs, u"800:1200:25"_qs, u"--yes"_qs};
        row("time low", {u"--time"_qs, u"0.99"_qs}, u"--time must be a duration from 1 to 86400 seconds"_qs);
        row("time high", {u"--time=86400.5"_qs}, u"--time must be"_qs);
        row("readings low", {u"--readings"_qs, u"1"_qs}, u"--readings must be from 2 to 1000000"_qs);
        row("readings high", {u"--readings"_qs, u"1000001"_qs}, u"--readings must be"_qs);
        row("repeat low", {u"--repeat"_qs, u"0"_qs}, u"--repeat must be from 1 to 100000"_qs);
        row("repeat high", {u"--repeat"_qs, u"100001"_qs}, u"--repeat must be"_qs);
        row("pause low", {u"--pause"_qs, u"-0.1"_qs}, u"--pause must be a pause from 0 to 86400 seconds"_qs);
        row("pause high", {u"--pause"_qs, u"86401"_qs}, u"--pause must be"_qs);
        row("period low", {u"--period-ms"_qs, u"249"_qs}, u"--period-ms must be from 250 to 60000"_qs);
        row("period high", {u"--period-ms"_qs, u"60001"_qs}, u"--period-ms must be"_qs);
        row("settle low", plateau + QStringList{u"--settle"_qs, u"-1"_qs}, u"--settle must be"_qs);
        row("settle high", plateau + QStringList{u"--settle"_qs, u"3600.5"_qs}, u"--settle must be"_qs);
        row("threshold low", plateau + QStringList{u"--threshold"_qs, u"0"_qs},
            u"--threshold must be a slope above 0"_qs);
        row("threshold high", plateau + QStringList{u"--threshold"_qs, u"1000.5"_qs},
            u"--threshold must be"_qs);
        row("plateau start low", {u"--plateau"_qs, u"-1:1200:25"_qs},
            u"the start voltage must be from 0 to 1500 V"_qs);
        row("plateau stop high", {u"--plateau"_qs, u"800:1500.5:25"_qs},
            u"the stop voltage must be from 0 to 1500 V"_qs);
        row("plateau step low", {u"--plateau"_qs, u"800:1200:0.3"_qs},
            u"the step must be from 0.37 to 1500 V"_qs);
        row("plateau step high", {u"--plateau"_qs, u"0:1200:1501"_qs}, u"the step must be"_qs);
        row("plateau form", {u"--plateau"_qs, u"800:1200"_qs}, u"--plateau must be START:STOP:STEP"_qs);
        row("plateau flat", {u"--plateau"_qs, u"900:900:10"_qs},
            u"the start and stop voltages must differ"_qs);
        row("two presets", {u"--time"_qs, u"5"_qs, u"--readings"_qs, u"5"_qs}, u"give one"_qs);
        row("repeat in a plateau", plateau + QStringList{u"--repeat"_qs, u"2"_qs}, u"leave out --repeat"_qs);
        row("settle without plateau", {u"--settle"_qs, u"2"_qs}, u"--settle belongs to --plateau"_qs);
        row("yes without plateau", {u"--yes"_qs}, u"--yes belongs to --plateau"_qs);
        row("background of a background", {u"--as-background"_qs, u"--background"_qs, u"x.csv"_qs},
            u"leave out --background"_qs);
        row("background missing", {u"--background"_qs, u"none.csv"_qs}, u"--background: Could not read"_qs);
        row("unknown option", {u"--fast"_qs}, u"unknown option --fast"_qs);
        row("value missing", {u"--time"_qs}, u"option --time needs a value"_qs);
        row("extension", {u"a.txt"_qs}, u"no known extension (.csv, .png)"_qs);
        row("folder", {u"nowhere/z.csv"_qs}, u"does not exist"_qs);
        row("same output twice", {u"z.csv"_qs, u"./z.csv"_qs}, u"named twice"_qs);
    }
    void badCommandLinesAreRefused() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = run(args, "OpenSCA");
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errors.contains(message), qPrintable(r.errors));
        QVERIFY(r.errors.contains(u"Usage: kivocount [options] [OUTPUT...]"_qs));
        QVERIFY(!QFile::exists(path(u"z.csv"_qs)));
    }

    // Each end of each documented range is taken: the run goes on to open the unit, which fails (3).
    void theEndsOfEachRangeAreTaken() {
        const QStringList plateau{u"--plateau=800:1200:25"_qs, u"--yes"_qs};
        const QList<QStringList> cases{{u"--time=1"_qs},
                                       {u"--time=86400"_qs},
                                       {u"--readings=2"_qs},
                                       {u"--readings=1000000"_qs},
                                       {u"--repeat=1"_qs},
                                       {u"--repeat=100000"_qs},
                                       {u"--pause=0"_qs},
                                       {u"--pause=86400"_qs},
                                       {u"--period-ms=250"_qs},
                                       {u"--period-ms=60000"_qs},
                                       plateau + QStringList{u"--settle=0"_qs},
                                       plateau + QStringList{u"--settle=3600"_qs},
                                       plateau + QStringList{u"--threshold=0.001"_qs},
                                       plateau + QStringList{u"--threshold=1000"_qs},
                                       {u"--plateau=0:1500:0.37"_qs, u"--yes"_qs},
                                       {u"--plateau=1500:0:1500"_qs, u"--yes"_qs}};
        for (const QStringList& args : cases)
            QVERIFY2(run(args + QStringList{u"z.csv"_qs}, "OpenSCA").exitCode == 3,
                     qPrintable(args.join(u' ')));
    }

    void versionAndHelpTouchNothing() {
        Run r = run({u"--version"_qs}, "OpenSCA");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.output, QByteArray("kivocount %1.%2.%3\n")
                               .replace("%1", QByteArray::number(KIVO_VERSION_MAJOR))
                               .replace("%2", QByteArray::number(KIVO_VERSION_MINOR))
                               .replace("%3", QByteArray::number(KIVO_VERSION_PATCH)));
        r = run({u"--help"_qs}, "OpenSCA");
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.output.startsWith(kivocount::usageLine().toUtf8()));
        QVERIFY(r.output.contains("--plateau START:STOP:STEP"));
        // The ranges as the options take them, and the exit statuses scripts test.
        for (const char* text :
             {"(1 to 86400, default 10)\n", "(2 to 1000000)\n", "(1 to 100000, default 1)\n",
              "(0 to 86400 s, default 0)\n", "(0 to 3600 s, default 5)\n", "(250 to 60000, default 250)\n",
              "\n  0    done\n", "\n  2    bad command line", "\n  3    the unit could not be reached\n",
              "\n  4    a device call failed", "\n  5    an output could not be written\n",
              "\n  130  stopped by a signal"})
            QVERIFY2(r.output.contains(text), text);
    }

    void noUnitEndsWithItsExitCode() {
        const Run r = run({u"z.csv"_qs}, "OpenSCA");
        QCOMPARE(r.exitCode, 3);
        QVERIFY(r.errors.contains(u"Failed to connect to SCA."_qs));
        QVERIFY(!QFile::exists(path(u"z.csv"_qs)));
    }
};

QTEST_GUILESS_MAIN(TestKivocount)
#include "tst_kivocount.moc"
