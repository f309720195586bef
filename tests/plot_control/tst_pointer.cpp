// PointerController against a recording host: drags of the cursor, the waterfall cross-hair and the
// zoom box, hit zones and pointer shapes, arrow keys and wheel.
#include "PointerController.h"

#include <QStringList>
#include <QtTest>

using namespace trevium;

namespace {

class FakeHost : public PointerHost {
public:
    // Plot from x 10, 101 pixels wide; 102 channels, so channel = x - 10 inside the plot.
    QRect plot{10, 10, 101, 50};
    QRect waterfall{10, 70, 101, 30};
    qint32 points = 102, first = 0, last = 101;
    bool cursorShown = true;
    qint32 cursor = 0;
    bool wfShown = false;
    qint32 rows = 10, wfX = 0, wfY = 0;
    bool zoomShown = false;
    qint32 zFirst = 20, zLast = 60;
    Qt::CursorShape shape = Qt::BlankCursor;
    bool captured = false;
    QStringList log;

    QRect plotRect() const override { return plot; }
    QRect waterfallRect() const override { return waterfall; }
    qint32 npoints() const override { return points; }
    qint32 firstPoint() const override { return first; }
    qint32 lastPoint() const override { return last; }
    bool showCursor() const override { return cursorShown; }
    qint32 cursorPos() const override { return cursor; }
    void setCursorPos(qint32 c) override { cursor = c; }
    bool waterfallShowCursor() const override { return wfShown; }
    qint32 waterfallRows() const override { return rows; }
    qint32 waterfallCursorX() const override { return wfX; }
    qint32 waterfallCursorY() const override { return wfY; }
    void setWaterfallCursor(qint32 x, qint32 y) override { wfX = x, wfY = y; }
    bool zoomVisible() const override { return zoomShown; }
    qint32 zoomFirst() const override { return zFirst; }
    qint32 zoomLast() const override { return zLast; }
    void setZoomFirst(qint32 c) override { zFirst = c; }
    void setZoomLast(qint32 c) override { zLast = c; }
    void repaintPlot() override { log << QStringLiteral("repaint"); }
    void setPointerShape(Qt::CursorShape s) override { shape = s; }
    void setMouseCapture(bool c) override {
        captured = c;
        log << QStringLiteral("capture %1").arg(c);
    }
    // Each event also records the state the host sees when it fires.
    void fireGraphCursorMove(qint32 x, qint32 y, qint32 ch) override {
        log << QStringLiteral("cursor %1 %2 %3 pos=%4").arg(x).arg(y).arg(ch).arg(cursor);
    }
    void fireWaterfallCursorMove(qint32 x, qint32 y, qint32 ch, qint32 age) override {
        log << QStringLiteral("wf %1 %2 %3 %4 at=%5,%6").arg(x).arg(y).arg(ch).arg(age).arg(wfX).arg(wfY);
    }
    void fireZoomBoxChange(qint32 x, qint32 y, qint32 f, qint32 l) override {
        log << QStringLiteral("zoom %1 %2 %3 %4 box=%5,%6")
                   .arg(x)
                   .arg(y)
                   .arg(f)
                   .arg(l)
                   .arg(zFirst)
                   .arg(zLast);
    }
    QStringList take() { return std::exchange(log, {}); }
};

} // namespace

class TestPointer : public QObject {
    Q_OBJECT

private slots:
    void cursorDrag() {
        FakeHost host;
        host.cursor = 5;
        PointerController pc(host);
        pc.leftButtonDown(QPoint(30, 20));
        QCOMPARE(pc.dragMode(), DragMode::Cursor);
        QCOMPARE(host.take(), QStringList({"capture 1", "cursor 30 20 20 pos=20", "repaint"}));
        pc.mouseMove(QPoint(40, 25));
        QCOMPARE(host.take(), QStringList({"cursor 40 25 30 pos=30", "repaint"}));
        pc.mouseMove(QPoint(40, 99)); // same channel: repaint only
        QCOMPARE(host.take(), QStringList({"repaint"}));
        pc.mouseMove(QPoint(500, 0)); // captured: beyond the plot clamps to the last channel
        QCOMPARE(host.take(), QStringList({"cursor 500 0 101 pos=101", "repaint"}));
        pc.leftButtonUp(QPoint(500, 0));
        QCOMPARE(pc.dragMode(), DragMode::None);
        QCOMPARE(host.take(), QStringList({"capture 0"}));
        pc.mouseMove(QPoint(40, 25)); // no drag: only the pointer shape
        QCOMPARE(host.take(), QStringList());
        QCOMPARE(host.shape, Qt::ArrowCursor);
    }

