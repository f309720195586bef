// The scan plot: the property set stored with the window, what the window's start-up changes on top
// of it, the axis for a channel count and the hand-over of the channel sums.
#include "Scan.h"

#include "CTreviumCtrl.h"
#include "Globals.h"

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

} // namespace

void Scan::loadStoredPlotProperties() {
    const QStringList problems = Plot_->loadPropertyBag(QString::fromLatin1(kStoredPlotProperties));
    Q_ASSERT_X(problems.isEmpty(), "Scan", qPrintable(problems.join(u'\n')));
}

void Scan::setUpPlotForLoad() {
    Plot_->setNpoints(129);
    Plot_->setFirstPoint(0);
    Plot_->setLastPoint(128);
    auto calibration = Plot_->calibrationObject();
    calibration->setOffset(0.0f);
    calibration->setSlope(100.0f / 128.0f);
    calibration->setEnable(true);
    showCounts();
    Plot_->setCursorType(TreviumCtl::CursorLine);
    Plot_->setShowCursor(true);
    Plot_->setYmode(TreviumCtl::LinScale);
    Plot_->setYscale(100);
    Plot_->setYmax(0.0f);
    Plot_->setXLabel(tr("Discriminator level (%)"));
    Plot_->setYLabel(tr("Counts"));
    Plot_->setShowLabels(true);
    Plot_->setPlotFilled(true);
}

void Scan::setPlotAxis(qint32 channelCount) {
    Plot_->setNpoints(qint16(channelCount + 1));
    Plot_->setLastPoint(channelCount);
    auto calibration = Plot_->calibrationObject();
    calibration->setOffset(0.0f);
    calibration->setSlope(100.0f / float(channelCount));
    // The calibration only stores; the plot draws the new axis at its next repaint.
    Plot_->update();
}

void Scan::showCounts() {
    // The plot copies the values; the sums stay the program's own.
    Plot_->setData(
        QVariant::fromValue(QList<qint32>(globals::scanCounts.begin(), globals::scanCounts.end())));
}
