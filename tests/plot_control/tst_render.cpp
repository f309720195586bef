// Renderer geometry: full scale, margins, baseline, ROI and alarm colouring, log grid, cursor, zoom box,
// waterfall band, the per-column fast path and degenerate windows.
#include "GraphCanvas.h"
#include "PainterHandles.h"
#include "RenderTestSupport.h"

#include <QFontMetrics>
#include <QPixmap>
#include <QtTest>

using namespace trevium;

namespace {

constexpr quint32 kGreen = 0x00FF00;
constexpr quint32 kRed = 0x0000FF;  // OLE: 0x00BBGGRR
constexpr quint32 kBlue = 0xFF0000; // OLE blue
constexpr quint32 kWhite = 0xFFFFFF;

QFont arial(int px) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(px);
    f.setStyleStrategy(QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

} // namespace

class TestRender : public QObject {
    Q_OBJECT

private slots:
    void fullScaleTable_data() {
        QTest::addColumn<qint64>("maxValue");
        QTest::addColumn<int>("yscale");
        QTest::addColumn<int>("labelRoom");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fullScale");
        QTest::newRow("all zero") << 0LL << 0 << 0 << 300 << 10;
        QTest::newRow("yscale 70") << 5LL << 70 << 0 << 300 << 100;
        QTest::newRow("yscale -70") << 5LL << -70 << 0 << 300 << 100;
        QTest::newRow("yscale beyond the table") << 1234LL << 2000000000 << 0 << 300 << 1234;
        QTest::newRow("yscale at an entry") << 5LL << 100 << 0 << 300 << 100;
        QTest::newRow("yscale one below") << 5LL << 99 << 0 << 300 << 100;
        QTest::newRow("yscale one above") << 5LL << 101 << 0 << 300 << 150;
        QTest::newRow("yscale at the last entry") << 5LL << 1000000000 << 0 << 300 << 1000000000;
        QTest::newRow("max 95") << 95LL << 0 << 0 << 300 << 100;
        QTest::newRow("max 95, label 40") << 95LL << 0 << 40 << 300 << 150;
        QTest::newRow("max -95") << -95LL << 0 << 0 << 300 << 100; // magnitude counts
        // The maximum must stay strictly below the scale.
        QTest::newRow("max at an entry") << 100LL << 0 << 0 << 300 << 150;
        QTest::newRow("max one below") << 99LL << 0 << 0 << 300 << 100;
        QTest::newRow("max one above") << 101LL << 0 << 0 << 300 << 150;
        QTest::newRow("max at the first entry") << 10LL << 0 << 0 << 300 << 20;
        QTest::newRow("max one below the first") << 9LL << 0 << 0 << 300 << 10;
        // 90 + 100 x (label + 1) / 300 < 100 holds up to a 28-pixel label.
        QTest::newRow("label room fits") << 90LL << 0 << 28 << 300 << 100;
        QTest::newRow("label room one over") << 90LL << 0 << 29 << 300 << 150;
        QTest::newRow("beyond the table") << 2000000000LL << 0 << 0 << 300 << 2000000000;
        QTest::newRow("stays positive") << -2147483648LL << 0 << 0 << 0 << 2147483647;
        QTest::newRow("zero height") << 95LL << 0 << 40 << 0 << 95; // one pixel: nothing fits
        // Each entry of the published ladder: for a maximum one below it, and as a fixed scale.
        for (const qint64 entry :
             {10,       20,        30,        40,        50,        60,        100,      150,      200,
              250,      300,       400,       500,       1000,      1500,      2000,     3000,     4000,
              5000,     10000,     20000,     30000,     40000,     50000,     100000,   200000,   300000,
              400000,   500000,    1000000,   2000000,   3000000,   5000000,   10000000, 20000000, 30000000,
              50000000, 100000000, 200000000, 300000000, 500000000, 1000000000}) {
            QTest::newRow(qPrintable(u"ladder max %1"_qs.arg(entry - 1)))
                << entry - 1 << 0 << 0 << std::numeric_limits<int>::max() << int(entry);
            QTest::newRow(qPrintable(u"ladder yscale %1"_qs.arg(entry)))
                << 5LL << int(entry) << 0 << 300 << int(entry);
        }
    }
    void fullScaleTable() {
        QFETCH(qint64, maxValue);
        QFETCH(int, yscale);
        QFETCH(int, labelRoom);
        QFETCH(int, height);
        QFETCH(int, fullScale);
        QCOMPARE(chooseFullScale(maxValue, yscale, labelRoom, height), fullScale);
    }

    void fullScaleThroughRender() {
        TestPlot zeros(std::vector<qint32>(64, 0));
        RenderResult r;
        renderImage(zeros.bare().view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 10);

        TestPlot p(std::vector<qint32>(64, 95));
        p.bare();
        p.view.yscale = 70;
        renderImage(p.view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 100);
        p.view.yscale = -70;
        renderImage(p.view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 100);
        p.view.yscale = 1500000000;
        renderImage(p.view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 95);

        // A labelled ROI needs room above the maximum; the room is at most half the plot height.
        p.view.yscale = 0;
        renderImage(p.view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 100);
        p.view.rois = {RoiSnapshot{10, 20, kRed, true, QStringLiteral("Peak")}};
        renderImage(p.view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 150);
        p.view.rois[0].label = QString(40, QLatin1Char('W'));
        renderImage(p.view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 200);
        p.view.rois[0].visible = false; // invisible items leave no room
        renderImage(p.view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 100);
        p.view.rois[0].visible = true;
        p.view.showROIs = false;
        renderImage(p.view, QSize(200, 300), &r);
        QCOMPARE(r.fullScale, 100);
    }