    void pressOnCurrentChannelFiresNothing() {
        FakeHost host;
        host.cursor = 20;
        PointerController pc(host);
        pc.leftButtonDown(QPoint(30, 20));
        QCOMPARE(pc.dragMode(), DragMode::Cursor);
        QCOMPARE(host.take(), QStringList({"capture 1"}));
        QVERIFY(host.captured);
    }

    void pressesThatStartNoDrag() {
        FakeHost host;
        PointerController pc(host);
        pc.leftButtonDown(QPoint(5, 20));  // left of the plot
        pc.leftButtonDown(QPoint(30, 60)); // just below it (bottom edge is exclusive)
        host.cursorShown = false;
        pc.leftButtonDown(QPoint(30, 20)); // cursor hidden
        QCOMPARE(pc.dragMode(), DragMode::None);
        QCOMPARE(host.take(), QStringList());
        pc.leftButtonUp(QPoint(30, 20));
        QCOMPARE(host.take(), QStringList()); // no capture to release
    }

    void waterfallCrossHair() {
        FakeHost host;
        host.cursorShown = false;
        host.wfShown = true;
        PointerController pc(host);
        pc.leftButtonDown(QPoint(20, 85)); // row 10 * 15 / 30 = 5
        QCOMPARE(pc.dragMode(), DragMode::WaterfallCursor);
        QCOMPARE(host.take(), QStringList({"capture 1", "wf 20 85 10 5 at=10,5", "repaint"}));
        pc.mouseMove(QPoint(20, 300)); // rows clamp to R - 1
        QCOMPARE(host.take(), QStringList({"wf 20 300 10 9 at=10,9", "repaint"}));
        pc.mouseMove(QPoint(20, 299));
        QCOMPARE(host.take(), QStringList({"repaint"}));
        pc.mouseMove(QPoint(20, -50));
        QCOMPARE(host.take(), QStringList({"wf 20 -50 10 0 at=10,0", "repaint"}));
    }

    void zoomZonesAndShapes() {
        FakeHost host;
        PointerController pc(host);
        QCOMPARE(pc.hitTest(30), 0); // box hidden
        QCOMPARE(host.shape, Qt::ArrowCursor);
        host.zoomShown = true; // edges at x 30 and 70
        const QList<QPair<int, int>> zones{{26, 0}, {27, 2}, {32, 2}, {33, 1},
                                           {66, 1}, {67, 3}, {72, 3}, {73, 0}};
        for (const auto& [x, zone] : zones) {
            QCOMPARE(pc.hitTest(x), zone);
            QCOMPARE(host.shape, zone == 0   ? Qt::ArrowCursor
                                 : zone == 1 ? Qt::SizeAllCursor
                                             : Qt::SizeHorCursor);
        }
        // The first edge wins where the bands overlap.
        host.zLast = 23;
        QCOMPARE(pc.hitTest(31), 2);
        QCOMPARE(pc.hitTest(34), 3);
    }

