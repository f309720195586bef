// Reset values, construction values, and the property bag: round trips and bags that are wrong.
#include "CTreviumCtrl.h"
#include "PropertyBag.h"

#include <QTemporaryDir>
#include <QTest>

using namespace trevium;

class TstCorePersistence : public QObject {
    Q_OBJECT

private slots:
    void newControlHasTheResetValues() {
        CTreviumCtrl c;
        QCOMPARE(c.persistedProperties().labelColor, 0x00C8FFFFu);
        QCOMPARE(c.showROIs(), true);
        QCOMPARE(c.alarmLevel(), 0);
        QCOMPARE(c.backColor(), 0u);
        QCOMPARE(c.graphColor(), 0x0000FF00u);
        QCOMPARE(c.gridColor(), 0x00808080u);
        QCOMPARE(c.axisColor(), 0x00C0C0C0u);
        QCOMPARE(c.alarmColor(), 0x000000FFu);
        QCOMPARE(c.referenceColor(), 0x00808080u);
        QCOMPARE(c.cursorColor(), 0x00C0C0C0u);
        QVERIFY(c.showGrid() && c.showAxes() && c.showFrame() && c.showTicks() && c.fastDraw());
        QVERIFY(!c.showAlarm() && !c.showLabels() && !c.showWaterfall() && !c.showCursor());
        QVERIFY(!c.plotFilled() && !c.gridOnTop() && !c.compareMode());
        QCOMPARE(c.appearance(), TreviumCtl::vb3D);
        QCOMPARE(c.ymode(), TreviumCtl::LinScale);
        QCOMPARE(c.graphStyle(), TreviumCtl::PlotLines);
        QCOMPARE(c.rollMode(), TreviumCtl::RollNone);
        QCOMPARE(c.cursorType(), TreviumCtl::CursorLine);
        QCOMPARE(c.npoints(), qint16(256));
        QCOMPARE(c.firstPoint(), 0);
        QCOMPARE(c.lastPoint(), 255);
        QCOMPARE(c.cursorPos(), 0);
        QCOMPARE(c.xmin(), qint16(0));
        QCOMPARE(c.xmax(), qint16(0));
        QCOMPARE(c.ymin(), 0.0f);
        QCOMPARE(c.ymax(), 0.0f);
        QCOMPARE(c.yscale(), 0);
        QVERIFY(!c.data().isValid());
        QVERIFY(c.xLabel().isEmpty());
        QVERIFY(!c.isModified());
        QVERIFY(c.model().data()); // the test spectrum
    }

    void bareConstructionValuesDifferUntilReset() {
        CTreviumCtrl c(nullptr, CTreviumCtrl::Init::Bare);
        QCOMPARE(c.labelColor(), 0x00FFFFFFu);
        QCOMPARE(c.showROIs(), false);
        QCOMPARE(c.alarmLevel(), 200); // 100, then the test set's 200
        c.setShowGrid(false);
        c.resetState();
        QCOMPARE(c.persistedProperties().labelColor, 0x00C8FFFFu);
        QVERIFY(c.showROIs() && c.showGrid());
        QCOMPARE(c.alarmLevel(), 0);
        QVERIFY(!c.isModified());
    }

