#include "RecordJson.h"

#include <QJsonArray>

#include <cmath>

namespace analysis {

namespace {

QJsonValue timeJson(const QDateTime& t) {
    return t.isValid() ? QJsonValue(t.toUTC().toString(Qt::ISODate)) : QJsonValue();
}

QString stateText(spectrum::ScanState state) {
    switch (state) {
    case spectrum::ScanState::Complete:
        return QStringLiteral("complete");
    case spectrum::ScanState::Aborted:
        return QStringLiteral("aborted");
    case spectrum::ScanState::Running:
        return QStringLiteral("running");
    }
    return {};
}

QJsonArray integers(const QList<qint32>& values) {
    QJsonArray a;
    for (const qint32 v : values)
        a.append(v);
    return a;
}

} // namespace

QJsonValue finiteJson(double value) {
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

QJsonValue calibrationJson(const std::optional<spectrum::EnergyCalibration>& calibration) {
    if (!calibration)
        return QJsonValue();
    return QJsonObject{{QStringLiteral("offsetKeV"), finiteJson(calibration->offsetKeV)},
                       {QStringLiteral("slopeKeVPerLevel"), finiteJson(calibration->slopeKeVPerLevel)}};
}

QJsonObject recordJson(const spectrum::ScanRecord& r) {
    QJsonArray levels;
    for (const spectrum::LevelWindow& w : r.levels)
        levels.append(QJsonArray{w.lld, w.uld});
    const QJsonObject unit{
        {QStringLiteral("product"), r.product},           {QStringLiteral("manufacturer"), r.manufacturer},
        {QStringLiteral("serialNumber"), r.serialNumber}, {QStringLiteral("firmware"), r.firmware},
        {QStringLiteral("simulated"), r.simulatedUnit},
    };
    const QJsonObject settings{
        {QStringLiteral("highVoltageText"), r.highVoltageText},
        {QStringLiteral("highVoltageCount"),
         r.highVoltageCount ? QJsonValue(*r.highVoltageCount) : QJsonValue()},
        {QStringLiteral("coarseGainIndex"), r.coarseGainIndex},
        {QStringLiteral("fineGain"), r.fineGain},
        {QStringLiteral("userLLD"), r.userLLD},
        {QStringLiteral("userULD"), r.userULD},
        {QStringLiteral("userIntegralMode"), r.userIntegralMode},
    };
    return QJsonObject{
        {QStringLiteral("counts"), integers(r.counts)},
        {QStringLiteral("channels"), r.channels},
        {QStringLiteral("levelCount"), r.levelCount},
        {QStringLiteral("levels"), levels},
        {QStringLiteral("readings"), integers(r.readings)},
        {QStringLiteral("sweepsRequested"), r.sweepsRequested},
        {QStringLiteral("sweepsCompleted"), r.sweepsCompleted},
        {QStringLiteral("startTime"), timeJson(r.startTime)},
        {QStringLiteral("endTime"), timeJson(r.endTime)},
        {QStringLiteral("realTimeSeconds"), finiteJson(r.realTimeSeconds)},
        {QStringLiteral("liveTimeSeconds"), finiteJson(r.liveTimeSeconds)},
        {QStringLiteral("state"), stateText(r.state)},
        {QStringLiteral("unit"), unit},
        {QStringLiteral("settings"), settings},
        {QStringLiteral("energyCalibration"), calibrationJson(r.energyCalibration)},
        {QStringLiteral("deviceFailures"), QJsonArray::fromStringList(r.deviceFailures)},
        {QStringLiteral("failedChannels"), r.failedChannels},
        {QStringLiteral("trustworthy"), r.trustworthy()},
        {QStringLiteral("program"),
         QJsonObject{{QStringLiteral("name"), r.programName}, {QStringLiteral("version"), r.programVersion}}},
        {QStringLiteral("remarks"), QJsonArray::fromStringList(r.remarks)},
    };
}

} // namespace analysis
