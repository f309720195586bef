// The Trevium plot control: a widget that shows one-dimensional integer data and exposes the _DTrevium
// automation contract (properties, methods and _DTreviumEvents signals under their contract names)
// to hosts that bind by name (meta-object, scripts) or by DISPID (trevium::dispatch).
//
// C++ hosts use it directly:
//   auto* plot = new CTreviumCtrl(parent);                     // a new control at its defaults
//   plot->loadPropertyBag(bagText);                            // or: stored properties
//   plot->setData(QVariant::fromValue(QList<qint32>{...}));     // copied
//   auto roi = std::make_shared<trevium::RoiInfo>();  plot->roiCollection()->add(roi);
//   plot->calibrationObject()->setEnable(true);
//   plot->SaveToPNG("spect.png", 600, 300);
#pragma once

#include "Events.h"
#include "OwnedObjects.h"
#include "PlotModel.h"
#include "PlotView.h"
#include "PropertyBag.h"
#include "RoiObjects.h"
#include "TreviumEnums.h"

#include <QFont>
#include <QWidget>

#include <memory>

namespace trevium {
class PlotImageCache;
class PointerController;
class ControlPointerHost;
} // namespace trevium

class TREVIUM_EXPORT CTreviumCtrl : public QWidget,
                                    public trevium::Dispatchable,
                                    public trevium::EventSource {
    Q_OBJECT
    // Stock properties.
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabledStock)
    Q_PROPERTY(QFont Font READ font WRITE setFontStock)
    Q_PROPERTY(qint32 hWnd READ hWnd)
    Q_PROPERTY(qint16 BorderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(TreviumCtl::AppearanceEnum Appearance READ appearance WRITE setAppearance)
    // _DTrevium.
    Q_PROPERTY(qint16 Xmin READ xmin WRITE setXmin)
    Q_PROPERTY(qint16 Xmax READ xmax WRITE setXmax)
    Q_PROPERTY(float Ymin READ ymin WRITE setYmin)
    Q_PROPERTY(float Ymax READ ymax WRITE setYmax)
    Q_PROPERTY(qint32 Yscale READ yscale WRITE setYscale)
    Q_PROPERTY(QVariant Data READ data WRITE setData)
    Q_PROPERTY(qint16 Npoints READ npoints WRITE setNpoints)
    Q_PROPERTY(bool PlotFilled READ plotFilled WRITE setPlotFilled)
    Q_PROPERTY(TreviumCtl::ScaleType Ymode READ ymode WRITE setYmode)
    Q_PROPERTY(bool ShowGrid READ showGrid WRITE setShowGrid)
    Q_PROPERTY(TreviumCtl::GraphType GraphStyle READ graphStyle WRITE setGraphStyle)
    Q_PROPERTY(bool ShowAxes READ showAxes WRITE setShowAxes)
    Q_PROPERTY(bool ShowFrame READ showFrame WRITE setShowFrame)
    Q_PROPERTY(bool ShowTicks READ showTicks WRITE setShowTicks)
    Q_PROPERTY(quint32 GraphColor READ graphColor WRITE setGraphColor)
    Q_PROPERTY(quint32 GridColor READ gridColor WRITE setGridColor)
    Q_PROPERTY(quint32 AxisColor READ axisColor WRITE setAxisColor)
    Q_PROPERTY(quint32 LabelColor READ labelColor WRITE setLabelColor)
    Q_PROPERTY(qint32 FirstPoint READ firstPoint WRITE setFirstPoint)
    Q_PROPERTY(qint32 LastPoint READ lastPoint WRITE setLastPoint)
    Q_PROPERTY(TreviumCtl::RollModes RollMode READ rollMode WRITE setRollMode)
    Q_PROPERTY(quint32 AlarmColor READ alarmColor WRITE setAlarmColor)
    Q_PROPERTY(qint32 AlarmLevel READ alarmLevel WRITE setAlarmLevel)
    Q_PROPERTY(bool ShowAlarm READ showAlarm WRITE setShowAlarm)
    Q_PROPERTY(bool GridOnTop READ gridOnTop WRITE setGridOnTop)
    Q_PROPERTY(bool CompareMode READ compareMode WRITE setCompareMode)
    Q_PROPERTY(QVariant ReferenceData READ referenceData WRITE setReferenceData)
    Q_PROPERTY(quint32 ReferenceColor READ referenceColor WRITE setReferenceColor)
    Q_PROPERTY(bool FastDraw READ fastDraw WRITE setFastDraw)
    Q_PROPERTY(bool ShowROIs READ showROIs WRITE setShowROIs)
    Q_PROPERTY(quint32 BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(QString XLabel READ xLabel WRITE setXLabel)
    Q_PROPERTY(QString YLabel READ yLabel WRITE setYLabel)
    Q_PROPERTY(bool ShowLabels READ showLabels WRITE setShowLabels)
    Q_PROPERTY(trevium::RoiCollection* ROI READ hostROI WRITE putROI)
    Q_PROPERTY(trevium::Calibration* Calibration READ hostCalibration WRITE putCalibration)
    Q_PROPERTY(trevium::Waterfall* Waterfall READ hostWaterfall WRITE putWaterfall)
    Q_PROPERTY(bool ShowWaterfall READ showWaterfall WRITE setShowWaterfall)
    Q_PROPERTY(quint32 CursorColor READ cursorColor WRITE setCursorColor)
    Q_PROPERTY(qint32 CursorPos READ cursorPos WRITE setCursorPos)
    Q_PROPERTY(bool ShowCursor READ showCursor WRITE setShowCursor)
    Q_PROPERTY(TreviumCtl::CursorType CursorType READ cursorType WRITE setCursorType)
    Q_PROPERTY(trevium::ZoomBox* ZoomBox READ hostZoomBox WRITE putZoomBox)

public:
    // New: a control initialised as a container initialises one without stored state (the reset
    // values). Bare: only the construction values, for a container that loads stored state next.
    enum class Init { New, Bare };

    explicit CTreviumCtrl(QWidget* parent = nullptr, Init init = Init::New);
    ~CTreviumCtrl() override;

    // Stock properties.
    void setEnabledStock(bool on);
    void setFontStock(const QFont& font);
    qint32 hWnd() const;
    qint16 borderStyle() const { return props_.borderStyle; }
    void setBorderStyle(qint16 style);
    TreviumCtl::AppearanceEnum appearance() const { return TreviumCtl::AppearanceEnum(props_.appearance); }
    void setAppearance(TreviumCtl::AppearanceEnum appearance);

    // Plain properties (rule R unless noted).
    qint16 xmin() const { return props_.xMin; }
    void setXmin(qint16 v);
    qint16 xmax() const { return props_.xMax; }
    void setXmax(qint16 v);
    float ymin() const { return props_.yMin; }
    void setYmin(float v);
    float ymax() const { return props_.yMax; }
    void setYmax(float v);
    qint32 yscale() const { return props_.yScale; }
    void setYscale(qint32 v);
    bool plotFilled() const { return props_.plotFilled; }
    void setPlotFilled(bool v);
    TreviumCtl::ScaleType ymode() const { return ymode_; }
    void setYmode(TreviumCtl::ScaleType v);
    bool showGrid() const { return props_.showGrid; }
    void setShowGrid(bool v);
    TreviumCtl::GraphType graphStyle() const { return graphStyle_; }
    void setGraphStyle(TreviumCtl::GraphType v);
    bool showAxes() const { return props_.showAxes; }
    void setShowAxes(bool v);
    bool showFrame() const { return props_.showFrame; }
    void setShowFrame(bool v);
    bool showTicks() const { return props_.showTicks; }
    void setShowTicks(bool v);
    quint32 graphColor() const { return props_.graphColor; }
    void setGraphColor(quint32 v);
    quint32 gridColor() const { return props_.gridColor; }
    void setGridColor(quint32 v);
    quint32 axisColor() const { return props_.axisColor; }
    void setAxisColor(quint32 v);
    quint32 labelColor() const { return props_.labelColor; }
    void setLabelColor(quint32 v);
    TreviumCtl::RollModes rollMode() const { return model_.rollMode(); }
    void setRollMode(TreviumCtl::RollModes v);
    quint32 alarmColor() const { return props_.alarmColor; }
    void setAlarmColor(quint32 v);
    qint32 alarmLevel() const { return props_.alarmLevel; }
    void setAlarmLevel(qint32 v);
    bool showAlarm() const { return props_.showAlarm; }
    void setShowAlarm(bool v);
    bool gridOnTop() const { return props_.gridOnTop; }
    void setGridOnTop(bool v);
    bool compareMode() const { return props_.compareMode; }
    void setCompareMode(bool v);
    quint32 referenceColor() const { return props_.referenceColor; }
    void setReferenceColor(quint32 v);
    bool fastDraw() const { return props_.fastDraw; }
    void setFastDraw(bool v);
    bool showROIs() const { return props_.showROIs; }
    void setShowROIs(bool v);
    quint32 backColor() const { return props_.backColor; }
    void setBackColor(quint32 v); // repaints only
    QString xLabel() const { return props_.xLabel; }
    void setXLabel(const QString& v);
    QString yLabel() const { return props_.yLabel; }
    void setYLabel(const QString& v);
    bool showLabels() const { return props_.showLabels; }
    void setShowLabels(bool v);
    bool showWaterfall() const { return props_.showWaterfall; }
    void setShowWaterfall(bool v);
    quint32 cursorColor() const { return props_.cursorColor; }
    void setCursorColor(quint32 v);
    qint32 cursorPos() const { return cursorPos_; }
    void setCursorPos(qint32 v); // not clamped
    bool showCursor() const { return props_.showCursor; }
    void setShowCursor(bool v);
    TreviumCtl::CursorType cursorType() const { return TreviumCtl::CursorType(props_.cursorType); }
    void setCursorType(TreviumCtl::CursorType v);

    // Data properties. Reading returns the value last assigned, unchanged.
    QVariant data() const { return dataVariant_; }
    void setData(const QVariant& value);
    QVariant referenceData() const { return referenceVariant_; }
    void setReferenceData(const QVariant& value);
    qint16 npoints() const { return model_.npoints(); }
    void setNpoints(qint16 count); // below 1 becomes 1
    qint32 firstPoint() const { return model_.firstPoint(); }
    void setFirstPoint(qint32 point); // clamped to 0..Npoints-1
    qint32 lastPoint() const { return model_.lastPoint(); }
    void setLastPoint(qint32 point);

    // Owned objects: the getters hand out the owned object; puts are accepted and keep it. Hosts that
    // keep an object beyond the control's life hold one of the shared references below.
    trevium::RoiCollection* roi() const { return roi_.get(); }
    void putROI(trevium::RoiCollection*);
    trevium::Calibration* calibration() const { return calibration_.get(); }
    void putCalibration(trevium::Calibration*);
    trevium::Waterfall* waterfall() const { return waterfall_.get(); }
    void putWaterfall(trevium::Waterfall*);
    trevium::ZoomBox* zoomBox() const { return zoomBox_.get(); }
    void putZoomBox(trevium::ZoomBox*);
    // The same objects as shared references (a host holding one keeps the object alive).
    std::shared_ptr<trevium::RoiCollection> roiCollection() const { return roi_; }
    std::shared_ptr<trevium::Calibration> calibrationObject() const { return calibration_; }
    std::shared_ptr<trevium::Waterfall> waterfallObject() const { return waterfall_; }
    std::shared_ptr<trevium::ZoomBox> zoomBoxObject() const { return zoomBox_; }

    // Methods.
    Q_INVOKABLE void Refresh();
    Q_INVOKABLE void PushValue(qint32 value);
    Q_INVOKABLE void Slide();
    Q_INVOKABLE void Clear();
    Q_INVOKABLE void ClearReference();
    Q_INVOKABLE void ClearWaterfall();
    Q_INVOKABLE void TestDataSet(qint16 which);
    Q_INVOKABLE bool HasDC() const { return true; }
    Q_INVOKABLE qint32 hDC() const { return 0; }
    // Renders the whole plot into a painter registered with trevium::registerPainter; the host
    // prepares the background. An unknown handle draws nothing.
    Q_INVOKABLE void DrawTo(qint32 dstHDC, qint32 dstX, qint32 dstY, qint32 dstW, qint32 dstH);
    // Renders off-screen at width x height and writes an 8-bit RGB PNG; 0 or a negative status.
    Q_INVOKABLE qint32 SaveToPNG(const QString& filename, qint32 width, qint32 height);
    Q_INVOKABLE void AboutBox();

    // Persistence.
    trevium::PersistedProperties persistedProperties() const;
    // Assigns every persisted property (stock set first); clears the modified flag.
    void applyPersistedProperties(const trevium::PersistedProperties& properties);
    // Reset: every persisted property at its default.
    void resetState();
    QString savePropertyBag() const;
    // Loads what the bag holds, defaults the rest; returns the problems found (empty when clean).
    QStringList loadPropertyBag(const QString& text);
    bool savePropertyBagFile(const QString& path, QString* error = nullptr) const;
    bool loadPropertyBagFile(const QString& path, QStringList* warnings = nullptr, QString* error = nullptr);

    bool isModified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // Drawing state.
    const trevium::PlotModel& model() const { return model_; }
    trevium::PlotView plotView() const;
    QRect plotRect() const { return plotRect_; }
    QRect waterfallRect() const { return waterfallRect_; }

    std::span<const trevium::DispEntry> dispatchTable() const override;
    QString interfaceName() const override { return QStringLiteral("_DTrevium"); }
    std::span<const trevium::EventEntry> eventTable() const override;
    QString eventInterfaceName() const override { return QStringLiteral("_DTreviumEvents"); }

signals:
    void Click();
    void DblClick();
    void MouseDown(qint16 Button, qint16 Shift, qint32 x, qint32 y);
    void MouseUp(qint16 Button, qint16 Shift, qint32 x, qint32 y);
    void MouseMove(qint16 Button, qint16 Shift, qint32 x, qint32 y);
    void GraphCursorMove(qint32 xPos, qint32 yPos, qint32 channel);
    void WaterfallCursorMove(qint32 xPos, qint32 yPos, qint32 channel, qint32 age);
    void ZoomBoxChange(qint32 xPos, qint32 yPos, qint32 FirstChannel, qint32 LastChannel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    friend class trevium::ControlPointerHost;

    // The owned objects as the meta-object hands them out: a script gets its own reference.
    trevium::RoiCollection* hostROI() const;
    trevium::Calibration* hostCalibration() const;
    trevium::Waterfall* hostWaterfall() const;
    trevium::ZoomBox* hostZoomBox() const;

    // Rule R: invalidate and mark modified.
    void changed();
    template <typename T> void setR(T& field, const T& value) {
        field = value;
        changed();
    }
    void setColor(quint32& field, quint32 value) {
        if (trevium::isOleColor(value))
            setR(field, value);
    }
    // Where the plot is drawn inside the widget (inside the border, if any).
    QRect clientRect() const;

    trevium::PersistedProperties props_;
    trevium::PlotModel model_;
    QVariant dataVariant_;
    QVariant referenceVariant_;
    TreviumCtl::ScaleType ymode_ = TreviumCtl::LinScale;
    TreviumCtl::GraphType graphStyle_ = TreviumCtl::PlotLines;
    qint32 cursorPos_ = 0;
    bool modified_ = false;

    std::shared_ptr<trevium::RoiCollection> roi_;
    std::shared_ptr<trevium::Calibration> calibration_;
    std::shared_ptr<trevium::Waterfall> waterfall_;
    std::shared_ptr<trevium::ZoomBox> zoomBox_;

    std::unique_ptr<trevium::ControlPointerHost> pointerHost_;
    std::unique_ptr<trevium::PointerController> pointer_;
    std::unique_ptr<trevium::PlotImageCache> picture_; // the window's picture, kept between paints
    QRect plotRect_;
    QRect waterfallRect_;
    bool clickPending_ = false;
    trevium::LiveObjectToken token_;
};
