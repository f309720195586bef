#include "ScanPlot.h"

#include "CTreviumCtrl.h"
#include "ScanChannels.h"

#include <QCoreApplication>
#include <QList>

namespace {

// The plot's stored properties: white background, blue-grey graph, light grid, black axes, navy
// labels, red cursor and alarm. The window's start-up then overrides the data-related ones.
const char* const kStoredPlotProperties = R"([Trevium 1.0]
Enabled=true
BorderStyle=0
Appearance=1
_ExtentX=533
_ExtentY=353
BackColor=0x00FFFFFF
GraphColor=0x00A08040
GridColor=0x00C0C0C0
AxisColor=0x00000000
LabelColor=0x00800000
ReferenceColor=0x00808080
AlarmColor=0x000000FF
CursorColor=0x000000FF
XMin=0
XMax=0
YMin=0
YMax=0
YScale=0
AlarmLevel=0
CursorType=0
ShowGrid=true
ShowAxes=true
ShowFrame=true
ShowTicks=true
ShowAlarm=false
ShowLabels=false
ShowROIs=true
ShowWaterfall=false
ShowCursor=false
PlotFilled=false
GridOnTop=false
CompareMode=false
FastDraw=true
XLabel=""
YLabel=""
)";

QString tr(const char* text) {
    return QCoreApplication::translate("Scan", text);
}

} // namespace

namespace scanplot {

void loadStoredProperties(CTreviumCtrl& plot) {
    const QStringList problems = plot.loadPropertyBag(QString::fromLatin1(kStoredPlotProperties));
    Q_ASSERT_X(problems.isEmpty(), "scanplot", qPrintable(problems.join(u'\n')));
}

void setUpForLoad(CTreviumCtrl& plot, const scan::Counts& counts) {
    plot.setNpoints(129);
    plot.setFirstPoint(0);
    plot.setLastPoint(128);
    auto calibration = plot.calibrationObject();
    calibration->setOffset(0.0f);
    calibration->setSlope(100.0f / 128.0f);
    calibration->setEnable(true);
    showCounts(plot, counts);
    plot.setCursorType(TreviumCtl::CursorLine);
    plot.setShowCursor(true);
    plot.setYmode(TreviumCtl::LinScale);
    plot.setYscale(100);
    plot.setYmax(0.0f);
    plot.setXLabel(tr("Discriminator level (%)"));
    plot.setYLabel(tr("Counts"));
    plot.setShowLabels(true);
    plot.setPlotFilled(true);
}

void setAxis(CTreviumCtrl& plot, qint32 channels) {
    plot.setNpoints(qint16(channels + 1));
    plot.setLastPoint(channels);
    auto calibration = plot.calibrationObject();
    calibration->setOffset(0.0f);
    calibration->setSlope(100.0f / float(channels));
    // The calibration only stores; the plot draws the new axis at its next repaint.
    plot.update();
}

bool setEnergyAxis(CTreviumCtrl& plot, const spectrum::ScanRecord& record) {
    if (!record.energyCalibration)
        return false;
    const spectrum::EnergyCalibration& e = *record.energyCalibration;
    // Point k of a scan is measured around the centre of its bin, (k + 1/2) x F / N levels (F = the
    // level count); a record without windows is calibrated per point.
    double levelsPerPoint = 1;
    double firstLevel = 0;
    if (!record.levels.isEmpty() && record.channels > 0 && record.levelCount > 0) {
        levelsPerPoint = double(record.levelCount) / record.channels;
        firstLevel = levelsPerPoint / 2;
    }
    auto calibration = plot.calibrationObject();
    calibration->setOffset(float(e.energyOfLevel(firstLevel)));
    calibration->setSlope(float(e.slopeKeVPerLevel * levelsPerPoint));
    calibration->setEnable(true);
    plot.setXLabel(tr("Energy (keV)"));
    return true;
}

void showCounts(CTreviumCtrl& plot, const scan::Counts& counts) {
    // The plot copies the values; the sums stay the caller's own.
    plot.setData(QVariant::fromValue(QList<qint32>(counts.begin(), counts.end())));
}

void showUserWindow(CTreviumCtrl& plot, qint32 lld, qint32 uld, bool integral, qint32 channels,
                    qint32 maxLevel) {
    const qint32 first = scan::levelToChannel(lld, channels, maxLevel);
    const qint32 last = integral ? channels : scan::levelToChannel(uld, channels, maxLevel);
    trevium::RoiCollection& rois = *plot.roiCollection();
    std::shared_ptr<trevium::RoiInfo> item;
    if (rois.count() == 0) {
        item = std::make_shared<trevium::RoiInfo>();
        item->setColor(255);
        item->setFirstChannel(first);
        item->setLastChannel(last);
        item->setVisible(true);
        rois.add(item);
    } else {
        item = rois.items().front();
        item->setFirstChannel(first);
        item->setLastChannel(last);
        item->setVisible(true);
    }
    plot.setShowROIs(true); // also repaints: the items only store
}

} // namespace scanplot
