// The report's view of the main and scan windows: the values the preview prints and the scan plot it
// copies the spectrum from.
#pragma once

#include "ReportSource.h"

class Scan;
class TopLevel;

class ScanReportSource : public ReportSource {
public:
    ScanReportSource(const TopLevel& main, const Scan& scan) : main_(main), scan_(scan) {}

    ReportValues reportValues() const override;
    CTreviumCtrl* spectrumPlot() const override;

private:
    const TopLevel& main_;
    const Scan& scan_;
};
