// The numbers of a measurement and a series, against values worked out by hand.
#include "CountStatistics.h"

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
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("se");
        QTest::addColumn<double>("dispersion");
        QTest::newRow("none") << QList<double>{} << NO_VALUE << NO_VALUE << NO_VALUE;
        QTest::newRow("one reading has no scatter") << QList<double>{5} << 5.0 << NO_VALUE << NO_VALUE;
        // variance 5/3 (n - 1), se sqrt(5/3 / 4)
        QTest::newRow("four") << QList<double>{1, 2, 3, 4} << 2.5 << std::sqrt(5.0 / 12.0) << (5.0 / 3.0) / 2.5;
        QTest::newRow("no rate, no dispersion index") << QList<double>{0, 0} << 0.0 << 0.0 << NO_VALUE;
    }
    void readings() {
        QFETCH(QList<double>, rates);
        const ReadingStatistics s = readingStatistics(std::vector<double>(rates.begin(), rates.end()));
        QFETCH(double, mean);
        QFETCH(double, se);
        QFETCH(double, dispersion);
        QCOMPARE(s.readings, rates.size());
        QVERIFY(same(s.mean, mean));
        QVERIFY(same(s.standardError, se));
        QVERIFY(same(s.dispersion, dispersion));
    }

    void series_data() {
        QTest::addColumn<QList<double>>("means");
        QTest::addColumn<double>("se");
        QTest::addColumn<int>("readings");
        QTest::addColumn<double>("reduced");
        QTest::addColumn<double>("p");
        QTest::addColumn<Verdict>("verdict");
        // Pooled variance 4 (se 1 x sqrt 4 readings), 9 degrees of freedom; chi-square 4 x 8 / 4 = 8 over
        // 2: F(2, 9) has the upper tail (1 + 2F/9)^-4.5.
        QTest::newRow("steady") << QList<double>{10, 12, 14} << 1.0 << 4 << 4.0 << std::pow(17.0 / 9.0, -4.5)
                                << Verdict::Steady;
        // Grand mean 38/3: squares sum to 56/3, reduced chi-square 28/3.
        QTest::newRow("spread") << QList<double>{10, 12, 16} << 1.0 << 4 << 28.0 / 3.0
                                << std::pow(1 + 2 * (28.0 / 3.0) / 9, -4.5) << Verdict::MoreSpread;
        QTest::newRow("no spread") << QList<double>{12, 12, 12} << 1.0 << 4 << 0.0 << 1.0 << Verdict::LessSpread;
        QTest::newRow("no scatter") << QList<double>{12, 13, 14} << 0.0 << 4 << NO_VALUE << NO_VALUE
                                    << Verdict::NoScatter;
        QTest::newRow("one measurement") << QList<double>{12} << 1.0 << 4 << NO_VALUE << NO_VALUE
                                         << Verdict::NotEnoughData;
        QTest::newRow("one reading each") << QList<double>{12, 13} << NO_VALUE << 1 << NO_VALUE << NO_VALUE
                                          << Verdict::NotEnoughData;
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
        QCOMPARE(st.measurements, means.size());
        QCOMPARE(st.readings, int(means.size()) * readings);
        QVERIFY2(same(st.reducedChiSquare, reduced), qPrintable(QString::number(st.reducedChiSquare)));
        QVERIFY2(same(st.pValue, p), qPrintable(QString::number(st.pValue)));
        QCOMPARE(st.verdict, verdict);
    }

    void seriesSummary() {
        const SeriesStatistics st = seriesStatistics({measured(10, 1, 4), measured(12, 2, 4), measured(14, 2, 4)},
                                                     Background{2, 1, 1, {}});
        QVERIFY(same(st.mean, 12));
        QVERIFY(same(st.sd, 2));
        QVERIFY(same(st.meanError, 1)); // sqrt(1 + 4 + 4) / 3
        QCOMPARE(st.degreesOfFreedom, 2);
        QCOMPARE(st.scatterDegreesOfFreedom, 9);
        QVERIFY(same(st.dispersion, (4 + 16 + 16) / 3.0 / 12)); // pooled variance / mean
        QVERIFY(same(st.net.rate, 10));
        QVERIFY(same(st.net.error, std::sqrt(2.0)));
    }

    void backgroundPropagation() {
        Series bg;
        bg.kind = SeriesKind::Background;
        bg.measurements = {measured(10, 3, 5), measured(14, 4, 5), measured(99, NO_VALUE, 1)};
        const std::optional<Background> b = backgroundOf(bg, u"file"_qs);
        QVERIFY(b);
        QVERIFY(same(b->mean, 12));    // the one-reading measurement has no error to propagate
        QVERIFY(same(b->error, 2.5));  // sqrt(9 + 16) / 2
        QCOMPARE(b->measurements, 2);
        const NetRate net = subtractBackground(112, 6, *b);
        QVERIFY(same(net.rate, 100));
        QVERIFY(same(net.error, 6.5)); // sqrt(36 + 6.25)
        bg.kind = SeriesKind::Plateau;
        QVERIFY(!backgroundOf(bg, {}));
        bg.kind = SeriesKind::Background;
        bg.measurements = {measured(99, NO_VALUE, 1)};
        QVERIFY(!backgroundOf(bg, {}));
    }

    void verdictWords() {
        QCOMPARE(verdictText(Verdict::Steady), u"consistent with a steady source"_qs);
        QCOMPARE(verdictText(Verdict::MoreSpread), u"more spread than the readings explain: check the set-up"_qs);
    }
};

QTEST_GUILESS_MAIN(TestCountStatistics)
#include "tst_count_statistics.moc"
