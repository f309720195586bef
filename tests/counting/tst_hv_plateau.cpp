// The high-voltage plateau: the steps asked of the unit, the user's HV given back however the run
// ends, and the plateau and operating point found on rate-against-HV curves with a known plateau.
#include "CountTestSupport.h"
#include "DetectorModel.h"
#include "HvPlateau.h"
#include "SeriesCsv.h"

#include <QTest>

#include <cmath>

using namespace counting;
using Curve = std::function<double(double volts)>;
Q_DECLARE_METATYPE(Curve)
Q_DECLARE_METATYPE(counting::PlateauPlan)
Q_DECLARE_METATYPE(counting::SeriesEnd)

namespace {

PlateauPlan plan(double user, double start, double stop, double step) {
    return PlateauPlan{start, stop, step, 2, 10, user};
}

SeriesPlan tenReadings() {
    SeriesPlan s;
    s.preset = Preset::Readings;
    return s;
}

// A knee around 820 V, a plateau rising 2 %/100 V, and the discharge region above 1200 V.
double counterCurve(double v) {
    const double knee = 1.0 / (1.0 + std::exp(-(v - 820.0) / 20.0));
    return 5000.0 * knee * (1 + 0.02 * (v - 1000) / 100) * (1 + std::max(0.0, v - 1200) / 100);
}

// The simulated detector's integral rate above its factory LLD.
double simulatedCurve(double v) {
    kivo::sim::DeviceSettings s = kivo::sim::factoryDefaults({});
    s.hv = int(std::lround(v * 4095 / 1500));
    return kivo::sim::windowRate(s, 2048, s.lld, s.uld, true);
}

} // namespace

class TestHvPlateau : public QObject {
    Q_OBJECT

    RecordingHost host;
    std::unique_ptr<CountEngine> engine;

    // Runs a plateau whose rate follows the last HV asked for; stops (`how`) after `stopAfter` readings.
    void run(const PlateauPlan& p, const Curve& curve, int stopAfter = -1,
             SeriesEnd how = SeriesEnd::Stopped) {
        PoissonSource source(3);
        int readings = 0;
        host.onReading = [&] {
            if (++readings == stopAfter)
                engine->stop(how);
        };
        QCOMPARE(engine->startPlateau(tenReadings(), p, START), QString());
        feed(*engine, source,
             [&](qint64) { return curve(host.hv.isEmpty() ? p.userVolts : host.hv.last()); });
        host.onReading = nullptr;
    }

private slots:
    void init() {
        host = RecordingHost{};
        engine = std::make_unique<CountEngine>(host);
    }

    void userHvGoesBack_data() {
        QTest::addColumn<PlateauPlan>("p");
        QTest::addColumn<double>("refused");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<SeriesEnd>("how");
        QTest::addColumn<int>("measured");
        const PlateauPlan up = plan(700, 800, 900, 25);
        QTest::newRow("complete") << up << -1.0 << -1 << SeriesEnd::Completed << 5;
        QTest::newRow("stop") << up << -1.0 << 25 << SeriesEnd::Stopped << 3;
        QTest::newRow("abort") << up << -1.0 << 25 << SeriesEnd::Aborted << 3;
        QTest::newRow("step refused") << up << 850.0 << -1 << SeriesEnd::Failed << 2;
        QTest::newRow("ramp refused") << up << 750.0 << -1 << SeriesEnd::Failed << 0;
        QTest::newRow("user's HV refused") << up << 700.0 << -1 << SeriesEnd::Completed << 5;
        QTest::newRow("downwards, odd step")
            << plan(1000, 900, 790, 40) << -1.0 << -1 << SeriesEnd::Completed << 4;
    }
    void userHvGoesBack() {
        QFETCH(PlateauPlan, p);
        QFETCH(double, refused);
        QFETCH(int, stopAfter);
        QFETCH(SeriesEnd, how);
        QFETCH(int, measured);
        host.refuse = {refused};
        run(p, counterCurve, stopAfter, how);
        QCOMPARE(engine->series().end, how);
        QCOMPARE(host.events.last(), u"end "_qs + endName(how));
        QCOMPARE(host.hv.last(), p.userVolts);
        QCOMPARE(engine->series().hvRestored, refused != p.userVolts);
        // Each request is within a step of what the unit holds: the last HV it took.
        double held = p.userVolts;
        for (double v : host.hv) {
            QVERIFY2(std::abs(v - held) <= p.stepVolts + 1e-9,
                     qPrintable(u"%1 after %2"_qs.arg(v).arg(held)));
            if (!host.refuse.contains(v))
                held = v;
        }
        const QList<Measurement>& ms = engine->series().measurements;
        QCOMPARE(ms.size(), measured);
        for (qsizetype i = 0; i < ms.size(); ++i)
            QCOMPARE(ms[i].highVoltage, plateauSteps(p)[i]);
    }

