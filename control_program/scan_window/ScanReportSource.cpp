#include "ScanReportSource.h"

#include "Scan.h"
#include "TopLevel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

ReportValues ScanReportSource::reportValues() const {
    return CollectReportValues(main_.cmbCoarseGain(), main_.sldFineGain(), main_.sldLLD(), main_.sldULD(),
                               main_.txtHV(), scan_.cmbChannels(), scan_.txtSweeps());
}

CTreviumCtrl* ScanReportSource::spectrumPlot() const {
    return scan_.Plot();
}
