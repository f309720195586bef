// The settings handlers of the main window: every change is sent to the device at once and marks
// the settings unsaved (cmdSave enabled) until they are stored in the device's permanent memory.
#include "TopLevel.h"

#include "Conversions.h"
#include "DeviceLink.h"
#include "DeviceParams.h"
#include "DeviceSequence.h"
#include "Globals.h"
#include "MessageService.h"
#include "Params.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

// ---- High voltage and permanent save ----

void TopLevel::txtHV_Change() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    cmdApplyHV_->setEnabled(true);
}

void TopLevel::cmdApplyHV_Click() {
    if (globals::hSCA == 0) {
        notConnected();
        cmdApplyHV_->setEnabled(false);
        return;
    }
    const DeviceSequence sequence;
    const auto count = conv::voltsToCount(conv::TextToSingle(txtHV_->text()));
    if (!count) {
        // Nothing was sent: the text stays for correcting and the apply stays pending.
        showMessage(this, QStringLiteral("KivoCP"),
                    tr("The High Voltage level \"%1\" is out of range and was not sent.").arg(txtHV_->text()),
                    MsgIcon::Warning);
        return;
    }
    if (!device::writeNumber(kivo::PARAM_HV, *count))
        failure(tr("Failed to set High Voltage level."));
    cmdApplyHV_->setEnabled(false);
    cmdSave_->setEnabled(true);
}

void TopLevel::cmdSave_Click() {
    if (globals::hSCA == 0) {
        notConnected();
        cmdSave_->setEnabled(false);
        return;
    }
    const DeviceSequence sequence;
    // Permanent memory must receive the user's window, never a scan channel's.
    abortRunningScan();
    if (kivo::DeviceLink::instance().SaveSettings(globals::hSCA) != 0) {
        failure(tr("Failed to save settings."));
        return;
    }
    showMessage(this, QStringLiteral("KivoCP"), tr("Settings successfully saved into permanent memory."),
                MsgIcon::Information);
    cmdSave_->setEnabled(false);
}

// ---- Amplifier gain ----

void TopLevel::sendGain(int fine) {
    const DeviceSequence sequence;
    // A coarse index the list has no entry for (read from the device) is kept as the device has it.
    const int shown = cmbCoarseGain_->currentIndex();
    const qint32 coarse = shown >= 0 ? shown : deviceCoarseGain_;
    if (!device::writeNumber(kivo::PARAM_GAIN, conv::gainValue(coarse, fine)))
        failure(tr("Failed to set Amplifier Gain."));
    cmdSave_->setEnabled(true);
}

void TopLevel::cmbCoarseGain_Click() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    sendGain(sldFineGain_->sliderPosition());
}

void TopLevel::sldFineGain_Change() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    lblFineGain_->setText(conv::fineGainText(sldFineGain_->value()));
    sendGain(sldFineGain_->value());
}

void TopLevel::sldFineGain_Scroll(int position) {
    if (globals::hSCA == 0)
        return;
    lblFineGain_->setText(conv::fineGainText(position));
    sendGain(position);
}

// ---- Discriminator window ----

void TopLevel::levelMoved(QLabel* label, qint32 param, const QString& failureText, int position) {
    const DeviceSequence sequence;
    label->setText(conv::levelPercentText(position, globals::maxLevel));
    // During a scan the scan owns the device's discriminator; it restores the user's latest window.
    if (!globals::scanRunning && !device::writeNumber(param, position))
        failure(failureText);
    cmdSave_->setEnabled(true);
    showUserROIOnScan();
}

void TopLevel::sldLLD_Change() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    levelMoved(lblLLD_, kivo::PARAM_LLD, tr("Failed to set LLD."), sldLLD_->value());
}

void TopLevel::sldLLD_Scroll(int position) {
    if (globals::hSCA == 0)
        return;
    levelMoved(lblLLD_, kivo::PARAM_LLD, tr("Failed to set LLD."), position);
}

void TopLevel::sldULD_Change() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    levelMoved(lblULD_, kivo::PARAM_ULD, tr("Failed to set ULD."), sldULD_->value());
}

