// A reference of another channel layout lands on the scan's channels: its total is kept, and a peak
// stays at the same place of the discriminator range, by level when the file carries its channels'
// windows and by channel fraction when it does not.
#include "Rebin.h"
#include "RecordSupport.h"

#include <QTest>

#include <algorithm>

using spectrum::ScanRecord;

Q_DECLARE_METATYPE(spectrum::ScanRecord)

namespace {

int peakChannel(const QList<qint32>& counts) {
    return int(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

// A record of another program: counts only, one peak of 1000 counts at `peak` on a flat 3 a channel.
ScanRecord foreign(int points, int peak) {
    ScanRecord r;
    for (int i = 0; i < points; ++i)
        r.counts << (i == peak ? 1000 : 3);
    return r;
}

// A scan whose windows sit `offset` levels higher than usual, as a differently set up scan would.
ScanRecord shifted(qint32 n, qint32 levels, qint32 offset) {
    ScanRecord r = testrec::scan(n, levels);
    for (spectrum::LevelWindow& w : r.levels) {
        w.lld = std::min(levels - 1, w.lld + offset);
        w.uld = std::min(levels - 1, w.uld + offset);
    }
    return r;
}

} // namespace

class TestSpectrumRebin : public QObject {
    Q_OBJECT

private slots:
    void edgesOfAScanAreItsNominalBins_data() {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("levels");
        QTest::newRow("128 of 2048") << 128 << 2048;
        QTest::newRow("64 of 2048") << 64 << 2048;
        QTest::newRow("512 of 4096") << 512 << 4096;
        QTest::newRow("256 of 1000") << 256 << 1000;
    }
    void edgesOfAScanAreItsNominalBins() {
        QFETCH(int, channels);
        QFETCH(int, levels);
        const QList<double> edges = spectrum::channelEdges(testrec::scan(channels, levels));
        QCOMPARE(edges.size(), channels + 2);
        const double tolerance = 1.0 / levels; // the windows are whole levels
        for (int k = 0; k <= channels + 1; ++k)
            QVERIFY2(std::abs(edges[k] - double(k) / channels) <= tolerance,
                     qPrintable(u"edge %1 at %2"_qs.arg(k).arg(edges[k])));
    }

    void windowsSteppingBackAreReadByFraction() {
        // The edge between channels 2 and 3 lies below the one before it (15 after 20): no level edges.
        ScanRecord r = foreign(5, 2);
        r.levelCount = 100;
        r.levels = {{1, 10}, {10, 20}, {20, 20}, {10, 20}, {30, 40}};
        QCOMPARE(spectrum::channelEdges(r), (QList<double>{0, 0.25, 0.5, 0.75, 1, 1.25}));
        r.levels[3].lld = 30; // 25 and 30: rising again
        r.levels[4].lld = 40;
        QCOMPARE(spectrum::channelEdges(r).at(3), 0.25);
    }

    void totalIsKeptAndPeakStaysInPlace_data() {
        QTest::addColumn<ScanRecord>("reference");
        QTest::addColumn<ScanRecord>("scan");
        QTest::addColumn<int>("peak");      // where the peak lands on the scan's channels
        QTest::addColumn<int>("tolerance"); // a peak spread over several channels may land on any of them

        QTest::newRow("same layout: a copy") << testrec::scan(128) << testrec::scan(128) << 51 << 0;
        QTest::newRow("256 channels onto 128, by level")
            << testrec::scan(256) << testrec::scan(128) << 51 << 0;
        QTest::newRow("64 channels onto 512, by level")
            << testrec::scan(64) << testrec::scan(512) << 211 << 4;
        QTest::newRow("4096 levels onto 2048, by level")
            << testrec::scan(512, 4096) << testrec::scan(128, 2048) << 51 << 0;
        // The same counts recorded with windows 64 levels (4 channels of 128) higher land 4 channels higher.
        // The same level numbers of a unit with twice the levels lie at half the height.
        ScanRecord finer = testrec::scan(128, 2048);
        finer.levelCount = 4096;
        QTest::newRow("same windows of another level count") << finer << testrec::scan(128) << 25 << 1;
        QTest::newRow("shifted windows") << shifted(256, 2048, 64) << testrec::scan(128) << 55 << 0;
        QTest::newRow("shifted windows, same points")
            << shifted(128, 2048, 64) << testrec::scan(128) << 55 << 0;
        QTest::newRow("65536 points onto 512, by level")
            << testrec::scan(65535, 65536) << testrec::scan(512) << 204 << 0;
        ScanRecord hundred =
            foreign(101, 90); // 101 points of a scan of 100 channels: k / 100 to (k + 1) / 100
        hundred.channels = 100;
        QTest::newRow("101 points of 100 channels, by fraction") << hundred << testrec::scan(128) << 115 << 0;
        QTest::newRow("1024 points, by fraction") << foreign(1024, 512) << testrec::scan(128) << 64 << 0;
        QTest::newRow("257 points: a scan's layout") << foreign(257, 64) << testrec::scan(128) << 32 << 0;
        QTest::newRow("3 points: a scan's layout, peak beyond full scale")
            << foreign(3, 2) << testrec::scan(64) << 64 << 0;
        QTest::newRow("4 points, by fraction") << foreign(4, 3) << testrec::scan(64) << 48 << 15;
        QTest::newRow("10 points, by fraction") << foreign(10, 3) << testrec::scan(64) << 22 << 3;
        QTest::newRow("a single point") << foreign(1, 0) << testrec::scan(64) << 32 << 32;
    }
    void totalIsKeptAndPeakStaysInPlace() {
        QFETCH(ScanRecord, reference);
        QFETCH(ScanRecord, scan);
        QFETCH(int, peak);
        QFETCH(int, tolerance);
        const QList<qint32> placed = spectrum::rebinOnto(reference, scan);
        QCOMPARE(placed.size(), scan.counts.size());
        QCOMPARE(testrec::total(placed), testrec::total(reference.counts));
        QVERIFY(std::all_of(placed.begin(), placed.end(), [](qint32 c) { return c >= 0; }));
        QVERIFY2(std::abs(peakChannel(placed) - peak) <= tolerance,
                 qPrintable(u"peak at %1, expected %2"_qs.arg(peakChannel(placed)).arg(peak)));
    }

    void aFlatLargeReferenceStaysFlat() {
        ScanRecord reference = testrec::scan(65535, 65536);
        reference.counts.fill(1);
        const QList<qint32> placed = spectrum::rebinOnto(reference, testrec::scan(512));
        QCOMPARE(testrec::total(placed), 65536);
        // 128 levels a channel; the scan's last point lies beyond the full scale, where the reference's
        // last point reaches by one level.
        for (qsizetype k = 0; k < 512; ++k)
            QVERIFY2(std::abs(placed[k] - 128) <= 1,
                     qPrintable(u"channel %1 holds %2"_qs.arg(k).arg(placed[k])));
        QCOMPARE(placed[512], 1);
    }

    void sharesFollowTheOverlap_data() {
        QTest::addColumn<QList<qint32>>("counts");
        QTest::addColumn<QList<double>>("from");
        QTest::addColumn<QList<double>>("to");
        QTest::addColumn<QList<qint32>>("expected");
        QTest::newRow("halves") << QList<qint32>{10, 20} << QList<double>{0, 0.5, 1}
                                << QList<double>{0, 0.25, 0.5, 0.75, 1} << QList<qint32>{5, 5, 10, 10};
        QTest::newRow("pairs") << QList<qint32>{1, 2, 3, 4} << QList<double>{0, 0.25, 0.5, 0.75, 1}
                               << QList<double>{0, 0.5, 1} << QList<qint32>{3, 7};
        QTest::newRow("odd count split by largest remainder")
            << QList<qint32>{3} << QList<double>{0, 1} << QList<double>{0, 0.5, 1} << QList<qint32>{2, 1};
        QTest::newRow("outside the target goes to its ends")
            << QList<qint32>{4, 6, 8} << QList<double>{-1, 0, 1, 2} << QList<double>{0, 0.5, 1}
            << QList<qint32>{7, 11};
        QTest::newRow("the leftover count goes to the largest remainder")
            << QList<qint32>{3} << QList<double>{0, 1} << QList<double>{0, 0.75, 1} << QList<qint32>{2, 1};
        QTest::newRow("two leftover counts go to two channels")
            << QList<qint32>{2} << QList<double>{0, 1} << QList<double>{0, 0.25, 0.5, 0.75, 1}
            << QList<qint32>{1, 1, 0, 0};
        QTest::newRow("no target channels")
            << QList<qint32>{5} << QList<double>{0, 1} << QList<double>{0} << QList<qint32>{};
        QTest::newRow("saturates at 32 bits")
            << QList<qint32>{2147483647, 2147483647} << QList<double>{0, 0.5, 1} << QList<double>{0, 1}
            << QList<qint32>{2147483647};
    }
    void sharesFollowTheOverlap() {
        QFETCH(QList<qint32>, counts);
        QFETCH(QList<double>, from);
        QFETCH(QList<double>, to);
        QFETCH(QList<qint32>, expected);
        QCOMPARE(spectrum::rebin(counts, from, to), expected);
    }
};

QTEST_GUILESS_MAIN(TestSpectrumRebin)
#include "tst_spectrum_rebin.moc"
