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

        // The unit's settings object takes what the unit reports; the controls follow it.
        using Field = UnitSettings::Field;
        if (!device::readNumber(globals::hSCA, kivo::PARAM_HV, value))
            failure(tr("Failed to read High Voltage level."));
        else {
            settings_.reported(Field::HighVoltage, value);
            txtHV_->setText(conv::countToVoltsText(value)); // the unit's own value, as the unit has it
        }

        if (!device::readNumber(globals::hSCA, kivo::PARAM_GAIN, value))
            failure(tr("Failed to read Amplifier Gain."));
        else
            settings_.reported(Field::Gain, value);

        if (!device::readNumber(globals::hSCA, kivo::PARAM_LLD, value))
            failure(tr("Failed to read LLD."));
        else
            settings_.reported(Field::LLD, value);

        if (!device::readNumber(globals::hSCA, kivo::PARAM_ULD, value))
            failure(tr("Failed to read ULD."));
        else
            settings_.reported(Field::ULD, value);

        if (!device::readNumber(globals::hSCA, kivo::PARAM_INTEGRAL_MODE, value))
            failure(tr("Failed to read integral mode."));
        else
            settings_.reported(Field::IntegralMode, value);

        for (QWidget* w : std::initializer_list<QWidget*>{frTTL_, lblTTL_, cmbTTL_})
            w->setEnabled(globals::fwTTLDuration);
        if (globals::fwTTLDuration) {
            if (!device::readNumber(globals::hSCA, kivo::PARAM_TTL_DURATION, value))
                failure(tr("Failed to read TTL pulse duration."));
            else
                cmbTTL_->setCurrentIndex(qBound(0, value, cmbTTL_->count() - 1));
        } else {
            cmbTTL_->setCurrentIndex(lists::TTL_DEFAULT_POSITION);
        }

        for (QWidget* w : std::initializer_list<QWidget*>{frVR_, rbPulse_, rbDC_})
            w->setEnabled(globals::isVR);
        if (globals::isVR) {
            if (!device::readNumber(globals::hSCA, kivo::PARAM_ANALOG_MODE, value)) {
                failure(tr("Failed to read analogue output mode."));
            } else {
                (value != 0 ? rbDC_ : rbPulse_)->setChecked(true);
                setAnalogModeControls(value != 0);
            }

            if (!device::readNumber(globals::hSCA, kivo::PARAM_CPS_RANGE, value))
                failure(tr("Failed to read CPS to Voltage conversion gain."));
            else
                cmbCPSRange_->setCurrentIndex(qBound(0, value, cmbCPSRange_->count() - 1));

            if (globals::fwExtRanges) {
                if (!device::readNumber(globals::hSCA, kivo::PARAM_RESPONSE_TIME, value))
                    failure(tr("Failed to read response time of analogue output."));
                else
                    cmbRespTime_->setCurrentIndex(qBound(0, value, cmbRespTime_->count() - 1));
            }
        } else {
            setAnalogModeControls(false);
        }
    }
    // The scan window shows the user's window read back; the first readback creates it hidden.
    scanWindow();
}
