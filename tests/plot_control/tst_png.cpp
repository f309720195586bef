// SaveToPNG's file: header fields, size, orientation, pixels equal to an on-screen rendering, and the
// failure statuses that leave no file behind.
#include "PngExport.h"
#include "RenderTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace trevium;

class TestPng : public QObject {
    Q_OBJECT

private slots:
    void writesEightBitRgbTopRowFirst() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        TestPlot p(spectrum(256));
        p.view.backColor = 0x00402010;
        p.view.showLabels = true;
        p.view.xLabel = QStringLiteral("Channel");
        const QString name = dir.filePath(QStringLiteral("spect \u00e9.png")); // UTF-8 file name
        RenderResult r;
        QCOMPARE(savePlotPng(p.view, name.toUtf8(), 600, 300, &r), 0);
        QCOMPARE(r.fullScale, renderResultOf(p.view, QSize(600, 300)).fullScale);

        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
        QCOMPARE(bytes.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 16), 600u);
        QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 20), 300u);
        QCOMPARE(int(quint8(bytes[24])), 8); // bit depth
        QCOMPARE(int(quint8(bytes[25])), 2); // RGB
        QCOMPARE(int(quint8(bytes[28])), 0); // no interlace

        // The decoded image is the rendering itself, top row first; the background is BackColor.
        QImage decoded;
        QVERIFY(decoded.loadFromData(bytes, "PNG"));
        const QImage expected = renderImage(p.view, QSize(600, 300));
        QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32), expected);
        QCOMPARE(decoded.pixel(0, 0), qRgb(0x10, 0x20, 0x40));
        QCOMPARE(decoded.pixel(599, 299), qRgb(0x10, 0x20, 0x40));
    }

    void failuresLeaveNoFile() {
        QTemporaryDir dir;
        TestPlot p(spectrum(64));
        const QString missing = dir.filePath(QStringLiteral("no-such-folder/spect.png"));
        QCOMPARE(savePlotPng(p.view, missing.toUtf8(), 100, 100), -3);
        QVERIFY(!QFile::exists(missing));

        const QString name = dir.filePath(QStringLiteral("spect.png"));
        QCOMPARE(savePlotPng(p.view, name.toUtf8(), 0, 100), -2);
        QCOMPARE(savePlotPng(p.view, name.toUtf8(), 100, -1), -2);
        QCOMPARE(savePlotPng(p.view, name.toUtf8(), 16385, 10), -2);
        QVERIFY(!QFile::exists(name));
        QCOMPARE(savePlotPng(p.view, QByteArray(), 10, 10), -3);
    }

    void largestSideIsAccepted_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("status");
        QTest::newRow("16384 wide") << 16384 << 1 << 0;
        QTest::newRow("16385 wide") << 16385 << 1 << -2;
        QTest::newRow("16384 high") << 1 << 16384 << 0;
        QTest::newRow("16385 high") << 1 << 16385 << -2;
    }
    void largestSideIsAccepted() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, status);
        QTemporaryDir dir;
        TestPlot p(spectrum(64));
        const QString name = dir.filePath(QStringLiteral("edge.png"));
        QCOMPARE(savePlotPng(p.view, name.toUtf8(), width, height), status);
        QCOMPARE(QImage(name).size(), status == 0 ? QSize(width, height) : QSize(0, 0)); // no file: 0 x 0
    }

    void tinyAndEmptyPlots() {
        QTemporaryDir dir;
        TestPlot p(spectrum(64));
        const QString name = dir.filePath(QStringLiteral("one.png"));
        QCOMPARE(savePlotPng(p.view, name.toUtf8(), 1, 1), 0);
        QImage one(name);
        QCOMPARE(one.size(), QSize(1, 1));
        p.view.data = nullptr; // no data: only the background
        QCOMPARE(savePlotPng(p.view, name.toUtf8(), 20, 10), 0);
        QImage empty(name);
        QCOMPARE(empty.size(), QSize(20, 10));
        QCOMPARE(empty.pixel(10, 5), qRgb(0, 0, 0));
    }

private:
    static RenderResult renderResultOf(const PlotView& view, QSize size) {
        RenderResult r;
        renderImage(view, size, &r);
        return r;
    }
};

QTEST_MAIN(TestPng)
#include "tst_png.moc"
