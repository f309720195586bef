// A script host (QJSEngine) does what a host binding by DISPID does: iterates the ROIs both ways,
// creates objects, and keeps the objects it holds alive after Remove and after the control is gone.
#include "CTreviumCtrl.h"
#include "ScriptModule.h"

#include <QJSEngine>
#include <QTest>

using namespace trevium;

namespace {

// A script engine with the module and one plot, as a script host sets it up.
struct Script {
    QJSEngine engine;

    explicit Script(CTreviumCtrl* plot) {
        installScriptModule(engine);
        engine.globalObject().setProperty(QStringLiteral("plot"), engine.newQObject(plot));
        run(QStringLiteral(R"(
            function viaEnum(rois) {
                var out = [], e = rois._NewEnum;
                for (var got = e.Next(1); got.length === 1; got = e.Next(1))
                    out.push(got[0].Label);
                return out.join(",");
            }
            function viaIndex(rois) {
                var out = [];
                for (var i = 1; i <= rois.Count; i++)
                    out.push(rois.Item(i).Label);
                return out.join(",");
            })"));
    }
    QJSValue run(const QString& code) {
        const QJSValue v = engine.evaluate(code);
        if (v.isError())
            qWarning("script error: %s", qPrintable(v.toString()));
        return v;
    }
    // Lets the garbage collector take what the script no longer reaches, and the deletions happen.
    void settle() {
        QCoreApplication::processEvents();
        engine.collectGarbage();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// Items held by the collection only, as a host leaves them after adding.
void addItems(CTreviumCtrl& plot, const QStringList& labels) {
    for (const QString& label : labels) {
        auto item = std::make_shared<RoiInfo>();
        item->setLabel(label);
        plot.roiCollection()->add(item);
    }
}

} // namespace

class TstScriptHost : public QObject {
    Q_OBJECT

private slots:
    void forEachAndCountItemAgree_data() {
        QTest::addColumn<QString>("removals"); // script statements run before iterating
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QString() << "a,b,c,d";
        QTest::newRow("first") << "plot.ROI.Remove(1)"
                               << "b,c,d";
        QTest::newRow("last") << "plot.ROI.Remove(4)"
                              << "a,b,c";
        QTest::newRow("two from the middle") << "plot.ROI.Remove(2); plot.ROI.Remove(2)"
                                             << "a,d";
        QTest::newRow("all") << "plot.ROI.Clear()" << QString();
        QTest::newRow("re-added") << "var x = plot.ROI.Item(1); plot.ROI.Remove(1); plot.ROI.Add(x)"
                                  << "b,c,d,a";
    }
    void forEachAndCountItemAgree() {
        QFETCH(QString, removals);
        QFETCH(QString, expected);
        CTreviumCtrl plot;
        addItems(plot, {"a", "b", "c", "d"});
        Script script(&plot);
        script.run(removals);
        script.settle();
        QCOMPARE(script.run(QStringLiteral("viaEnum(plot.ROI)")).toString(), expected);
        QCOMPARE(script.run(QStringLiteral("viaIndex(plot.ROI)")).toString(), expected);
    }

    void enumeratorMembers() {
        CTreviumCtrl plot;
        addItems(plot, {"a", "b", "c"});
        Script script(&plot);
        const QJSValue r = script.run(QStringLiteral(R"(
            var e = plot.ROI._NewEnum;
            plot.ROI.Clear();                       // the enumerator has its own copy
            var first = e.Next(2), clone = e.Clone(), rest = e.Next(5), none = e.Next(1);
            var fromClone = clone.Next(1);
            e.Reset();
            var skipped = e.Skip(2), pastEnd = e.Skip(2), afterSkip = e.Next(1).length;
            [first.length, first[0].Label + first[1].Label, rest.length, rest[0].Label, none.length,
             fromClone[0].Label, skipped, pastEnd, afterSkip, plot.ROI.Count]
        )"));
        QCOMPARE(r.toVariant().toList(), (QVariantList{2, "ab", 1, "c", 0, "c", true, false, 0, 0}));
    }

    void failuresAreScriptExceptions_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("error"); // name: message
        QTest::newRow("index 0") << "plot.ROI.Item(0)"
                                 << "RangeError: Subscript out of range (IROIcollection)";
        QTest::newRow("index past the end") << "plot.ROI.Remove(2)"
                                            << "RangeError: Subscript out of range (IROIcollection)";
        QTest::newRow("index not an integer") << "plot.ROI.item(1.5)"
                                              << "TypeError: Automation error 0x80070057";
        QTest::newRow("adding what is no item") << "plot.ROI.Add(plot.Calibration)"
                                                << "TypeError: Automation error 0x80070057";
        QTest::newRow("negative count") << "plot.ROI._NewEnum.Next(-1)"
                                        << "TypeError: Automation error 0x80070057";
    }
    void failuresAreScriptExceptions() {
        QFETCH(QString, statement);
        QFETCH(QString, error);
        CTreviumCtrl plot;
        addItems(plot, {"a"});
        Script script(&plot);
        const QString code = QStringLiteral("try { %1; 'no error' } catch (e) { e.name + ': ' + e.message }");
        QCOMPARE(script.run(code.arg(statement)).toString(), error);
        QCOMPARE(plot.roiCollection()->count(), 1);
    }

    void removedItemStaysUsable() {
        CTreviumCtrl plot;
        addItems(plot, {"a", "b"});
        std::weak_ptr<RoiInfo> watched = plot.roiCollection()->items()[0];
        Script script(&plot);
        // The script sees one object however often it asks.
        QVERIFY(script.run(QStringLiteral("plot.ROI.Item(1) === plot.ROI.item(1) && plot.ROI === plot.ROI"))
                    .toBool());
        script.run(QStringLiteral("var kept = plot.ROI.Item(1); plot.ROI.Remove(1);"));
        script.settle();
        QVERIFY(!watched.expired()); // the script's reference holds it
        const QJSValue r = script.run(QStringLiteral(R"(
            kept.FirstChannel = 7;
            plot.ROI.Add(kept);
            [kept.Label, kept.FirstChannel, plot.ROI.Count, plot.ROI.Item(2) === kept]
        )"));
        QCOMPARE(r.toVariant().toList(), (QVariantList{"a", 7, 2, true}));
        QCOMPARE(plot.roiCollection()->items()[1], watched.lock());
        // Once neither the collection nor the script holds it, it goes.
        script.run(QStringLiteral("plot.ROI.Remove(2); kept = null;"));
        script.settle();
        QVERIFY(watched.expired());
    }

    void objectsOutliveTheirControl() {
        const qint32 before = liveObjectCount();
        auto plot = std::make_unique<CTreviumCtrl>();
        addItems(*plot, {"peak"});
        Script script(plot.get());
        script.run(QStringLiteral(R"(
            var rois = plot.ROI, item = rois.Item(1), cal = plot.Calibration, wf = plot.Waterfall,
                zoom = plot.ZoomBox, e = rois._NewEnum;
        )"));
        plot.reset();
        script.settle();
        const QJSValue r = script.run(QStringLiteral(R"(
            zoom.FirstChannel = 5; zoom.Visible = true;
            wf.MaxSize = 3; wf.HeightRatio = 150;
            cal.Slope = 2; cal.Offset = 10;
            rois.Add(Trevium.CreateObject("Trevium.ROIinfo.1"));
            [zoom.FirstChannel, zoom.Visible, wf.MaxSize, wf.HeightRatio, cal.value(5), rois.Count,
             item.Label, rois.Item(1).Label, e.Next(3).length]
        )"));
        QCOMPARE(r.toVariant().toList(), (QVariantList{5, true, 3, 100, 20.0, 2, "peak", "peak", 1}));
        // The back-references read as gone.
        QVERIFY(!qobject_cast<ZoomBox*>(script.run(QStringLiteral("zoom")).toQObject())->control());
        QVERIFY(!qobject_cast<Waterfall*>(script.run(QStringLiteral("wf")).toQObject())->control());
        // Dropping the script's references releases every object.
        script.run(QStringLiteral("rois = item = cal = wf = zoom = e = null;"));
        script.settle();
        QCOMPARE(liveObjectCount(), before);
    }

    void createdObjectsBelongToTheScript() {
        const qint32 before = liveObjectCount();
        {
            CTreviumCtrl plot;
            Script script(&plot);
            const QJSValue r = script.run(QStringLiteral(R"(
                var made = Trevium.CreateObject("Trevium.ROIinfo.1");
                made.Label = "made";
                plot.ROI.Add(made);
                var failed;
                try { Trevium.CreateObject("Trevium.Nothing.1"); } catch (err) { failed = err.message; }
                [plot.ROI.Item(1).Label, failed]
            )"));
            QCOMPARE(r.property(0).toString(), QStringLiteral("made"));
            QCOMPARE(plot.roiCollection()->items()[0]->label(), QStringLiteral("made")); // the object itself
            QVERIFY(r.property(1).toString().contains(QStringLiteral("Trevium.Nothing.1")));
            QCOMPARE(liveObjectCount(), before + 6); // control, its four objects, the item
        }
        QCOMPARE(liveObjectCount(), before);
    }
};

QTEST_MAIN(TstScriptHost)
#include "tst_script_host.moc"
