// The control wired to the renderer, PNG export, painter handles and pointer controller.
#include "CTreviumCtrl.h"
#include "Dispatch.h"
#include "PainterHandles.h"
#include "Renderer.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace trevium;

class TstCoreView : public QObject {
    Q_OBJECT

    std::unique_ptr<CTreviumCtrl> shownControl() {
        auto c = std::make_unique<CTreviumCtrl>();
        c->resize(400, 300);
        c->show();
        if (!QTest::qWaitForWindowExposed(c.get()))
            return nullptr;
        c->grab(); // one paint remembers the plot rectangle
        return c;
    }

private slots:
    void paintsThroughTheRenderer() {
        auto c = shownControl();
        QVERIFY(c);
        c->setBackColor(0x00400000); // dark blue
        const QImage image = c->grab().toImage();
        QCOMPARE(image.pixelColor(1, 1), oleColor(0x00400000));
        QVERIFY(!c->plotRect().isEmpty());
        QVERIFY(c->rect().contains(c->plotRect()));
        // The green test spectrum is in the picture.
        bool green = false;
        for (int y = c->plotRect().top(); y < c->plotRect().bottom() && !green; ++y)
            for (int x = c->plotRect().left(); x < c->plotRect().right() && !green; ++x)
                green = image.pixelColor(x, y) == oleColor(c->graphColor());
        QVERIFY(green);
    }

    void savesPng() {
        QTemporaryDir dir;
        CTreviumCtrl c;
        const QString path = dir.filePath(QStringLiteral("spect.png"));
        QCOMPARE(c.SaveToPNG(path, 600, 300), 0);
        const QImage png(path);
        QCOMPARE(png.size(), QSize(600, 300));
        QCOMPARE(png.pixelColor(0, 0), oleColor(c.backColor()));
        QCOMPARE(c.SaveToPNG(dir.filePath(QStringLiteral("missing/spect.png")), 600, 300), -3);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing/spect.png"))));
    }

    void drawsIntoARegisteredPainterOnly() {
        CTreviumCtrl c;
        QImage target(200, 100, QImage::Format_RGB32);
        target.fill(Qt::white);
        QPainter painter(&target);
        const qint32 handle = registerPainter(&painter);
        c.DrawTo(handle + 1000, 0, 0, 200, 100); // unknown: nothing
        painter.end();
        QVERIFY(std::all_of(reinterpret_cast<const QRgb*>(target.constBits()),
                            reinterpret_cast<const QRgb*>(target.constBits()) + 200 * 100,
                            [](QRgb p) { return p == qRgb(255, 255, 255); }));
        painter.begin(&target);
        c.DrawTo(handle, 0, 0, 200, 100);
        painter.end();
        QImage blank(200, 100, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QVERIFY(target != blank);
        // The same through its DISPID, with its five arguments, as a host calls it.
        const QImage direct = target;
        target.fill(Qt::white);
        painter.begin(&target);
        QVERIFY(dispatch(&c, 51, DispKind::Call, {handle, 0, 0, 200, 100}).ok());
        painter.end();
        unregisterPainter(handle);
        QCOMPARE(target, direct);
        QCOMPARE(c.hDC(), 0);
        QVERIFY(c.HasDC());
    }

    void pressMovesTheCursorBeforeTheStockEvent() {
        auto c = shownControl();
        QVERIFY(c);
        c->setShowCursor(true);
        c->grab();
        QSignalSpy moves(c.get(), &CTreviumCtrl::GraphCursorMove);
        QList<qint32> cursorAtMouseDown;
        QList<QList<int>> downs;
        connect(c.get(), &CTreviumCtrl::MouseDown, this, [&](qint16 b, qint16 s, qint32 x, qint32 y) {
            cursorAtMouseDown << c->cursorPos();
            downs << QList<int>{b, s, x, y};
        });
        const QRect plot = c->plotRect();
        const QPoint mid(plot.left() + plot.width() / 2, plot.center().y());
        QTest::mousePress(c.get(), Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, mid);
        QCOMPARE(moves.size(), 1);
        const qint32 channel = moves[0][2].toInt();
        QVERIFY(channel > 100 && channel < 156);
        QCOMPARE(c->cursorPos(), channel);
        QCOMPARE(cursorAtMouseDown, QList<qint32>{channel});
        QCOMPARE(downs[0], (QList<int>{1, 3, mid.x(), mid.y()}));
        QSignalSpy clicks(c.get(), &CTreviumCtrl::Click);
        QTest::mouseRelease(c.get(), Qt::LeftButton, {}, mid);
        QCOMPARE(clicks.size(), 1);
        QTest::mousePress(c.get(), Qt::RightButton, Qt::AltModifier, mid);
        QCOMPARE(downs.last().mid(0, 2), (QList<int>{2, 4}));
        QCOMPARE(moves.size(), 1); // only the left button moves the cursor
        QTest::mouseRelease(c.get(), Qt::RightButton, {}, mid);
    }

    void keysAndWheelMoveTheCursor() {
        auto c = shownControl();
        QVERIFY(c);
        c->setCursorPos(10);
        c->setFocus();
        QSignalSpy moves(c.get(), &CTreviumCtrl::GraphCursorMove);
        QTest::keyClick(c.get(), Qt::Key_Right);
        QCOMPARE(c->cursorPos(), 11);
        QTest::keyClick(c.get(), Qt::Key_Left);
        QTest::keyClick(c.get(), Qt::Key_Left);
        QCOMPARE(c->cursorPos(), 9);
        QCOMPARE(moves.size(), 3);
        const QPoint at = c->plotRect().center();
        QWheelEvent wheel(at, c->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(c.get(), &wheel);
        QCOMPARE(c->cursorPos(), 10);
        QVERIFY(wheel.isAccepted());
    }

    void draggingTheZoomBoxReportsChanges() {
        auto c = shownControl();
        QVERIFY(c);
        ZoomBox* zoom = c->zoomBox();
        zoom->setVisible(true);
        zoom->setFirstChannel(50);
        zoom->setLastChannel(100);
        c->grab();
        QSignalSpy changes(c.get(), &CTreviumCtrl::ZoomBoxChange);
        const QRect plot = c->plotRect();
        auto xOf = [&](int ch) { return plot.left() + plot.width() * ch / 255; };
        const int y = plot.center().y();
        QTest::mousePress(c.get(), Qt::LeftButton, {}, QPoint(xOf(75), y));
        QTest::mouseMove(c.get(), QPoint(xOf(95), y));
        QTest::mouseRelease(c.get(), Qt::LeftButton, {}, QPoint(xOf(95), y));
        QVERIFY(changes.size() >= 1);
        QVERIFY(zoom->firstChannel() > 55);
        QCOMPARE(zoom->lastChannel() - zoom->firstChannel(), 50);
    }
};

QTEST_MAIN(TstCoreView)
#include "tst_core_view.moc"
