#include "ReportValues.h"

#include "Globals.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>

ReportValues CollectReportValues(const QComboBox* coarseGain, const QAbstractSlider* fineGain,
                                 const QAbstractSlider* lld, const QAbstractSlider* uld,
                                 const QLineEdit* highVoltage, const QComboBox* channels,
                                 const QLineEdit* sweeps) {
    ReportValues v;
    v.serialNumber = globals::serialNumber;
    v.firmwareVersion = globals::fwVersion;
    v.productionDate = globals::productionDate;
    v.isVR = globals::isVR;
    v.maxLevel = globals::maxLevel;
    if (coarseGain)
        v.coarseGainIndex = coarseGain->currentIndex();
    if (fineGain)
        v.fineGainPosition = fineGain->value();
    if (lld)
        v.lldPosition = lld->value();
    if (uld)
        v.uldPosition = uld->value();
    if (highVoltage)
        v.highVoltageText = highVoltage->text();
    if (channels)
        v.channelsIndex = channels->currentIndex();
    if (sweeps)
        v.sweepsText = sweeps->text();
    return v;
}
