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

    void give(qint32 cps, qint64 ms) { engine->addReading(cps, START.addMSecs(ms)); }
    const QList<Measurement>& measurements() const { return engine->series().measurements; }

private slots:
    void init() {
        host = RecordingHost{};
        engine = std::make_unique<CountEngine>(host);
    }

    // 4700 cps, each reading one second's counts, 10 readings per measurement, 20 measurements: the
    // share of 400 seeded series with p < 0.05.
    void seriesTest_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("drift"); // relative change of the mean across the series
        QTest::addColumn<int>("periodMs");
        QTest::addColumn<double>("least");
        QTest::addColumn<double>("most");
        QTest::newRow("steady 4700 cps") << 4700.0 << 0.0 << 1000 << 0.02 << 0.09;
        QTest::newRow("steady 30 cps") << 30.0 << 0.0 << 1000 << 0.02 << 0.09;
        // 10 s of readings instead of 10 readings.
        QTest::newRow("steady, simulated unit's 250 ms") << 4700.0 << 0.0 << 250 << 0.02 << 0.09;
        QTest::newRow("drift 5 %") << 4700.0 << 0.05 << 1000 << 0.90 << 1.0;
    }
    void seriesTest() {
        QFETCH(double, rate);
        QFETCH(double, drift);
        QFETCH(int, periodMs);
        SeriesPlan plan = readingsPlan(10, 20);
        if (periodMs != 1000)
            plan.preset = Preset::Duration;
        int small = 0;
        for (unsigned long seed = 1; seed <= 400; ++seed) {
            PoissonSource source(seed);
            QCOMPARE(engine->start(plan, START), QString());
            feed(
                *engine, source, [&](qint64 ms) { return rate * (1 + drift * double(ms) / 200000); }, START,
                periodMs);
            QCOMPARE(measurements().size(), 20);
            const SeriesStatistics st = seriesStatistics(measurements());
            small += st.pValue < 0.05 ? 1 : 0;
            QCOMPARE(st.verdict == Verdict::MoreSpread, st.pValue < 0.05);
        }
        QFETCH(double, least);
        QFETCH(double, most);
        QVERIFY2(small >= least * 400 && small <= most * 400, qPrintable(QString::number(small)));
    }

    void measurementsFollowOneAnother() {
        engine->start(readingsPlan(3, 2), START);
        give(5, 0); // not after the start
        for (int i = 1; i <= 7; ++i)
            give(i * 10, i * 1000); // the last one after the end
        QCOMPARE(engine->series().end, SeriesEnd::Completed);
        QCOMPARE(measurements().size(), 2);
        QCOMPARE(measurements()[0].mean, 20.0);
        QCOMPARE(measurements()[0].durationSeconds, 3.0);
        QCOMPARE(measurements()[1].start, START.addSecs(3));
        QCOMPARE(measurements()[1].mean, 50.0);
        QCOMPARE(host.events, (QStringList{u"start 0"_qs, u"done 0"_qs, u"start 1"_qs, u"done 1"_qs,
                                           u"end completed"_qs}));
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
        QCOMPARE(measurements()[0].readings, 9);
        QCOMPARE(measurements()[0].durationSeconds, 2.0);
    }

    void pauseBetweenMeasurements() {
        engine->start(readingsPlan(2, 2, 5), START);
        give(1, 1000);
        QCOMPARE(engine->progress(), 0.5);
        QVERIFY(!engine->waitUntil().isValid());
        engine->addReading(2, QDateTime()); // no time, no reading
        give(3, 2000);
        QCOMPARE(measurements()[0].mean, 2.0);
        QCOMPARE(engine->waitUntil(), START.addSecs(7));
        QCOMPARE(engine->currentReadings(), 0);
        give(100, 7000); // inside the pause
        engine->tick(START.addMSecs(6999));
        QCOMPARE(engine->phase(), CountEngine::Phase::Pausing);
        engine->tick(START.addSecs(7));
        QCOMPARE(engine->phase(), CountEngine::Phase::Measuring);
        give(5, 8000);
        give(7, 9000);
        QCOMPARE(measurements()[1].start, START.addSecs(7));
        QCOMPARE(measurements()[1].mean, 6.0);
        QVERIFY(host.events.contains(u"wait 2024-03-15T10:20:37.000Z"_qs));
    }

    void stopKeepsWhatWasMeasured() {
        engine->start(readingsPlan(4, 3), START);
        for (int i = 1; i <= 6; ++i)
            give(10 * i, i * 1000);
        host.events.clear();
        engine->stop(SeriesEnd::Completed); // what is cut short is not complete
        engine->stop(SeriesEnd::Aborted);   // nothing runs any more
        QCOMPARE(engine->series().end, SeriesEnd::Stopped);
        QCOMPARE(measurements().size(), 2);
        QVERIFY(measurements()[0].complete && !measurements()[1].complete);
        QCOMPARE(measurements()[1].mean, 55.0);
        QCOMPARE(host.events, QStringList{u"end stopped"_qs});
        // Stopped from inside the engine's own call.
        engine->start(readingsPlan(4, 3), START);
        host.onReading = [this] { engine->stop(SeriesEnd::Aborted); };
        give(10, 1000);
        QCOMPARE(engine->series().end, SeriesEnd::Aborted);
        QCOMPARE(measurements().size(), 1);
    }

    void backgroundIsSubtractedFromLaterSeries() {
        PoissonSource source(7);
        SeriesPlan bg = readingsPlan(10, 4);
        bg.kind = SeriesKind::Background;
        engine->start(bg, START);
        const QDateTime after = feed(*engine, source, [](qint64) { return 40.0; });
        const std::optional<Background> b = backgroundOf(engine->series(), {});
        QVERIFY(b && engine->background());
        QCOMPARE(engine->background()->error, b->error);
        QVERIFY(engine->background()->source.contains(u"2024-03-15T10:20:30Z"_qs));
        engine->start(readingsPlan(10, 3), after);
        feed(
            *engine, source, [](qint64) { return 4700.0; }, after);
        for (const Measurement& m : measurements()) {
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
        QTest::newRow("one reading") << readingsPlan(1, 1)
                                     << u"The number of readings must be from 2 to 1000000."_qs;
        QTest::newRow("none") << readingsPlan(2, 0)
                              << u"The number of measurements must be from 1 to 100000."_qs;
        QTest::newRow("negative pause")
            << readingsPlan(2, 1, -1) << u"The pause must be from 0 to 86400 s."_qs;
        p = readingsPlan(2, 1);
        p.kind = SeriesKind::Plateau;
        QTest::newRow("plateau without steps") << p << u"A plateau needs its high-voltage steps."_qs;
    }
    void refusedPlans() {
        QFETCH(SeriesPlan, plan);
        QFETCH(QString, message);
        QCOMPARE(engine->start(plan, START), message);
        QVERIFY(!engine->running() && host.events.isEmpty());
        QCOMPARE(engine->start(readingsPlan(2, 1), QDateTime()), u"The start time is not valid."_qs);
        QCOMPARE(engine->start(readingsPlan(2, 1), START), QString());
        QCOMPARE(engine->start(readingsPlan(2, 1), START), u"A count is already running."_qs);
    }
};

QTEST_GUILESS_MAIN(TestCountEngine)
#include "tst_count_engine.moc"
