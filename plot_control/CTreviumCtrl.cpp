// CTreviumCtrl: properties, methods, persistence and the DISPID table. Drawing, export and input
// are in CTreviumCtrlView.cpp.
#include "CTreviumCtrl.h"

#include "AboutDialog.h"
#include "ControlPointerHost.h"
#include "PlotImageCache.h"
#include "PointerController.h"
#include "ScriptReferences.h"

#include <QFile>
#include <QJSEngine>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cmath>

using namespace trevium;

CTreviumCtrl::CTreviumCtrl(QWidget* parent, Init init) : QWidget(parent) {
    // Construction values; a reset or a load always overwrites them.
    props_.labelColor = 0x00FFFFFF;
    props_.showROIs = false;
    props_.alarmLevel = 100;

    roi_ = std::make_shared<RoiCollection>();
    calibration_ = std::make_shared<Calibration>();
    waterfall_ = std::make_shared<Waterfall>();
    waterfall_->setControl(this);
    zoomBox_ = std::make_shared<ZoomBox>();
    zoomBox_->setControl(this);

    picture_ = std::make_unique<PlotImageCache>();
    pointerHost_ = std::make_unique<ControlPointerHost>(*this);
    pointer_ = std::make_unique<PointerController>(*pointerHost_);
    setCursor(Qt::ArrowCursor);
    setMouseTracking(true);                // the stock MouseMove and the zoom-box pointer shapes need it
    setFocusPolicy(Qt::StrongFocus);       // arrow keys move the cursor
    setAttribute(Qt::WA_OpaquePaintEvent); // every paint covers the whole client area
    setAccessibleName(QStringLiteral("Plot"));
    setMaximumSize(kMaxExtent, kMaxExtent); // the largest extent the property bag records
    // Hosts own the control; a script engine that sees it must never collect it.
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);

    TestDataSet(2);
    if (init == Init::New)
        resetState();
    modified_ = false;
}

CTreviumCtrl::~CTreviumCtrl() {
    // Hosts may keep these objects; from now on their puts only store.
    waterfall_->setControl(nullptr);
    zoomBox_->setControl(nullptr);
}

void CTreviumCtrl::changed() {
    modified_ = true;
    update();
}

// Stock properties

void CTreviumCtrl::setEnabledStock(bool on) {
    setEnabled(on);
    changed();
}

void CTreviumCtrl::setFontStock(const QFont& font) {
    setFont(font);
    props_.font = font.toString();
    changed();
}

qint32 CTreviumCtrl::hWnd() const {
    return static_cast<qint32>(internalWinId());
}

// Enumerated and colour properties ignore values outside their range (see PropertyBag.h), so that
// everything a host can set is also what a saved control loads back.

void CTreviumCtrl::setBorderStyle(qint16 style) {
    if (style < 0 || style > kBorderStyleMax)
        return;
    setR(props_.borderStyle, style);
    const int m = style ? (props_.appearance ? 2 : 1) : 0;
    setContentsMargins(m, m, m, m);
}

void CTreviumCtrl::setAppearance(TreviumCtl::AppearanceEnum appearance) {
    if (appearance < 0 || appearance > kAppearanceMax)
        return;
    setR(props_.appearance, qint16(appearance));
    setBorderStyle(props_.borderStyle);
}

// Plain properties

