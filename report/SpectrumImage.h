// The report's spectrum image: the scan plot redrawn in print colours (a blue graph on white, grey
// axes, black labels) at a fixed size. The print preview and the command-line scan make it alike.
#pragma once

class CTreviumCtrl;

namespace report {

constexpr int SPECTRUM_IMAGE_WIDTH = 1000;
constexpr int SPECTRUM_IMAGE_HEIGHT = 600;

// Copies the spectrum, its reference, axes, scale, calibration and ROIs of `plot` into `img`, with the
// print colours; `img` then saves the image with SaveToPNG.
void CopyPlotForPrint(const CTreviumCtrl& plot, CTreviumCtrl& img);

} // namespace report
