// The high-voltage plateau: the steps asked of the unit, the user's HV given back however the run
// ends, and the plateau and operating point found on rate-against-HV curves with a known plateau.
#include "CountTestSupport.h"
#include "DetectorModel.h"
#include "HvPlateau.h"

#include <QTest>

#include <cmath>

using namespace counting;
using Curve = std::function<double(double volts)>;

Q_DECLARE_METATYPE(Curve)
Q_DECLARE_METATYPE(counting::PlateauPlan)
Q_DECLARE_METATYPE(counting::SeriesEnd)

namespace {

PlateauPlan plan(double user, double start, double stop, double step) {
    PlateauPlan p;
    p.userVolts = user;
    p.startVolts = start;
    p.stopVolts = stop;
    p.stepVolts = step;
    p.settleSeconds = 2;
    return p;
}

SeriesPlan tenReadings() {
    SeriesPlan s;
    s.preset = Preset::Readings;
    s.readings = 10;
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
    QList<double> refuse;

    // Runs a plateau; the rate follows the last HV asked for. Stops (`how`) after `stopAfter` readings.
    void run(const PlateauPlan& p, const Curve& curve, int stopAfter = -1, SeriesEnd how = SeriesEnd::Stopped) {
        PoissonSource source(3);
        int readings = 0;
        host.onReading = [&] {
            if (++readings == stopAfter)
                engine->stop(how);
        };
        QCOMPARE(engine->startPlateau(tenReadings(), p, START), QString());
        feed(*engine, source, [&](qint64) { return curve(host.hv.isEmpty() ? p.userVolts : host.hv.last()); });
        host.onReading = nullptr;
    }

private slots:
    void init() {
        host = RecordingHost{};
        engine = std::make_unique<CountEngine>(host);
    }

    void userHvGoesBack_data() {
        QTest::addColumn<PlateauPlan>("p");
        QTest::addColumn<QList<double>>("refused");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<SeriesEnd>("how");
        QTest::addColumn<int>("measured");
        QTest::addColumn<bool>("restored");
        const PlateauPlan up = plan(700, 800, 900, 25);
        QTest::newRow("complete") << up << QList<double>{} << -1 << SeriesEnd::Completed << 5 << true;
        QTest::newRow("stop") << up << QList<double>{} << 25 << SeriesEnd::Stopped << 3 << true;
        QTest::newRow("abort") << up << QList<double>{} << 25 << SeriesEnd::Aborted << 3 << true;
        QTest::newRow("step refused") << up << QList<double>{850} << -1 << SeriesEnd::Failed << 2 << true;
        QTest::newRow("ramp refused") << up << QList<double>{750} << -1 << SeriesEnd::Failed << 0 << true;
        QTest::newRow("user's HV refused") << up << QList<double>{700} << -1 << SeriesEnd::Completed << 5 << false;
        QTest::newRow("downwards, odd step") << plan(1000, 900, 790, 40) << QList<double>{} << -1
                                             << SeriesEnd::Completed << 4 << true;
    }
    void userHvGoesBack() {
        QFETCH(PlateauPlan, p);
        QFETCH(QList<double>, refused);
        QFETCH(int, stopAfter);
        QFETCH(SeriesEnd, how);
        host.refuseCalls.clear();
        auto refuseHost = [&] {
            if (refused.contains(host.hv.last()))
                host.refuseCalls << int(host.hv.size());
        };
        host.onHv = refuseHost;
        run(p, counterCurve, stopAfter, how);
        QVERIFY(!engine->running());
        QCOMPARE(engine->series().end, how);
        QCOMPARE(host.events.last(), u"end "_qs + endName(how));
        QCOMPARE(host.hv.last(), p.userVolts);
        QFETCH(bool, restored);
        QCOMPARE(engine->series().hvRestored, restored);
        double previous = p.userVolts;
        for (double v : host.hv) {
            QVERIFY2(std::abs(v - previous) <= p.stepVolts + 1e-9, qPrintable(u"%1 after %2"_qs.arg(v).arg(previous)));
            previous = v;
        }
        QFETCH(int, measured);
        const QList<Measurement>& ms = engine->series().measurements;
        QCOMPARE(ms.size(), measured);
        const QList<double> steps = plateauSteps(p);
        for (qsizetype i = 0; i < ms.size(); ++i)
            QCOMPARE(ms[i].highVoltage, steps[i]);
    }

    void settlingAfterEachStep() {
        run(plan(800, 800, 850, 25), counterCurve);
        // No ramp (the unit is at the start already); readings from 2 s after the start, the first skipped.
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
        QVERIFY(engine->series().measurements.isEmpty());
    }

    void plateauFound_data() {
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<PlateauPlan>("p");
        QTest::addColumn<double>("from"); // the plateau must lie inside [from, to]
        QTest::addColumn<double>("to");
        QTest::newRow("counter, 25 V steps") << Curve(counterCurve) << plan(0, 700, 1300, 25) << 900.0 << 1200.0;
        QTest::newRow("counter, 10 V steps") << Curve(counterCurve) << plan(0, 700, 1300, 10) << 900.0 << 1200.0;
        QTest::newRow("simulated detector") << Curve(simulatedCurve) << plan(1000, 600, 1500, 25) << 975.0 << 1500.0;
    }
    void plateauFound() {
        QFETCH(Curve, curve);
        QFETCH(PlateauPlan, p);
        QFETCH(double, from);
        QFETCH(double, to);
        run(p, curve);
        const PlateauResult r = findPlateau(plateauCurve(engine->series()), p.thresholdPercentPer100V);
        QVERIFY(r.found);
        const QString where = u"%1 to %2 V, operating point %3 V"_qs.arg(r.fromVolts).arg(r.toVolts).arg(r.operatingVolts);
        QVERIFY2(r.fromVolts >= from && r.toVolts <= to && r.toVolts - r.fromVolts >= (to - from) / 2, qPrintable(where));
        QVERIFY2(r.operatingVolts > r.fromVolts && r.operatingVolts < r.toVolts, qPrintable(where));
        QVERIFY(plateauSteps(p).contains(r.operatingVolts));
        // Where it is proposed, the true rate changes by less than the threshold over 100 V.
        const double change = (curve(r.operatingVolts + 50) - curve(r.operatingVolts - 50)) / curve(r.operatingVolts);
        QVERIFY2(std::abs(change) < 0.10, qPrintable(where));
        QVERIFY(std::abs(r.slopePercentPer100V) < 10);
    }

    void noPlateau() {
        const QList<PlateauPoint> rising = {{800, 100}, {850, 116}, {900, 135}, {950, 156}, {1000, 181}};
        QVERIFY(!findPlateau(rising, 10).found);
        QVERIFY(!findPlateau({{800, 0}, {850, 0}, {900, 0}, {950, 0}}, 10).found);  // no counts, no plateau
        QVERIFY(findPlateau({{800, 100}, {850, 101}, {900, 100}}, 10).found);
        QVERIFY(!findPlateau({{800, 100}, {900, 101}}, 10).found);                  // two steps are not enough
        QCOMPARE(findPlateau({{800, 100}, {850, 101}, {900, 100}, {950, 100}}, 10).operatingVolts, 850.0);
    }

    void steps_data() {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("step");
        QTest::addColumn<QList<double>>("plateau");
        QTest::addColumn<QList<double>>("ramp");
        QTest::newRow("even") << 800.0 << 900.0 << 25.0 << QList<double>{800, 825, 850, 875, 900}
                              << QList<double>{825, 850, 875, 900};
        QTest::newRow("short last step") << 800.0 << 890.0 << 25.0 << QList<double>{800, 825, 850, 875, 890}
                                         << QList<double>{825, 850, 875, 890};
        QTest::newRow("downwards") << 900.0 << 800.0 << 50.0 << QList<double>{900, 850, 800} << QList<double>{850, 800};
        QTest::newRow("within a step") << 800.0 << 810.0 << 25.0 << QList<double>{800, 810} << QList<double>{810};
    }
    void steps() {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, step);
        QFETCH(QList<double>, plateau);
        QFETCH(QList<double>, ramp);
        QCOMPARE(plateauSteps(plan(0, from, to, step)), plateau);
        QCOMPARE(rampSteps(from, to, step), ramp);
        QVERIFY(rampSteps(from, from, step).isEmpty());
    }

