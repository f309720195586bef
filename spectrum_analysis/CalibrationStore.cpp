#include "CalibrationStore.h"

#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

// A serial number may hold characters the settings file reads as group separators.
QString groupOf(const QString& serialNumber) {
    return QStringLiteral("EnergyCalibration/") + QString::fromLatin1(QUrl::toPercentEncoding(serialNumber));
}

QString number(double value) {
    return QString::number(value, 'g', 6);
}

} // namespace

QString UnitSettings::text() const {
    return QStringLiteral("HV count %1, coarse gain x%2, fine gain %3")
        .arg(highVoltageCount)
        .arg(qint64(1) << std::clamp(coarseGainIndex, 0, 30))
        .arg(fineGain);
}

std::optional<UnitSettings> unitSettingsOf(const spectrum::ScanRecord& record) {
    if (record.serialNumber.trimmed().isEmpty() || !record.highVoltageCount)
        return std::nullopt;
    return UnitSettings{record.serialNumber, *record.highVoltageCount, record.coarseGainIndex,
                        record.fineGain};
}

QString CalibrationStore::save(const UnitSettings& unit, const spectrum::EnergyCalibration& calibration,
                               const QDateTime& now) {
    if (unit.serialNumber.trimmed().isEmpty())
        return QStringLiteral("The unit has no serial number, so the calibration cannot be kept for it.");
    if (!std::isfinite(calibration.offsetKeV) || !(calibration.slopeKeVPerLevel > 0) ||
        !std::isfinite(calibration.slopeKeVPerLevel))
        return QStringLiteral("The calibration is not usable and was not kept.");
    settings_.remove(groupOf(unit.serialNumber));
    settings_.beginGroup(groupOf(unit.serialNumber));
    settings_.setValue(QStringLiteral("offsetKeV"), calibration.offsetKeV);
    settings_.setValue(QStringLiteral("slopeKeVPerLevel"), calibration.slopeKeVPerLevel);
    settings_.setValue(QStringLiteral("highVoltageCount"), unit.highVoltageCount);
    settings_.setValue(QStringLiteral("coarseGainIndex"), unit.coarseGainIndex);
    settings_.setValue(QStringLiteral("fineGain"), unit.fineGain);
    settings_.setValue(QStringLiteral("savedAt"), now.toUTC().toString(Qt::ISODate));
    settings_.endGroup();
    settings_.sync();
    return settings_.status() == QSettings::NoError
               ? QString()
               : QStringLiteral("The calibration could not be written to the settings.");
}

StoredCalibration CalibrationStore::lookup(const UnitSettings& unit) const {
    StoredCalibration s;
    settings_.beginGroup(groupOf(unit.serialNumber));
    bool ok[5] = {};
    s.calibration.offsetKeV = settings_.value(QStringLiteral("offsetKeV")).toDouble(&ok[0]);
    s.calibration.slopeKeVPerLevel = settings_.value(QStringLiteral("slopeKeVPerLevel")).toDouble(&ok[1]);
    s.madeAt.serialNumber = unit.serialNumber;
    s.madeAt.highVoltageCount = settings_.value(QStringLiteral("highVoltageCount")).toInt(&ok[2]);
    s.madeAt.coarseGainIndex = settings_.value(QStringLiteral("coarseGainIndex")).toInt(&ok[3]);
    s.madeAt.fineGain = settings_.value(QStringLiteral("fineGain")).toInt(&ok[4]);
    s.savedAt = QDateTime::fromString(settings_.value(QStringLiteral("savedAt")).toString(), Qt::ISODate);
    settings_.endGroup();

    const bool complete = std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) &&
                          std::isfinite(s.calibration.offsetKeV) && s.calibration.slopeKeVPerLevel > 0 &&
                          std::isfinite(s.calibration.slopeKeVPerLevel);
    if (unit.serialNumber.trimmed().isEmpty() || !complete) {
        s = StoredCalibration{};
        s.message = QStringLiteral("No energy calibration is kept for this unit.");
        return s;
    }
    const QString line = QStringLiteral("E = %1 keV + %2 keV x level")
                             .arg(number(s.calibration.offsetKeV), number(s.calibration.slopeKeVPerLevel));
    if (s.madeAt == unit) {
        s.status = StoredCalibration::Status::Valid;
        s.message = QStringLiteral("Energy calibration of unit %1 at %2: %3.")
                        .arg(unit.serialNumber, unit.text(), line);
    } else {
        s.status = StoredCalibration::Status::Stale;
        s.message =
            QStringLiteral("The energy calibration of unit %1 was made at %2; the unit now has %3, so it "
                           "is no longer valid. Calibrate again.")
                .arg(unit.serialNumber, s.madeAt.text(), unit.text());
    }
    return s;
}

void CalibrationStore::forget(const QString& serialNumber) {
    settings_.remove(groupOf(serialNumber));
    settings_.sync();
}

} // namespace analysis
