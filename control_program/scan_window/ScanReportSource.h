// The report's view of the program: the values the preview prints (the unit's identity and settings,
// the scan window's channels and sweeps), the scan plot it copies the spectrum from, the program's
// report folders and its message boxes.
#pragma once

#include "ReportSource.h"

class Scan;
class UnitSettings;

class ScanReportSource : public ReportSource {
public:
    ScanReportSource(const UnitSettings& settings, const Scan& scan) : settings_(settings), scan_(scan) {}

    ReportValues reportValues() const override;
    CTreviumCtrl* spectrumPlot() const override;
    report::ReportFiles reportFiles() const override;
    void showFailure(QWidget* parent, const QString& title, const QString& text) const override;

private:
    const UnitSettings& settings_;
    const Scan& scan_;
};