    void marginsAndPlotRect() {
        TestPlot p(std::vector<qint32>(256, 0));
        RenderResult r;
        // Font height 300 / 40 + 8 = 15.
        const QFontMetrics fm(arial(15));
        const int w = fm.horizontalAdvance(QStringLiteral("88888"));
        const int h = fm.height();
        renderImage(p.view, QSize(600, 300), &r);
        QCOMPARE(r.plotRect, QRect(QPoint(w + 10, 10), QPoint(589, 300 - 10 - h - 1)));
        QVERIFY(r.waterfallRect.isEmpty());

        p.view.showLabels = true;
        renderImage(p.view, QSize(600, 300), &r);
        QCOMPARE(r.plotRect, QRect(QPoint(w + 10 + h, 10), QPoint(589, 300 - 10 - h - (h + 15 - 17) - 1)));

        p.view.showTicks = false;
        renderImage(p.view, QSize(600, 300), &r);
        QCOMPARE(r.plotRect, QRect(0, 0, 600, 300));

        // The rectangle may start anywhere in the target.
        renderInto(p.view, QSize(400, 400), QRect(30, 40, 200, 100), &r);
        QCOMPARE(r.plotRect, QRect(30, 40, 200, 100));
    }

    void baselineAndBackground() {
        TestPlot p(std::vector<qint32>(102, 0));
        p.bare();
        p.view.backColor = 0x203040;
        const QImage image = renderImage(p.view, QSize(101, 50));
        const QRgb back = rgbOfOle(0x203040);
        const QRgb graph = rgbOfOle(kGreen);
        for (int x = 0; x < 101; ++x) {
            QCOMPARE(image.pixel(x, 49), graph);
            QCOMPARE(columnExtent(image, x, back), qMakePair(49, 49));
        }
    }

    void backgroundIsLeftAlone() {
        TestPlot p(spectrum(256));
        p.view.backColor = 0x123456;
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        render(painter, image.rect(), p.view);
        painter.end();
        // The renderer never fills: the corners keep the caller's colour.
        QCOMPARE(image.pixel(0, 0), QColor(Qt::magenta).rgb());
        QCOMPARE(image.pixel(299, 199), QColor(Qt::magenta).rgb());
    }

    // A line's pixels: in each column the row nearest the ideal line (a half rounds away from the left
    // end); steeper than 45 degrees, each row in the column nearest to it.
    void linesTakeTheNearestPixels_data() {
        QTest::addColumn<QList<int>>("ends"); // x0, y0, x1, y1
        QTest::newRow("shallow, down") << QList<int>{0, 0, 10, 3};
        QTest::newRow("shallow, up") << QList<int>{0, 0, 10, -3};
        QTest::newRow("exact halves") << QList<int>{0, 5, 4, 7};
        QTest::newRow("right to left") << QList<int>{10, 3, 0, 0};
        QTest::newRow("steep, down") << QList<int>{0, 0, 3, 10};
        QTest::newRow("steep, up") << QList<int>{0, 10, 4, 0};
        QTest::newRow("vertical") << QList<int>{5, 9, 5, 5};
        QTest::newRow("horizontal") << QList<int>{2, 2, 7, 2};
        QTest::newRow("one point") << QList<int>{3, 3, 3, 3};
    }
    void linesTakeTheNearestPixels() {
        QFETCH(QList<int>, ends);
        QSet<QPair<int, int>> drawn;
        GraphCanvas::forEachLineColumn(ends[0], ends[1], ends[2], ends[3], [&](int x, int ya, int yb) {
            for (int y = qMin(ya, yb); y <= qMax(ya, yb); ++y)
                drawn.insert({x, y});
        });
        int x0 = ends[0], y0 = ends[1], x1 = ends[2], y1 = ends[3];
        if (x1 < x0) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        const int dx = x1 - x0, dy = y1 - y0, sy = dy < 0 ? -1 : 1;
        // floor(a / b + 1/2) for b > 0: the nearest whole number, a half rounded up.
        const auto nearest = [](int a, int b) { return int(std::floor((2.0 * a + b) / (2.0 * b))); };
        QSet<QPair<int, int>> expected;
        if (std::abs(dy) <= dx)
            for (int k = 0; k <= dx; ++k)
                expected.insert({x0 + k, y0 + sy * (dx ? nearest(k * std::abs(dy), dx) : 0)});
        else
            for (int t = 0; t <= std::abs(dy); ++t)
                expected.insert({x0 + nearest(t * dx, std::abs(dy)), y0 + sy * t});
        QCOMPARE(drawn, expected);
    }

    // Whatever is shown, nothing is drawn outside the target rectangle. (Without the axes' margins the
    // last channel's column is the rectangle's right edge, drawn on as a frame would be.)
    void everythingStaysInsideTheRect() {
        TestPlot p(spectrum(256));
        p.view.xLabel = p.view.yLabel = u"Title"_qs;
        p.view.showAlarm = true;
        p.view.alarmLevel = 50;
        p.view.showCursor = true;
        p.view.cursorPos = 255;
        p.view.zoomVisible = true;
        p.view.zoomFirst = 0;
        p.view.zoomLast = 255;
        p.view.showROIs = true;
        p.view.rois = {RoiSnapshot{200, 255, kRed, true, u"Peak"_qs}};
        std::vector<qint32> line(256, 7);
        p.view.showWaterfall = true;
        p.view.wfLines = {WaterfallLineView{line.data(), 256, 10}};
        p.view.wfShowCursor = true;
        p.view.wfCursorX = 255;
        QImage image(320, 220, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        const QRect rect(10, 10, 300, 200);
        QPainter painter(&image);
        render(painter, rect, p.view);
        painter.end();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!rect.contains(x, y))
                    QVERIFY2(image.pixel(x, y) == QColor(Qt::magenta).rgb(),
                             qPrintable(u"%1, %2"_qs.arg(x).arg(y)));
    }

    void endLabelsStayInsideTheRect() {
        // 0..128 channels read as 0..100 %: the last label "100" is wider than the right margin.
        TestPlot p(std::vector<qint32>(129, 0));
        p.view.firstPoint = 0;
        p.view.lastPoint = 128;
        p.view.calEnable = true;
        p.view.calSlope = 100.0f / 128.0f;
        p.view.labelColor = kWhite;
        p.view.backColor = 0;
        QImage image(700, 400, QImage::Format_RGB32);
        image.fill(Qt::black);
        const QRect rect(50, 20, 533, 353);
        QPainter painter(&image);
        const RenderResult r = render(painter, rect, p.view);
        painter.end();
        const QRgb white = rgbOfOle(kWhite);
        int rightmostLabel = -1;
        for (int y = r.plotRect.bottom() + 2; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == white)
                    rightmostLabel = qMax(rightmostLabel, x);
        QVERIFY(rightmostLabel > r.plotRect.right() - 20); // the end label is drawn...
        QVERIFY(rightmostLabel <= rect.right());           // ...and not cut off at the rect's edge
    }

