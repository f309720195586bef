// What the renderer reads: a read-only view of one plot control's state at the start of a drawing.
// The control fills it from its model and owned objects; the renderer never sees the control itself,
// so it can be tested (and benchmarked) by filling a PlotView by hand and rendering into a QImage.
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QtGlobal>

namespace trevium {

// One ROI item as the renderer sees it (the snapshot taken at the start of a drawing).
struct RoiSnapshot {
    qint32 firstChannel = 0;
    qint32 lastChannel = 1;
    quint32 color = 0; // OLE_COLOR
    bool visible = false;
    QString label;
};

// One line of the waterfall history.
struct WaterfallLineView {
    const qint32* values = nullptr;
    qint32 length = 0;
    qint32 max = 0;
};

struct PlotView {
    // Colours as OLE_COLOR: 0x00BBGGRR, or a system colour index with the high byte 0x80.
    quint32 backColor = 0x000000;
    quint32 graphColor = 0x00FF00;
    quint32 gridColor = 0x808080;
    quint32 axisColor = 0xC0C0C0;
    quint32 labelColor = 0xC8FFFF;
    quint32 referenceColor = 0x808080;
    quint32 alarmColor = 0x0000FF;
    quint32 cursorColor = 0xC0C0C0;

    qint32 yscale = 0;     // 0 = automatic full scale
    qint16 ymode = 1;      // ScaleType: 0 log, 1 lin, 2 sqrt
    qint16 graphStyle = 2; // GraphType: 1 points, 2 lines, 3 histogram
    qint16 cursorType = 0; // 0 line, 1 short
    qint32 alarmLevel = 0;
    qint32 cursorPos = 0;

    bool plotFilled = false;
    bool showGrid = true;
    bool showAxes = true;
    bool showFrame = true;
    bool showTicks = true;
    bool showAlarm = false;
    bool showLabels = false;
    bool showROIs = true;
    bool showWaterfall = false;
    bool showCursor = false;
    bool gridOnTop = false;
    bool compareMode = false;
    bool fastDraw = true;

    QString xLabel;
    QString yLabel;

    // Data: `data` is null only before the first load. `reference` may be null. Both hold
    // `bufferLength` values (= npoints after every model operation).
    qint32 npoints = 0;
    qint32 firstPoint = 0;
    qint32 lastPoint = 0;
    const qint32* data = nullptr;
    const qint32* reference = nullptr;
    qint32 bufferLength = 0;

    // Calibration object.
    bool calEnable = false;
    float calOffset = 0.0f;
    float calSlope = 1.0f;
    float calQuadratic = 0.0f;

    // Waterfall object and its history (oldest line first).
    qint32 wfMaxSize = 100;
    quint32 wfLoColor = 0x000000;
    quint32 wfHiColor = 0xFFFFFF;
    qint32 wfHeightRatio = 30;
    quint32 wfCursorColor = 0xC0C0C0;
    bool wfShowCursor = false;
    qint32 wfCursorX = 0;
    qint32 wfCursorY = 0;
    QList<WaterfallLineView> wfLines;

    // Zoom box object.
    bool zoomVisible = false;
    quint32 zoomColor = 0x000000;
    qint32 zoomFirst = 0;
    qint32 zoomLast = 1;

    // The ROI collection in list order (the renderer applies ShowROIs and HeightRatio itself).
    QList<RoiSnapshot> rois;
};

// What one drawing used; the control keeps plotRect and waterfallRect for hit testing.
struct RenderResult {
    qint32 fullScale = 0;
    QRect plotRect;      // left, top, right, bottom of the graph area (right/bottom exclusive edges)
    QRect waterfallRect; // empty when no waterfall band is shown
};

} // namespace trevium
