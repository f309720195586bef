// The scan plot's look and contents: the property set stored with the scan window, what the window's
// start-up changes on top of it, the axis for a channel count, the channel sums and the user's window
// as the red ROI 1. The scan window and the command-line scan draw their plots through these.
#pragma once

#include "ScanEngine.h"

#include <QtGlobal>

class CTreviumCtrl;

namespace scanplot {

void loadStoredProperties(CTreviumCtrl& plot);
// The window's start-up: 128 channels on a percent axis, the sums, cursor, labels, filled graph.
void setUpForLoad(CTreviumCtrl& plot, const scan::Counts& counts);
// N + 1 points on an axis in percent of full scale.
void setAxis(CTreviumCtrl& plot, qint32 channels);
// The axis in keV ("Energy (keV)") from the record's calibration, each point at the energy of its
// window's centre. False, and the plot unchanged, when the record has no calibration.
bool setEnergyAxis(CTreviumCtrl& plot, const spectrum::ScanRecord& record);
void showCounts(CTreviumCtrl& plot, const scan::Counts& counts);
// The discriminator window (levels) as ROI 1 over N channels; integral mode reaches the last point.
void showUserWindow(CTreviumCtrl& plot, qint32 lld, qint32 uld, bool integral, qint32 channels,
                    qint32 maxLevel);

} // namespace scanplot
