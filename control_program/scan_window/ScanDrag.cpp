// Drag-select on the scan plot: pressing on the plot and moving draws a new discriminator window as
// ROI 1 and hands it to the unit's settings, which send it to the device when no scan runs. The plot has
// already moved its cursor to the channel under the pointer when its mouse events arrive here. With Ctrl
// held the drag picks a range whose one peak is analysed instead.
#include "Scan.h"

#include "CTreviumCtrl.h"
#include "Globals.h"
#include "ScanChannels.h"
#include "ScanPeaks.h"
#include "UnitSettings.h"

#include <QMenu>

void Scan::Plot_MouseDown(qint16 Button, qint16 Shift, qint32 x, qint32 y) {
    // Only a left press on the graph moves the plot's cursor to the channel under the pointer; any
    // other press would start a window from a stale cursor position.
    constexpr qint16 leftButton = 1;
    constexpr qint16 ctrlKey = 2;
    if (Button != leftButton || !Plot_->plotRect().contains(x, y))
        return;
    dragStart_ = qint16(qBound<qint32>(0, Plot_->cursorPos(), 32767));
    if ((Shift & ctrlKey) != 0 && !globals::scanRunning)
        regionDragging_ = true;
    else
        dragging_ = true;
}

qint32 Scan::channelAtX(qint32 x) const {
    const QRect r = Plot_->plotRect();
    const qint32 first = Plot_->firstPoint();
    const qint32 last = Plot_->lastPoint();
    if (r.width() <= 1 || last <= first)
        return first;
    return first + qRound(double(x - r.left()) * double(last - first) / double(r.width() - 1));
}

void Scan::Plot_MouseMove(qint16, qint16, qint32, qint32) {
    if (dragging_)
        dragTo();
}

void Scan::Plot_MouseUp(qint16 Button, qint16, qint32 x, qint32 y) {
    constexpr qint16 leftButton = 1;
    constexpr qint16 rightButton = 2;
    // The spectrum offers the window's menu too, not only the strip beside it; a right click leaves
    // the user's window alone.
    if (Button == rightButton && !dragging_ && !regionDragging_) {
        peaks_->setMenuChannel(Plot_->plotRect().contains(x, y) ? std::optional(channelAtX(x))
                                                                : std::nullopt);
        mnuContext_->popup(Plot_->mapToGlobal(QPoint(x, y)));
        return;
    }
    if (regionDragging_ && Button == leftButton) {
        regionDragging_ = false;
        peaks_->analyseRegion(dragStart_, Plot_->cursorPos());
        return;
    }
    if (!dragging_ || Button != leftButton)
        return;
    dragTo();
    dragging_ = false;
    if (globals::scanRunning)
        Plot_->setCursorPos(channel()); // back to the scan's position
}

void Scan::dragTo() {
    trevium::RoiCollection& rois = *Plot_->roiCollection();
    if (rois.count() == 0) {
        auto item = std::make_shared<trevium::RoiInfo>();
        item->setColor(255);
        item->setVisible(true);
        rois.add(item);
    }
    trevium::RoiInfo& roi = *rois.items().front();
    const qint32 c = Plot_->cursorPos();
    const qint32 channels = shownChannels();
    qint32 lld = 0;
    qint32 uld = 0;
    if (savedIntegMode() != 0) {
        // Integral mode counts everything above the LLD: only where the pointer is matters.
        roi.setFirstChannel(c);
        roi.setLastChannel(channels);
        lld = scan::channelToLevel(roi.firstChannel(), channels, globals::maxLevel);
        uld = savedULD();
    } else {
        roi.setFirstChannel(qMin<qint32>(c, dragStart_));
        roi.setLastChannel(qMax<qint32>(c, dragStart_));
        lld = scan::channelToLevel(roi.firstChannel(), channels, globals::maxLevel);
        uld = scan::channelToLevel(roi.lastChannel(), channels, globals::maxLevel);
    }
    Plot_->update(); // the item only stores
    // The dragged window is the user's latest choice: a scan running now restores it at its end.
    const bool integral = savedIntegMode() != 0;
    engine_.setUserWindow(lld, uld, integral);
    settings_.setDiscriminatorWindow(lld, uld, integral);
}

void Scan::userWindowChanged() {
    if (dragging_)
        return;
    ShowUserROI(scan::toLevel16(settings_.lld()), scan::toLevel16(settings_.uld()), settings_.integralMode());
}
