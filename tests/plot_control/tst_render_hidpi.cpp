// High-density screens and the window's kept picture: drawing at device pixel ratios above 1 is at the
// device's own resolution with the geometry unchanged, and the kept picture always equals a fresh
// drawing, whatever changed since the last paint. Runs with QT_SCALE_FACTOR=2 (set in main).
#include "CTreviumCtrl.h"
#include "PlotImageCache.h"
#include "RenderTestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace trevium;

namespace {

QImage freshRender(const PlotView& view, QSize size, qreal ratio, RenderResult* result = nullptr) {
    QImage image(qRound(size.width() * ratio), qRound(size.height() * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(oleColor(view.backColor));
    QPainter painter(&image);
    const RenderResult r = render(painter, QRect(QPoint(0, 0), size), view);
    if (result)
        *result = r;
    return image;
}

// 2 x 2 blocks at even coordinates inside `area` (device pixels) that are not one colour.
int mixedBlocks(const QImage& image, QRect area) {
    int mixed = 0;
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2)
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const QRgb p = image.pixel(x, y);
            mixed +=
                image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p;
        }
    return mixed;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using Change = std::function<void(TestPlot&)>;

// A plot with everything on that a layer or the graph draws.
TestPlot busyPlot() {
    TestPlot p(spectrum(300));
    p.setReference(spectrum(300, 9));
    p.view.showLabels = true;
    p.view.xLabel = QStringLiteral("Channel");
    p.view.yLabel = QStringLiteral("Counts");
    p.view.rois = {RoiSnapshot{80, 100, 0x0000FF, true, QStringLiteral("Cs-137")},
                   RoiSnapshot{200, 220, 0xFF00FF, true, QStringLiteral("K")}};
    p.view.showCursor = true;
    p.view.cursorPos = 150;
    return p;
}

} // namespace

class TestRenderHidpi : public QObject {
    Q_OBJECT

private slots:
    void geometryIsTheSameAtEveryRatio() {
        TestPlot p = busyPlot();
        RenderResult one;
        freshRender(p.view, QSize(533, 353), 1.0, &one);
        for (qreal ratio : {1.25, 1.5, 2.0, 3.0}) {
            RenderResult r;
            const QImage image = freshRender(p.view, QSize(533, 353), ratio, &r);
            QCOMPARE(r.plotRect, one.plotRect);
            QCOMPARE(r.fullScale, one.fullScale);
            QCOMPARE(image.size(), QSize(qRound(533 * ratio), qRound(353 * ratio)));
            // The frame's top-left corner lies where the logical layout puts it.
            const QRgb axis = rgbOfOle(p.view.axisColor);
            QCOMPARE(
                image.pixel(qRound(one.plotRect.left() * ratio), qRound((one.plotRect.top() - 1) * ratio)),
                axis);
        }
    }

