// ROI item, collection and enumerator; calibration, waterfall and zoom box; lifetimes and the module.
#include "CTreviumCtrl.h"
#include "Dispatch.h"
#include "TreviumModule.h"

#include <QTest>

using namespace trevium;

class TstCoreObjects : public QObject {
    Q_OBJECT

    static std::shared_ptr<RoiInfo> roi(const QString& label) {
        auto r = std::make_shared<RoiInfo>();
        r->setLabel(label);
        return r;
    }

private slots:
    void newItemDefaults() {
        RoiInfo r;
        QVERIFY(!r.visible());
        QCOMPARE(r.firstChannel(), 0);
        QCOMPARE(r.lastChannel(), 1);
        QCOMPARE(r.color(), 0u);
        QVERIFY(r.label().isNull());
    }

    void removeShiftsLaterItemsDown() {
        RoiCollection c;
        const auto a = roi("a"), b = roi("b"), d = roi("d");
        QCOMPARE(c.add(a), S_OK);
        c.add(b);
        c.add(d);
        QCOMPARE(c.removeAt(1).code, S_OK);
        QCOMPARE(c.count(), 2);
        QCOMPARE(c.itemAt(1), b);
        QCOMPARE(c.itemAt(qint16(2)), d); // 16-bit indices too
    }

    void duplicatesAreListedTwice() {
        RoiCollection c;
        const auto a = roi("a");
        c.add(a);
        c.add(a);
        QCOMPARE(c.count(), 2);
        QCOMPARE(a.use_count(), 3);
        c.removeAt(2);
        QCOMPARE(c.itemAt(1), a);
        c.clear();
        QCOMPARE(c.count(), 0);
        QCOMPARE(a.use_count(), 1);
    }

    void indexErrors() {
        RoiCollection c;
        c.add(roi("a"));
        for (const QVariant& index : {QVariant(0), QVariant(2), QVariant(-1)}) {
            AutomationError e;
            QVERIFY(!c.itemAt(index, &e));
            QCOMPARE(e.description, QStringLiteral("Subscript out of range"));
            QCOMPARE(e.source, QStringLiteral("IROIcollection"));
            QCOMPARE(c.removeAt(index).description, QStringLiteral("Subscript out of range"));
        }
        for (const QVariant& index : {QVariant(1.0), QVariant(QStringLiteral("1")), QVariant()}) {
            AutomationError e;
            QVERIFY(!c.itemAt(index, &e));
            QCOMPARE(e.code, E_INVALIDARG);
            QVERIFY(e.description.isEmpty());
        }
        QCOMPARE(c.count(), 1);
    }

    void addRefusesWhatIsNotAnItem() {
        RoiCollection c;
        auto calibration = std::make_shared<Calibration>();
        QCOMPARE(c.add(calibration.get()), E_INVALIDARG);
        QCOMPARE(c.add(static_cast<QObject*>(nullptr)), E_INVALIDARG);
        RoiInfo unshared; // not owned by a shared_ptr: the collection could not keep it alive
        QCOMPARE(c.add(&unshared), E_INVALIDARG);
        QCOMPARE(c.count(), 0);
    }

    void enumerator() {
        RoiCollection c;
        const auto a = roi("a"), b = roi("b"), d = roi("d");
        c.add(a);
        c.add(b);
        c.add(d);
        auto e = c.newEnum();
        c.clear(); // the enumerator keeps its own copy of the list
        RoiList got;
        QCOMPARE(e->next(2, got), S_OK);
        QCOMPARE(got, (RoiList{a, b}));
        auto clone = e->clone();
        QCOMPARE(e->next(2, got), S_FALSE);
        QCOMPARE(got, (RoiList{d}));
        QCOMPARE(e->next(1, got), S_FALSE);
        QVERIFY(got.empty());
        QCOMPARE(clone->next(1, got), S_OK);
        QCOMPARE(got, (RoiList{d}));
        QCOMPARE(e->reset(), S_OK);
        QCOMPARE(e->skip(2), S_OK);
        QCOMPARE(e->skip(2), S_FALSE);
        QCOMPARE(e->position(), 3);
        QCOMPARE(e->skip(-1), E_INVALIDARG);
        QCOMPARE(e->next(-1, got), E_INVALIDARG);
    }

