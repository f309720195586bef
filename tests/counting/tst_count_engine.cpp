// The counting engine on a fake reading source: what it measures, when, what it tells its host, and
// whether its series test tells a steady source from a drifting one as often as it should.
#include "CountStatistics.h"
#include "CountTestSupport.h"

#include <QTest>

using namespace counting;

Q_DECLARE_METATYPE(counting::SeriesPlan)

namespace {

SeriesPlan readingsPlan(int readings, int measurements, double pause = 0) {
    SeriesPlan plan;
    plan.preset = Preset::Readings;
    plan.readings = readings;
    plan.measurements = measurements;
    plan.pauseSeconds = pause;
    return plan;
}

} // namespace

class TestCountEngine : public QObject {
    Q_OBJECT

    RecordingHost host;
    std::unique_ptr<CountEngine> engine;

    void give(qint32 cps, qint64 msAfterStart) { engine->addReading(cps, START.addMSecs(msAfterStart)); }

private slots:
    void init() {
        host = RecordingHost{};
        engine = std::make_unique<CountEngine>(host);
    }

    // The numbers the series test must reach: 4700 cps, each reading one second's counts, 10 readings
    // per measurement, 20 measurements, 400 seeded series per row.
    void seriesTest_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("drift"); // relative change of the mean across the series
        QTest::addColumn<int>("periodMs");
        QTest::addColumn<bool>("byDuration"); // 10 s of readings instead of 10 readings
        QTest::addColumn<double>("least");    // share of series with p < 0.05
        QTest::addColumn<double>("most");
        QTest::newRow("steady 4700 cps") << 4700.0 << 0.0 << 1000 << false << 0.02 << 0.09;
        QTest::newRow("steady 30 cps") << 30.0 << 0.0 << 1000 << false << 0.02 << 0.09;
        QTest::newRow("steady, 10 s at the simulated unit's 250 ms") << 4700.0 << 0.0 << 250 << true << 0.02 << 0.09;
        QTest::newRow("drift 5 %") << 4700.0 << 0.05 << 1000 << false << 0.90 << 1.0;
    }
    void seriesTest() {
        QFETCH(double, rate);
        QFETCH(double, drift);
        QFETCH(int, periodMs);
        QFETCH(bool, byDuration);
        SeriesPlan plan = readingsPlan(10, 20);
        if (byDuration)
            plan.preset = Preset::Duration;
        const double total = 20.0 * 10 * (byDuration ? 1000 : periodMs);
        int small = 0;
        for (unsigned long seed = 1; seed <= 400; ++seed) {
            PoissonSource source(seed);
            QCOMPARE(engine->start(plan, START), QString());
            feed(*engine, source, [&](qint64 ms) { return rate * (1 + drift * double(ms) / total); }, START, periodMs);
            QCOMPARE(engine->series().measurements.size(), 20);
            const SeriesStatistics st = seriesStatistics(engine->series().measurements);
            small += st.pValue < 0.05 ? 1 : 0;
            QCOMPARE(st.verdict == Verdict::MoreSpread, st.pValue < 0.05);
        }
        QFETCH(double, least);
        QFETCH(double, most);
        const double share = small / 400.0;
        QVERIFY2(share >= least && share <= most, qPrintable(QString::number(share)));
    }

    void measurementsFollowOneAnother() {
        engine->start(readingsPlan(3, 2), START);
        give(5, 0); // not after the start
        for (int i = 1; i <= 6; ++i)
            give(i * 10, i * 1000);
        const Series& s = engine->series();
        QCOMPARE(s.end, SeriesEnd::Completed);
        QCOMPARE(s.measurements.size(), 2);
        QCOMPARE(s.measurements[0].start, START);
        QCOMPARE(s.measurements[0].mean, 20.0);
        QCOMPARE(s.measurements[0].durationSeconds, 3.0);
        QCOMPARE(s.measurements[1].start, START.addSecs(3));
        QCOMPARE(s.measurements[1].mean, 50.0);
        QCOMPARE(s.measurements[1].readings, 3);
        QCOMPARE(host.events, (QStringList{u"start 0"_qs, u"done 0"_qs, u"start 1"_qs, u"done 1"_qs, u"end completed"_qs}));
        give(70, 7000); // nothing after the end
        QCOMPARE(s.measurements.size(), 2);
    }

    void durationCountsTheReadingsClock() {
        SeriesPlan plan;
        plan.durationSeconds = 2;
        engine->start(plan, START);
        for (int ms = 250; ms <= 1750; ms += 250)
            give(4, ms);
        QCOMPARE(engine->progress(), 0.875);
        give(4, 1500); // an earlier time counts as the latest one seen
        QVERIFY(engine->running());
        give(4, 2000);
        QVERIFY(!engine->running());
        QCOMPARE(engine->series().measurements[0].readings, 9);
        QCOMPARE(engine->series().measurements[0].durationSeconds, 2.0);
    }

    void pauseBetweenMeasurements() {
        engine->start(readingsPlan(2, 2, 5), START);
        give(1, 1000);
        give(3, 2000);
        QCOMPARE(engine->phase(), CountEngine::Phase::Pausing);
        QCOMPARE(engine->waitUntil(), START.addSecs(7));
        give(100, 7000); // inside the pause
        engine->tick(START.addMSecs(6999));
        QCOMPARE(engine->phase(), CountEngine::Phase::Pausing);
        engine->tick(START.addSecs(7));
        QCOMPARE(engine->phase(), CountEngine::Phase::Measuring);
        give(5, 8000);
        give(7, 9000);
        QCOMPARE(engine->series().measurements[1].start, START.addSecs(7));
        QCOMPARE(engine->series().measurements[1].mean, 6.0);
        QVERIFY(host.events.contains(u"wait 2024-03-15T10:20:37.000Z"_qs));
    }

    void stopKeepsWhatWasMeasured() {
        engine->start(readingsPlan(4, 3), START);
        for (int i = 1; i <= 6; ++i)
            give(10 * i, i * 1000);
        host.events.clear();
        engine->stop();
        const Series& s = engine->series();
        QCOMPARE(s.end, SeriesEnd::Stopped);
        QCOMPARE(s.measurements.size(), 2);
        QVERIFY(s.measurements[0].complete);
        QVERIFY(!s.measurements[1].complete);
        QCOMPARE(s.measurements[1].mean, 55.0);
        QCOMPARE(host.events, QStringList{u"end stopped"_qs});
        engine->stop(SeriesEnd::Aborted); // nothing runs any more
        QCOMPARE(host.events.size(), 1);
    }

    void stopFromInsideAReading() {
        engine->start(readingsPlan(4, 3), START);
        host.onReading = [this] { engine->stop(SeriesEnd::Aborted); };
        give(10, 1000);
        QVERIFY(!engine->running());
        QCOMPARE(engine->series().end, SeriesEnd::Aborted);
        QCOMPARE(engine->series().measurements.size(), 1);
        QCOMPARE(host.events.last(), u"end aborted"_qs);
    }

    void backgroundIsSubtractedFromLaterSeries() {
        PoissonSource source(7);
        SeriesPlan bg = readingsPlan(10, 4);
        bg.kind = SeriesKind::Background;
        engine->start(bg, START);
        const QDateTime after = feed(*engine, source, [](qint64) { return 40.0; });
        const std::optional<Background> b = backgroundOf(engine->series(), {});
        QVERIFY(b && engine->background());
        QCOMPARE(engine->background()->mean, b->mean);
        QCOMPARE(engine->background()->error, b->error);
        QVERIFY(engine->background()->source.contains(u"2024-03-15T10:20:30Z"_qs));
        engine->start(readingsPlan(10, 3), after);
        feed(*engine, source, [](qint64) { return 4700.0; }, after);
        for (const Measurement& m : engine->series().measurements) {
            QCOMPARE(m.net, m.mean - b->mean);
            QCOMPARE(m.netError, std::hypot(m.standardError, b->error));
        }
        // A background series stopped before any reading leaves the background as it was.
        engine->start(bg, after.addSecs(100));
        engine->stop();
        QCOMPARE(engine->background()->mean, b->mean);
    }

    void refusedPlans_data() {
        QTest::addColumn<SeriesPlan>("plan");
        QTest::addColumn<QString>("message");
        SeriesPlan p;
        p.durationSeconds = 0.5;
        QTest::newRow("short") << p << u"The duration must be from 1 to 86400 s."_qs;
        p = readingsPlan(1, 1);
        QTest::newRow("one reading") << p << u"The number of readings must be from 2 to 1000000."_qs;
        p = readingsPlan(2, 0);
        QTest::newRow("no measurement") << p << u"The number of measurements must be from 1 to 100000."_qs;
        p = readingsPlan(2, 1, -1);
        QTest::newRow("negative pause") << p << u"The pause must be from 0 to 86400 s."_qs;
        p = readingsPlan(2, 1);
        p.kind = SeriesKind::Plateau;
        QTest::newRow("plateau without steps") << p << u"A plateau needs its high-voltage steps."_qs;
    }
    void refusedPlans() {
        QFETCH(SeriesPlan, plan);
        QFETCH(QString, message);
        QCOMPARE(engine->start(plan, START), message);
        QVERIFY(!engine->running());
        QVERIFY(host.events.isEmpty());
        QCOMPARE(engine->start(readingsPlan(2, 1), START), QString());
        QCOMPARE(engine->start(readingsPlan(2, 1), START), u"A count is already running."_qs);
    }
};

QTEST_GUILESS_MAIN(TestCountEngine)
#include "tst_count_engine.moc"