    void drawnAtDeviceResolution() {
        // A rising line and tick labels: at ratio 2 neither is the ratio-1 picture with doubled pixels.
        std::vector<qint32> ramp(64);
        for (int i = 0; i < 64; ++i)
            ramp[size_t(i)] = i * 37 % 1000;
        TestPlot p(ramp);
        RenderResult r;
        const QImage one = freshRender(p.view, QSize(400, 300), 1.0, &r);
        const QImage two = freshRender(p.view, QSize(400, 300), 2.0);
        QImage doubled = one.scaled(one.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QRect plot(r.plotRect.topLeft() * 2, r.plotRect.size() * 2);
        const QRect yLabels(0, plot.top(), plot.left() - 12, plot.height());
        const QRect xLabels(plot.left(), plot.bottom() + 12, plot.width(), two.height() - plot.bottom() - 12);
        QCOMPARE(mixedBlocks(doubled, plot), 0);
        for (const QRect& area : {plot, yLabels, xLabels}) {
            QVERIFY(mixedBlocks(two, area) > 20);
            QVERIFY(two.copy(area) != doubled.copy(area));
        }
        // The frame is as thick as the logical pixel it stands for; the graph is one device pixel
        // thick, at the device row of its value: 5 of 10 in 100 device rows lies on row 99 - 50.
        const QRgb axis = rgbOfOle(p.view.axisColor);
        QCOMPARE(countColor(two, axis, QRect(plot.left(), plot.top() - 2, plot.width(), 2)),
                 2 * plot.width());
        TestPlot flat(std::vector<qint32>(64, 5));
        flat.bare();
        const QImage line = freshRender(flat.view, QSize(100, 50), 2.0);
        for (int x = 0; x < 200; ++x)
            QCOMPARE(columnExtent(line, x, rgbOfOle(0)), qMakePair(49, 49));
    }

    void dashesAtDeviceResolution() {
        // A dashed line is the ratio-1 pattern in logical pixels, its last dash included: over a run of
        // sizes the cursor's (9 a period) and the alarm line's (6) last dash starts on the last pixel.
        for (int size = 40; size < 48; ++size) {
            TestPlot p(std::vector<qint32>(64, 0));
            p.bare();
            p.view.graphColor = p.view.backColor; // only the dashed lines show
            p.view.showCursor = true;
            p.view.cursorPos = 20;
            p.view.showAlarm = true;
            p.view.yscale = 10;
            p.view.alarmLevel = 5;
            const QImage one = freshRender(p.view, QSize(size, size), 1.0);
            const QImage two = freshRender(p.view, QSize(size, size), 2.0);
            for (const quint32 ole : {p.view.cursorColor, p.view.alarmColor}) {
                const QRgb c = rgbOfOle(ole);
                QVERIFY(countColor(one, c) > size / 2);
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        QVERIFY2((one.pixel(x, y) == c) == (two.pixel(2 * x + 1, 2 * y + 1) == c),
                                 qPrintable(QStringLiteral("size %1 at %2, %3").arg(size).arg(x).arg(y)));
            }
        }
    }

    void fastPathAtRatioTwo() {
        // More channels than device columns: one stroke per device column, as at ratio 1.
        TestPlot p(spectrum(4096));
        p.bare();
        const QImage two = freshRender(p.view, QSize(200, 100), 2.0);
        const QRgb back = rgbOfOle(p.view.backColor);
        for (int x = 0; x < 400; ++x)
            QVERIFY2(columnExtent(two, x, back).first >= 0, qPrintable(QString::number(x)));
        // The painter back end (clipping on) gives the same pixels as the direct writer.
        QImage viaPainter(400, 200, QImage::Format_RGB32);
        viaPainter.setDevicePixelRatio(2);
        viaPainter.fill(back);
        QPainter painter(&viaPainter);
        painter.setClipRect(QRect(0, 0, 200, 100));
        render(painter, QRect(0, 0, 200, 100), p.view);
        painter.end();
        QCOMPARE(viaPainter, two);
    }

    void keptPictureEqualsFreshDrawing_data() {
        QTest::addColumn<Change>("change");
        const auto row = [](const char* name, Change c) { QTest::newRow(name) << c; };
        row("nothing", [](TestPlot&) {});
        row("one channel", [](TestPlot& p) { p.data[150] += 40; });
        row("new maximum", [](TestPlot& p) { p.data[10] = 90000; });
        row("other data", [](TestPlot& p) {
            p.data = spectrum(300, 77);
            p.view.data = p.data.data();
        });
        row("fewer points", [](TestPlot& p) {
            p.view.npoints = p.view.bufferLength = 200;
            p.view.lastPoint = 199;
        });
        row("no data", [](TestPlot& p) { p.view.data = nullptr; });
        row("window", [](TestPlot& p) {
            p.view.firstPoint = 40;
            p.view.lastPoint = 260;
        });
        row("back colour", [](TestPlot& p) { p.view.backColor = 0x202020; });
        row("grid colour", [](TestPlot& p) { p.view.gridColor = 0x00FFFF; });
        row("axis colour", [](TestPlot& p) { p.view.axisColor = 0xFF0000; });
        row("label colour", [](TestPlot& p) { p.view.labelColor = 0x00FF00; });
        row("graph colour", [](TestPlot& p) { p.view.graphColor = 0xFFFFFF; });
        row("alarm", [](TestPlot& p) {
            p.view.showAlarm = true;
            p.view.alarmLevel = 800;
        });
        row("alarm colour", [](TestPlot& p) {
            p.view.showAlarm = true;
            p.view.alarmColor = 0xFFFF00;
        });
        row("compare", [](TestPlot& p) { p.view.compareMode = true; });
        row("reference colour", [](TestPlot& p) {
            p.view.compareMode = true;
            p.view.referenceColor = 0x00FFFF;
        });
        row("yscale", [](TestPlot& p) { p.view.yscale = 20000; });
        row("log", [](TestPlot& p) { p.view.ymode = 0; });
        row("sqrt", [](TestPlot& p) { p.view.ymode = 2; });
        row("filled", [](TestPlot& p) { p.view.plotFilled = true; });
        row("histogram", [](TestPlot& p) { p.view.graphStyle = 3; });
        row("points", [](TestPlot& p) { p.view.graphStyle = 1; });
        row("per channel", [](TestPlot& p) { p.view.fastDraw = false; });
        row("grid off", [](TestPlot& p) { p.view.showGrid = false; });
        row("grid on top", [](TestPlot& p) { p.view.gridOnTop = true; });
        row("axes off", [](TestPlot& p) { p.view.showAxes = false; });
        row("frame off", [](TestPlot& p) { p.view.showFrame = false; });
        row("ticks off", [](TestPlot& p) { p.view.showTicks = false; });
        row("labels off", [](TestPlot& p) { p.view.showLabels = false; });
        row("x title", [](TestPlot& p) { p.view.xLabel = QStringLiteral("Energy"); });
        row("y title", [](TestPlot& p) { p.view.yLabel = QStringLiteral("Rate"); });
        row("calibration", [](TestPlot& p) {
            p.view.calEnable = true;
            p.view.calSlope = 2.5f;
        });
        row("calibration offset", [](TestPlot& p) {
            p.view.calEnable = true;
            p.view.calOffset = 10;
        });
        row("calibration quadratic", [](TestPlot& p) {
            p.view.calEnable = true;
            p.view.calQuadratic = 0.01f;
        });
        row("ROI moved", [](TestPlot& p) {
            p.view.rois[0].firstChannel = 120;
            p.view.rois[0].lastChannel = 140;
        });
        row("ROI label", [](TestPlot& p) { p.view.rois[1].label = QStringLiteral("Potassium-40"); });
        row("ROIs off", [](TestPlot& p) { p.view.showROIs = false; });
        row("cursor moved", [](TestPlot& p) { p.view.cursorPos = 90; });
        row("short cursor", [](TestPlot& p) { p.view.cursorType = 1; });
        row("cursor off", [](TestPlot& p) { p.view.showCursor = false; });
        row("zoom box", [](TestPlot& p) {
            p.view.zoomVisible = true;
            p.view.zoomFirst = 30;
            p.view.zoomLast = 90;
        });
        row("no ticks under the waterfall", [](TestPlot& p) { p.view.wfHeightRatio = 100; });
        row("waterfall", [](TestPlot& p) {
            p.view.showWaterfall = true;
            p.view.wfLines = {WaterfallLineView{p.data.data(), 300, 3000}};
        });
    }
    void keptPictureEqualsFreshDrawing() {
        QFETCH(Change, change);
        for (qreal ratio : {1.0, 2.0}) {
            TestPlot base = busyPlot();
            TestPlot changed = busyPlot();
            change(changed);
            PlotImageCache cache;
            const QSize size(533, 353);
            cache.render(base.view, size, ratio);
            RenderResult kept;
            QCOMPARE(cache.render(changed.view, size, ratio, &kept), freshRender(changed.view, size, ratio));
            QCOMPARE(kept.plotRect, [&] {
                RenderResult r;
                freshRender(changed.view, size, ratio, &r);
                return r.plotRect;
            }());
            // ...and back again.
            QCOMPARE(cache.render(base.view, size, ratio), freshRender(base.view, size, ratio));
        }
    }

    void widgetAtScaleFactorTwo() {
        CTreviumCtrl plot;
        plot.resize(600, 300);
        plot.setShowCursor(true);
        QTemporaryDir dir;
        const QString before = dir.filePath(QStringLiteral("before.png"));
        QCOMPARE(plot.SaveToPNG(before, 600, 300), 0);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        QCOMPARE(plot.devicePixelRatio(), 2.0);
        const QImage shown = plot.grab().toImage();
        QCOMPARE(shown.size(), QSize(1200, 600));

        // Hit zones and events in logical pixels, as at ratio 1.
        RenderResult r;
        const QImage one = freshRender(plot.plotView(), QSize(600, 300), 1.0, &r);
        QCOMPARE(plot.plotRect(), r.plotRect);
        QCOMPARE(shown, freshRender(plot.plotView(), QSize(600, 300), 2.0).convertToFormat(shown.format()));
        QSignalSpy moves(&plot, &CTreviumCtrl::GraphCursorMove);
        const QPoint press(r.plotRect.left() + r.plotRect.width() / 4, r.plotRect.center().y());
        QTest::mousePress(&plot, Qt::LeftButton, {}, press);
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, press);
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves[0][0].toInt(), press.x());
        QCOMPARE(moves[0][1].toInt(), press.y());
        QCOMPARE(moves[0][2].toInt(),
                 qint32(qint64(press.x() - r.plotRect.left()) * 255 / r.plotRect.width()));

        // The saved image does not depend on the screen: the same bytes as before the window was shown.
        plot.setCursorPos(0);
        plot.setShowCursor(false);
        const QString after = dir.filePath(QStringLiteral("after.png"));
        QCOMPARE(plot.SaveToPNG(after, 600, 300), 0);
        QCOMPARE(fileBytes(after), fileBytes(before));
        QCOMPARE(QImage(after).convertToFormat(QImage::Format_RGB32), one);
    }
};

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestRenderHidpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_render_hidpi.moc"
