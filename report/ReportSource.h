// What the print preview needs from the program that opens it: the values the report shows, the plot
// whose spectrum goes into the report image, where the report files go, and how a failure is told to
// the user. The scan window provides it. The preview module reaches the program through this alone.
#pragma once

#include "ReportFiles.h"
#include "ReportValues.h"

class CTreviumCtrl;
class QString;
class QWidget;

class ReportSource {
public:
    virtual ~ReportSource() = default;

    // The values as the windows show them now; asked once per preview, when the report is generated.
    virtual ReportValues reportValues() const = 0;

    // The plot the spectrum image is copied from; null when there is none (the image is then missing).
    virtual CTreviumCtrl* spectrumPlot() const = 0;

    // Where the report files go: the program's own layout.
    virtual report::ReportFiles reportFiles() const = 0;

    // Tells the user of a failure in a modal box of the program's style, over `parent`.
    virtual void showFailure(QWidget* parent, const QString& title, const QString& text) const = 0;
};
