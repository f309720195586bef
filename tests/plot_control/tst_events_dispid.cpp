// Events by DISPID: real mouse input on the widget reaches a host's sink as DISPIDs with their
// arguments, in firing order, through the C++ and C entry points and through the script module.
#include "CTreviumCtrl.h"
#include "ScriptModule.h"
#include "TreviumModule.h"

#include <QJSEngine>
#include <QTest>

using namespace trevium;

namespace {

// "dispid(arg,arg,...)" per event, space-separated; Button and Shift must arrive as 16-bit values.
struct Recorder {
    QStringList events;
    void operator()(qint32 dispid, const QVariantList& args) {
        QStringList text;
        for (const QVariant& a : args)
            text << a.toString();
        if (dispid <= -605 && dispid >= -607 && args.value(0).metaType().id() != QMetaType::Short)
            text << QStringLiteral("not short");
        events << QStringLiteral("%1(%2)").arg(dispid).arg(text.join(u','));
    }
    QString take() { return std::exchange(events, {}).join(u' '); }
};

// A shown 256-channel plot with the cursor, the waterfall cross-hair and a zoom box on 150..200.
void prepare(CTreviumCtrl& c) {
    c.resize(420, 320);
    c.setShowCursor(true);
    c.setShowWaterfall(true);
    c.waterfall()->setShowCursor(true);
    c.zoomBox()->setVisible(true);
    c.zoomBox()->setFirstChannel(150);
    c.zoomBox()->setLastChannel(200);
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    QTRY_VERIFY(!c.plotRect().isEmpty());
}

} // namespace

class TstEventsDispid : public QObject {
    Q_OBJECT

private slots:
    void eventTable() {
        CTreviumCtrl c;
        const QStringList signatures = {"-600 Click()",
                                        "-601 DblClick()",
                                        "-605 MouseDown(qint16,qint16,qint32,qint32)",
                                        "-606 MouseMove(qint16,qint16,qint32,qint32)",
                                        "-607 MouseUp(qint16,qint16,qint32,qint32)",
                                        "1 GraphCursorMove(qint32,qint32,qint32)",
                                        "2 WaterfallCursorMove(qint32,qint32,qint32,qint32)",
                                        "3 ZoomBoxChange(qint32,qint32,qint32,qint32)"};
        QCOMPARE(qsizetype(c.eventTable().size()), signatures.size());
        for (const QString& s : signatures) {
            const QString signature = s.section(u' ', 1);
            QCOMPARE(eventDispIdOfName(&c, signature.section(u'(', 0, 0).toLower()),
                     s.section(u' ', 0, 0).toInt());
            QVERIFY2(c.metaObject()->indexOfSignal(signature.toLatin1()) >= 0, qPrintable(signature));
        }
        QCOMPARE(c.eventInterfaceName(), QStringLiteral("_DTreviumEvents"));
        QCOMPARE(eventDispIdOfName(&c, QStringLiteral("Nothing")), DISPID_UNKNOWN);
        QCOMPARE(adviseEvents(c.roi(), Recorder()), 0u); // fires no events
    }