    void roiColouring() {
        TestPlot p(std::vector<qint32>(102, 5));
        p.bare();
        p.view.graphStyle = 1; // points: one column per channel
        p.view.rois = {RoiSnapshot{20, 30, kRed, true, {}}, RoiSnapshot{25, 60, kBlue, true, {}},
                       RoiSnapshot{70, 80, kWhite, false, {}}};
        QImage image = renderImage(p.view, QSize(101, 50));
        const int row = 49 - 5 * 50 / 10;
        for (int x = 0; x < 101; ++x) {
            const QRgb want = x >= 20 && x <= 30  ? rgbOfOle(kRed)
                              : x > 30 && x <= 60 ? rgbOfOle(kBlue)
                                                  : rgbOfOle(kGreen);
            QCOMPARE(image.pixel(x, row), want);
            QCOMPARE(image.pixel(x, row - 1), want);
        }
        // A reversed ROI colours nothing and draws no label; HeightRatio 100 turns ROIs off.
        p.view.rois = {RoiSnapshot{30, 20, kRed, true, QStringLiteral("Reversed")}};
        image = renderImage(p.view, QSize(101, 50));
        QCOMPARE(countColor(image, rgbOfOle(kRed)), 0);
        p.view.rois = {RoiSnapshot{20, 30, kRed, true, {}}};
        p.view.wfHeightRatio = 100;
        image = renderImage(p.view, QSize(101, 50));
        QCOMPARE(countColor(image, rgbOfOle(kRed)), 0);
    }

    void roiLabelStandsAbovePeak() {
        std::vector<qint32> v(102, 1);
        v[50] = 60;
        TestPlot p(v);
        p.bare();
        p.view.labelColor = kWhite;
        p.view.rois = {RoiSnapshot{45, 55, kRed, true, QStringLiteral("Pk")}};
        RenderResult r;
        const QImage image = renderImage(p.view, QSize(101, 200), &r);
        const int peakRow = 199 - int(60LL * 200 / r.fullScale);
        const auto labelBoxOf = [&](const QImage& picture) {
            QRect box;
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 101; ++x)
                    if (picture.pixel(x, y) == rgbOfOle(kRed) && y < peakRow - 1)
                        box |= QRect(x, y, 1, 1);
            return box;
        };
        const QRect labelBox = labelBoxOf(image);
        QVERIFY(!labelBox.isEmpty());
        QVERIFY(labelBox.bottom() <= peakRow - 1);
        QVERIFY(labelBox.bottom() >= peakRow - 4); // standing on the peak, not floating above it
        QVERIFY(labelBox.left() >= 40 && labelBox.right() <= 60);
        QVERIFY(labelBox.height() > labelBox.width()); // rotated text is tall and narrow

        // A higher reference counts only in compare mode.
        std::vector<qint32> reference(102, 1);
        reference[50] = 90;
        p.setReference(reference);
        QCOMPARE(labelBoxOf(renderImage(p.view, QSize(101, 200), &r)), labelBox);
    }

    void alarmColouring() {
        TestPlot p(spectrum(101));
        p.bare();
        p.view.showAlarm = true;
        p.view.alarmLevel = 1000;
        p.view.yscale = 4000;
        p.view.fastDraw = false;
        QImage image;
        const int alarmRow = 199 - 1000 * 200 / 4000;
        const QRgb alarm = rgbOfOle(kRed);
        const QRgb graph = rgbOfOle(kGreen);
        for (qint16 style : {qint16(3), qint16(2)}) { // a histogram's rising edges are drawn downwards
            p.view.graphStyle = style;
            image = renderImage(p.view, QSize(101, 200));
            QVERIFY(countColor(image, alarm, QRect(0, 0, 101, alarmRow - 2)) > 10);
            QCOMPARE(countColor(image, graph, QRect(0, 0, 101, alarmRow)), 0);
            QVERIFY(countColor(image, graph, QRect(0, alarmRow + 2, 101, 200 - alarmRow - 2)) > 50);
        }

        // In compare mode nothing above the alarm row is recoloured.
        p.setReference(std::vector<qint32>(101, 0));
        p.view.compareMode = true;
        image = renderImage(p.view, QSize(101, 200));
        QCOMPARE(countColor(image, alarm, QRect(0, 0, 101, alarmRow - 2)), 0);
        QVERIFY(countColor(image, graph, QRect(0, 0, 101, alarmRow - 2)) > 10);
    }

    void compareIntersectionIsMeanColour() {
        TestPlot p(std::vector<qint32>(102, 20));
        p.setReference(std::vector<qint32>(102, 10));
        p.bare();
        p.view.compareMode = true;
        p.view.plotFilled = true;
        p.view.yscale = 40;
        p.view.graphColor = 0x0051C8;     // red 200, green 81
        p.view.referenceColor = 0x641E00; // green 30, blue 100
        for (bool fast : {false, true}) {
            p.view.fastDraw = fast;
            const QImage image = renderImage(p.view, QSize(fast ? 50 : 101, 100));
            const int dataTop = 99 - 20 * 100 / 40;
            const int refTop = 99 - 10 * 100 / 40;
            const int x = 30;
            QCOMPARE(image.pixel(x, 99), qRgb(100, 55, 50));
            QCOMPARE(image.pixel(x, refTop + 1), qRgb(100, 55, 50));
            // The per-column path starts each column's reference stroke at the previous top.
            QCOMPARE(image.pixel(x, refTop), fast ? qRgb(0, 30, 100) : qRgb(100, 55, 50));
            QCOMPARE(image.pixel(x, refTop - 1), qRgb(200, 81, 0));
            QCOMPARE(image.pixel(x, dataTop), qRgb(200, 81, 0));
            QCOMPARE(image.pixel(x, dataTop - 1), qRgb(0, 0, 0));
        }
        // Points are never filled, so there is no overlap to colour.
        p.view.graphStyle = 1;
        p.view.fastDraw = false;
        QCOMPARE(countColor(renderImage(p.view, QSize(101, 100)), qRgb(100, 55, 50)), 0);
    }

