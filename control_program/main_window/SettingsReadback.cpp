// Readback: brings the main window's controls into line with the device's settings and enables the
// optional groups the connected variant and firmware support. The shown values are written under
// updatingControls so none of them is sent back.
#include "TopLevel.h"

#include "Conversions.h"
#include "DeviceParams.h"
#include "DeviceSequence.h"
#include "Globals.h"
#include "ListContents.h"
#include "Params.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

void TopLevel::cmdRefresh_Click() {
    if (globals::hSCA == 0) {
        notConnected();
        return;
    }
    const DeviceSequence sequence;
    // Read back the user's window, not the channel a running scan has on the device.
    abortRunningScan();
    {
        UpdatingGuard guard(*this);
        qint32 value = 0;

        if (!device::readNumber(kivo::PARAM_HV, value))
            failure(tr("Failed to read High Voltage level."));
        else
            txtHV_->setText(conv::countToVoltsText(value));

        if (!device::readNumber(kivo::PARAM_GAIN, value)) {
            failure(tr("Failed to read Amplifier Gain."));
        } else {
            const qint32 fine = conv::fineFromGain(value);
            lblFineGain_->setText(conv::fineGainText(fine));
            sldFineGain_->setValue(fine);
            deviceCoarseGain_ = conv::coarseFromGain(value);
            // Indexes 4..7 have no entry: show no selection rather than a wrong gain.
            cmbCoarseGain_->setCurrentIndex(deviceCoarseGain_ < cmbCoarseGain_->count() ? deviceCoarseGain_
                                                                                        : -1);
        }

        if (!device::readNumber(kivo::PARAM_LLD, value))
            failure(tr("Failed to read LLD."));
        else
            showLevel(sldLLD_, lblLLD_, value);

        if (!device::readNumber(kivo::PARAM_ULD, value))
            failure(tr("Failed to read ULD."));
        else
            showLevel(sldULD_, lblULD_, value);

        if (!device::readNumber(kivo::PARAM_INTEGRAL_MODE, value)) {
            failure(tr("Failed to read integral mode."));
        } else {
            chkIntegMode_->setChecked(value != 0);
            showULDEnabled(value == 0);
        }

        for (QWidget* w : std::initializer_list<QWidget*>{frTTL_, lblTTL_, cmbTTL_})
            w->setEnabled(globals::fwTTLDuration);
        if (globals::fwTTLDuration) {
            if (!device::readNumber(kivo::PARAM_TTL_DURATION, value))
                failure(tr("Failed to read TTL pulse duration."));
            else
                cmbTTL_->setCurrentIndex(qBound(0, value, cmbTTL_->count() - 1));
        } else {
            cmbTTL_->setCurrentIndex(lists::TTL_DEFAULT_POSITION);
        }

        for (QWidget* w : std::initializer_list<QWidget*>{frVR_, rbPulse_, rbDC_})
            w->setEnabled(globals::isVR);
        if (globals::isVR) {
            if (!device::readNumber(kivo::PARAM_ANALOG_MODE, value)) {
                failure(tr("Failed to read analogue output mode."));
            } else {
                (value != 0 ? rbDC_ : rbPulse_)->setChecked(true);
                setAnalogModeControls(value != 0);
            }

            if (!device::readNumber(kivo::PARAM_CPS_RANGE, value))
                failure(tr("Failed to read CPS to Voltage conversion gain."));
            else
                cmbCPSRange_->setCurrentIndex(qBound(0, value, cmbCPSRange_->count() - 1));

            if (globals::fwExtRanges) {
                if (!device::readNumber(kivo::PARAM_RESPONSE_TIME, value))
                    failure(tr("Failed to read response time of analogue output."));
                else
                    cmbRespTime_->setCurrentIndex(qBound(0, value, cmbRespTime_->count() - 1));
            }
        } else {
            setAnalogModeControls(false);
        }
    }
    // The first call creates the scan window hidden.
    showUserROIOnScan();
}
