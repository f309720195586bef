#include "ScanReportSource.h"

#include "Globals.h"
#include "ListContents.h"
#include "MessageService.h"
#include "PeakReport.h"
#include "ProgramFolders.h"
#include "Scan.h"
#include "ScanPeaks.h"
#include "ScanSpectrumFiles.h"
#include "UnitSettings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStandardPaths>

ReportValues ScanReportSource::reportValues() const {
    // What the windows show: levels within the sliders' range, no coarse entry for gains the list
    // lacks, the high-voltage box and the sweeps box as typed.
    ReportValues v;
    v.serialNumber = globals::serialNumber;
    v.firmwareVersion = globals::fwVersion;
    v.productionDate = globals::productionDate;
    v.isVR = globals::isVR;
    v.maxLevel = globals::maxLevel;
    const qint32 coarse = settings_.coarseGain();
    v.coarseGainIndex = coarse < lists::coarseGain().size() ? coarse : -1;
    v.fineGainPosition = settings_.fineGain();
    v.lldPosition = qBound(0, settings_.lld(), globals::maxLevel);
    v.uldPosition = qBound(0, settings_.uld(), globals::maxLevel);
    v.highVoltageText = settings_.highVoltageEntry();
    v.channelsIndex = scan_.cmbChannels()->currentIndex();
    v.sweepsText = scan_.txtSweeps()->text();
    if (const spectrum::ScanRecord record = scan_.spectrumFiles().currentRecord();
        record.hasMeasuredChannel()) {
        v.scan = record;
        // The peaks and the axis as the window shows them.
        v.peakTable = analysis::peakTable(scan_.peaks().analysis());
        v.energyAxis = scan_.peaks().energyAxisShown();
    }
    return v;
}

CTreviumCtrl* ScanReportSource::spectrumPlot() const {
    return scan_.Plot();
}

report::ReportFiles ScanReportSource::reportFiles() const {
    return report::ReportFiles::forLayout(kivo::folders::current(),
                                          QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void ScanReportSource::showFailure(QWidget* parent, const QString& title, const QString& text) const {
    showMessage(parent, title, text, MsgIcon::Critical);
}