void CTreviumCtrl::setXmin(qint16 v) {
    setR(props_.xMin, v);
}
void CTreviumCtrl::setXmax(qint16 v) {
    setR(props_.xMax, v);
}
void CTreviumCtrl::setYmin(float v) {
    if (std::isfinite(v))
        setR(props_.yMin, v);
}
void CTreviumCtrl::setYmax(float v) {
    if (std::isfinite(v))
        setR(props_.yMax, v);
}
void CTreviumCtrl::setYscale(qint32 v) {
    setR(props_.yScale, v);
}
void CTreviumCtrl::setPlotFilled(bool v) {
    setR(props_.plotFilled, v);
}
void CTreviumCtrl::setYmode(TreviumCtl::ScaleType v) {
    setR(ymode_, v);
}
void CTreviumCtrl::setShowGrid(bool v) {
    setR(props_.showGrid, v);
}
void CTreviumCtrl::setGraphStyle(TreviumCtl::GraphType v) {
    setR(graphStyle_, v);
}
void CTreviumCtrl::setShowAxes(bool v) {
    setR(props_.showAxes, v);
}
void CTreviumCtrl::setShowFrame(bool v) {
    setR(props_.showFrame, v);
}
void CTreviumCtrl::setShowTicks(bool v) {
    setR(props_.showTicks, v);
}
void CTreviumCtrl::setGraphColor(quint32 v) {
    setColor(props_.graphColor, v);
}
void CTreviumCtrl::setGridColor(quint32 v) {
    setColor(props_.gridColor, v);
}
void CTreviumCtrl::setAxisColor(quint32 v) {
    setColor(props_.axisColor, v);
}
void CTreviumCtrl::setLabelColor(quint32 v) {
    setColor(props_.labelColor, v);
}
void CTreviumCtrl::setAlarmColor(quint32 v) {
    setColor(props_.alarmColor, v);
}
void CTreviumCtrl::setAlarmLevel(qint32 v) {
    setR(props_.alarmLevel, v);
}
void CTreviumCtrl::setShowAlarm(bool v) {
    setR(props_.showAlarm, v);
}
void CTreviumCtrl::setGridOnTop(bool v) {
    setR(props_.gridOnTop, v);
}
void CTreviumCtrl::setCompareMode(bool v) {
    setR(props_.compareMode, v);
}
void CTreviumCtrl::setReferenceColor(quint32 v) {
    setColor(props_.referenceColor, v);
}
void CTreviumCtrl::setFastDraw(bool v) {
    setR(props_.fastDraw, v);
}
void CTreviumCtrl::setShowROIs(bool v) {
    setR(props_.showROIs, v);
}
void CTreviumCtrl::setXLabel(const QString& v) {
    setR(props_.xLabel, v);
}
void CTreviumCtrl::setYLabel(const QString& v) {
    setR(props_.yLabel, v);
}
void CTreviumCtrl::setShowLabels(bool v) {
    setR(props_.showLabels, v);
}
void CTreviumCtrl::setShowWaterfall(bool v) {
    setR(props_.showWaterfall, v);
}
void CTreviumCtrl::setCursorColor(quint32 v) {
    setColor(props_.cursorColor, v);
}
void CTreviumCtrl::setCursorPos(qint32 v) {
    setR(cursorPos_, v);
}
void CTreviumCtrl::setShowCursor(bool v) {
    setR(props_.showCursor, v);
}
void CTreviumCtrl::setCursorType(TreviumCtl::CursorType v) {
    if (v < 0 || v > kCursorTypeMax)
        return;
    setR(props_.cursorType, qint16(v));
}

void CTreviumCtrl::setRollMode(TreviumCtl::RollModes v) {
    model_.setRollMode(v);
    changed();
}

void CTreviumCtrl::setBackColor(quint32 v) {
    if (!isOleColor(v))
        return;
    props_.backColor = v;
    update();
}

// Data properties

void CTreviumCtrl::setData(const QVariant& value) {
    dataVariant_ = value;
    model_.loadData(value); // an unusable value changes nothing but still marks the control modified
    changed();
}

void CTreviumCtrl::setReferenceData(const QVariant& value) {
    referenceVariant_ = value;
    model_.loadReference(value);
    changed();
}

void CTreviumCtrl::setNpoints(qint16 count) {
    model_.setNpoints(count);
    changed();
}

void CTreviumCtrl::setFirstPoint(qint32 point) {
    model_.setFirstPoint(point);
    changed();
}

void CTreviumCtrl::setLastPoint(qint32 point) {
    model_.setLastPoint(point);
    changed();
}

