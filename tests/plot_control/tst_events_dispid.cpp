// Events by DISPID: real mouse input on the widget reaches a host's sink as DISPIDs with their
// arguments, in firing order, through the C++ and C entry points and through the script module.
#include "CTreviumCtrl.h"
#include "ScriptModule.h"
#include "TreviumModule.h"

#include <QJSEngine>
#include <QTest>

using namespace trevium;

namespace {

struct Fired {
    qint32 dispid;
    QVariantList args;
    bool operator==(const Fired&) const = default;
};

QString describe(const std::vector<Fired>& events) {
    QStringList out;
    for (const Fired& e : events) {
        QStringList args;
        for (const QVariant& a : e.args)
            args << a.toString();
        out << QStringLiteral("%1(%2)").arg(e.dispid).arg(args.join(u','));
    }
    return out.join(u' ');
}

constexpr qint32 kClick = -600, kDblClick = -601, kMouseDown = -605, kMouseMove = -606, kMouseUp = -607;
constexpr qint32 kGraphCursorMove = 1, kWaterfallCursorMove = 2, kZoomBoxChange = 3;

Fired mouse(qint32 dispid, qint16 button, qint16 shift, QPoint p) {
    return {dispid, {QVariant::fromValue(button), QVariant::fromValue(shift), p.x(), p.y()}};
}

// A shown plot with the cursor, waterfall cross-hair and zoom box enabled, and its geometry.
struct Plot {
    CTreviumCtrl* ctrl;
    QRect plot, waterfall;

    explicit Plot(CTreviumCtrl* c) : ctrl(c) {
        ctrl->resize(420, 320);
        ctrl->setShowCursor(true);
        ctrl->setShowWaterfall(true);
        ctrl->waterfall()->setShowCursor(true);
        ctrl->zoomBox()->setVisible(true);
        ctrl->zoomBox()->setFirstChannel(150);
        ctrl->zoomBox()->setLastChannel(200);
        ctrl->show();
        QVERIFY(QTest::qWaitForWindowExposed(ctrl));
        QTRY_VERIFY(!ctrl->plotRect().isEmpty());
        plot = ctrl->plotRect();
        waterfall = ctrl->waterfallRect();
    }
    // The channel under x, from the plot's geometry (255 channels across the plot width).
    qint32 channel(int x, const QRect& r) const { return qBound(0, (x - r.left()) * 255 / r.width(), 255); }
    QPoint inPlot(int channelX) const {
        return {plot.left() + channelX * plot.width() / 255 + 1, plot.center().y()};
    }
};

} // namespace

class TstEventsDispid : public QObject {
    Q_OBJECT

    std::vector<Fired> fired_;
    quint32 subscribe(CTreviumCtrl* c) {
        fired_.clear();
        return adviseEvents(c, [this](qint32 dispid, const QVariantList& args) {
            fired_.push_back({dispid, args});
        });
    }

private slots:
    void eventTable() {
        CTreviumCtrl c;
        const std::vector<std::pair<qint32, QByteArray>> expected = {
            {-600, "Click()"},
            {-601, "DblClick()"},
            {-605, "MouseDown(qint16,qint16,qint32,qint32)"},
            {-606, "MouseMove(qint16,qint16,qint32,qint32)"},
            {-607, "MouseUp(qint16,qint16,qint32,qint32)"},
            {1, "GraphCursorMove(qint32,qint32,qint32)"},
            {2, "WaterfallCursorMove(qint32,qint32,qint32,qint32)"},
            {3, "ZoomBoxChange(qint32,qint32,qint32,qint32)"},
        };
        QCOMPARE(c.eventTable().size(), expected.size());
        for (const auto& [dispid, signature] : expected) {
            const QByteArray name = signature.left(signature.indexOf('('));
            QCOMPARE(eventDispIdOfName(&c, QString::fromLatin1(name.toLower())), dispid);
            QVERIFY2(c.metaObject()->indexOfSignal(signature) >= 0, signature.constData());
        }
        QCOMPARE(c.eventInterfaceName(), QStringLiteral("_DTreviumEvents"));
        QCOMPARE(eventDispIdOfName(&c, QStringLiteral("Nothing")), DISPID_UNKNOWN);
        QCOMPARE(adviseEvents(c.roi(), [](qint32, const QVariantList&) {}), 0u); // fires no events
    }

