// The settings handlers of the main window: every change is sent to the device at once and marks
// the settings unsaved (cmdSave enabled) until they are stored in the device's permanent memory. The
// high voltage, gain and discriminator window go through the unit's settings object, which other
// windows change too; the controls follow it.
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
    if (!settings_.setHighVoltage(conv::TextToSingle(txtHV_->text()))) {
        // Nothing was sent: the text stays for correcting and the apply stays pending.
        showMessage(this, QStringLiteral("KivoCP"),
                    tr("The High Voltage level \"%1\" is out of range and was not sent.").arg(txtHV_->text()),
                    MsgIcon::Warning);
        return;
    }
    cmdApplyHV_->setEnabled(false);
}

void TopLevel::showHighVoltage() {
    const auto count = settings_.highVoltageCount();
    // The box keeps the user's own spelling of the volts it already holds.
    if (!count || conv::voltsToCount(conv::TextToSingle(txtHV_->text())) == count)
        return;
    UpdatingGuard guard(*this);
    txtHV_->setText(conv::countToVoltsText(*count));
}

void TopLevel::cmdSave_Click() {
    if (globals::hSCA == 0) {
        notConnected();
        settings_.markSaved();
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
    settings_.markSaved();
}

// ---- Amplifier gain ----

void TopLevel::sendGain(int fine) {
    // A coarse index the list has no entry for (read from the device) is kept as the device has it.
    const int shown = cmbCoarseGain_->currentIndex();
    settings_.setGain(shown >= 0 ? shown : settings_.coarseGain(), fine);
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

void TopLevel::showGainSettings() {
    UpdatingGuard guard(*this);
    // Indexes 4..7 have no entry: show no selection rather than a wrong gain.
    const qint32 coarse = settings_.coarseGain();
    cmbCoarseGain_->setCurrentIndex(coarse < cmbCoarseGain_->count() ? coarse : -1);
    const qint32 fine = settings_.fineGain();
    lblFineGain_->setText(conv::fineGainText(fine));
    if (!(sldFineGain_->isSliderDown() && sldFineGain_->sliderPosition() == fine))
        sldFineGain_->setValue(fine);
}

// ---- Discriminator window ----

void TopLevel::sldLLD_Change() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    lblLLD_->setText(conv::levelPercentText(sldLLD_->value(), globals::maxLevel));
    settings_.setLLD(sldLLD_->value());
}

void TopLevel::sldLLD_Scroll(int position) {
    if (globals::hSCA == 0)
        return;
    lblLLD_->setText(conv::levelPercentText(position, globals::maxLevel));
    settings_.setLLD(position);
}

void TopLevel::sldULD_Change() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    lblULD_->setText(conv::levelPercentText(sldULD_->value(), globals::maxLevel));
    settings_.setULD(sldULD_->value());
}

void TopLevel::sldULD_Scroll(int position) {
    if (globals::hSCA == 0)
        return;
    lblULD_->setText(conv::levelPercentText(position, globals::maxLevel));
    settings_.setULD(position);
}

void TopLevel::showULDEnabled(bool enabled) {
    sldULD_->setEnabled(enabled);
    lblULD_->setEnabled(enabled);
    lblULDsld_->setEnabled(enabled);
}

void TopLevel::chkIntegMode_Click() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    const bool integral = chkIntegMode_->isChecked();
    showULDEnabled(!integral);
    settings_.setIntegralMode(integral);
}

void TopLevel::showLevel(QSlider* slider, QLabel* label, qint32 level) {
    // Shown within 0..maxLevel; the device keeps whatever it was given.
    const qint32 shown = qBound(0, level, globals::maxLevel);
    label->setText(conv::levelPercentText(shown, globals::maxLevel));
    // A thumb the user holds stays where it is: its value follows at the release, which sends it once
    // more as the slider's own change.
    if (!(slider->isSliderDown() && slider->sliderPosition() == shown))
        slider->setValue(shown);
}

void TopLevel::showWindowSettings() {
    {
        UpdatingGuard guard(*this);
        showLevel(sldLLD_, lblLLD_, settings_.lld());
        showLevel(sldULD_, lblULD_, settings_.uld());
        chkIntegMode_->setChecked(settings_.integralMode());
        showULDEnabled(!settings_.integralMode());
    }
    // The scan window draws the user's window and restores it after a scan; the first change
    // creates it, hidden.
    scanWindow();
}

void TopLevel::UpdateControls(qint32 lld, qint32 uld, qint32 integ) {
    settings_.setDiscriminatorWindow(lld, uld, integ != 0);
}

// ---- Output settings ----

void TopLevel::sendListIndex(QComboBox* list, qint32 param, const QString& failureText) {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    const DeviceSequence sequence;
    if (!device::writeNumber(globals::hSCA, param, list->currentIndex()))
        failure(failureText);
    settings_.markUnsaved();
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
    if (!device::writeNumber(globals::hSCA, kivo::PARAM_ANALOG_MODE, rbDC_->isChecked() ? 1 : 0))
        failure(tr("Failed to set analogue output mode."));
    settings_.markUnsaved();
}

void TopLevel::rbDC_Click() {
    if (updatingControls_ || globals::hSCA == 0)
        return;
    setAnalogModeControls(true);
    const DeviceSequence sequence;
    if (!device::writeNumber(globals::hSCA, kivo::PARAM_ANALOG_MODE, rbDC_->isChecked() ? 1 : 0))
        failure(tr("Failed to set analogue output mode."));
    settings_.markUnsaved();
}
