// The numbers of a measurement and a series, against values worked out by hand.
#include "CountStatistics.h"
#include "CountingHelp.h"

#include <QTest>

#include <cmath>

using namespace counting;
Q_DECLARE_METATYPE(counting::Verdict)

namespace {

Measurement measured(double mean, double se, int readings) {
    Measurement m;
    m.mean = mean;
    m.standardError = se;
    m.readings = readings;
    return m;
}

bool same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) < 1e-9 * std::max(1.0, std::abs(b));
}

} // namespace

class TestCountStatistics : public QObject {
    Q_OBJECT

private slots:
    void readings_data() {
        QTest::addColumn<QList<double>>("rates");
        QTest::addColumn<QList<double>>("expected"); // mean, standard error, dispersion index
        QTest::newRow("none") << QList<double>{} << QList<double>{NO_VALUE, NO_VALUE, NO_VALUE};
        QTest::newRow("one reading has no scatter")
            << QList<double>{5} << QList<double>{5, NO_VALUE, NO_VALUE};
        // variance 5/3 (n - 1)
        QTest::newRow("four") << QList<double>{1, 2, 3, 4}
                              << QList<double>{2.5, std::sqrt(5.0 / 12), 5.0 / 3 / 2.5};
        QTest::newRow("no rate, no dispersion index") << QList<double>{0, 0} << QList<double>{0, 0, NO_VALUE};
    }
    void readings() {
        QFETCH(QList<double>, rates);
        QFETCH(QList<double>, expected);
        const ReadingStatistics s = readingStatistics(std::vector<double>(rates.begin(), rates.end()));
        QCOMPARE(s.readings, rates.size());
        QVERIFY(same(s.mean, expected[0]) && same(s.standardError, expected[1]) &&
                same(s.dispersion, expected[2]));
    }

    void series_data() {
        QTest::addColumn<QList<double>>("means");
        QTest::addColumn<double>("se");
        QTest::addColumn<int>("readings");
        QTest::addColumn<double>("reduced");
        QTest::addColumn<double>("p");
        QTest::addColumn<Verdict>("verdict");
        // Pooled variance 0.04 (se 0.1 x sqrt 4 readings) with 9 degrees of freedom; chi-square
        // 4 x 0.08 / 0.04 over 2: F(2, 9) has the upper tail (1 + 2F/9)^-4.5.
        QTest::newRow("steady") << QList<double>{1, 1.2, 1.4} << 0.1 << 4 << 4.0 << std::pow(17.0 / 9, -4.5)
                                << Verdict::Steady;
        // Grand mean 38/3: the squares sum to 56/3.
        QTest::newRow("spread") << QList<double>{10, 12, 16} << 1.0 << 4 << 28.0 / 3
                                << std::pow(1 + 2 * (28.0 / 3) / 9, -4.5) << Verdict::MoreSpread;
        QTest::newRow("no spread, two readings each")
            << QList<double>{12, 12, 12} << 1.0 << 2 << 0.0 << 1.0 << Verdict::LessSpread;
        QTest::newRow("no scatter") << QList<double>{12, 13} << 0.0 << 4 << NO_VALUE << NO_VALUE
                                    << Verdict::NoScatter;
        QTest::newRow("one measurement")
            << QList<double>{12} << 1.0 << 4 << NO_VALUE << NO_VALUE << Verdict::NotEnoughData;
        QTest::newRow("beyond any rate")
            << QList<double>{1e300, -1e300} << 1e300 << 4 << NO_VALUE << NO_VALUE << Verdict::NotEnoughData;
        QTest::newRow("one reading each")
            << QList<double>{12, 13} << NO_VALUE << 1 << NO_VALUE << NO_VALUE << Verdict::NotEnoughData;
    }
    void series() {
        QFETCH(QList<double>, means);
        QFETCH(double, se);
        QFETCH(int, readings);
        QFETCH(double, reduced);
        QFETCH(double, p);
        QFETCH(Verdict, verdict);
        QList<Measurement> list;
        for (double mean : means)
            list << measured(mean, se, readings);
        const SeriesStatistics st = seriesStatistics(list);
        QCOMPARE(st.readings, int(means.size()) * readings);
        QVERIFY2(same(st.reducedChiSquare, reduced) && same(st.pValue, p),
                 qPrintable(QString::number(st.pValue)));
        QCOMPARE(st.verdict, verdict);
    }