    // Steps: "press P", "move P", "release P", "click P", "rclick P" (right button with Shift), "dclick P"
    // (a click, then the second press reported as a double click, then its release). Points: a, b at
    // channels 40 and 60, z and y at 170 and 190 (inside the zoom box), w in the waterfall. In the
    // expected events, A stands for "x,y" of a, cA for its channel, rW for w's waterfall row.
    void mouseGestures_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("click") << "click a"
                               << "1(A,cA) -605(1,0,A) -607(1,0,A) -600()";
        QTest::newRow("right click with Shift") << "rclick a"
                                                << "-605(2,1,A) -607(2,1,A) -600()";
        QTest::newRow("drag the cursor") << "press a; move b; release b"
                                         << "1(A,cA) -605(1,0,A) 1(B,cB) -606(1,0,B) -607(1,0,B) -600()";
        QTest::newRow("move the zoom box") << "press z; move y; release y"
                                           << "-605(1,0,Z) 3(Y,zoomed) -606(1,0,Y) -607(1,0,Y) -600()";
        QTest::newRow("waterfall cross-hair") << "click w"
                                              << "2(W,cW,rW) -605(1,0,W) -607(1,0,W) -600()";
        QTest::newRow("double click")
            << "dclick a"
            << "1(A,cA) -605(1,0,A) -607(1,0,A) -600() -605(1,0,A) -601() -607(1,0,A)";
    }
    void mouseGestures() {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        CTreviumCtrl c;
        prepare(c);
        const QRect plot = c.plotRect(), wf = c.waterfallRect();
        auto at = [&](int channel) {
            return QPoint(plot.left() + channel * plot.width() / 255 + 1, plot.center().y());
        };
        const QMap<QString, QPoint> points = {{"a", at(40)},
                                              {"b", at(60)},
                                              {"z", at(170)},
                                              {"y", at(190)},
                                              {"w", QPoint(wf.center().x(), wf.top() + 3)}};
        auto channel = [](QPoint p, const QRect& r) {
            return qBound(0, (p.x() - r.left()) * 255 / r.width(), 255);
        };
        expected.replace(QStringLiteral("rW"),
                         QString::number(100 * (points["w"].y() - wf.top()) / wf.height()));
        for (auto [name, p] : points.asKeyValueRange()) {
            const QString upper = name.toUpper();
            expected.replace(u'c' + upper, QString::number(channel(p, name == u"w" ? wf : plot)));
            expected.replace(upper, QStringLiteral("%1,%2").arg(p.x()).arg(p.y()));
        }
        const int moved = channel(at(190), plot) - (channel(at(170), plot) - 150); // keeps the grab offset
        expected.replace(QStringLiteral("zoomed"), QStringLiteral("%1,%2").arg(moved).arg(moved + 50));

        Recorder recorder;
        QTest::mouseMove(&c,
                         points[steps.section(u' ', 1, 1).section(u';', 0, 0)]); // the pointer comes first
        QVERIFY(adviseEvents(&c, std::ref(recorder)) != 0);
        for (const QString& step : steps.split(QStringLiteral("; "))) {
            const QString verb = step.section(u' ', 0, 0);
            const QPoint p = points[step.section(u' ', 1)];
            if (verb == u"press")
                QTest::mousePress(&c, Qt::LeftButton, {}, p);
            else if (verb == u"move")
                QTest::mouseMove(&c, p);
            else if (verb == u"release")
                QTest::mouseRelease(&c, Qt::LeftButton, {}, p);
            else if (verb == u"rclick")
                QTest::mouseClick(&c, Qt::RightButton, Qt::ShiftModifier, p);
            else
                QTest::mouseClick(&c, Qt::LeftButton, {}, p);
            if (verb == u"dclick") {
                QTest::mouseDClick(&c, Qt::LeftButton, {}, p);
                QTest::mouseRelease(&c, Qt::LeftButton, {}, p);
            }
        }
        QCOMPARE(recorder.take(), expected);
    }

    void everyEntryPointSeesTheSameEvents() {
        TreviumObject* handle = TreviumCreateObject("Trevium.TreviumCtrl.1");
        auto* c = qobject_cast<CTreviumCtrl*>(TreviumObjectPointer(handle));
        QVERIFY(c);
        prepare(*c);
        const QPoint a = c->plotRect().center(), b = a + QPoint(30, 0);
        QTest::mouseMove(c, a);
        Recorder cpp, fromC;
        adviseEvents(c, std::ref(cpp));
        auto sink = [](void* context, int dispid, const QVariant* args, int count) {
            (*static_cast<Recorder*>(context))(dispid, QVariantList(args, args + count));
        };
        const unsigned cookie = TreviumAdviseEvents(handle, sink, &fromC);
        QJSEngine engine;
        installScriptModule(engine);
        engine.globalObject().setProperty(QStringLiteral("plot"), engine.newQObject(c));
        engine.evaluate(QStringLiteral("var seen = [], cookie = Trevium.Advise(plot, function (id, args) {"
                                       "    seen.push(id + '(' + args.join() + ')'); });"));
        QTest::mousePress(c, Qt::LeftButton, {}, a);
        QTest::mouseMove(c, b);
        QTest::mouseRelease(c, Qt::LeftButton, {}, b);
        const QString events = cpp.take();
        QCOMPARE(events.count(u' '), 5); // six events
        QCOMPARE(fromC.take(), events);
        QCOMPARE(engine.evaluate(QStringLiteral("seen.join(' ')")).toString(), events);

        // Unsubscribed sinks hear nothing more; the one left still does.
        QCOMPARE(TreviumUnadviseEvents(handle, cookie), 0);
        QCOMPARE(TreviumUnadviseEvents(handle, cookie), 1);
        QVERIFY(engine.evaluate(QStringLiteral("Trevium.Unadvise(plot, cookie)")).toBool());
        QTest::mouseClick(c, Qt::RightButton, {}, b);
        QVERIFY(fromC.events.isEmpty());
        QCOMPARE(engine.evaluate(QStringLiteral("seen.length")).toInt(), 6);
        QCOMPARE(cpp.events.size(), 3);
        TreviumReleaseObject(handle);
    }

    void aSinkMayUnsubscribeItself() {
        CTreviumCtrl c;
        prepare(c);
        QStringList seen;
        quint32 cookie = 0;
        cookie = adviseEvents(&c, [&](qint32 dispid, const QVariantList&) {
            seen << QString::number(dispid);
            QVERIFY(unadviseEvents(&c, cookie));
        });
        QTest::mouseClick(&c, Qt::LeftButton, {}, c.plotRect().center());
        QCOMPARE(seen, QStringList{"1"}); // GraphCursorMove, then nothing
        QVERIFY(!unadviseEvents(&c, cookie));
    }
};

QTEST_MAIN(TstEventsDispid)
#include "tst_events_dispid.moc"