    // Next and Skip at exactly the end of the collection and one past it.
    void enumeratorAtTheEnd_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("skip");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("got");
        QTest::addColumn<int>("position");
        QTest::newRow("next all") << 0 << false << 3 << int(S_OK) << 3 << 3;
        QTest::newRow("next one past all") << 0 << false << 4 << int(S_FALSE) << 3 << 3;
        QTest::newRow("next the last") << 2 << false << 1 << int(S_OK) << 1 << 3;
        QTest::newRow("next one past the last") << 2 << false << 2 << int(S_FALSE) << 1 << 3;
        QTest::newRow("next none at the end") << 3 << false << 0 << int(S_OK) << 0 << 3;
        QTest::newRow("next one at the end") << 3 << false << 1 << int(S_FALSE) << 0 << 3;
        QTest::newRow("skip to the end") << 0 << true << 3 << int(S_OK) << 0 << 3;
        QTest::newRow("skip one past the end") << 0 << true << 4 << int(S_FALSE) << 0 << 3;
        QTest::newRow("skip the last") << 2 << true << 1 << int(S_OK) << 0 << 3;
        QTest::newRow("skip none at the end") << 3 << true << 0 << int(S_OK) << 0 << 3;
    }
    void enumeratorAtTheEnd() {
        QFETCH(int, start);
        QFETCH(bool, skip);
        QFETCH(int, count);
        QFETCH(int, result);
        QFETCH(int, got);
        QFETCH(int, position);
        RoiCollection c;
        const auto d = roi("d");
        c.add(roi("a"));
        c.add(roi("b"));
        c.add(d);
        auto e = c.newEnum();
        QCOMPARE(e->skip(start), S_OK);
        RoiList items;
        QCOMPARE(skip ? e->skip(count) : e->next(count, items), HResult(result));
        QCOMPARE(int(items.size()), got);
        if (got > 0)
            QCOMPARE(items.back(), d);
        QCOMPARE(e->position(), position);
    }

    void calibration() {
        Calibration cal;
        QCOMPARE(cal.slope(), 1.0f);
        cal.setEnable(true);
        cal.setOffset(10);
        cal.setSlope(2);
        QCOMPARE(cal.value(5), 20.0);
        cal.setQuadratic(0.5f);
        QCOMPARE(cal.value(2), 10.0 + 4.0 + 2.0);
    }

    void waterfallKeepsTheOlderLinesWhenShrunk() {
        CTreviumCtrl c;
        Waterfall& w = *c.waterfall();
        w.setMaxSize(3);
        for (qint32 k = 1; k <= 5; ++k) {
            c.setData(QVariant::fromValue(QList<qint32>{k, k}));
            c.Slide();
        }
        auto firsts = [&w] {
            QList<qint32> v;
            for (const auto& line : w.lines())
                v << line.values[0];
            return v;
        };
        QCOMPARE(firsts(), (QList<qint32>{3, 4, 5}));
        w.setMaxSize(2);
        QCOMPARE(firsts(), (QList<qint32>{3, 4}));
        w.setMaxSize(1);
        QCOMPARE(firsts(), (QList<qint32>{3}));
        c.Slide(); // a one-line waterfall still takes the newest
        QCOMPARE(firsts(), (QList<qint32>{5}));
        w.setMaxSize(0);
        QVERIFY(w.lines().empty());
        c.Slide();
        QVERIFY(w.lines().empty());
        w.setMaxSize(-4); // a negative capacity holds nothing, like 0
        QCOMPARE(w.maxSize(), 0);
    }

    void waterfallClampsHeightRatio() {
        Waterfall w;
        QCOMPARE(w.maxSize(), 100); // lines kept by default
        QCOMPARE(w.heightRatio(), 30);
        w.setHeightRatio(-5);
        QCOMPARE(w.heightRatio(), 0);
        w.setHeightRatio(150);
        QCOMPARE(w.heightRatio(), 100);
    }

    void objectsOutliveTheirControl() {
        std::shared_ptr<Waterfall> waterfall;
        std::shared_ptr<ZoomBox> zoom;
        std::shared_ptr<RoiCollection> rois;
        {
            CTreviumCtrl c;
            waterfall = c.waterfallObject();
            zoom = c.zoomBoxObject();
            rois = c.roiCollection();
            QCOMPARE(zoom->control(), &c);
        }
        QVERIFY(!zoom->control());
        zoom->setFirstChannel(17);
        zoom->setVisible(true);
        waterfall->setMaxSize(4);
        waterfall->setCursorX(3);
        QCOMPARE(zoom->firstChannel(), 17);
        QCOMPARE(waterfall->maxSize(), 4);
        QCOMPARE(waterfall->cursorX(), 3);
        rois->add(std::make_shared<RoiInfo>());
        QCOMPARE(rois->count(), 1);
        // Through late binding as well.
        QVERIFY(dispatch(zoom.get(), 4, DispKind::Put, {QVariant(30)}).ok());
        QCOMPARE(zoom->lastChannel(), 30);
    }

    void zoomBoxAndWaterfallRepaintTheirControl() {
        CTreviumCtrl c;
        c.resize(200, 100);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        QCoreApplication::processEvents();
        int paints = 0;
        struct Counter : QObject {
            int& n;
            explicit Counter(int& count) : n(count) {}
            bool eventFilter(QObject*, QEvent* e) override {
                n += e->type() == QEvent::Paint;
                return false;
            }
        } counter(paints);
        c.installEventFilter(&counter);
        c.zoomBox()->setColor(0x00FF00);
        QTRY_VERIFY(paints > 0);
        paints = 0;
        c.waterfall()->setHiColor(c.waterfall()->hiColor()); // unchanged: no repaint
        c.roi();                                             // and reading does nothing
        QCoreApplication::processEvents();
        QCOMPARE(paints, 0);
        c.removeEventFilter(&counter);
    }

    void moduleCreatesByProgramIdentifier() {
        const qint32 before = liveObjectCount();
        {
            QString error;
            for (const QString& id : registeredProgIds()) {
                auto object = createObject(id, &error);
                QVERIFY2(object, qPrintable(id + ": " + error));
            }
            auto ctrl = createObject(QStringLiteral("Trevium.TreviumCtrl.1"));
            auto* plot = qobject_cast<CTreviumCtrl*>(ctrl.get());
            QVERIFY(plot);
            QCOMPARE(plot->showROIs(), true); // a new control has the reset values
            QCOMPARE(plot->labelColor(), 0x00C8FFFFu);
            // control + 4 owned objects
            QCOMPARE(liveObjectCount(), before + 5);
            QVERIFY(!canUnloadNow());
            QVERIFY(qobject_cast<RoiInfo*>(createObject(QStringLiteral("Trevium.ROIinfo")).get()));
            QVERIFY(!createObject(QStringLiteral("Trevium.Nothing.1"), &error));
            QVERIFY(error.contains(QStringLiteral("Trevium.Nothing.1")));
        }
        QCOMPARE(liveObjectCount(), before);
    }

    void cEntryPoints() {
        QCOMPARE(TreviumCanUnloadNow(), 0);
        TreviumObject* h = TreviumCreateObject("Trevium.ROIinfo.1");
        QVERIFY(h);
        QVERIFY(qobject_cast<RoiInfo*>(TreviumObjectPointer(h)));
        QCOMPARE(TreviumLiveObjectCount(), 1);
        QCOMPARE(TreviumCanUnloadNow(), 1);
        QVERIFY(!TreviumCreateObject("bogus"));
        QVERIFY(QByteArray(TreviumLastError()).contains("bogus"));
        QVERIFY(!TreviumCreateObject(nullptr));
        TreviumReleaseObject(h);
        QCOMPARE(TreviumCanUnloadNow(), 0);

        // A control handed to a parent that deletes it: the handle reports it gone.
        TreviumObject* ctrl = TreviumCreateObject("Trevium.TreviumCtrl.1");
        QVERIFY(ctrl);
        {
            QWidget parent;
            qobject_cast<QWidget*>(TreviumObjectPointer(ctrl))->setParent(&parent);
        }
        QVERIFY(!TreviumObjectPointer(ctrl));
        TreviumReleaseObject(ctrl);
        QCOMPARE(TreviumLiveObjectCount(), 0);
    }
};

QTEST_MAIN(TstCoreObjects)
#include "tst_core_objects.moc"