    void mouseGestures_data() {
        QTest::addColumn<int>("gesture");
        QTest::newRow("click in the plot") << 0;
        QTest::newRow("shift-click with the right button") << 1;
        QTest::newRow("drag the cursor") << 2;
        QTest::newRow("drag the zoom box") << 3;
        QTest::newRow("press in the waterfall") << 4;
        QTest::newRow("double click") << 5;
    }
    void mouseGestures() {
        QFETCH(int, gesture);
        CTreviumCtrl ctrl;
        Plot p(&ctrl);
        const QPoint a = p.inPlot(40), b = p.inPlot(60);
        const qint16 none = 0, left = 1, right = 2, shift = 1;
        QTest::mouseMove(&ctrl, a); // the pointer arrives first; what follows starts there
        QCoreApplication::processEvents();
        subscribe(&ctrl);
        std::vector<Fired> expected;
        switch (gesture) {
        case 0:
            QTest::mouseClick(&ctrl, Qt::LeftButton, {}, a);
            expected = {{kGraphCursorMove, {a.x(), a.y(), p.channel(a.x(), p.plot)}},
                        mouse(kMouseDown, left, none, a),
                        mouse(kMouseUp, left, none, a),
                        {kClick, {}}};
            break;
        case 1:
            QTest::mouseClick(&ctrl, Qt::RightButton, Qt::ShiftModifier, a);
            expected = {mouse(kMouseDown, right, shift, a), mouse(kMouseUp, right, shift, a), {kClick, {}}};
            break;
        case 2:
            QTest::mousePress(&ctrl, Qt::LeftButton, {}, a);
            QTest::mouseMove(&ctrl, b);
            QTest::mouseRelease(&ctrl, Qt::LeftButton, {}, b);
            expected = {{kGraphCursorMove, {a.x(), a.y(), p.channel(a.x(), p.plot)}},
                        mouse(kMouseDown, left, none, a),
                        {kGraphCursorMove, {b.x(), b.y(), p.channel(b.x(), p.plot)}},
                        mouse(kMouseMove, left, none, b),
                        mouse(kMouseUp, left, none, b),
                        {kClick, {}}};
            break;
        case 3: {
            // Inside the box (150..200): moving it by 20 channels keeps its width.
            const QPoint from = p.inPlot(170), to = p.inPlot(190);
            QTest::mouseMove(&ctrl, from);
            fired_.clear();
            QTest::mousePress(&ctrl, Qt::LeftButton, {}, from);
            QTest::mouseMove(&ctrl, to);
            QTest::mouseRelease(&ctrl, Qt::LeftButton, {}, to);
            const qint32 first = p.channel(to.x(), p.plot) - (p.channel(from.x(), p.plot) - 150);
            expected = {mouse(kMouseDown, left, none, from),
                        {kZoomBoxChange, {to.x(), to.y(), first, first + 50}},
                        mouse(kMouseMove, left, none, to),
                        mouse(kMouseUp, left, none, to),
                        {kClick, {}}};
            break;
        }
        case 4: {
            const QPoint w(p.waterfall.left() + p.waterfall.width() / 2, p.waterfall.top() + 3);
            QTest::mouseMove(&ctrl, w);
            fired_.clear();
            QTest::mouseClick(&ctrl, Qt::LeftButton, {}, w);
            const qint32 row = 100 * (w.y() - p.waterfall.top()) / p.waterfall.height();
            expected = {{kWaterfallCursorMove, {w.x(), w.y(), p.channel(w.x(), p.waterfall), row}},
                        mouse(kMouseDown, left, none, w),
                        mouse(kMouseUp, left, none, w),
                        {kClick, {}}};
            break;
        }
        case 5:
            // A click, then the second press that the window system reports as a double click.
            QTest::mouseClick(&ctrl, Qt::LeftButton, {}, a);
            QTest::mouseDClick(&ctrl, Qt::LeftButton, {}, a);
            QTest::mouseRelease(&ctrl, Qt::LeftButton, {}, a);
            expected = {{kGraphCursorMove, {a.x(), a.y(), p.channel(a.x(), p.plot)}},
                        mouse(kMouseDown, left, none, a),
                        mouse(kMouseUp, left, none, a),
                        {kClick, {}},
                        mouse(kMouseDown, left, none, a),
                        {kDblClick, {}},
                        mouse(kMouseUp, left, none, a)};
            break;
        }
        QCOMPARE(describe(fired_), describe(expected));
        QVERIFY(fired_ == expected); // the argument types as well (short Button and Shift)
    }

