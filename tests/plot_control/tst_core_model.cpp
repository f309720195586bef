// The plot's data rules, through the control's properties and methods.
#include "CTreviumCtrl.h"

#include <QSignalSpy>
#include <QTest>

#include <numeric>

class TstCoreModel : public QObject {
    Q_OBJECT

    static QVariant ints(const QList<qint32>& v) { return QVariant::fromValue(v); }
    static std::vector<qint32> dataOf(const CTreviumCtrl& c) { return c.model().dataValues(); }
    static std::vector<qint32> referenceOf(const CTreviumCtrl& c) { return c.model().referenceValues(); }

private slots:
    void pointWindowIsClamped() {
        CTreviumCtrl c;
        c.setFirstPoint(-1);
        QCOMPARE(c.firstPoint(), 0);
        c.setLastPoint(256);
        QCOMPARE(c.lastPoint(), 255);
        c.setModified(false);
        c.setFirstPoint(256); // above Npoints-1 as well
        QCOMPARE(c.firstPoint(), 255);
        QVERIFY(c.isModified());
    }

    // No border, a flat one-pixel border, a sunken two-pixel one.
    void borderTakesItsWidth() {
        CTreviumCtrl c;
        for (auto [style, appearance, margin] : {std::tuple{0, 1, 0}, {1, 0, 1}, {1, 1, 2}}) {
            c.setBorderStyle(qint16(style));
            c.setAppearance(TreviumCtl::AppearanceEnum(appearance));
            QCOMPARE(c.contentsMargins(), QMargins(margin, margin, margin, margin));
        }
    }

