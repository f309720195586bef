// What the print preview needs from the window that opens it: the values the report shows and the plot
// whose spectrum goes into the report image. The scan window provides it.
#pragma once

#include "ReportValues.h"

class CTreviumCtrl;

class ReportSource {
public:
    virtual ~ReportSource() = default;

    // The values as the windows show them now; asked once per preview, when the report is generated.
    virtual ReportValues reportValues() const = 0;

    // The plot the spectrum image is copied from; null when there is none (the image is then missing).
    virtual CTreviumCtrl* spectrumPlot() const = 0;
};
