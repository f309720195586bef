// The series CSV (written, read back, refused when it is not ours) and the rate log (appended line by
// line, never over another file).
#include "CountStatistics.h"
#include "CountTestSupport.h"
#include "RateLog.h"
#include "SeriesCsv.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace counting;

namespace {

// A stopped plateau of two measurements, the second cut short, with a background.
Series sample() {
    Series s{.kind = SeriesKind::Plateau,
             .end = SeriesEnd::Stopped,
             .plan = {},
             .started = START,
             .plateau = PlateauPlan{800, 850, 25, 2, 10, 700.5},
             .background = Background{12.5, 0.25, 3, u"bg\n.csv"_qs},
             .measurements = {},
             .hvRestored = false};
    s.plan = {.kind = SeriesKind::Plateau, .preset = Preset::Readings, .readings = 4, .measurements = 3};
    const Measurement m{START.addMSecs(2250), 4, 4, 4701.25, 10.5, 0.9375, 800, 4688.75, 10.503, true};
    s.measurements = {m, {m.start, 4, 1, 4800, NO_VALUE, NO_VALUE, 825, 4688.75, NO_VALUE, false}};
    return s;
}

QByteArray withLine(int line, const QByteArray& replacement) {
    QList<QByteArray> lines = seriesCsv(sample()).split('\n');
    lines[line - 1] = replacement;
    return lines.join('\n');
}

} // namespace

class TestCountFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void layout() {
        QLocale::setDefault(QLocale(QLocale::German)); // files stay locale-neutral
        const QString text = QString::fromUtf8(seriesCsv(sample()));
        QLocale::setDefault(QLocale::c());
        const QStringList lines = text.split(u"\r\n"_qs);
        QCOMPARE(lines.mid(0, 4),
                 (QStringList{u"# KivoPanel count series"_qs, u"# kind: plateau"_qs, u"# status: stopped"_qs,
                              u"# started_utc: 2024-03-15T10:20:30.000Z"_qs}));
        const qsizetype header = lines.indexOf(seriesCsvColumns().join(u','));
        QVERIFY(header > 0);
        QCOMPARE(lines[header + 1],
                 u"1,2024-03-15T10:20:32.250Z,4.000,4,4701.25,10.5,0.9375,4688.75,10.503,800,yes"_qs);
        QCOMPARE(lines[header + 2], u"2,2024-03-15T10:20:32.250Z,4.000,1,4800,,,4688.75,,825,no"_qs);
        for (const QString& line :
             {u"# background_error_cps: 0.25"_qs, u"# background_source: bg .csv"_qs,
              u"# user_hv_v: 700.5"_qs, u"# hv_restored: no"_qs, u"# plateau_found: no"_qs})
            QVERIFY2(lines.contains(line), qPrintable(line));
        QVERIFY(!text.contains(u"verdict"_qs)); // a plateau's rates differ by design
        Series series = sample();
        series.kind = SeriesKind::Measurement;
        series.plateau.reset();
        series.plan.preset = Preset::Duration;
        series.measurements[1].readings = 4;
        series.measurements[1].standardError = 20;
        const QString measured = QString::fromUtf8(seriesCsv(series));
        const SeriesStatistics st = seriesStatistics(series.measurements, series.background);
        // The readings' variances 10.5^2 x 4 and 20^2 x 4 pooled, over the mean of all eight readings.
        QCOMPARE(st.dispersion, (441 + 1600) / 2.0 / 4750.625);
        QCOMPARE(st.verdict, Verdict::MoreSpread);
        const std::pair<const char*, double> results[] = {{"duration_s", 10},
                                                          {"mean_of_means_cps", st.mean},
                                                          {"sd_of_means_cps", st.sd},
                                                          {"mean_error_cps", st.meanError},
                                                          {"dispersion_index", st.dispersion},
                                                          {"reduced_chi_square", st.reducedChiSquare},
                                                          {"p_value", st.pValue},
                                                          {"net_mean_cps", st.net.rate},
                                                          {"net_mean_error_cps", st.net.error}};
        for (const auto& [key, value] : results)
            QVERIFY2(measured.contains(u"# "_qs + QLatin1String(key) + u": "_qs +
                                       QString::number(value, 'g', 10) + u"\r\n"_qs),
                     key);
        QVERIFY(measured.contains(u"# preset: duration\r\n"_qs));
        QVERIFY(
            measured.contains(u"# verdict: more spread than the readings explain: check the set-up\r\n"_qs));
    }

    void roundTrip() {
        const QString path = dir.filePath(u"series.csv"_qs);
        QString error;
        QVERIFY(writeSeriesCsv(path, sample(), &error));
        const std::optional<Series> back = readSeriesCsv(path, &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(seriesCsv(*back), seriesCsv(sample())); // every field, written again
        QCOMPARE(back->measurements[1].complete, false);
        // An editor's byte-order mark is no harm; without a start line the first measurement's start serves.
        const std::optional<Series> edited =
            parseSeriesCsv("\xEF\xBB\xBF" + withLine(4, "#"), u"x"_qs, &error);
        QVERIFY2(edited && edited->started == sample().measurements[0].start, qPrintable(error));
        QCOMPARE(seriesFileName(*back), u"plateau_20240315T102030Z.csv"_qs);
    }

    void badFiles_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty") << QByteArray() << u"x.csv: line 1: not a KivoPanel count series"_qs;
        QTest::newRow("spectrum") << QByteArray("Channel,Counts\r\n1,2\r\n")
                                  << u"x.csv: line 1: not a KivoPanel"_qs;
        QTest::newRow("unknown kind")
            << withLine(2, "# kind: spectrum") << u"x.csv: line 2: unknown kind \"spectrum\""_qs;
        QTest::newRow("bad number") << withLine(19, "1,,4,4,47x1,1,,,,800,yes")
                                    << u"x.csv: line 19: mean_cps is not valid"_qs;
        QTest::newRow("short row") << withLine(19, "1,2")
                                   << u"x.csv: line 19: 2 fields where the header has 11"_qs;
        QTest::newRow("bad time") << withLine(19, "1,yesterday,4,4,1,1,,,,800,yes")
                                  << u"line 19: start_utc is not valid"_qs;
        QTest::newRow("no readings") << withLine(19, "1,,4,0,1,1,,,,800,yes")
                                     << u"line 19: readings is not valid"_qs;
        QTest::newRow("negative error")
            << withLine(19, "1,,4,4,1,-1,,,,800,yes") << u"standard_error_cps is not valid"_qs;
        QTest::newRow("not a number")
            << withLine(19, "1,,4,4,nan,1,,,,800,yes") << u"mean_cps is not valid"_qs;
        QTest::newRow("no mean column")
            << withLine(18, "index,start_utc,duration_s,readings,rate,standard_error_cps,a,b,c,d,e")
            << u"line 18: the header has no \"mean_cps\" column"_qs;
        QTest::newRow("bad setup") << withLine(13, "# hv_step_v: many")
                                   << u"line 13: hv_step_v is not a number"_qs;
        QTest::newRow("empty setup") << withLine(13, "# hv_step_v:")
                                     << u"line 13: hv_step_v is not a number"_qs;
        QTest::newRow("unknown status")
            << withLine(3, "# status: paused") << u"line 3: unknown status \"paused\""_qs;
        QTest::newRow("bad mark") << withLine(19, "1,,4,4,1,1,,,,800,maybe")
                                  << u"line 19: complete is not valid"_qs;
        QTest::newRow("background without error")
            << withLine(9, "# bg: 1") << u"no \"background_error_cps\" line"_qs;
        QTest::newRow("no header") << QByteArray("# KivoPanel count series\n# kind: measurement\n")
                                   << u"x.csv: no header row"_qs;
    }
    void badFiles() {
        QFETCH(QByteArray, data);
        QFETCH(QString, error);
        QString message;
        QVERIFY(!parseSeriesCsv(data, u"x.csv"_qs, &message));
        QVERIFY2(message.contains(error), qPrintable(message));
    }

    void unwritable() {
        QString error;
        const QString nowhere = dir.filePath(u"no/such/folder/s.csv"_qs);
        QVERIFY(!writeSeriesCsv(nowhere, sample(), &error));
        QVERIFY2(error.startsWith(u"\""_qs + nowhere + u"\" could not be written: "_qs), qPrintable(error));
        QVERIFY(!readSeriesCsv(dir.filePath(u"missing.csv"_qs), &error));
        QVERIFY(error.startsWith(u"Could not read "_qs));
    }

    void rateLog() {
        const QString path = dir.filePath(u"rate.csv"_qs);
        QString error;
        {
            RateLog log;
            QVERIFY(log.open(path, &error));
            QVERIFY(log.append(4712, START.addMSecs(250), &error));
            QVERIFY(log.append(-3, START.toLocalTime().addSecs(1), &error));
            QCOMPARE(log.linesWritten(), 2);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("2024-03-15T10:20:32.000Z,47"); // a crash in the middle of a line
        file.close();
        RateLog again;
        QVERIFY(again.open(path, &error));
        QVERIFY(again.append(1, START.addSecs(3), &error));
        again.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), RateLog::header() +
                                     "2024-03-15T10:20:30.250Z,4712\r\n2024-03-15T10:20:31.000Z,-3\r\n"
                                     "2024-03-15T10:20:32.000Z,47\r\n2024-03-15T10:20:33.000Z,1\r\n");
        QVERIFY(!again.append(1, START, &error));
        QCOMPARE(error, u"No rate log is open."_qs);
    }

    void rateLogKeepsOtherFiles() {
        const QString path = dir.filePath(u"series.csv"_qs);
        QVERIFY(writeSeriesCsv(path, sample(), nullptr));
        const QByteArray before = seriesCsv(sample());
        RateLog log;
        QString error;
        QVERIFY(!log.open(path, &error));
        QCOMPARE(error, path + u" is not a KivoPanel rate log: choose a new file or a rate log."_qs);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!log.open(dir.filePath(u"no/such/folder/r.csv"_qs), &error));
        QVERIFY(error.contains(u"r.csv\" could not be written: "_qs));
        QVERIFY(!log.open(u"/dev/full"_qs, &error)); // no room for the header: nothing stays open
        QVERIFY(error.startsWith(u"\"/dev/full\" could not be written: "_qs) && !log.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestCountFiles)
#include "tst_count_files.moc"
