// Late binding: every DISPID of every interface reaches its member, automation errors carry their
// information, and a script drives the control by name.
#include "CTreviumCtrl.h"
#include "CTreviumPropPage.h"
#include "Dispatch.h"
#include "TreviumModule.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QJSEngine>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace trevium;

// The host side of a script: creates module objects and keeps them alive like a host's variables.
class ScriptHost : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE QObject* create(const QString& progId) {
        auto object = createObject(progId);
        held.push_back(object);
        return object.get();
    }
    std::vector<std::shared_ptr<QObject>> held;
};

class TstCoreDispatch : public QObject {
    Q_OBJECT

    static QList<qint32> idsOf(const QObject* o) {
        QList<qint32> ids;
        for (const DispEntry& e : dynamic_cast<const Dispatchable*>(o)->dispatchTable())
            ids << e.dispid;
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    // Closes the next modal dialog and reports its title and label texts.
    static void closeNextModal(QStringList& seen) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, &seen] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                seen << dialog->windowTitle();
                for (auto* label : dialog->findChildren<QLabel*>())
                    seen << label->text();
                dialog->accept();
                timer->deleteLater();
            }
        });
        timer->start();
    }

private slots:
    void tablesHoldExactlyTheContractsDispids() {
        CTreviumCtrl c;
        QList<qint32> ctrl = {-552, -550, -520, -515, -514, -512, -504};
        for (int id = 1; id <= 53; ++id)
            ctrl << id;
        QCOMPARE(idsOf(&c), ctrl);
        QCOMPARE(idsOf(c.roi()), (QList<qint32>{-4, 0, 1, 2, 3, 4}));
        QCOMPARE(idsOf(c.calibration()), (QList<qint32>{1, 2, 3, 4}));
        QCOMPARE(idsOf(c.waterfall()), (QList<qint32>{1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(idsOf(c.zoomBox()), (QList<qint32>{1, 2, 3, 4}));
        RoiInfo item;
        QCOMPARE(idsOf(&item), (QList<qint32>{1, 2, 3, 4, 5}));
        RoiEnumerator enumerator;
        QCOMPARE(idsOf(&enumerator), (QList<qint32>{1, 2, 3, 4}));
        QCOMPARE(dispIdOfName(&enumerator, QStringLiteral("next")), 1);
        QCOMPARE(dispIdOfName(&enumerator, QStringLiteral("Clone")), 4);
        QCOMPARE(dispIdOfName(&c, QStringLiteral("XMin")), 1);
        QCOMPARE(dispIdOfName(&c, QStringLiteral("zoombox")), 53);
        QCOMPARE(dispIdOfName(c.roi(), QStringLiteral("_NewEnum")), -4);
        QCOMPARE(dispIdOfName(&c, QStringLiteral("Nothing")), DISPID_UNKNOWN);
    }

    void everyDispidReachesItsMember() {
        CTreviumCtrl c;
        c.resize(300, 200);
        auto roiItem = std::make_shared<RoiInfo>();
        const QVariant list = QVariant::fromValue(QList<qint32>{3, 1, 4, 1, 5});

        struct Row {
            QObject* object;
            qint32 dispid;
            const char* member;
            QVariant put; // a value for properties; invalid for methods checked by `check`
            std::function<bool()> check = nullptr;
            QVariantList callArgs = {};
        };
        auto prop = [](QObject* o, qint32 id, const char* name, QVariant v) { return Row{o, id, name, v}; };
        auto call = [](QObject* o, qint32 id, const char* name, QVariantList args,
                       std::function<bool()> check) {
            return Row{o, id, name, {}, std::move(check), std::move(args)};
        };
        QStringList aboutSeen;
        const QString badPath = QDir::tempPath() + QStringLiteral("/no/such/dir/x.png");
        std::vector<Row> rows = {
            prop(&c, -514, "Enabled", false),
            prop(&c, -504, "BorderStyle", qint16(1)),
            prop(&c, -520, "Appearance", 0),
            prop(&c, 1, "Xmin", qint16(7)),
            prop(&c, 2, "Xmax", qint16(9)),
            prop(&c, 3, "Ymin", 1.5f),
            prop(&c, 4, "Ymax", 2.5f),
            prop(&c, 5, "Yscale", 70),
            prop(&c, 6, "Data", list),
            prop(&c, 7, "Npoints", qint16(100)),
            prop(&c, 8, "PlotFilled", true),
            prop(&c, 9, "Ymode", 2),
            prop(&c, 10, "ShowGrid", false),
            prop(&c, 11, "GraphStyle", 3),
            prop(&c, 12, "ShowAxes", false),
            prop(&c, 13, "ShowFrame", false),
            prop(&c, 14, "ShowTicks", false),
            prop(&c, 15, "GraphColor", 0x010203u),
            prop(&c, 16, "GridColor", 0x020304u),
            prop(&c, 17, "AxisColor", 0x030405u),
            prop(&c, 18, "LabelColor", 0x040506u),
            prop(&c, 19, "FirstPoint", 3),
            prop(&c, 20, "LastPoint", 50),
            prop(&c, 21, "RollMode", 1),
            prop(&c, 22, "AlarmColor", 0x050607u),
            prop(&c, 23, "AlarmLevel", 77),
            prop(&c, 24, "ShowAlarm", true),
            prop(&c, 25, "GridOnTop", true),
            prop(&c, 26, "CompareMode", true),
            prop(&c, 27, "ReferenceData", list),
            prop(&c, 28, "ReferenceColor", 0x060708u),
            prop(&c, 29, "FastDraw", false),
            prop(&c, 30, "ShowROIs", false),
            prop(&c, 31, "BackColor", 0x070809u),
            prop(&c, 32, "XLabel", QStringLiteral("keV")),
            prop(&c, 33, "YLabel", QStringLiteral("counts")),
            prop(&c, 34, "ShowLabels", true),
            prop(&c, 38, "ShowWaterfall", true),
            prop(&c, 39, "CursorColor", 0x08090Au),
            prop(&c, 40, "CursorPos", 12),
            prop(&c, 41, "ShowCursor", true),
            prop(&c, 42, "CursorType", 1),
            prop(roiItem.get(), 1, "Label", QStringLiteral("peak")),
            prop(roiItem.get(), 2, "Color", 0xFFu),
            prop(roiItem.get(), 3, "Visible", true),
            prop(roiItem.get(), 4, "FirstChannel", 40),
            prop(roiItem.get(), 5, "LastChannel", 44),
            prop(c.calibration(), 1, "Enable", true),
            prop(c.calibration(), 2, "Offset", 10.0f),
            prop(c.calibration(), 3, "Slope", 2.0f),
            prop(c.calibration(), 4, "Quadratic", 0.25f),
            prop(c.waterfall(), 1, "MaxSize", 9),
            prop(c.waterfall(), 2, "LoColor", 0x111111u),
            prop(c.waterfall(), 3, "HiColor", 0x222222u),
            prop(c.waterfall(), 4, "HeightRatio", 45),
            prop(c.waterfall(), 5, "CursorColor", 0x333333u),
            prop(c.waterfall(), 6, "ShowCursor", true),
            prop(c.waterfall(), 7, "CursorX", 5),
            prop(c.waterfall(), 8, "CursorY", 2),
            prop(c.zoomBox(), 1, "Color", 0x444444u),
            prop(c.zoomBox(), 2, "Visible", true),
            prop(c.zoomBox(), 3, "FirstChannel", 20),
            prop(c.zoomBox(), 4, "LastChannel", 30),
            // Collection members.
            call(c.roi(), 1, "Add", {QVariant::fromValue<QObject*>(roiItem.get())},
                 [&] { return c.roi()->count() == 1 && c.roi()->items()[0] == roiItem; }),
            call(c.roi(), 4, "Count", {}, [&] { return dispatch(c.roi(), 4, DispKind::Get).value == 1; }),
            call(c.roi(), 0, "item", {1},
                 [&] { return dispatch(c.roi(), 0, DispKind::Get, {1}).object == roiItem; }),
            call(c.roi(), -4, "_NewEnum", {},
                 [&] {
                     auto e = std::dynamic_pointer_cast<RoiEnumerator>(
                         dispatch(c.roi(), -4, DispKind::Get).object);
                     RoiList got;
                     return e && e->next(1, got) == S_OK && got[0] == roiItem;
                 }),
            call(c.roi(), 2, "Remove", {1}, [&] { return c.roi()->count() == 0; }),
            call(c.roi(), 3, "Clear", {}, [&] { return c.roi()->count() == 0; }),
            // Control methods (RollMode is RollLeft from the rows above; Data is 100 points).
            call(&c, 43, "PushValue", {99}, [&] { return c.model().data()[99] == 99; }),
            call(&c, 44, "Slide", {}, [&] { return c.waterfall()->lines().size() == 1; }),
            call(&c, 47, "ClearWaterfall", {}, [&] { return c.waterfall()->lines().empty(); }),
            call(&c, 45, "Clear", {}, [&] { return c.model().data()[99] == 0; }),
            call(&c, 46, "ClearReference", {}, [&] { return c.model().reference()[0] == 0; }),
            call(&c, 48, "TestDataSet", {1}, [&] { return c.npoints() == 21; }),
            call(&c, 49, "HasDC", {}, [&] { return dispatch(&c, 49, DispKind::Call).value == true; }),
            call(&c, 50, "hDC", {}, [&] { return dispatch(&c, 50, DispKind::Call).value == 0; }),
            call(&c, 51, "DrawTo", {12345, 0, 0, 10, 10}, [] { return true; }),
            call(&c, 52, "SaveToPNG", {badPath, 60, 30},
                 [&] {
                     return dispatch(&c, 52, DispKind::Call, {badPath, 60, 30}).value.toInt() < 0;
                 }),
            call(&c, -550, "Refresh", {}, [] { return true; }),
            call(&c, -552, "AboutBox", {},
                 [&] {
                     return aboutSeen.contains(QStringLiteral("About Trevium Control")) &&
                            aboutSeen.contains(QStringLiteral("Trevium Control, Version 1.0"));
                 }),
        };
        for (Row& row : rows) {
            const QByteArray what = QByteArray(row.object->metaObject()->className()) + "." + row.member;
            QCOMPARE(dispIdOfName(row.object, QLatin1String(row.member)), row.dispid);
            if (row.check) {
                if (row.dispid == -552)
                    closeNextModal(aboutSeen);
                const DispResult r = dispatch(row.object, row.dispid, DispKind::Call, row.callArgs);
                QVERIFY2(r.ok(), what.constData());
                QVERIFY2(row.check(), what.constData());
                continue;
            }
            const DispResult put = dispatch(row.object, row.dispid, DispKind::Put, {row.put});
            QVERIFY2(put.ok(), what.constData());
            QVariant direct = row.object->property(row.member);
            QVariant got = dispatch(row.object, row.dispid, DispKind::Get).value;
            QVERIFY2(direct.convert(row.put.metaType()) && direct == row.put, what.constData());
            QVERIFY2(got.convert(row.put.metaType()) && got == row.put, what.constData());
        }
    }

    void enumeratorByDispid() {
        CTreviumCtrl c;
        for (const char* label : {"a", "b", "c"}) {
            auto item = std::make_shared<RoiInfo>();
            item->setLabel(QLatin1String(label));
            c.roi()->add(item);
        }
        const std::shared_ptr<QObject> e = dispatch(c.roi(), -4, DispKind::Get).object;
        c.roi()->clear(); // the enumerator's copy of the list holds the items now
        auto labels = [](const DispResult& r) {
            QStringList out;
            for (const QVariant& v : r.value.toList())
                out << qvariant_cast<RoiInfo*>(v)->label();
            return out.join(u',');
        };
        const DispResult two = dispatch(e.get(), 1, DispKind::Call, {2});
        QCOMPARE(two.code, S_OK);
        QCOMPARE(labels(two), QStringLiteral("a,b"));
        QCOMPARE(two.objects.size(), size_t(2)); // a reference for each item fetched
        const std::shared_ptr<QObject> clone = dispatch(e.get(), 4, DispKind::Call).object;
        QVERIFY(qobject_cast<RoiEnumerator*>(clone.get()));
        const DispResult rest = dispatch(e.get(), 1, DispKind::Call, {5});
        QCOMPARE(rest.code, S_FALSE);
        QCOMPARE(labels(rest), QStringLiteral("c"));
        QCOMPARE(dispatch(e.get(), 2, DispKind::Call, {1}).code, S_FALSE);
        QCOMPARE(dispatch(e.get(), 3, DispKind::Call).code, S_OK);
        QCOMPARE(dispatch(e.get(), 2, DispKind::Call, {qint16(2)}).code, S_OK);
        QCOMPARE(labels(dispatch(e.get(), 1, DispKind::Call, {1})), QStringLiteral("c"));
        QCOMPARE(labels(dispatch(clone.get(), 1, DispKind::Call, {3})), QStringLiteral("c")); // same position
        QCOMPARE(dispatch(e.get(), 1, DispKind::Call, {-1}).code, E_INVALIDARG);
        QCOMPARE(dispatch(e.get(), 2, DispKind::Call, {-1}).code, E_INVALIDARG);
        QCOMPARE(dispatch(e.get(), 1, DispKind::Call).code, DISP_E_BADPARAMCOUNT);
        QCOMPARE(dispatch(e.get(), 1, DispKind::Call, {QStringLiteral("two")}).code, DISP_E_TYPEMISMATCH);
        QCOMPARE(dispatch(e.get(), 1, DispKind::Put, {1}).code, DISP_E_MEMBERNOTFOUND);
    }

    void remainingControlMembers() {
        CTreviumCtrl c;
        QFont font(QStringLiteral("Liberation Sans"), 15);
        QVERIFY(dispatch(&c, -512, DispKind::Put, {font}).ok());
        QCOMPARE(dispatch(&c, -512, DispKind::Get).value.value<QFont>().pointSize(), 15);
        QVERIFY(dispatch(&c, -515, DispKind::Get).ok());
        QCOMPARE(dispatch(&c, -515, DispKind::Put, {1}).code, DISP_E_MEMBERNOTFOUND);
        // Object-valued properties: the owned object comes back; a put of anything is accepted.
        const struct {
            qint32 id;
            QObject* owned;
        } owned[] = {{35, c.roi()}, {36, c.calibration()}, {37, c.waterfall()}, {53, c.zoomBox()}};
        for (const auto& o : owned) {
            const DispResult r = dispatch(&c, o.id, DispKind::Get);
            QVERIFY(r.ok());
            QCOMPARE(r.object.get(), o.owned);
            c.setModified(false);
            QVERIFY(dispatch(&c, o.id, DispKind::Put, {42}).ok());
            QVERIFY(c.isModified());
            QCOMPARE(dispatch(&c, o.id, DispKind::Get).object.get(), o.owned);
        }
    }

    // Arguments as script hosts pass them: 16- and 32-bit integers, doubles that need rounding,
    // Booleans (true is -1) and strings holding numbers, to short, long, colour and Boolean members.
    void argumentsAsHostsPassThem_data() {
        QTest::addColumn<int>("dispid");
        QTest::addColumn<QVariant>("argument");
        QTest::addColumn<int>("code");
        QTest::addColumn<QVariant>("readBack");
        const QVariant none;
        QTest::newRow("Npoints short") << 7 << QVariant::fromValue(qint16(300)) << int(S_OK) << QVariant(300);
        QTest::newRow("Npoints long") << 7 << QVariant(300) << int(S_OK) << QVariant(300);
        QTest::newRow("Npoints 299.5 rounds up") << 7 << QVariant(299.5) << int(S_OK) << QVariant(300);
        QTest::newRow("Npoints 300.4 rounds down") << 7 << QVariant(300.4) << int(S_OK) << QVariant(300);
        QTest::newRow("Npoints -299.5 rounds away") << 7 << QVariant(-299.5) << int(S_OK) << QVariant(1);
        QTest::newRow("Npoints 32767.4") << 7 << QVariant(32767.4) << int(S_OK) << QVariant(32767);
        QTest::newRow("Npoints 32767.5 overflows") << 7 << QVariant(32767.5) << int(DISP_E_OVERFLOW) << none;
        QTest::newRow("Npoints -32768") << 7 << QVariant(-32768) << int(S_OK) << QVariant(1);
        QTest::newRow("Npoints -32769 overflows") << 7 << QVariant(-32769) << int(DISP_E_OVERFLOW) << none;
        QTest::newRow("Npoints string") << 7 << QVariant(QStringLiteral("300")) << int(S_OK) << QVariant(300);
        QTest::newRow("Npoints true") << 7 << QVariant(true) << int(S_OK) << QVariant(1);
        QTest::newRow("Yscale short") << 5 << QVariant::fromValue(qint16(-70)) << int(S_OK) << QVariant(-70);
        QTest::newRow("Yscale 69.5") << 5 << QVariant(69.5) << int(S_OK) << QVariant(70);
        QTest::newRow("Yscale largest long") << 5 << QVariant(2147483647.0) << int(S_OK) << QVariant(2147483647);
        QTest::newRow("Yscale past long") << 5 << QVariant(2147483648.0) << int(DISP_E_OVERFLOW) << none;
        QTest::newRow("Yscale smallest long") << 5 << QVariant(-2147483648.0) << int(S_OK)
                                              << QVariant(-2147483647 - 1);
        QTest::newRow("Yscale true") << 5 << QVariant(true) << int(S_OK) << QVariant(-1);
        QTest::newRow("Yscale false") << 5 << QVariant(false) << int(S_OK) << QVariant(0);
        QTest::newRow("Yscale string") << 5 << QVariant(QStringLiteral("-70")) << int(S_OK) << QVariant(-70);
        QTest::newRow("Yscale not a number") << 5 << QVariant(QStringLiteral("7e1")) << int(DISP_E_TYPEMISMATCH)
                                             << none;
        QTest::newRow("GraphColor long") << 15 << QVariant(255) << int(S_OK) << QVariant(255u);
        QTest::newRow("GraphColor double") << 15 << QVariant(65280.0) << int(S_OK) << QVariant(65280u);
        QTest::newRow("GraphColor negative") << 15 << QVariant(-1) << int(DISP_E_OVERFLOW) << none;
        QTest::newRow("ShowGrid 0") << 10 << QVariant(0) << int(S_OK) << QVariant(false);
        QTest::newRow("ShowGrid short -1") << 10 << QVariant::fromValue(qint16(-1)) << int(S_OK) << QVariant(true);
        QTest::newRow("ShowGrid string false") << 10 << QVariant(QStringLiteral("false")) << int(S_OK)
                                               << QVariant(false);
        QTest::newRow("Ymode short") << 9 << QVariant::fromValue(qint16(2)) << int(S_OK) << QVariant(2);
        QTest::newRow("Ymode 0.4") << 9 << QVariant(0.4) << int(S_OK) << QVariant(0);
        QTest::newRow("Ymode past short") << 9 << QVariant(40000) << int(DISP_E_OVERFLOW) << none;
    }
    void argumentsAsHostsPassThem() {
        QFETCH(int, dispid);
        QFETCH(QVariant, argument);
        QFETCH(int, code);
        QFETCH(QVariant, readBack);
        CTreviumCtrl c;
        c.setShowGrid(true);
        const DispResult before = dispatch(&c, dispid, DispKind::Get);
        QCOMPARE(dispatch(&c, dispid, DispKind::Put, {argument}).code, code);
        const DispResult after = dispatch(&c, dispid, DispKind::Get);
        if (readBack.isValid()) {
            QCOMPARE(after.value.toLongLong(), readBack.toLongLong());
        } else {
            QCOMPARE(after.value, before.value); // a refused argument changes nothing
        }
        // Methods take the same conversions: PushValue(9.6) stores 10, TestDataSet(1.0) loads set 1.
        c.setRollMode(TreviumCtl::RollLeft);
        QVERIFY(dispatch(&c, 43, DispKind::Call, {9.6}).ok());
        QCOMPARE(c.model().data()[c.npoints() - 1], 10);
        QVERIFY(dispatch(&c, 48, DispKind::Call, {1.0}).ok());
        QCOMPARE(c.npoints(), qint16(21));
    }

    void automationErrors() {
        CTreviumCtrl c;
        RoiCollection* rois = c.roi();
        DispResult r = dispatch(rois, 0, DispKind::Get, {0});
        QCOMPARE(r.code, DISP_E_EXCEPTION);
        QCOMPARE(r.exceptionCode, DISP_E_BADINDEX);
        QCOMPARE(r.description, QStringLiteral("Subscript out of range"));
        QCOMPARE(r.source, QStringLiteral("IROIcollection"));
        QCOMPARE(dispatch(rois, 0, DispKind::Get, {rois->count() + 1}).description,
                 QStringLiteral("Subscript out of range"));
        QCOMPARE(dispatch(rois, 2, DispKind::Call, {1}).code, DISP_E_EXCEPTION);
        QCOMPARE(dispatch(rois, 0, DispKind::Get, {1.0}).code, E_INVALIDARG);
        QCOMPARE(dispatch(rois, 1, DispKind::Call, {QVariant::fromValue<QObject*>(c.calibration())}).code,
                 E_INVALIDARG);
        QCOMPARE(dispatch(rois, 1, DispKind::Call, {5}).code, DISP_E_TYPEMISMATCH);
        QCOMPARE(dispatch(rois, 4, DispKind::Put, {3}).code, DISP_E_MEMBERNOTFOUND);
        QCOMPARE(dispatch(rois, 0, DispKind::Get, {}).code, DISP_E_BADPARAMCOUNT);
        QCOMPARE(dispatch(&c, 99, DispKind::Get).code, DISP_E_MEMBERNOTFOUND);
        QCOMPARE(dispatch(&c, 7, DispKind::Put, {70000}).code, DISP_E_OVERFLOW);
        QCOMPARE(dispatch(&c, 7, DispKind::Put, {QStringLiteral("many")}).code, DISP_E_TYPEMISMATCH);
        QCOMPARE(dispatch(nullptr, 1, DispKind::Get).code, E_POINTER);
        QObject plain;
        QCOMPARE(dispatch(&plain, 1, DispKind::Get).code, E_NOINTERFACE);
        // A success after a failure carries no stale error.
        QVERIFY(dispatch(rois, 4, DispKind::Get).ok());
    }

    void scriptDrivesTheControlByName() {
        CTreviumCtrl c;
        ScriptHost host;
        QSignalSpy cursorMoves(&c, &CTreviumCtrl::GraphCursorMove);
        {
            QJSEngine engine;
            QJSEngine::setObjectOwnership(&host, QJSEngine::CppOwnership); // the test's own object
            engine.globalObject().setProperty(QStringLiteral("plot"), engine.newQObject(&c));
            engine.globalObject().setProperty(QStringLiteral("host"), engine.newQObject(&host));
            const QJSValue result = engine.evaluate(QStringLiteral(R"(
                plot.ShowGrid = false;
                plot.XLabel = "Energy";
                plot.Yscale = 70;
                plot.TestDataSet(1);
                plot.RollMode = 1;
                plot.PushValue(99);
                plot.LastPoint = 1000;
                var roi = host.create("Trevium.ROIinfo.1");
                roi.Label = "Cs-137";
                roi.FirstChannel = 5;
                roi.LastChannel = 9;
                roi.Visible = true;
                plot.ROI.Add(roi);
                plot.ROI.Add(roi);
                plot.ROI.Remove(2);
                plot.Calibration.Enable = true;
                plot.Calibration.Offset = 10;
                plot.Calibration.Slope = 2;
                plot.Waterfall.HeightRatio = 150;
                [plot.ROI.Count, plot.ROI.item(1).Label, plot.Npoints, plot.LastPoint,
                 plot.Calibration.value(5), plot.Waterfall.HeightRatio, plot.HasDC(), plot.ShowGrid]
            )"));
            QVERIFY2(!result.isError(), qPrintable(result.toString()));
            QCOMPARE(result.property(0).toInt(), 1);
            QCOMPARE(result.property(1).toString(), QStringLiteral("Cs-137"));
            QCOMPARE(result.property(2).toInt(), 21);
            QCOMPARE(result.property(3).toInt(), 20);
            QCOMPARE(result.property(4).toNumber(), 20.0);
            QCOMPARE(result.property(5).toInt(), 100);
            QCOMPARE(result.property(6).toBool(), true);
            QCOMPARE(result.property(7).toBool(), false);
            engine.collectGarbage();
        }
        // The C++ side sees the same state, and nothing the script touched was collected.
        QCOMPARE(c.xLabel(), QStringLiteral("Energy"));
        QCOMPARE(c.yscale(), 70);
        QCOMPARE(c.model().data()[20], 99);
        QCOMPARE(c.roi()->count(), 1);
        QCOMPARE(c.roi()->items()[0]->label(), QStringLiteral("Cs-137"));
        QVERIFY(c.calibration()->enable());
        QVERIFY(c.isModified());
    }

    void propertyPage() {
        auto page = createObject(QStringLiteral("Trevium.TreviumPropPage.1"));
        auto* p = qobject_cast<CTreviumPropPage*>(page.get());
        QVERIFY(p);
        QCOMPARE(p->caption(), QStringLiteral("General"));
        QCOMPARE(p->accessibleName(), QStringLiteral("General")); // a screen reader names the page
        QVERIFY(p->findChildren<QWidget*>().isEmpty());
    }
};

QTEST_MAIN(TstCoreDispatch)
#include "tst_core_dispatch.moc"