// Owned objects: a script gets its own reference, which keeps the object alive as long as the script
// holds it; a put is accepted and the owned object stays.

RoiCollection* CTreviumCtrl::hostROI() const {
    return handOut(this, roi_);
}
Calibration* CTreviumCtrl::hostCalibration() const {
    return handOut(this, calibration_);
}
Waterfall* CTreviumCtrl::hostWaterfall() const {
    return handOut(this, waterfall_);
}
ZoomBox* CTreviumCtrl::hostZoomBox() const {
    return handOut(this, zoomBox_);
}

void CTreviumCtrl::putROI(RoiCollection*) {
    modified_ = true;
}
void CTreviumCtrl::putCalibration(Calibration*) {
    modified_ = true;
}
void CTreviumCtrl::putWaterfall(Waterfall*) {
    modified_ = true;
}
void CTreviumCtrl::putZoomBox(ZoomBox*) {
    changed();
}

// Methods

void CTreviumCtrl::Refresh() {
    repaint();
}

void CTreviumCtrl::PushValue(qint32 value) {
    if (model_.pushValue(value))
        update();
}

void CTreviumCtrl::Slide() {
    if (model_.data())
        waterfall_->append(model_.data(), model_.bufferLength());
    changed();
}

void CTreviumCtrl::Clear() {
    model_.clear();
    update();
}

void CTreviumCtrl::ClearReference() {
    model_.clearReference();
    update();
}

void CTreviumCtrl::ClearWaterfall() {
    waterfall_->clear();
    update();
}

void CTreviumCtrl::TestDataSet(qint16 which) {
    const auto alarm =
        model_.loadTestSet(which, [] { return qint32(QRandomGenerator::global()->bounded(32768)); });
    if (alarm)
        props_.alarmLevel = *alarm;
    update();
}

void CTreviumCtrl::AboutBox() {
    AboutDialog dialog(this);
    dialog.exec();
}

// Persistence

PersistedProperties CTreviumCtrl::persistedProperties() const {
    PersistedProperties p = props_;
    p.enabled = isEnabled();
    p.extentX = width();
    p.extentY = height();
    return p;
}

void CTreviumCtrl::applyPersistedProperties(const PersistedProperties& properties) {
    props_ = properties;
    setEnabled(properties.enabled);
    QFont font;
    if (!properties.font.isEmpty() && font.fromString(properties.font)) {
        setFont(font);
    } else {
        setFont(QFont());
        props_.font.clear();
    }
    setBorderStyle(props_.borderStyle);
    const bool laidOut = parentWidget() && parentWidget()->layout();
    if (properties.extentX > 0 && properties.extentY > 0 && !laidOut)
        resize(properties.extentX, properties.extentY);
    update();
    modified_ = false;
}

void CTreviumCtrl::resetState() {
    PersistedProperties defaults;
    defaults.extentX = defaults.extentY = 0; // a reset keeps the size
    applyPersistedProperties(defaults);
}

QString CTreviumCtrl::savePropertyBag() const {
    return writePropertyBag(persistedProperties());
}

QStringList CTreviumCtrl::loadPropertyBag(const QString& text) {
    PropertyBagLoad load = parsePropertyBag(text);
    applyPersistedProperties(load.properties);
    return load.warnings;
}

bool CTreviumCtrl::savePropertyBagFile(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(savePropertyBag().toUtf8()) < 0 ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool CTreviumCtrl::loadPropertyBagFile(const QString& path, QStringList* warnings, QString* error) {
    // A property bag is a few kilobytes; anything far larger is not one.
    constexpr qint64 kMaxBagBytes = 1 << 20;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > kMaxBagBytes) {
        if (error)
            *error = QStringLiteral("%1 is too large to be a property bag").arg(path);
        return false;
    }
    const QStringList problems = loadPropertyBag(QString::fromUtf8(file.read(kMaxBagBytes)));
    if (warnings)
        *warnings = problems;
    return true;
}