    void refusedPlans_data() {
        QTest::addColumn<PlateauPlan>("p");
        QTest::addColumn<QString>("message");
        QTest::newRow("stop too high") << plan(0, 800, 1600, 25) << u"The stop voltage must be from 0 to 1500 V."_qs;
        QTest::newRow("negative start") << plan(0, -1, 900, 25) << u"The start voltage must be from 0 to 1500 V."_qs;
        QTest::newRow("user's HV") << plan(1500.5, 800, 900, 25) << u"The unit's present high voltage must be from 0 to 1500 V."_qs;
        QTest::newRow("step below one count") << plan(0, 800, 900, 0.36)
                                              << u"The step must be at least 0.37 V, one step of the unit's HV setting."_qs;
        QTest::newRow("no range") << plan(0, 900, 900, 25) << u"The start and stop voltages must differ."_qs;
        PlateauPlan p = plan(0, 800, 900, 25);
        p.settleSeconds = -1;
        QTest::newRow("settling") << p << u"The settling time must be from 0 to 3600 s."_qs;
        p = plan(0, 800, 900, 25);
        p.thresholdPercentPer100V = 0;
        QTest::newRow("threshold") << p << u"The plateau threshold must be above 0 %/100 V."_qs;
    }
    void refusedPlans() {
        QFETCH(PlateauPlan, p);
        QFETCH(QString, message);
        QCOMPARE(engine->startPlateau(tenReadings(), p, START), message);
        QVERIFY(host.hv.isEmpty() && !engine->running());
        QCOMPARE(checkHighVoltage(1500, u"x"_qs), QString());
        QCOMPARE(checkHighVoltage(0, u"x"_qs), QString());
    }
};

QTEST_GUILESS_MAIN(TestHvPlateau)
#include "tst_hv_plateau.moc"