    void roundTripKeepsEveryPersistedValue() {
        CTreviumCtrl a;
        a.setShowGrid(false);
        a.setShowROIs(true);
        a.setXmin(-3);
        a.setXmax(1234);
        a.setYmin(-0.125f);
        a.setYmax(3.4e38f);
        a.setYscale(-70);
        a.setXLabel(QStringLiteral("Energy \"E\" [keV]\\\nline 2"));
        a.setYLabel(QStringLiteral("Zählrate ☢"));
        a.setBackColor(0x80000005u); // a system colour index
        a.setCursorType(TreviumCtl::CursorShort);
        a.setAlarmLevel(-5);
        a.setBorderStyle(1);
        a.setFontStock(QFont(QStringLiteral("Liberation Sans"), 11));
        a.setNpoints(100); // not persisted
        const QString bag = a.savePropertyBag();
        QVERIFY(bag.startsWith(QStringLiteral("[Trevium 1.0]\n")));
        QVERIFY(bag.contains(QStringLiteral("XMin=-3\n")));
        QVERIFY(bag.contains(QStringLiteral("BackColor=0x80000005\n")));
        QVERIFY(bag.indexOf(QStringLiteral("Appearance=")) < bag.indexOf(QStringLiteral("BackColor=")));

        CTreviumCtrl b;
        QVERIFY(b.loadPropertyBag(bag).isEmpty());
        QCOMPARE(b.showGrid(), false);
        QCOMPARE(b.showROIs(), true);
        QCOMPARE(b.xmin(), qint16(-3));
        QCOMPARE(b.xmax(), qint16(1234));
        QCOMPARE(b.ymin(), -0.125f);
        QCOMPARE(b.ymax(), 3.4e38f);
        QCOMPARE(b.persistedProperties().xLabel, a.xLabel());
        QCOMPARE(b.yLabel(), a.yLabel());
        QCOMPARE(b.font().pointSize(), 11);
        QCOMPARE(b.npoints(), qint16(256));
        PersistedProperties pa = a.persistedProperties(), pb = b.persistedProperties();
        pa.extentX = pb.extentX, pa.extentY = pb.extentY;
        QCOMPARE(pb, pa);

        // ShowGrid and ShowROIs the other way round.
        a.setShowGrid(true);
        a.setShowROIs(false);
        b.loadPropertyBag(a.savePropertyBag());
        QVERIFY(b.showGrid() && !b.showROIs());
    }