    void windowAfterNpointsChangesByOne_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("viaData"); // assign an array of `count` values instead of Npoints
        QTest::addColumn<int>("newFirst");
        QTest::addColumn<int>("newLast");
        QTest::newRow("shrink by one") << 0 << 255 << 255 << false << 0 << 254;
        QTest::newRow("shrink by one, first on the end") << 255 << 255 << 255 << false << 254 << 254;
        QTest::newRow("shrink by one, window just inside") << 254 << 254 << 255 << false << 254 << 254;
        QTest::newRow("grow by one") << 0 << 255 << 257 << false << 0 << 255;
        QTest::newRow("data one shorter") << 255 << 255 << 255 << true << 254 << 254;
        QTest::newRow("data one longer") << 0 << 255 << 257 << true << 0 << 255;
        QTest::newRow("data of the most points") << 0 << 255 << 32767 << true << 0 << 255;
    }
    void windowAfterNpointsChangesByOne() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, count);
        QFETCH(bool, viaData);
        QFETCH(int, newFirst);
        QFETCH(int, newLast);
        CTreviumCtrl c;
        c.setFirstPoint(first);
        c.setLastPoint(last);
        if (viaData)
            c.setData(ints(QList<qint32>(count, 1)));
        else
            c.setNpoints(count);
        QCOMPARE(c.npoints(), qint16(count));
        QCOMPARE(c.firstPoint(), newFirst);
        QCOMPARE(c.lastPoint(), newLast);
        c.setLastPoint(count); // the setters' limit moved with Npoints
        QCOMPARE(c.lastPoint(), count - 1);
    }

    void npointsBelowOneBecomesOne() {
        CTreviumCtrl c;
        c.setNpoints(0);
        QCOMPARE(c.npoints(), qint16(1));
        QCOMPARE(c.model().bufferLength(), 1);
        QCOMPARE(c.firstPoint(), 0);
        QCOMPARE(c.lastPoint(), 0);
        c.setNpoints(-7);
        QCOMPARE(c.npoints(), qint16(1));
    }

    void growingKeepsValuesAndAddsZerosInBothBuffers() {
        CTreviumCtrl c;
        const auto data = dataOf(c);
        const auto ref = referenceOf(c);
        QCOMPARE(data.size(), size_t(256));
        c.setNpoints(300);
        const auto grown = dataOf(c);
        const auto grownRef = referenceOf(c);
        QCOMPARE(grown.size(), size_t(300));
        QCOMPARE(grownRef.size(), size_t(300));
        QVERIFY(std::equal(data.begin(), data.end(), grown.begin()));
        QVERIFY(std::equal(ref.begin(), ref.end(), grownRef.begin()));
        QCOMPARE(std::count(grown.begin() + 256, grown.end(), 0), 44);
        QCOMPARE(std::count(grownRef.begin() + 256, grownRef.end(), 0), 44);
        QCOMPARE(c.lastPoint(), 255); // the window is not widened
    }

    void longerArraySetsNpointsButNotTheWindow() {
        CTreviumCtrl c;
        QList<qint32> v(1024);
        std::iota(v.begin(), v.end(), 0);
        c.setData(ints(v));
        QCOMPARE(c.npoints(), qint16(1024));
        QCOMPARE(c.firstPoint(), 0);
        QCOMPARE(c.lastPoint(), 255);
        QCOMPARE(dataOf(c)[1023], 1023);
        QCOMPARE(referenceOf(c).size(), size_t(1024));
    }

    void shorterArrayPullsTheWindowIn() {
        CTreviumCtrl c;
        c.setFirstPoint(4);
        c.setData(ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        QCOMPARE(c.npoints(), qint16(10));
        QCOMPARE(c.lastPoint(), 9);
        QCOMPARE(c.firstPoint(), 4);
        c.setFirstPoint(9);
        c.setData(ints({1, 2, 3}));
        QCOMPARE(c.firstPoint(), 2);
    }

    void unusableDataIsIgnoredButMarksModified_data() {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("empty") << ints({});
        QTest::newRow("doubles") << QVariant::fromValue(QList<double>{1.0, 2.0});
        QTest::newRow("int16") << QVariant::fromValue(QList<qint16>{1, 2});
        QTest::newRow("scalar") << QVariant(5);
        QTest::newRow("string") << QVariant(QStringLiteral("1,2,3"));
        QTest::newRow("one past the most points") << QVariant::fromValue(QList<qint32>(32768, 1));
    }
    void unusableDataIsIgnoredButMarksModified() {
        QFETCH(QVariant, value);
        CTreviumCtrl c;
        const auto before = dataOf(c);
        QVERIFY(!c.isModified());
        c.setData(value);
        QVERIFY(c.isModified());
        QCOMPARE(dataOf(c), before);
        QCOMPARE(c.npoints(), qint16(256));
        QCOMPARE(c.data(), value); // the value last assigned, unchanged
        c.setModified(false);
        c.setReferenceData(value);
        QVERIFY(c.isModified());
    }

    void unsignedArraysFeedDataButNotReference() {
        CTreviumCtrl c;
        c.setData(QVariant::fromValue(QList<quint32>{7, 8, 0xFFFFFFFFu}));
        QCOMPARE(dataOf(c), (std::vector<qint32>{7, 8, -1}));
        const auto ref = referenceOf(c);
        c.setReferenceData(QVariant::fromValue(QList<quint32>{1, 1, 1}));
        QCOMPARE(referenceOf(c), ref);
    }

    void referenceLongerOrShorter() {
        CTreviumCtrl c;
        c.setData(ints({0, 0, 0, 0}));
        c.setReferenceData(ints({1, 2, 3, 4, 5, 6}));
        QCOMPARE(referenceOf(c), (std::vector<qint32>{1, 2, 3, 4}));
        QCOMPARE(c.npoints(), qint16(4));
        c.setReferenceData(ints({9, 8}));
        QCOMPARE(referenceOf(c), (std::vector<qint32>{9, 8, 3, 4}));
        c.ClearReference();
        QCOMPARE(referenceOf(c), (std::vector<qint32>{0, 0, 0, 0}));
        // A longer data array keeps the leading reference values.
        c.setReferenceData(ints({5, 6, 7, 8}));
        c.setData(ints({1, 1, 1, 1, 1, 1}));
        QCOMPARE(referenceOf(c), (std::vector<qint32>{5, 6, 7, 8, 0, 0}));
    }

    void dataReadsBackTheAssignedArrayAfterPushAndClear() {
        CTreviumCtrl c;
        const QVariant assigned = ints({1, 2, 3});
        c.setData(assigned);
        c.setRollMode(TreviumCtl::RollLeft);
        c.PushValue(9);
        c.Clear();
        QCOMPARE(c.data(), assigned);
        QCOMPARE(dataOf(c), (std::vector<qint32>{0, 0, 0}));
    }

    void rolling_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<qint32>>("expected");
        QTest::newRow("none") << int(TreviumCtl::RollNone) << QList<qint32>{1, 2, 3};
        QTest::newRow("left") << int(TreviumCtl::RollLeft) << QList<qint32>{2, 3, 9};
        QTest::newRow("right") << int(TreviumCtl::RollRight) << QList<qint32>{9, 1, 2};
    }
    void rolling() {
        QFETCH(int, mode);
        QFETCH(QList<qint32>, expected);
        CTreviumCtrl c;
        c.setData(ints({1, 2, 3}));
        c.setRollMode(TreviumCtl::RollModes(mode));
        c.setModified(false);
        const qint32* buffer = c.model().data();
        c.PushValue(9);
        QCOMPARE(c.model().data(), buffer); // rolled in place
        const auto v = dataOf(c);
        QCOMPARE(QList<qint32>(v.begin(), v.end()), expected);
        QVERIFY(!c.isModified());
    }

    void testSets() {
        CTreviumCtrl c;
        c.TestDataSet(2);
        const auto data = dataOf(c), ref = referenceOf(c);
        QCOMPARE(std::accumulate(data.begin(), data.end(), 0), 2800);
        QCOMPARE(std::accumulate(ref.begin(), ref.end(), 0), 3500);
        QCOMPARE(c.alarmLevel(), 200);
        QVERIFY(!c.isModified());
        // Peaks: channels 60..72 and 180..200 hold the extra counts.
        QVERIFY(std::accumulate(data.begin() + 60, data.begin() + 73, 0) >= 1000);
        QVERIFY(std::accumulate(ref.begin() + 180, ref.begin() + 201, 0) >= 500);

        c.TestDataSet(1);
        QCOMPARE(c.npoints(), qint16(21));
        QCOMPARE(c.lastPoint(), 20);
        QCOMPARE(c.alarmLevel(), 100);
        const auto d1 = dataOf(c), r1 = referenceOf(c);
        for (int i = 0; i < 21; ++i) {
            QCOMPARE(r1[size_t(i)], i + 10);
            QVERIFY(std::abs(d1[size_t(i)] - (i + 10)) <= 1);
        }
        c.TestDataSet(7);
        QCOMPARE(c.npoints(), qint16(21));
    }

    void slideAndWaterfallClear() {
        CTreviumCtrl c;
        c.setData(ints({4, 9, 2}));
        c.setModified(false);
        c.Slide();
        QVERIFY(c.isModified());
        QCOMPARE(c.waterfall()->lines().size(), size_t(1));
        QCOMPARE(c.waterfall()->lines()[0].max, 9);
        c.ClearWaterfall();
        QVERIFY(c.waterfall()->lines().empty());
    }

    void ruleRMarksModifiedButBackColorAndMethodsDoNot() {
        CTreviumCtrl c;
        c.setBackColor(0x123456);
        c.Clear();
        c.TestDataSet(2);
        QVERIFY(!c.isModified());
        c.setShowGrid(false);
        QVERIFY(c.isModified());
        c.setModified(false);
        c.setCursorPos(5000); // no clamping
        QCOMPARE(c.cursorPos(), 5000);
        QVERIFY(c.isModified());
    }
};

QTEST_MAIN(TstCoreModel)
#include "tst_core_model.moc"