    void seriesSummary() {
        const SeriesStatistics st = seriesStatistics(
            {measured(10, 1, 4), measured(12, 2, 4), measured(14, 2, 4)}, Background{2, 1, 1, {}});
        QVERIFY(same(st.mean, 12) && same(st.sd, 2));
        QVERIFY(same(st.meanError, 1)); // sqrt(1 + 4 + 4) / 3
        QCOMPARE(st.measurements, 3);
        QCOMPARE(st.degreesOfFreedom, 2);
        QCOMPARE(st.scatterDegreesOfFreedom, 9);
        QVERIFY(same(st.dispersion, 1)); // pooled variance (4 + 16 + 16) / 3 over the mean 12
        QVERIFY(same(st.net.rate, 10) && same(st.net.error, std::sqrt(2.0)));
        // One degree of freedom behind the scatter is enough to judge. Weighed by readings, the mean is
        // 34/3; the squares (2 x 16/9 + 64/9) over the pooled variance 2 make 16/3.
        const SeriesStatistics uneven = seriesStatistics({measured(10, 1, 2), measured(14, NO_VALUE, 1)});
        QVERIFY(uneven.verdict == Verdict::Steady && same(uneven.reducedChiSquare, 16.0 / 3));
        // No rate, no dispersion index; a low one has its own.
        QVERIFY(std::isnan(seriesStatistics({measured(0, 1, 4), measured(0, 1, 4)}).dispersion));
        QVERIFY(same(seriesStatistics({measured(0.5, 0.25, 4), measured(0.5, 0.25, 4)}).dispersion, 0.5));
        QCOMPARE(verdictText(Verdict::Steady), u"consistent with a steady source"_qs);
    }

    void backgroundPropagation() {
        Series bg;
        bg.kind = SeriesKind::Background;
        bg.measurements = {measured(10, 3, 5), measured(14, 4, 5), measured(99, NO_VALUE, 1)};
        const std::optional<Background> b = backgroundOf(bg, u"file"_qs);
        // The one-reading measurement has no error to propagate: sqrt(9 + 16) / 2.
        QVERIFY(b && same(b->mean, 12) && same(b->error, 2.5) && b->measurements == 2);
        const NetRate net = subtractBackground(112, 6, *b);
        QVERIFY(same(net.rate, 100) && same(net.error, 6.5)); // sqrt(36 + 6.25)
        bg.kind = SeriesKind::Plateau;                        // its rate depends on each step's HV
        QVERIFY(!backgroundOf(bg, {}));
    }

    void helpSaysWhereTheUncertaintyComesFrom() {
        const QString help = countingHelpText();
        for (const QString& words :
             {u"every 250 ms"_qs, u"from the scatter of the readings themselves"_qs,
              u"no Poisson uncertainty"_qs, u"reduced chi-square (near 1 for a steady"_qs,
              u"sqrt(se^2 + se_bg^2)"_qs, u"below 0.05 in about one series out of twenty"_qs,
              u"10 % per 100 V"_qs})
            QVERIFY2(help.contains(words), qPrintable(words));
        const PlateauPlan defaults;
        QCOMPARE(defaults.thresholdPercentPer100V, 10.0);
        QCOMPARE(defaults.stepVolts, 25.0);
        QCOMPARE(SeriesPlan().durationSeconds, 10.0);
    }
};

QTEST_GUILESS_MAIN(TestCountStatistics)
#include "tst_count_statistics.moc"