    // Unfilled, compare mode draws the graph stroke for stroke as without a reference (here one
    // along the baseline row), on both paths.
    void compareModeDrawsTheSameTrace() {
        TestPlot p(spectrum(1001));
        p.setReference(std::vector<qint32>(p.data.size(), 0));
        p.bare();
        p.view.plotFilled = false;
        p.view.yscale = 4000;
        const QRect above(0, 0, 100, 49);
        for (bool fast : {false, true}) {
            p.view.fastDraw = fast;
            p.view.compareMode = false;
            const QImage alone = renderImage(p.view, QSize(100, 50)).copy(above);
            p.view.compareMode = true;
            QCOMPARE(renderImage(p.view, QSize(100, 50)).copy(above), alone);
        }
    }

    // The titles' text follows the target's height, 13 to 20 pixels; the rotated y title is set two
    // pixels smaller, within 12 to 16.
    void titleFontsFollowTheHeight_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("xPixels");
        QTest::addColumn<int>("yPixels");
        QTest::newRow("small: 13 and 12 at least") << 200 << 13 << 12;
        QTest::newRow("middle") << 360 << 17 << 15;
        QTest::newRow("tall: 20 and 16 at most") << 600 << 20 << 16;
    }
    void titleFontsFollowTheHeight() {
        QFETCH(int, height);
        QFETCH(int, xPixels);
        QFETCH(int, yPixels);
        const QString title = u"Counts per second"_qs;
        TestPlot p(std::vector<qint32>(100, 0));
        p.bare();
        p.view.showTicks = p.view.showLabels = true; // the titles come with the tick labels
        const QImage bare = renderImage(p.view, QSize(300, height));
        p.view.xLabel = p.view.yLabel = title;
        const QImage titled = renderImage(p.view, QSize(300, height));
        // The titles' ink: what they add to the drawing, the y title's left of x = 22.
        const QRect yInk = differenceBox(titled, bare, QRect(0, 0, 22, height));
        const QRect xInk = differenceBox(titled, bare, QRect(22, 0, 300 - 22, height));
        auto textInk = [&](int pixels, int angle) {
            QFont font(u"Arial"_qs);
            font.setPixelSize(pixels);
            font.setStyleStrategy(QFont::NoAntialias);
            font.setHintingPreference(QFont::PreferFullHinting);
            QImage blank(400, 400, QImage::Format_RGB32);
            blank.fill(Qt::black);
            QImage image = blank;
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.translate(200, 200);
            painter.rotate(angle);
            painter.drawText(QRect(-200, 0, 400, 40), Qt::AlignHCenter | Qt::AlignTop, title);
            painter.end();
            return differenceBox(image, blank, image.rect()).size();
        };
        QCOMPARE(xInk.size(), textInk(xPixels, 0));
        QCOMPARE(yInk.size(), textInk(yPixels, -90));
    }

    // Grid, axes, frame, ticks and alarm line each show on their own, the others off.
    void eachAxisPartShowsAlone() {
        auto render = [](void (*set)(PlotView&)) {
            TestPlot p(std::vector<qint32>(256, 100));
            p.view.showGrid = p.view.showAxes = p.view.showFrame = p.view.showTicks = p.view.showAlarm =
                false;
            p.view.alarmLevel = 50;
            set(p.view);
            return renderImage(p.view, QSize(300, 200));
        };
        const QImage none = render([](PlotView&) {});
        for (auto set : {+[](PlotView& v) { v.showGrid = true; }, +[](PlotView& v) { v.showAxes = true; },
                         +[](PlotView& v) { v.showFrame = true; }, +[](PlotView& v) { v.showTicks = true; },
                         +[](PlotView& v) { v.showAlarm = true; }})
            QVERIFY(render(set) != none);
    }

    // The frame closes around the plot on all four sides (in the margins the ticks make).
    void theFrameClosesAroundThePlot() {
        TestPlot p(std::vector<qint32>(256, 0));
        p.view.showGrid = p.view.showAxes = false;
        p.view.axisColor = 0x00FFFF;
        RenderResult r;
        const QImage image = renderImage(p.view, QSize(300, 200), &r);
        const QRgb frame = rgbOfOle(0x00FFFF);
        const QRect pr = r.plotRect;
        const int midX = pr.center().x(), midY = pr.center().y();
        QCOMPARE(image.pixel(pr.left(), midY), frame);
        QCOMPARE(image.pixel(pr.left() + pr.width(), midY), frame);
        QCOMPARE(image.pixel(midX, pr.top() - 1), frame);
        QCOMPARE(image.pixel(midX, pr.top() + pr.height() - 1), frame);
        QCOMPARE(image.pixel(midX, midY), rgbOfOle(p.view.backColor));
    }

    void logDecadesAndMinorGrid() {
        TestPlot p(std::vector<qint32>(256, 0));
        p.view.ymode = 0;
        p.view.yscale = 1000;
        p.view.showAxes = p.view.showFrame = false;
        p.view.gridOnTop = true;
        p.view.gridColor = 0x00FFFF;
        RenderResult r;
        const QImage image = renderImage(p.view, QSize(600, 400), &r);
        QCOMPARE(r.fullScale, 1000);
        const QRect pr = r.plotRect;
        const int H = pr.height();
        const int B = pr.top() + H;
        QSet<int> expected{pr.top() - 1}; // 1000 sits one row above the plot top
        for (int j = 0; j <= 2; ++j)
            for (int m = 1; m <= 9; ++m)
                expected.insert(B - 1 - int(std::log10(m * std::pow(10.0, j)) * H / 3.0));
        QSet<int> found;
        const QRgb grid = rgbOfOle(0x00FFFF);
        for (int y = pr.top() - 1; y < B; ++y)
            if (countColor(image, grid, QRect(pr.left(), y, pr.width(), 1)) > pr.width() / 5)
                found.insert(y);
        QCOMPARE(found, expected);

        // A decade beyond a full scale that is not a power of ten (50: decades up to round(1.7) = 2)
        // is neither drawn nor labelled, in any mode: nothing lands above the target rectangle.
        for (qint16 mode : {qint16(0), qint16(1), qint16(2)}) {
            p.view.ymode = mode;
            p.view.yscale = 50;
            const QImage tall = renderInto(p.view, QSize(600, 500), QRect(0, 200, 600, 300));
            QCOMPARE(countColor(tall, qRgb(0, 0, 0), QRect(0, 0, 600, 200)), 600 * 200);
        }
    }

    void sqrtGridRows() {
        // F 100: a line at 0, minor lines at 1..9 and 10..90, rows trunc(99 - sqrt(v) x 100 / 10).
        TestPlot p(std::vector<qint32>(64, 0));
        p.bare();
        p.view.showGrid = p.view.gridOnTop = true;
        p.view.gridColor = 0x00FFFF;
        p.view.ymode = 2;
        p.view.yscale = 100;
        const QImage image = renderImage(p.view, QSize(200, 100));
        QSet<int> expected;
        for (int v : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 20, 30, 40, 50, 60, 70, 80, 90})
            expected.insert(int(std::trunc(99 - std::sqrt(double(v)) * 100 / 10)));
        QSet<int> found;
        for (int y = 0; y < 100; ++y)
            if (countColor(image, rgbOfOle(0x00FFFF), QRect(0, y, 200, 1)) > 40)
                found.insert(y);
        QCOMPARE(found, expected);
    }

    void linearGridRows_data() {
        QTest::addColumn<int>("yscale");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("step"); // the nice value of F / clamp(height / 3h, 2, 10)
        QTest::newRow("100 / 6 = 16: 10") << 100 << 300 << 10;
        QTest::newRow("200 / 6 = 33: 50") << 200 << 335 << 50; // 335 / 48 just below 7
        QTest::newRow("200 / 7 = 28: 20") << 200 << 336 << 20; // 336 / 48 exactly 7
        QTest::newRow("150 / 2 = 75: 50") << 150 << 100 << 50;
        QTest::newRow("60 / 7 = 8: 10") << 60 << 400 << 10;
        QTest::newRow("at most 10 divisions") << 200 << 1000 << 20;
        QTest::newRow("at least 2 divisions") << 20 << 50 << 10;
    }
    void linearGridRows() {
        QFETCH(int, yscale);
        QFETCH(int, height);
        QFETCH(int, step);
        TestPlot p(std::vector<qint32>(64, 0));
        p.bare();
        p.view.showGrid = p.view.gridOnTop = true;
        p.view.gridColor = 0x00FFFF;
        p.view.yscale = yscale;
        // One spare row above the plot: the full-scale line lies at top - 1.
        const QImage image = renderInto(p.view, QSize(200, height + 1), QRect(0, 1, 200, height));
        QSet<int> expected;
        for (int v = 0; v <= yscale; v += step)
            expected.insert(height - v * height / yscale);
        const QRgb grid = rgbOfOle(0x00FFFF);
        QSet<int> found;
        for (int y = 0; y <= height; ++y)
            if (countColor(image, grid, QRect(0, y, 200, 1)) > 40)
                found.insert(y);
        QCOMPARE(found, expected);
        const int middle = height - step * height / yscale; // dotted: 1 on, 2 off
        for (int x = 0; x < 200; ++x) {
            const bool crossing = countColor(image, grid, QRect(x, 0, 1, height)) > height / 4;
            QVERIFY2(crossing || (image.pixel(x, middle) == grid) == (x % 3 == 0),
                     qPrintable(QString::number(x)));
        }
    }

    // Every scale mode at the full scale, just below it, in between and at the baseline: a flat
    // graph of value v lies on row 99 - trunc(T(v) x 100 / T(F)), raised to the top.
    void scaleModeRows_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("yscale");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("row");
        QTest::newRow("lin at full scale") << 1 << 100 << 100 << 0;
        QTest::newRow("lin above it") << 1 << 100 << 150 << 0;
        QTest::newRow("lin one below") << 1 << 100 << 99 << 0;
        QTest::newRow("lin two below") << 1 << 100 << 98 << 1;
        QTest::newRow("lin middle") << 1 << 100 << 50 << 49;
        QTest::newRow("lin one above zero") << 1 << 100 << 1 << 98;
        QTest::newRow("lin at the baseline") << 1 << 100 << 0 << 99;
        QTest::newRow("lin below zero") << 1 << 100 << -5 << 99;
        QTest::newRow("log at full scale") << 0 << 1000 << 1000 << 0;
        QTest::newRow("log one below") << 0 << 1000 << 999 << 0;
        QTest::newRow("log a decade") << 0 << 1000 << 10 << 66;
        QTest::newRow("log two decades") << 0 << 1000 << 100 << 33;
        QTest::newRow("log at one") << 0 << 1000 << 1 << 99;
        QTest::newRow("log at zero") << 0 << 1000 << 0 << 99;
        QTest::newRow("log two") << 0 << 1000 << 2 << 89;
        QTest::newRow("sqrt at full scale") << 2 << 100 << 100 << 0;
        QTest::newRow("sqrt one below") << 2 << 100 << 99 << 0;
        QTest::newRow("sqrt a quarter") << 2 << 100 << 25 << 49;
        QTest::newRow("sqrt one") << 2 << 100 << 1 << 89;
        QTest::newRow("sqrt at the baseline") << 2 << 100 << 0 << 99;
        QTest::newRow("sqrt below zero") << 2 << 100 << -9 << 99;
    }
    void scaleModeRows() {
        QFETCH(int, mode);
        QFETCH(int, yscale);
        QFETCH(int, value);
        QFETCH(int, row);
        TestPlot p(std::vector<qint32>(101, value));
        p.bare();
        p.view.ymode = qint16(mode);
        p.view.yscale = yscale;
        for (bool fast : {false, true}) {
            p.view.fastDraw = fast;
            const QImage image = renderImage(p.view, QSize(fast ? 50 : 101, 100));
            for (int x : {0, 25, image.width() - 1})
                QCOMPARE(columnExtent(image, x, rgbOfOle(0)), qMakePair(row, row));
        }
    }

    // In the fast path the two pixels at each end of a column take the colour of their end's value:
    // a low end on the alarm row stays in the graph colour, seen in the alarm line's gaps.
    void fastColumnEndsAtTheAlarmRow() {
        std::vector<qint32> values(400);
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = i % 2 ? 80 : 50; // rows 19 and 49, the alarm's
        TestPlot p(values);
        p.bare();
        p.view.showAlarm = true;
        p.view.alarmLevel = 50;
        p.view.yscale = 100;
        const QImage image = renderImage(p.view, QSize(100, 100));
        const QRgb alarm = rgbOfOle(kRed), graph = rgbOfOle(kGreen);
        for (int x = 0; x < 96; ++x) {
            QCOMPARE(image.pixel(x, 18), alarm); // above the high end
            if (x % 6 >= 4)                      // in a gap of the alarm line's dashes
                for (int y : {48, 49})
                    QVERIFY2(image.pixel(x, y) == graph, qPrintable(u"%1, %2"_qs.arg(x).arg(y)));
        }
    }

    void alarmLineRow_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("row"); // the lower of the line's two rows; -1 for no line
        QTest::newRow("top row's neighbour") << 98 << 1;
        QTest::newRow("on the top row") << 99 << -1;
        QTest::newRow("at the full scale") << 100 << -1;
        QTest::newRow("above the full scale") << 101 << -1;
        QTest::newRow("baseline's neighbour") << 1 << 98;
        QTest::newRow("at the baseline") << 0 << -1;
    }
    void alarmLineRow() {
        QFETCH(int, level);
        QFETCH(int, row);
        TestPlot p(std::vector<qint32>(101, 0));
        p.bare();
        p.view.showAlarm = true;
        p.view.alarmLevel = level;
        p.view.yscale = 100;
        // Row of v: 99 - v. The image is wider than the plot: the line stops at the plot's edge.
        // A dash would begin at x = 97.
        const QImage image = renderInto(p.view, QSize(110, 100), QRect(0, 0, 97, 100));
        const QRgb alarm = rgbOfOle(kRed);
        const QRect aboveBaseline(0, 0, 97, 99);
        if (row < 0) {
            QCOMPARE(countColor(image, alarm, aboveBaseline), 0);
            return;
        }
        const QRect line(0, row - 1, 97, 2);
        for (int y : {row - 1, row}) // dashes of 4 on, 2 off in both rows
            for (int x = 0; x < 97; ++x)
                QVERIFY2((image.pixel(x, y) == alarm) == (x % 6 < 4), qPrintable(u"%1, %2"_qs.arg(x).arg(y)));
        QCOMPARE(countColor(image, alarm), countColor(image, alarm, line));
    }

    void cursorAtWindowEnds_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("pos");
        QTest::addColumn<bool>("drawn");
        for (int type : {0, 1}) {
            const char* name = type ? "short" : "line";
            QTest::addRow("%s on the first point", name) << type << 10 << true;
            QTest::addRow("%s on the last point", name) << type << 90 << true;
            QTest::addRow("%s one before", name) << type << 9 << false;
            QTest::addRow("%s one after", name) << type << 91 << false;
        }
    }
    void cursorAtWindowEnds() {
        QFETCH(int, type);
        QFETCH(int, pos);
        QFETCH(bool, drawn);
        TestPlot p(std::vector<qint32>(102, 3));
        p.bare();
        p.view.firstPoint = 10;
        p.view.lastPoint = 90;
        p.view.showCursor = true;
        p.view.cursorType = qint16(type);
        p.view.cursorPos = pos;
        p.view.cursorColor = 0xFF00FF;
        // Channel c lies at x = c, inside a wider image: a cursor one point outside would show.
        const QImage image = renderInto(p.view, QSize(110, 100), QRect(10, 0, 80, 100));
        const QRgb cursor = rgbOfOle(0xFF00FF);
        if (!drawn) {
            QCOMPARE(countColor(image, cursor), 0);
        } else if (type == 0) {
            QCOMPARE(image.pixel(pos, 0), cursor);
            QCOMPARE(countColor(image, cursor, QRect(pos, 0, 1, 100)), countColor(image, cursor));
        } else {
            const int tip = 99 - 3 * 100 / 10 - 2;
            QCOMPARE(image.pixel(pos, tip), cursor);
            QCOMPARE(image.pixel(pos, tip - 8), cursor);
        }
    }

    void cursorColumn() {
        TestPlot p(std::vector<qint32>(102, 3));
        p.bare();
        p.view.showCursor = true;
        p.view.cursorPos = 40;
        p.view.cursorColor = 0xFF00FF;
        QImage image = renderImage(p.view, QSize(101, 50));
        const QRgb cursor = rgbOfOle(0xFF00FF);
        QCOMPARE(countColor(image, cursor, QRect(40, 0, 1, 50)), countColor(image, cursor));
        for (int y = 0; y < 49; ++y) // dashed 6 on, 3 off down to the baseline
            QVERIFY2((image.pixel(40, y) == cursor) == (y % 9 < 6), qPrintable(QString::number(y)));

        // The short cursor stands above the data point.
        p.view.cursorType = 1;
        image = renderImage(p.view, QSize(101, 100));
        const int y = 99 - 3 * 100 / 10;
        QCOMPARE(image.pixel(40, y - 2), cursor);
        QCOMPARE(image.pixel(40, y - 10), cursor);
        QVERIFY(image.pixel(40, y - 1) != cursor);

        // Outside the window: no cursor.
        p.view.cursorPos = 200;
        image = renderImage(p.view, QSize(101, 100));
        QCOMPARE(countColor(image, cursor), 0);
    }

    void zoomBoxEdges() {
        TestPlot p(std::vector<qint32>(102, 0));
        p.bare();
        p.view.zoomVisible = true;
        p.view.zoomColor = kBlue;
        p.view.zoomFirst = 60; // either order
        p.view.zoomLast = 20;
        QImage image = renderImage(p.view, QSize(101, 50));
        const QRgb zoom = rgbOfOle(kBlue);
        QCOMPARE(image.pixel(20, 25), zoom);
        QCOMPARE(image.pixel(60, 25), zoom);
        QCOMPARE(image.pixel(40, 0), zoom);
        QCOMPARE(image.pixel(40, 48), zoom);
        QVERIFY(image.pixel(40, 25) != zoom);
        QVERIFY(image.pixel(19, 25) != zoom);
        QVERIFY(image.pixel(61, 25) != zoom);

        // A box reaching beyond the left edge has no left edge there.
        p.view.zoomFirst = -5;
        image = renderImage(p.view, QSize(101, 50));
        QVERIFY(image.pixel(0, 25) != zoom);
        QCOMPARE(image.pixel(0, 0), zoom);
    }

    void waterfallBand() {
        TestPlot p(std::vector<qint32>(100, 0));
        p.bare();
        std::vector<qint32> older(100, -50); // negative values stay at LoColor instead of wrapping
        std::vector<qint32> newest(100, 50);
        p.view.showWaterfall = true;
        p.view.wfHeightRatio = 30;
        p.view.wfMaxSize = 2;
        p.view.wfLines = {WaterfallLineView{older.data(), 100, -50},
                          WaterfallLineView{newest.data(), 100, 50}};
        RenderResult r;
        const QImage image = renderImage(p.view, QSize(100, 100), &r);
        QCOMPARE(r.waterfallRect, QRect(0, 70, 100, 30));
        QCOMPARE(r.plotRect, QRect(0, 0, 100, 70));
        QCOMPARE(image.pixel(50, 71), qRgb(255, 255, 255)); // newest line on top
        QCOMPARE(image.pixel(50, 98), qRgb(0, 0, 0));
        // Lines of a single value fill the band's width.
        p.view.wfLines = {WaterfallLineView{older.data(), 1, -50}, WaterfallLineView{newest.data(), 1, 50}};
        QCOMPARE(renderImage(p.view, QSize(100, 100)).pixel(50, 71), qRgb(255, 255, 255));
    }

    // The waterfall's crosshair: dashed 6 on, 3 off, through the middle of its point and its line.
    void waterfallCursorCrossesAtItsPoint() {
        TestPlot p(std::vector<qint32>(100, 0));
        p.bare();
        std::vector<qint32> line(100, 0);
        p.view.showWaterfall = true;
        p.view.wfHeightRatio = 30;
        p.view.wfMaxSize = 3;
        p.view.wfLines = {WaterfallLineView{line.data(), 100, 10}};
        p.view.wfShowCursor = true;
        p.view.wfCursorColor = kBlue;
        p.view.wfCursorX = 49; // of 0..99 across 100 columns: column 50
        p.view.wfCursorY = 1;  // the middle of three rows of 10 pixels: row 70 + 15
        const QImage image = renderImage(p.view, QSize(100, 100));
        const QRgb cursor = rgbOfOle(kBlue);
        for (int y = 70; y < 100; ++y)
            QVERIFY2((image.pixel(50, y) == cursor) == ((y - 70) % 9 < 6 || y == 85),
                     qPrintable(QString::number(y)));
        for (int x = 0; x < 100; ++x)
            QVERIFY2((image.pixel(x, 85) == cursor) == (x % 9 < 6 || x == 50),
                     qPrintable(QString::number(x)));
        QCOMPARE(countColor(image, cursor), countColor(image, cursor, QRect(50, 70, 1, 30)) +
                                                countColor(image, cursor, QRect(0, 85, 100, 1)) - 1);
    }

    // An unfilled histogram draws each bar's top across its width.
    void unfilledHistogramDrawsBarTops() {
        TestPlot p(std::vector<qint32>(10, 5));
        p.bare();
        p.view.graphStyle = 3;
        p.view.plotFilled = false;
        QVERIFY(countColor(renderImage(p.view, QSize(200, 100)), rgbOfOle(p.view.graphColor)) >= 150);
    }

    void fastPathMatchesNormalPath() {
        // Flat data: the per-column path draws exactly what the per-channel path draws.
        TestPlot flat(std::vector<qint32>(1001, 5));
        flat.bare();
        flat.view.fastDraw = false;
        const QImage normalFlat = renderImage(flat.view, QSize(100, 50));
        flat.view.fastDraw = true;
        QCOMPARE(renderImage(flat.view, QSize(100, 50)), normalFlat);

        // A spectrum: every column reaches the same extreme rows as the per-channel path does in
        // that column or a neighbour (the two paths assign boundary channels differently).
        for (bool filled : {false, true}) {
            TestPlot p(spectrum(4001));
            p.bare();
            p.view.plotFilled = filled;
            p.view.fastDraw = false;
            const QImage normal = renderImage(p.view, QSize(200, 150));
            p.view.fastDraw = true;
            const QImage fast = renderImage(p.view, QSize(200, 150));
            const QRgb back = rgbOfOle(0);
            int topNormal = 150, topFast = 150;
            for (int x = 0; x < 200; ++x) {
                const auto f = columnExtent(fast, x, back);
                QVERIFY2(f.first >= 0, qPrintable(QStringLiteral("empty column %1").arg(x)));
                int lo = 1000, hi = -1;
                for (int k = qMax(0, x - 1); k <= qMin(199, x + 1); ++k) {
                    const auto n = columnExtent(normal, k, back);
                    lo = qMin(lo, n.first);
                    hi = qMax(hi, n.first);
                }
                QVERIFY2(f.first >= lo && f.first <= hi, qPrintable(QStringLiteral("column %1").arg(x)));
                topNormal = qMin(topNormal, columnExtent(normal, x, back).first);
                topFast = qMin(topFast, f.first);
            }
            QCOMPARE(topFast, topNormal); // the highest peak is kept
        }
    }

    void directAndPainterBackendsAgree() {
        TestPlot p(spectrum(4096));
        p.view.rois = {RoiSnapshot{1000, 1400, kRed, true, QStringLiteral("A")}};
        p.view.showAlarm = true;
        p.view.alarmLevel = 800;
        for (bool fast : {true, false})
            for (bool filled : {true, false}) {
                p.view.fastDraw = fast;
                p.view.plotFilled = filled;
                const QImage direct = renderImage(p.view, QSize(533, 353));
                QImage viaPainter(533, 353, QImage::Format_RGB32);
                viaPainter.fill(Qt::black);
                QPainter painter(&viaPainter);
                painter.setClipRect(viaPainter.rect()); // clipping forces the QPainter back end
                render(painter, viaPainter.rect(), p.view);
                painter.end();
                QCOMPARE(viaPainter, direct);
                // A pixmap (a host's off-screen buffer) is not an image: it is drawn through QPainter.
                QPixmap pixmap(533, 353);
                pixmap.fill(Qt::black);
                QPainter onPixmap(&pixmap);
                render(onPixmap, pixmap.rect(), p.view);
                onPixmap.end();
                QCOMPARE(pixmap.toImage().convertToFormat(QImage::Format_RGB32), direct);
                // A host's painter that scales (DrawTo into a printer-like target) goes through QPainter.
                QImage scaled(1066, 706, QImage::Format_RGB32),
                    scaledClipped(1066, 706, QImage::Format_RGB32);
                for (QImage* target : {&scaled, &scaledClipped}) {
                    target->fill(Qt::black);
                    QPainter host(target);
                    host.scale(2, 2);
                    if (target == &scaledClipped)
                        host.setClipRect(QRect(0, 0, 533, 353));
                    render(host, QRect(0, 0, 533, 353), p.view);
                }
                QCOMPARE(scaled, scaledClipped);
                const QImage premultiplied =
                    renderImage(p.view, QSize(533, 353), nullptr, QImage::Format_ARGB32_Premultiplied);
                QCOMPARE(premultiplied.convertToFormat(QImage::Format_RGB32), direct);
            }
    }

    void degenerateWindowsDoNotCrash() {
        std::vector<qint32> extremes{
            std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), -5, 0, 7,
            std::numeric_limits<qint32>::max()};
        for (qint16 mode : {qint16(0), qint16(1), qint16(2)})
            for (qint16 style : {qint16(1), qint16(2), qint16(3)})
                for (QSize size : {QSize(0, 0), QSize(1, 1), QSize(1, 400), QSize(400, 1), QSize(70, 40)}) {
                    TestPlot p(extremes);
                    p.setReference(std::vector<qint32>(extremes.rbegin(), extremes.rend()));
                    p.view.ymode = mode;
                    p.view.graphStyle = style;
                    p.view.plotFilled = style != 1;
                    p.view.compareMode = true;
                    p.view.showCursor = p.view.zoomVisible = p.view.showAlarm = p.view.showLabels = true;
                    p.view.showWaterfall = true;
                    p.view.wfShowCursor = true;
                    p.view.wfLines = {
                        WaterfallLineView{p.data.data(), 6, std::numeric_limits<qint32>::max()}};
                    p.view.calEnable = true;
                    p.view.calQuadratic = 1e30f;
                    p.view.rois = {RoiSnapshot{-10, 100, kRed, true, QStringLiteral("R")}};
                    RenderResult r;
                    renderImage(p.view, size.isEmpty() ? QSize(1, 1) : size, &r);
                    QVERIFY(r.plotRect.width() >= 0 && r.plotRect.height() >= 0);
                    QVERIFY(r.fullScale > 0);
                }

        // A single point (Npoints 1) still gets its full scale, frame and axes.
        for (bool compare : {false, true}) {
            TestPlot single(std::vector<qint32>{7});
            single.setReference({7});
            single.view.compareMode = compare;
            RenderResult r;
            const QImage image = renderImage(single.view, QSize(300, 200), &r);
            QCOMPARE(r.fullScale, 10);
            QVERIFY(countColor(image, rgbOfOle(single.view.axisColor)) > 300);
            // The graph starts at the point itself, not at the top of the image.
            const int quarter = r.plotRect.top() + r.plotRect.height() / 4;
            QCOMPARE(countColor(image.copy(0, 0, 300, quarter), rgbOfOle(single.view.graphColor)), 0);
        }
        // The line or bar to the window's last point is drawn.
        for (qint16 style : {qint16(2), qint16(3)}) {
            TestPlot tail(std::vector<qint32>(10, 0));
            tail.view.graphStyle = style;
            const QImage flat = renderImage(tail.view, QSize(300, 200));
            tail.data[9] = 5;
            QVERIFY(renderImage(tail.view, QSize(300, 200)) != flat);
        }

        // One channel shown (span 1), reversed window, no data, a zero-size target.
        TestPlot one(spectrum(300));
        one.view.firstPoint = one.view.lastPoint = 150;
        one.view.showCursor = true;
        one.view.cursorPos = 150;
        RenderResult r;
        QImage image = renderImage(one.view, QSize(300, 200), &r);
        QVERIFY(r.plotRect.width() > 0);
        one.view.firstPoint = 250;
        one.view.lastPoint = 10;
        renderImage(one.view, QSize(300, 200), &r);
        one.view.data = nullptr;
        image = renderImage(one.view, QSize(300, 200), &r);
        QCOMPARE(r.fullScale, 0);
        QCOMPARE(countColor(image, rgbOfOle(0)), 300 * 200); // nothing drawn without data
        QPainter painter(&image);
        r = render(painter, QRect(10, 10, 0, 0), TestPlot(spectrum(10)).view);
        QCOMPARE(r.plotRect.size(), QSize(0, 0));

        // No plot height, no short cursor: its marker would stand over what lies above the target.
        TestPlot flat(spectrum(300));
        flat.bare();
        flat.view.showCursor = true;
        flat.view.cursorType = 1;
        flat.view.cursorPos = 150;
        flat.view.cursorColor = 0x00FFFF;
        const QImage above = renderInto(flat.view, QSize(300, 200), QRect(0, 150, 300, 0));
        QCOMPARE(countColor(above, qRgb(255, 255, 0)), 0);
    }

    void painterHandles() {
        QImage image(10, 10, QImage::Format_RGB32);
        QPainter a(&image);
        QPainter b;
        const qint32 ha = registerPainter(&a);
        const qint32 hb = registerPainter(&b);
        QVERIFY(ha != 0 && hb != 0 && ha != hb);
        QCOMPARE(painterForHandle(ha), &a);
        QCOMPARE(painterForHandle(hb), &b);
        unregisterPainter(ha);
        QCOMPARE(painterForHandle(ha), nullptr);
        QCOMPARE(painterForHandle(0), nullptr);
        QCOMPARE(painterForHandle(-12345), nullptr);
        unregisterPainter(hb);
    }

    void colours() {
        QCOMPARE(oleColor(0x00332211).rgb(), qRgb(0x11, 0x22, 0x33));
        QCOMPARE(oleColor(0x80000005).rgb(), qRgb(255, 255, 255)); // window background
        QCOMPARE(oleColor(0x800000FF).rgb(), qRgb(0, 0, 0));       // unknown index
    }
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"