    // A step refused on the way back ends it there: the next one, taken, would land two steps from what
    // the unit holds. The run says the user's HV is not back.
    void aRefusalOnTheWayBackEndsIt() {
        host.onHv = [this] {
            if (engine->phase() == CountEngine::Phase::Restoring)
                host.refuse = {775.0};
        };
        run(plan(700, 800, 900, 25), counterCurve);
        QVERIFY(!engine->series().hvRestored);
        QCOMPARE(host.hv.mid(host.hv.size() - 3), (QList<double>{825, 800, 775}));
    }

    void settlingAfterEachStep() {
        run(plan(800, 800, 850, 25), counterCurve);
        // No ramp (the unit is at the start already); readings from 2 s after each step, the first skipped.
        QCOMPARE(host.hv, (QList<double>{825, 850, 825, 800}));
        const QList<Measurement>& ms = engine->series().measurements;
        QCOMPARE(ms[0].start, START.addSecs(2));
        QCOMPARE(ms[0].durationSeconds, 10.0);
        QCOMPARE(ms[1].start, START.addSecs(12 + 2));
        QVERIFY(host.events.contains(u"wait 2024-03-15T10:20:44.000Z"_qs));
    }

    void stopWhileTheUnitIsAskedForAnHv() {
        host.onHv = [this] {
            if (host.hv.size() == 2)
                engine->stop();
        };
        run(plan(700, 800, 900, 25), counterCurve);
        QCOMPARE(engine->series().end, SeriesEnd::Stopped);
        QCOMPARE(host.hv, (QList<double>{725, 750, 725, 700}));
    }

    void plateauFound_data() {
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<PlateauPlan>("p");
        QTest::addColumn<double>("from"); // the plateau must lie inside [from, to] and cover half of it
        QTest::addColumn<double>("to");
        QTest::newRow("counter, 25 V steps")
            << Curve(counterCurve) << plan(0, 700, 1300, 25) << 900.0 << 1200.0;
        QTest::newRow("counter, 10 V steps")
            << Curve(counterCurve) << plan(0, 700, 1300, 10) << 900.0 << 1200.0;
        QTest::newRow("simulated detector")
            << Curve(simulatedCurve) << plan(1000, 600, 1500, 25) << 975.0 << 1500.0;
    }
    void plateauFound() {
        QFETCH(Curve, curve);
        QFETCH(PlateauPlan, p);
        QFETCH(double, from);
        QFETCH(double, to);
        run(p, curve);
        const PlateauResult r = findPlateau(plateauCurve(engine->series()), p.thresholdPercentPer100V);
        const QString where = u"%1 to %2 V, at %3 V"_qs.arg(r.fromVolts).arg(r.toVolts).arg(r.operatingVolts);
        QVERIFY2(r.found && r.fromVolts >= from && r.toVolts <= to &&
                     r.toVolts - r.fromVolts >= (to - from) / 2,
                 qPrintable(where));
        QVERIFY2(r.operatingVolts > r.fromVolts && r.operatingVolts < r.toVolts, qPrintable(where));
        QVERIFY(plateauSteps(p).contains(r.operatingVolts));
        // Where it is proposed, the true rate changes by less than the threshold over 100 V.
        const double change =
            (curve(r.operatingVolts + 50) - curve(r.operatingVolts - 50)) / curve(r.operatingVolts);
        QVERIFY2(std::abs(change) < 0.10, qPrintable(where));
        QVERIFY(std::abs(r.slopePercentPer100V) < 10);
        const QByteArray csv = seriesCsv(engine->series());
        QVERIFY(csv.contains("# plateau_from_v: " + QByteArray::number(r.fromVolts) + "\r\n"));
        QVERIFY(csv.contains("# operating_point_v: " + QByteArray::number(r.operatingVolts) + "\r\n"));
    }

