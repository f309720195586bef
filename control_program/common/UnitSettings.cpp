#include "UnitSettings.h"

#include "Conversions.h"
#include "DeviceParams.h"
#include "DeviceSequence.h"
#include "Globals.h"
#include "Params.h"

#include <QCoreApplication>

#include <utility>

UnitSettings::UnitSettings(FailureReport failure, QObject* parent)
    : QObject(parent), failure_(std::move(failure)) {}

bool UnitSettings::connected() const {
    return globals::hSCA != 0;
}

void UnitSettings::send(bool send, qint32 param, qint32 value, const char* failureText) {
    if (send && !device::writeNumber(globals::hSCA, param, value))
        failure_(QCoreApplication::translate("TopLevel", failureText));
}

void UnitSettings::changed() {
    if (connected())
        markUnsaved();
}

void UnitSettings::setDiscriminatorWindow(qint32 lld, qint32 uld, bool integral) {
    const DeviceSequence sequence;
    // During a scan the scan owns the device's discriminator; it restores the user's latest window.
    const bool sendNow = !globals::scanRunning && connected();
    send(sendNow, kivo::PARAM_LLD, lld, "Failed to set LLD.");
    send(sendNow, kivo::PARAM_ULD, uld, "Failed to set ULD.");
    send(sendNow, kivo::PARAM_INTEGRAL_MODE, integral ? 1 : 0, "Failed to set integral mode.");
    lld_ = lld;
    uld_ = uld;
    integral_ = integral;
    changed();
    emit windowChanged();
}

void UnitSettings::setLLD(qint32 level) {
    const DeviceSequence sequence;
    send(!globals::scanRunning && connected(), kivo::PARAM_LLD, level, "Failed to set LLD.");
    lld_ = level;
    changed();
    emit windowChanged();
}

void UnitSettings::setULD(qint32 level) {
    const DeviceSequence sequence;
    send(!globals::scanRunning && connected(), kivo::PARAM_ULD, level, "Failed to set ULD.");
    uld_ = level;
    changed();
    emit windowChanged();
}

void UnitSettings::setIntegralMode(bool integral) {
    const DeviceSequence sequence;
    send(!globals::scanRunning && connected(), kivo::PARAM_INTEGRAL_MODE, integral ? 1 : 0,
         "Failed to set integral mode.");
    integral_ = integral;
    changed();
    emit windowChanged();
}

void UnitSettings::setGain(qint32 coarse, qint32 fine) {
    const DeviceSequence sequence;
    send(connected(), kivo::PARAM_GAIN, conv::gainValue(coarse, fine), "Failed to set Amplifier Gain.");
    coarse_ = coarse;
    fine_ = fine;
    changed();
    emit gainChanged();
}

bool UnitSettings::setHighVoltage(double volts) {
    const auto count = conv::voltsToCount(float(volts));
    if (!count)
        return false;
    const DeviceSequence sequence;
    highVoltageAccepted_ = false;
    if (connected()) {
        highVoltageAccepted_ = device::writeNumber(globals::hSCA, kivo::PARAM_HV, *count);
        if (highVoltageAccepted_)
            highVoltageCount_ = *count;
        else
            failure_(QCoreApplication::translate("TopLevel", "Failed to set High Voltage level."));
    }
    changed();
    emit highVoltageChanged();
    return true;
}

void UnitSettings::setHighVoltageEntry(const QString& text) {
    highVoltageEntry_ = text;
}

void UnitSettings::markUnsaved() {
    if (std::exchange(unsaved_, true))
        return;
    emit unsavedChanged(true);
}

void UnitSettings::markSaved() {
    if (!std::exchange(unsaved_, false))
        return;
    emit unsavedChanged(false);
}

void UnitSettings::reported(Field field, qint32 value) {
    switch (field) {
    case Field::HighVoltage:
        highVoltageCount_ = value;
        emit highVoltageChanged();
        return;
    case Field::Gain:
        coarse_ = conv::coarseFromGain(value);
        fine_ = conv::fineFromGain(value);
        emit gainChanged();
        return;
    case Field::LLD:
        lld_ = value;
        break;
    case Field::ULD:
        uld_ = value;
        break;
    case Field::IntegralMode:
        integral_ = value != 0;
        break;
    }
    emit windowChanged();
}