    void everyEntryPointSeesTheSameEvents() {
        TreviumObject* handle = TreviumCreateObject("Trevium.TreviumCtrl.1");
        auto* ctrl = qobject_cast<CTreviumCtrl*>(TreviumObjectPointer(handle));
        QVERIFY(ctrl);
        Plot p(ctrl);
        QTest::mouseMove(ctrl, p.inPlot(40));
        QCoreApplication::processEvents();

        subscribe(ctrl);
        std::vector<Fired> fromC;
        auto cSink = [](void* context, int dispid, const QVariant* args, int count) {
            static_cast<std::vector<Fired>*>(context)->push_back({dispid, QVariantList(args, args + count)});
        };
        const unsigned cookie = TreviumAdviseEvents(handle, cSink, &fromC);
        QVERIFY(cookie != 0);
        QJSEngine engine;
        installScriptModule(engine);
        engine.globalObject().setProperty(QStringLiteral("plot"), engine.newQObject(ctrl));
        engine.evaluate(QStringLiteral("var seen = []; var cookie = Trevium.Advise(plot, function (id, args) "
                                       "{ seen.push([id].concat(args)); });"));

        QTest::mousePress(ctrl, Qt::LeftButton, {}, p.inPlot(40));
        QTest::mouseMove(ctrl, p.inPlot(80));
        QTest::mouseRelease(ctrl, Qt::LeftButton, {}, p.inPlot(80));
        QCOMPARE(fired_.size(), size_t(6));
        QVERIFY(fromC == fired_);
        QVariantList fromScript;
        for (const Fired& f : fired_)
            fromScript << QVariant(QVariantList{f.dispid} + f.args);
        QCOMPARE(engine.evaluate(QStringLiteral("seen")).toVariant().toList().size(), fromScript.size());
        QCOMPARE(engine.evaluate(QStringLiteral("JSON.stringify(seen)")).toString(),
                 engine.evaluate(QStringLiteral("JSON.stringify"))
                     .call({engine.toScriptValue(fromScript)})
                     .toString());

        // Unsubscribed sinks hear nothing more.
        QCOMPARE(TreviumUnadviseEvents(handle, cookie), 0);
        QCOMPARE(TreviumUnadviseEvents(handle, cookie), 1);
        QVERIFY(engine.evaluate(QStringLiteral("Trevium.Unadvise(plot, cookie)")).toBool());
        const size_t cCount = fromC.size();
        QTest::mouseClick(ctrl, Qt::RightButton, {}, p.inPlot(80));
        QCOMPARE(fromC.size(), cCount);
        QCOMPARE(engine.evaluate(QStringLiteral("seen.length")).toInt(), 6);
        QCOMPARE(fired_.size(), size_t(9));
        TreviumReleaseObject(handle);
    }

    void aSinkMayUnsubscribeItself() {
        CTreviumCtrl ctrl;
        Plot p(&ctrl);
        std::vector<qint32> seen;
        quint32 cookie = 0;
        cookie = adviseEvents(&ctrl, [&](qint32 dispid, const QVariantList&) {
            seen.push_back(dispid);
            QVERIFY(unadviseEvents(&ctrl, cookie));
        });
        QTest::mouseClick(&ctrl, Qt::LeftButton, {}, p.inPlot(30));
        QCOMPARE(seen, (std::vector<qint32>{kGraphCursorMove}));
        QVERIFY(!unadviseEvents(&ctrl, cookie));
    }
};

QTEST_MAIN(TstEventsDispid)
#include "tst_events_dispid.moc"
