// Pointer handling on a real CTreviumCtrl: mouse presses, drags and releases, keys and the wheel,
// with the events the host sees and their order.
#include "CTreviumCtrl.h"

#include <QSignalSpy>
#include <QtTest>

class TestPointerWidget : public QObject {
    Q_OBJECT

private:
    // A shown control of 600 x 300 with the 256-channel test spectrum, painted once so the plot
    // rectangle is known.
    static void prepare(CTreviumCtrl& plot) {
        plot.resize(600, 300);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        plot.grab();
        QVERIFY(plot.plotRect().width() > 100);
    }

    static qint32 channelAt(const CTreviumCtrl& plot, int x) {
        const QRect r = plot.plotRect();
        const qint64 ch =
            plot.firstPoint() + qint64(x - r.left()) * (plot.lastPoint() - plot.firstPoint()) / r.width();
        return qint32(qBound(qint64(plot.firstPoint()), ch, qint64(plot.lastPoint())));
    }

private slots:
    void cursorDragFiresBeforeStockMouseDown() {
        CTreviumCtrl plot;
        prepare(plot);
        plot.setShowCursor(true);
        QStringList order;
        connect(&plot, &CTreviumCtrl::GraphCursorMove, this,
                [&](qint32, qint32, qint32 ch) { order << QStringLiteral("cursor %1").arg(ch); });
        connect(&plot, &CTreviumCtrl::MouseDown, this, [&](qint16 button, qint16, qint32, qint32) {
            order << QStringLiteral("down %1 pos=%2").arg(button).arg(plot.cursorPos());
        });
        QSignalSpy moves(&plot, &CTreviumCtrl::GraphCursorMove);
        const QRect r = plot.plotRect();
        const QPoint press(r.left() + r.width() / 3, r.center().y());
        const qint32 ch = channelAt(plot, press.x());
        QTest::mousePress(&plot, Qt::LeftButton, {}, press);
        QCOMPARE(order,
                 QStringList({QStringLiteral("cursor %1").arg(ch), QStringLiteral("down 1 pos=%1").arg(ch)}));
        QCOMPARE(moves.first().at(0).toInt(), press.x());
        QCOMPARE(moves.first().at(1).toInt(), press.y());

        const QPoint drag(r.left() + r.width() * 2 / 3, r.center().y());
        QTest::mouseMove(&plot, drag);
        QCOMPARE(plot.cursorPos(), channelAt(plot, drag.x()));
        QCOMPARE(moves.size(), 2);
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, drag);

        // A press on the cursor's channel fires no GraphCursorMove, only the stock MouseDown.
        order.clear();
        QTest::mousePress(&plot, Qt::LeftButton, {}, drag);
        QCOMPARE(order, QStringList({QStringLiteral("down 1 pos=%1").arg(plot.cursorPos())}));
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, drag);
    }

    void zoomBoxDrag() {
        CTreviumCtrl plot;
        prepare(plot);
        plot.zoomBox()->setVisible(true);
        plot.zoomBox()->setFirstChannel(50);
        plot.zoomBox()->setLastChannel(100);
        plot.grab();
        QSignalSpy zoom(&plot, &CTreviumCtrl::ZoomBoxChange);
        const QRect r = plot.plotRect();
        const int xl = r.left() + r.width() * 50 / 255;
        const int xr = r.left() + r.width() * 100 / 255;
        // Grab the box in its middle and move it right by about 40 channels: the width stays 50.
        const QPoint grabAt((xl + xr) / 2, r.center().y());
        QTest::mousePress(&plot, Qt::LeftButton, {}, grabAt);
        QTest::mouseMove(&plot, grabAt + QPoint(r.width() * 40 / 255, 0));
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, grabAt + QPoint(r.width() * 40 / 255, 0));
        QVERIFY(zoom.size() >= 1);
        const auto last = zoom.last();
        QCOMPARE(last.at(3).toInt() - last.at(2).toInt(), 50);
        QVERIFY(qAbs(last.at(2).toInt() - 90) <= 1);
        QCOMPARE(plot.zoomBox()->firstChannel(), last.at(2).toInt());

        // The last edge stops three channels after the first.
        zoom.clear();
        const int first = plot.zoomBox()->firstChannel();
        const int edge = r.left() + r.width() * plot.zoomBox()->lastChannel() / 255;
        QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(edge, r.center().y()));
        QTest::mouseMove(&plot, QPoint(r.left(), r.center().y()));
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(r.left(), r.center().y()));
        QCOMPARE(plot.zoomBox()->lastChannel(), first + 3);
        QCOMPARE(zoom.last().at(3).toInt(), first + 3);
    }

    void keysAndWheel() {
        CTreviumCtrl plot;
        prepare(plot);
        plot.setCursorPos(254);
        QSignalSpy moves(&plot, &CTreviumCtrl::GraphCursorMove);
        QTest::keyClick(&plot, Qt::Key_Right);
        QCOMPARE(plot.cursorPos(), 255);
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves.last().at(1).toInt(), 0);
        QTest::keyClick(&plot, Qt::Key_Right); // at LastPoint: nothing fires
        QCOMPARE(moves.size(), 1);

        QWheelEvent wheel(QPointF(100, 100), plot.mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plot, &wheel);
        QCOMPARE(plot.cursorPos(), 254);
        QCOMPARE(moves.size(), 2);
        QCOMPARE(moves.last().at(0).toInt(), 100);
    }
};

QTEST_MAIN(TestPointerWidget)
#include "tst_pointer_widget.moc"
