#include "DeviceSession.h"

#include "Conversions.h"
#include "DeviceLink.h"
#include "DeviceParams.h"
#include "ListContents.h"
#include "Params.h"

#include <QJsonValue>

#include <cmath>

namespace cli {

DeviceSession::DeviceSession(FailureReport failure) : failure_(std::move(failure)) {}

DeviceSession::~DeviceSession() {
    close();
}

qint32 DeviceSession::handle() const {
    return handle_;
}

bool DeviceSession::open() {
    handle_ = kivo::DeviceLink::instance().OpenSCA(0);
    if (handle_ == 0)
        return false;
    identity_.simulated = kivo::DeviceLink::instance().isSimulator();

    device::TextParam text;
    auto readText = [&](qint32 id, QString& into, const char* failure) {
        if (device::readText(handle_, id, text))
            into = text.text;
        else
            failure_(QString::fromLatin1(failure));
    };
    readText(kivo::PARAM_PRODUCT_NAME, identity_.product, "Failed to read device info.");
    readText(kivo::PARAM_MANUFACTURER, identity_.manufacturer, "Failed to read manufacturer name.");
    readText(kivo::PARAM_SERIAL_NUMBER, identity_.serial, "Failed to read serial number.");
    readText(kivo::PARAM_FW_VERSION, identity_.firmware, "Failed to read firmware version.");
    readText(kivo::PARAM_PRODUCTION_DATE, identity_.productionDate, "Failed to read production date.");
    identity_.isVR = conv::isVariantVR(identity_.product);
    if (const auto features = conv::firmwareFeatures(identity_.firmware)) {
        identity_.extRanges = features->extRanges;
        identity_.ttlDuration = features->ttlDuration;
    }
    qint32 levels = 0;
    const bool levelsRead = device::readLevelCount(handle_, levels);
    if (!levelsRead)
        failure_(QStringLiteral("Failed to read the level count."));
    identity_.maxLevel = conv::maxLevelFromCount(levelsRead, levels);
    identity_.levelCountKnown = levelsRead && levels > 1;
    readSettings();
    return true;
}

void DeviceSession::readSettings() {
    auto read = [&](qint32 id, std::optional<qint32>& into, const char* failure) {
        qint32 value = 0;
        if (device::readNumber(handle_, id, value))
            into = value;
        else
            failure_(QString::fromLatin1(failure));
    };
    read(kivo::PARAM_HV, settings_.highVoltage, "Failed to read High Voltage level.");
    read(kivo::PARAM_GAIN, settings_.gain, "Failed to read Amplifier Gain.");
    read(kivo::PARAM_LLD, settings_.lld, "Failed to read LLD.");
    read(kivo::PARAM_ULD, settings_.uld, "Failed to read ULD.");
    read(kivo::PARAM_INTEGRAL_MODE, settings_.integralMode, "Failed to read integral mode.");
    if (identity_.ttlDuration)
        read(kivo::PARAM_TTL_DURATION, settings_.ttlDuration, "Failed to read TTL pulse duration.");
    if (identity_.isVR) {
        read(kivo::PARAM_ANALOG_MODE, settings_.analogMode, "Failed to read analogue output mode.");
        read(kivo::PARAM_CPS_RANGE, settings_.cpsRange, "Failed to read CPS to Voltage conversion gain.");
        if (identity_.extRanges)
            read(kivo::PARAM_RESPONSE_TIME, settings_.responseTime,
                 "Failed to read response time of analogue output.");
    }
}

void DeviceSession::apply(std::optional<double> volts, std::optional<int> coarse, std::optional<double> fine,
                          const std::function<bool()>& stop) {
    const auto stopped = [&] { return stop && stop(); };
    if (stopped())
        return;
    if (volts) {
        const auto count = conv::voltsToCount(float(*volts));
        if (!count || !device::writeNumber(handle_, kivo::PARAM_HV, *count))
            failure_(QStringLiteral("Failed to set High Voltage level."));
    }
    if ((coarse || fine) && !stopped()) {
        // One parameter holds both halves: the half not given keeps what the unit has, so it must be
        // known. A default in its place would change a setting the user did not ask to change.
        if (!settings_.gain && !(coarse && fine)) {
            failure_(QStringLiteral("The amplifier gain was not set: its %1 gain could not be read first.")
                         .arg(coarse ? QStringLiteral("fine") : QStringLiteral("coarse")));
        } else {
            const qint32 now = settings_.gain.value_or(0);
            const qint32 gain = conv::gainValue(coarse.value_or(conv::coarseFromGain(now)),
                                                fine ? conv::fineFromFactor(*fine) : conv::fineFromGain(now));
            if (!device::writeNumber(handle_, kivo::PARAM_GAIN, gain))
                failure_(QStringLiteral("Failed to set Amplifier Gain."));
        }
    }
    if ((volts || coarse || fine) && !stopped())
        readSettings();
}

void DeviceSession::close() {
    if (handle_ != 0) {
        kivo::DeviceLink::instance().CloseSCA(handle_);
        handle_ = 0;
    }
}

QJsonObject DeviceSession::toJson() const {
    auto number = [](const std::optional<qint32>& v) { return v ? QJsonValue(*v) : QJsonValue(); };
    // A list setting: its position, as the unit holds it, and what that position means.
    auto listed = [](const std::optional<qint32>& v, const QStringList& texts) {
        if (!v)
            return QJsonValue();
        return QJsonValue(QJsonObject{{u"position"_qs, *v}, {u"text"_qs, texts.value(*v)}});
    };
    QJsonObject unit{
        {u"product"_qs, identity_.product},
        {u"manufacturer"_qs, identity_.manufacturer},
        {u"serial"_qs, identity_.serial},
        {u"firmware"_qs, identity_.firmware},
        {u"productionDate"_qs, identity_.productionDate},
        {u"variant"_qs, identity_.isVR ? u"Kivo-VR"_qs : u"Kivo"_qs},
        {u"levels"_qs, identity_.maxLevel + 1},
        {u"simulated"_qs, identity_.simulated},
        {u"deviceLibrary"_qs, QString::fromStdString(kivo::DeviceLink::instance().loadedLibrary())},
    };
    QJsonObject s;
    const UnitSettings& v = settings_;
    s[u"highVoltage"_qs] = v.highVoltage
                               ? QJsonValue(QJsonObject{{u"count"_qs, *v.highVoltage},
                                                        {u"volts"_qs, conv::countToVolts(*v.highVoltage)}})
                               : QJsonValue();
    s[u"gain"_qs] = v.gain
                        ? QJsonValue(QJsonObject{{u"value"_qs, *v.gain},
                                                 {u"coarse"_qs, 1 << conv::coarseFromGain(*v.gain)},
                                                 {u"fine"_qs, conv::fineFactor(conv::fineFromGain(*v.gain))}})
                        : QJsonValue();
    s[u"lld"_qs] = number(v.lld);
    s[u"uld"_qs] = number(v.uld);
    s[u"integralMode"_qs] = v.integralMode ? QJsonValue(*v.integralMode != 0) : QJsonValue();
    if (identity_.ttlDuration)
        s[u"ttlDuration"_qs] = listed(v.ttlDuration, lists::ttlDuration());
    if (identity_.isVR) {
        s[u"analogueMode"_qs] =
            v.analogMode ? QJsonValue(*v.analogMode != 0 ? u"count rate"_qs : u"pulse"_qs) : QJsonValue();
        s[u"cpsRange"_qs] =
            listed(v.cpsRange, identity_.extRanges ? lists::cpsRangeExtended() : lists::cpsRangeShort());
        if (identity_.extRanges)
            s[u"responseTime"_qs] = listed(v.responseTime, lists::responseTime());
    }
    return QJsonObject{{u"unit"_qs, unit}, {u"settings"_qs, s}};
}

} // namespace cli