void TopLevel::sldULD_Scroll(int position) {
    if (globals::hSCA == 0)
        return;
    levelMoved(lblULD_, kivo::PARAM_ULD, tr("Failed to set ULD."), position);
}

void TopLevel::showULDEnabled(bool enabled) {
    sldULD_->setEnabled(enabled);
    lblULD_->setEnabled(enabled);
    lblULDsld_->setEnabled(enabled);
}

void TopLevel::chkIntegMode_Click() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    const DeviceSequence sequence;
    const bool integral = chkIntegMode_->isChecked();
    showULDEnabled(!integral);
    if (!globals::scanRunning && !device::writeNumber(kivo::PARAM_INTEGRAL_MODE, integral ? 1 : 0))
        failure(tr("Failed to set integral mode."));
    cmdSave_->setEnabled(true);
    showUserROIOnScan();
}

void TopLevel::showLevel(QSlider* slider, QLabel* label, qint32 level) {
    // Shown within 0..maxLevel; the device keeps whatever it was given.
    const qint32 shown = qBound(0, level, globals::maxLevel);
    label->setText(conv::levelPercentText(shown, globals::maxLevel));
    slider->setValue(shown);
}

void TopLevel::UpdateControls(qint32 lld, qint32 uld, qint32 integ) {
    const DeviceSequence sequence;
    UpdatingGuard guard(*this);
    const bool send = !globals::scanRunning && globals::hSCA != 0;
    if (send && !device::writeNumber(kivo::PARAM_LLD, lld))
        failure(tr("Failed to set LLD."));
    showLevel(sldLLD_, lblLLD_, lld);
    if (send && !device::writeNumber(kivo::PARAM_ULD, uld))
        failure(tr("Failed to set ULD."));
    showLevel(sldULD_, lblULD_, uld);
    if (send && !device::writeNumber(kivo::PARAM_INTEGRAL_MODE, integ))
        failure(tr("Failed to set integral mode."));
    chkIntegMode_->setChecked(integ != 0);
    showULDEnabled(integ == 0);
    if (globals::hSCA != 0)
        cmdSave_->setEnabled(true);
}

// ---- Output settings ----

void TopLevel::sendListIndex(QComboBox* list, qint32 param, const QString& failureText) {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    const DeviceSequence sequence;
    if (!device::writeNumber(param, list->currentIndex()))
        failure(failureText);
    cmdSave_->setEnabled(true);
}

void TopLevel::cmbTTL_Click() {
    sendListIndex(cmbTTL_, kivo::PARAM_TTL_DURATION, tr("Failed to set TTL pulse duration."));
}

void TopLevel::cmbCPSRange_Click() {
    sendListIndex(cmbCPSRange_, kivo::PARAM_CPS_RANGE, tr("Failed to set CPS to Voltage Gain."));
}

void TopLevel::cmbRespTime_Click() {
    sendListIndex(cmbRespTime_, kivo::PARAM_RESPONSE_TIME,
                  tr("Failed to set response time of analogue output."));
}

// Range and response time only matter for the count-rate level; the response time needs firmware
// with the extended ranges.
void TopLevel::setAnalogModeControls(bool dcMode) {
    lblCPSRange_->setEnabled(dcMode);
    cmbCPSRange_->setEnabled(dcMode);
    lblRespTime_->setEnabled(dcMode && globals::fwExtRanges);
    cmbRespTime_->setEnabled(dcMode && globals::fwExtRanges);
}

void TopLevel::rbPulse_Click() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    setAnalogModeControls(false);
    const DeviceSequence sequence;
    if (!device::writeNumber(kivo::PARAM_ANALOG_MODE, rbDC_->isChecked() ? 1 : 0))
        failure(tr("Failed to set analogue output mode."));
    cmdSave_->setEnabled(true);
}

void TopLevel::rbDC_Click() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    setAnalogModeControls(true);
    const DeviceSequence sequence;
    if (!device::writeNumber(kivo::PARAM_ANALOG_MODE, rbDC_->isChecked() ? 1 : 0))
        failure(tr("Failed to set analogue output mode."));
    cmdSave_->setEnabled(true);
}