    void files() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plot.bag"));
        CTreviumCtrl a;
        a.setXLabel(QStringLiteral("channel"));
        QVERIFY(a.savePropertyBagFile(path));
        CTreviumCtrl b;
        QStringList warnings;
        QVERIFY(b.loadPropertyBagFile(path, &warnings));
        QVERIFY(warnings.isEmpty());
        QCOMPARE(b.xLabel(), QStringLiteral("channel"));
        QString error;
        QVERIFY(!b.loadPropertyBagFile(dir.filePath(QStringLiteral("missing.bag")), nullptr, &error));
        QVERIFY(error.contains(QStringLiteral("missing.bag")));
        QVERIFY(!a.savePropertyBagFile(dir.filePath(QStringLiteral("no/such/dir.bag")), &error));
        QCOMPARE(b.xLabel(), QStringLiteral("channel")); // a failed load changes nothing
    }

    void wrongBagsLoadWhatTheyCan_data() {
        QTest::addColumn<QString>("bag");
        QTest::addColumn<bool>("showGrid");      // expected
        QTest::addColumn<quint32>("graphColor"); // expected
        QTest::addColumn<int>("warnings");
        const quint32 green = 0x0000FF00;
        QTest::newRow("empty") << QString() << true << green << 0;
        QTest::newRow("missing values") << "[Trevium 1.0]\nShowGrid=false\n" << false << green << 0;
        QTest::newRow("no header") << "ShowGrid=0\nGraphColor=255" << false << 255u << 1;
        QTest::newRow("unknown and mistyped")
            << "[Trevium 1.0]\nColour=5\nShowGrid=maybe\nGraphColor=green\nXMin=99999\n"
            << true << green << 4;
        QTest::newRow("out of range") << "[Trevium 1.0]\nCursorType=7\nGraphColor=0x12000000\nYMin=1e300\n"
                                      << true << green << 3;
        QTest::newRow("other version") << "[Trevium 2.0]\nShowGrid=false\n" << true << green << 1;
        QTest::newRow("unreadable minor version") << "[Trevium 1.x]\nShowGrid=false\n" << true << green << 1;
        QTest::newRow("truncated") << "[Trevium 1.0]\nShowGrid=false\nXLabel=\"unfinished" << false << green
                                   << 1;
        QTest::newRow("binary") << QString::fromLatin1(QByteArray("\x00\xff\x7f=\x01\n[\n=\n\x80", 11))
                                << true << green << 5;
        QTest::newRow("duplicates") << "[Trevium 1.0]\nShowGrid=false\nshowgrid=true\n" << true << green << 1;
    }
    void wrongBagsLoadWhatTheyCan() {
        QFETCH(QString, bag);
        QFETCH(bool, showGrid);
        QFETCH(quint32, graphColor);
        QFETCH(int, warnings);
        CTreviumCtrl c;
        c.setShowGrid(!showGrid);
        c.setGraphColor(0x123456);
        c.setXLabel(QStringLiteral("before"));
        const QStringList problems = c.loadPropertyBag(bag);
        QCOMPARE(problems.size(), warnings);
        QCOMPARE(c.showGrid(), showGrid);
        QCOMPARE(c.graphColor(), graphColor);
        if (!bag.contains(QStringLiteral("XLabel")))
            QVERIFY(c.xLabel().isEmpty()); // what the bag lacks is reset, not kept
    }

    void everyBooleanSpellingIsRead_data() {
        QTest::addColumn<QString>("spelling");
        QTest::addColumn<bool>("value");
        for (const char* yes : {"true", "TRUE", "Yes", "on", "1", "-1"})
            QTest::newRow(yes) << QString::fromLatin1(yes) << true;
        for (const char* no : {"false", "False", "NO", "off", "0"})
            QTest::newRow(no) << QString::fromLatin1(no) << false;
    }
    void everyBooleanSpellingIsRead() {
        QFETCH(QString, spelling);
        QFETCH(bool, value);
        CTreviumCtrl c; // ShowAlarm is off by default: only a spelling read as true turns it on
        QCOMPARE(c.loadPropertyBag(QStringLiteral("[Trevium 1.0]\nShowAlarm=%1\n").arg(spelling)),
                 QStringList());
        QCOMPARE(c.showAlarm(), value);
    }

    void truncatedStringKeepsWhatWasRead() {
        const PropertyBagLoad load = parsePropertyBag(u"[Trevium 1.0]\nXLabel=\"half \\\"way");
        QCOMPARE(load.properties.xLabel, QStringLiteral("half \"way"));
        QVERIFY(load.versionAccepted);
    }

    // Other programs write \u escapes in either case: every hex digit counts.
    void unicodeEscapesTakeEveryHexDigit() {
        const PropertyBagLoad load =
            parsePropertyBag(u"[Trevium 1.0]\nXLabel=\"\\u0123\\u4567\\u89ab\\uCDEF\"");
        QCOMPARE(load.properties.xLabel, QStringLiteral(u"\u0123\u4567\u89AB\uCDEF"));
        QVERIFY(load.warnings.isEmpty());
    }

    void warningsAreBounded() {
        QString garbage;
        for (int i = 0; i < 1000; ++i)
            garbage += QStringLiteral("junk%1\n").arg(i);
        QCOMPARE(parsePropertyBag(garbage).warnings.size(), 51);
    }

    void namesInExchangeOrder() {
        const QStringList names = persistedPropertyNames();
        QCOMPARE(names.mid(0, 4), (QStringList{"Enabled", "Font", "BorderStyle", "Appearance"}));
        const QStringList own = {"BackColor",      "GraphColor",  "GridColor",     "AxisColor",  "LabelColor",
                                 "ReferenceColor", "AlarmColor",  "CursorColor",   "XMin",       "XMax",
                                 "YMin",           "YMax",        "YScale",        "AlarmLevel", "CursorType",
                                 "ShowGrid",       "ShowAxes",    "ShowFrame",     "ShowTicks",  "ShowAlarm",
                                 "ShowLabels",     "ShowROIs",    "ShowWaterfall", "ShowCursor", "PlotFilled",
                                 "GridOnTop",      "CompareMode", "FastDraw",      "XLabel",     "YLabel"};
        QCOMPARE(names.mid(names.size() - own.size()), own);
    }
};

QTEST_MAIN(TstCorePersistence)
#include "tst_core_persistence.moc"
