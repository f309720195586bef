#include "SpectrumImage.h"

#include "CTreviumCtrl.h"

namespace report {

void CopyPlotForPrint(const CTreviumCtrl& plot, CTreviumCtrl& img) {
    // Print colours: blue graph on white.
    img.setBackColor(0xFFFFFF);
    img.setGraphColor(0xFF0000);
    img.setAxisColor(0x808080);
    img.setLabelColor(0);

    img.setReferenceColor(plot.referenceColor());
    img.setXLabel(plot.xLabel());
    img.setXmin(plot.xmin());
    img.setXmax(plot.xmax());
    img.setYLabel(plot.yLabel());
    img.setYmin(plot.ymin());
    img.setYmax(plot.ymax());
    img.setYmode(plot.ymode());
    img.setYscale(plot.yscale());

    img.Clear();
    img.ClearReference();

    img.setData(plot.data());
    img.setNpoints(plot.npoints());
    img.setReferenceData(plot.referenceData());
    img.setCompareMode(plot.compareMode());
    img.setFastDraw(false);
    img.setFirstPoint(plot.firstPoint());
    img.setLastPoint(plot.lastPoint());
    img.setGraphStyle(plot.graphStyle());
    img.setGridOnTop(plot.gridOnTop());
    img.setPlotFilled(plot.plotFilled());

    img.calibration()->setEnable(plot.calibration()->enable());
    img.calibration()->setOffset(plot.calibration()->offset());
    img.calibration()->setSlope(plot.calibration()->slope());

    img.setShowAlarm(plot.showAlarm());
    img.setShowAxes(plot.showAxes());
    img.setShowFrame(plot.showFrame());
    img.setShowGrid(plot.showGrid());
    img.setShowLabels(plot.showLabels());
    img.setShowROIs(plot.showROIs());
    img.setShowTicks(plot.showTicks());

    // The same ROI objects, shared with the scan plot.
    for (const auto& item : plot.roiCollection()->items())
        img.roiCollection()->add(item);
}

} // namespace report