    void noPlateau() {
        const QList<PlateauPoint> rising = {{800, 100}, {850, 116}, {900, 135}, {950, 156}, {1000, 181}};
        QVERIFY(!findPlateau(rising, 10).found);
        QVERIFY(!findPlateau({{800, 0}, {850, 0}, {900, 0}}, 10).found);      // no counts, no plateau
        QVERIFY(!findPlateau({{800, 100}, {900, 101}}, 10).found);            // two steps are not enough
        QVERIFY(findPlateau({{800, 100}, {850, 101}, {900, 100}}, 10).found); // three are
        // The steep last step lies within 50 V of every step, so every local slope sees it.
        QVERIFY(!findPlateau({{800, 100}, {810, 100}, {820, 100}, {830, 100}, {840, 200}}, 10).found);
        // The jump at 830 V lies within 50 V of 800-820 V, however far the step after it.
        QVERIFY(!findPlateau(
                     {{700, 100}, {750, 100}, {800, 100}, {810, 100}, {820, 100}, {830, 200}, {900, 200}}, 10)
                     .found);
        const PlateauResult fromTheFirst = findPlateau({{800, 100}, {850, 101}, {900, 100}, {950, 100}}, 10);
        QCOMPARE(fromTheFirst.operatingVolts, 850.0);
        QCOMPARE(fromTheFirst.fromVolts, 800.0); // flat from the first step: the plateau starts there
        QCOMPARE(fromTheFirst.toVolts, 950.0);
        // Steps farther apart than the 50 V half window still see their neighbours.
        QCOMPARE(findPlateau({{800, 100}, {900, 101}, {1000, 100}, {1100, 100}}, 10).fromVolts, 800.0);
        // The longer of two flat runs (700-900 V), though the other (1210-1230 V) has as many steps.
        const QList<PlateauPoint> twoRuns = {{700, 100},   {750, 100},   {800, 100},   {850, 100},
                                             {900, 100},   {950, 100},   {1000, 300},  {1050, 900},
                                             {1100, 1500}, {1200, 2700}, {1210, 2700}, {1220, 2700},
                                             {1230, 2700}, {1240, 2700}, {1400, 8000}};
        QCOMPARE(findPlateau(twoRuns, 10).toVolts, 900.0);
    }

    void steps_data() {
        QTest::addColumn<PlateauPlan>("p");
        QTest::addColumn<QList<double>>("steps");
        QTest::addColumn<QList<double>>("ramp"); // from the user's HV to the stop voltage
        QTest::newRow("even") << plan(800, 800, 900, 25) << QList<double>{800, 825, 850, 875, 900}
                              << QList<double>{825, 850, 875, 900};
        QTest::newRow("short last step")
            << plan(885, 800, 890, 25) << QList<double>{800, 825, 850, 875, 890} << QList<double>{890};
        QTest::newRow("downwards") << plan(1000, 900, 800, 50) << QList<double>{900, 850, 800}
                                   << QList<double>{950, 900, 850, 800};
        QTest::newRow("same") << plan(810, 800, 810, 25) << QList<double>{800, 810} << QList<double>{};
    }
    void steps() {
        QFETCH(PlateauPlan, p);
        QFETCH(QList<double>, steps);
        QFETCH(QList<double>, ramp);
        QCOMPARE(plateauSteps(p), steps);
        QCOMPARE(rampSteps(p.userVolts, p.stopVolts, p.stepVolts), ramp);
    }

    void refusedPlans_data() {
        QTest::addColumn<PlateauPlan>("p");
        QTest::addColumn<QString>("message");
        const QString range = u" must be from 0 to 1500 V."_qs;
        QTest::newRow("stop too high") << plan(0, 800, 1600, 25) << u"The stop voltage"_qs + range;
        QTest::newRow("negative start") << plan(0, -1, 900, 25) << u"The start voltage"_qs + range;
        QTest::newRow("user's HV") << plan(1500.5, 800, 900, 25)
                                   << u"The unit's present high voltage"_qs + range;
        QTest::newRow("step below one count")
            << plan(0, 800, 900, 0.36)
            << u"The step must be at least 0.37 V, one step of the unit's HV setting."_qs;
        QTest::newRow("no range") << plan(0, 900, 900, 25) << u"The start and stop voltages must differ."_qs;
        QTest::newRow("settling") << PlateauPlan{0, 1500, 25, -1, 10, 0}
                                  << u"The settling time must be from 0 to 3600 s."_qs;
        QTest::newRow("threshold") << PlateauPlan{0, 1500, 25, 0, 0, 0}
                                   << u"The plateau threshold must be above 0 %/100 V."_qs;
    }
    void refusedPlans() {
        QFETCH(PlateauPlan, p);
        QFETCH(QString, message);
        QCOMPARE(engine->startPlateau(tenReadings(), p, START), message);
        QVERIFY(host.hv.isEmpty() && !engine->running());
        QCOMPARE(checkPlateauPlan(plan(0, 800, 900, 1500.0 / 4095)), QString()); // one HV count is enough
        PlateauPlan strict = plan(0, 800, 900, 25);
        strict.thresholdPercentPer100V = 0.5; // any threshold above 0
        QCOMPARE(checkPlateauPlan(strict), QString());
    }
};

QTEST_GUILESS_MAIN(TestHvPlateau)
#include "tst_hv_plateau.moc"