// DISPID table

namespace {

// ROI, Calibration, Waterfall: get hands out the owned object; a put of anything is accepted and
// only marks the control modified. ZoomBox: the same, but the put also repaints.
template <auto Getter, auto Putter>
DispResult ownedObjectMember(QObject* object, DispKind kind, const QVariantList& args) {
    auto* ctrl = static_cast<CTreviumCtrl*>(object);
    if (kind == DispKind::Put) {
        if (args.size() != 1)
            return dispFailure(DISP_E_BADPARAMCOUNT);
        (ctrl->*Putter)(nullptr);
        return {};
    }
    if (!args.isEmpty())
        return dispFailure(DISP_E_BADPARAMCOUNT);
    DispResult r;
    QObject* owned = (ctrl->*Getter)();
    r.value = QVariant::fromValue(owned);
    r.object = AutomationObject::reference(owned);
    return r;
}

} // namespace

std::span<const DispEntry> CTreviumCtrl::dispatchTable() const {
    static const DispEntry table[] = {
        // Stock properties and methods.
        {-514, "Enabled"},
        {-512, "Font"},
        {-515, "hWnd"},
        {-504, "BorderStyle"},
        {-520, "Appearance"},
        {-550, "Refresh"},
        {-552, "AboutBox"},
        // Properties.
        {1, "Xmin"},
        {2, "Xmax"},
        {3, "Ymin"},
        {4, "Ymax"},
        {5, "Yscale"},
        {6, "Data"},
        {7, "Npoints"},
        {8, "PlotFilled"},
        {9, "Ymode"},
        {10, "ShowGrid"},
        {11, "GraphStyle"},
        {12, "ShowAxes"},
        {13, "ShowFrame"},
        {14, "ShowTicks"},
        {15, "GraphColor"},
        {16, "GridColor"},
        {17, "AxisColor"},
        {18, "LabelColor"},
        {19, "FirstPoint"},
        {20, "LastPoint"},
        {21, "RollMode"},
        {22, "AlarmColor"},
        {23, "AlarmLevel"},
        {24, "ShowAlarm"},
        {25, "GridOnTop"},
        {26, "CompareMode"},
        {27, "ReferenceData"},
        {28, "ReferenceColor"},
        {29, "FastDraw"},
        {30, "ShowROIs"},
        {31, "BackColor"},
        {32, "XLabel"},
        {33, "YLabel"},
        {34, "ShowLabels"},
        {35, "ROI", ownedObjectMember<&CTreviumCtrl::roi, &CTreviumCtrl::putROI>},
        {36, "Calibration", ownedObjectMember<&CTreviumCtrl::calibration, &CTreviumCtrl::putCalibration>},
        {37, "Waterfall", ownedObjectMember<&CTreviumCtrl::waterfall, &CTreviumCtrl::putWaterfall>},
        {38, "ShowWaterfall"},
        {39, "CursorColor"},
        {40, "CursorPos"},
        {41, "ShowCursor"},
        {42, "CursorType"},
        {53, "ZoomBox", ownedObjectMember<&CTreviumCtrl::zoomBox, &CTreviumCtrl::putZoomBox>},
        // Methods.
        {43, "PushValue"},
        {44, "Slide"},
        {45, "Clear"},
        {46, "ClearReference"},
        {47, "ClearWaterfall"},
        {48, "TestDataSet"},
        {49, "HasDC"},
        {50, "hDC"},
        {51, "DrawTo"},
        {52, "SaveToPNG"},
    };
    return table;
}

std::span<const EventEntry> CTreviumCtrl::eventTable() const {
    static const EventEntry table[] = {
        {-600, "Click"},   {-601, "DblClick"},     {-605, "MouseDown"},        {-606, "MouseMove"},
        {-607, "MouseUp"}, {1, "GraphCursorMove"}, {2, "WaterfallCursorMove"}, {3, "ZoomBoxChange"},
    };
    return table;
}
