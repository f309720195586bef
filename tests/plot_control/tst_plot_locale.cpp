// The plot speaks no locale: under any default locale its tick, full-scale and cursor labels read
// as in the C locale ("." decimal point, ASCII digits and minus), and ROI labels stand as given.
#include "RenderTestSupport.h"

#include <QPaintEngine>
#include <QRegularExpression>
#include <QTest>

namespace {

// A paint device that keeps the text drawn on it and ignores everything else.
class TextRecorder final : public QPaintDevice {
public:
    QStringList texts;

    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return 480;
        case PdmHeight:
            return 320;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(m);
        }
    }

private:
    class Engine final : public QPaintEngine {
    public:
        explicit Engine(QStringList& texts) : texts_(texts) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts_ << item.text(); }
        Type type() const override { return User; }

    private:
        QStringList& texts_;
    };
    mutable Engine engine_{texts};
};

// A calibrated spectrum whose axis runs from -1.5 to 1.05, with a fixed full scale, the cursor's
// value label and one ROI label.
QStringList labelsDrawn() {
    TestPlot plot(spectrum(256));
    trevium::PlotView& v = plot.view;
    v.calEnable = true;
    v.calOffset = -1.5f;
    v.calSlope = 0.01f;
    v.yscale = 20000;
    v.showCursor = true;
    v.cursorType = 1; // CursorShort, which labels its value
    v.cursorPos = 100;
    v.showROIs = true;
    v.rois.append({20, 40, 0x0000FF, true, QStringLiteral("Cs-137 661.7 keV")});
    TextRecorder recorder;
    {
        QPainter painter(&recorder);
        trevium::render(painter, QRect(0, 0, 480, 320), v);
    }
    return recorder.texts;
}

} // namespace

class TstPlotLocale : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void labelsIgnoreTheDefaultLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::newRow("German: decimal comma") << "de_DE";
        QTest::newRow("French: comma, space grouping") << "fr_FR";
        QTest::newRow("Swedish: minus sign U+2212") << "sv_SE";
        QTest::newRow("Arabic (Egypt): Arabic-Indic digits") << "ar_EG";
    }
    void labelsIgnoreTheDefaultLocale() {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        const QStringList texts = labelsDrawn();
        // Tick labels of both axes, the cursor's value and the ROI label, exactly as in the C locale.
        for (const char* expected : {"-1.5", "-1", "-0.5", "0.5", "1", "5000", "20000", "Cs-137 661.7 keV"})
            QVERIFY2(texts.contains(QLatin1String(expected)),
                     qPrintable(expected + (": " + texts.join(u'|'))));
        QCOMPARE(texts.count(QStringLiteral("-0.5")), 2); // a tick and the cursor's label
        static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?(e[-+][0-9]+)?$"));
        for (const QString& t : texts)
            QVERIFY2(t == QLatin1String("Cs-137 661.7 keV") || number.match(t).hasMatch(), qPrintable(t));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(texts, labelsDrawn());
    }
};

QTEST_MAIN(TstPlotLocale)
#include "tst_plot_locale.moc"