    void zoomMoveKeepsWidth() {
        FakeHost host;
        host.zoomShown = true;
        PointerController pc(host);
        pc.leftButtonDown(QPoint(50, 20)); // channel 40, offset 20
        QCOMPARE(pc.dragMode(), DragMode::ZoomMove);
        QCOMPARE(host.take(), QStringList({"capture 1"}));
        pc.mouseMove(QPoint(60, 5));
        QCOMPARE(host.take(), QStringList({"zoom 60 5 30 70 box=30,70", "repaint"}));
        pc.mouseMove(QPoint(60, 9)); // no change: repaint only
        QCOMPARE(host.take(), QStringList({"repaint"}));
        pc.mouseMove(QPoint(900, 5)); // against the right end: last = Npoints - 1, width kept
        QCOMPARE(host.take(), QStringList({"zoom 900 5 61 101 box=61,101", "repaint"}));
        pc.mouseMove(QPoint(-900, 5)); // against the left end
        QCOMPARE(host.take(), QStringList({"zoom -900 5 0 40 box=0,40", "repaint"}));
    }

    void zoomEdgesStopThreeChannelsApart() {
        FakeHost host;
        host.zoomShown = true;
        PointerController pc(host);
        pc.leftButtonDown(QPoint(30, 20));
        QCOMPARE(pc.dragMode(), DragMode::ZoomFirstEdge);
        pc.mouseMove(QPoint(90, 20)); // channel 80 stops at last - 3
        pc.mouseMove(QPoint(-5, 20)); // and at 0
        pc.leftButtonUp(QPoint(-5, 20));
        QCOMPARE(host.take(), QStringList({"capture 1", "zoom 90 20 57 60 box=57,60", "repaint",
                                           "zoom -5 20 0 60 box=0,60", "repaint", "capture 0"}));

        host.zFirst = 20;
        pc.leftButtonDown(QPoint(70, 20));
        QCOMPARE(pc.dragMode(), DragMode::ZoomLastEdge);
        pc.mouseMove(QPoint(15, 20));  // stops at first + 3
        pc.mouseMove(QPoint(900, 20)); // and at Npoints - 1
        QCOMPARE(host.take(), QStringList({"capture 1", "zoom 15 20 20 23 box=20,23", "repaint",
                                           "zoom 900 20 20 101 box=20,101", "repaint"}));
    }

    void arrowKeysAndWheel() {
        FakeHost host;
        host.cursorShown = false; // keys and wheel work regardless
        host.cursor = 101;
        PointerController pc(host);
        QVERIFY(pc.keyDown(Qt::Key_Right)); // at the last point: repaint, no event
        QCOMPARE(host.take(), QStringList({"repaint"}));
        QVERIFY(pc.keyDown(Qt::Key_Left));
        QCOMPARE(host.take(), QStringList({"cursor 110 0 100 pos=100", "repaint"}));
        QVERIFY(!pc.keyDown(Qt::Key_Up));
        QCOMPARE(host.take(), QStringList());

        QVERIFY(!pc.wheel(QPoint(1, 2), 0));
        QVERIFY(pc.wheel(QPoint(1, 2), -120));
        QCOMPARE(host.take(), QStringList({"cursor 1 2 99 pos=99", "repaint"}));
        QVERIFY(pc.wheel(QPoint(3, 4), 15));
        QCOMPARE(host.take(), QStringList({"cursor 3 4 100 pos=100", "repaint"}));
        host.cursor = 0;
        QVERIFY(pc.wheel(QPoint(3, 4), -1)); // clamped at the first point
        QCOMPARE(host.take(), QStringList({"repaint"}));
        host.cursor = 500; // out of the window: clamped back in
        QVERIFY(pc.keyDown(Qt::Key_Right));
        QCOMPARE(host.cursor, 101);
    }

    void singlePointWindowAndEmptyPlot() {
        FakeHost host;
        host.first = host.last = 7;
        PointerController pc(host);
        for (int x : {-100, 0, 10, 50, 111, 5000})
            QCOMPARE(pc.channelAt(x), 7);
        host.plot = QRect(10, 10, 0, 0); // zero width counts as one pixel
        host.first = 0;
        host.last = 101;
        QCOMPARE(pc.channelAt(11), 101);
        host.zoomShown = true;
        QCOMPARE(pc.hitTest(10), 2);
    }
};

QTEST_MAIN(TestPointer)
#include "tst_pointer.moc"
