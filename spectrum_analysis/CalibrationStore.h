// Where energy calibrations are kept between sessions: one per unit (serial number), in the user's
// settings, together with the high voltage and gains it was made at. Pulse amplitudes move with every
// one of these, so a calibration is offered only while the unit still has them.
#pragma once

#include "ScanRecord.h"

#include <QDateTime>
#include <QString>

#include <optional>

class QSettings;

namespace analysis {

// The unit and the settings that fix its amplitude scale.
struct UnitSettings {
    QString serialNumber;
    qint32 highVoltageCount = 0;
    qint32 coarseGainIndex = 0; // gain 2^index
    qint32 fineGain = 0;        // 0..4095
    bool operator==(const UnitSettings&) const = default;
    // "HV count 2730, coarse gain x1, fine gain 0"
    QString text() const;
};

// The unit and settings of a record, or nothing when it does not carry the serial number or the HV.
std::optional<UnitSettings> unitSettingsOf(const spectrum::ScanRecord& record);

struct StoredCalibration {
    enum class Status {
        None,  // no calibration kept for this unit
        Valid, // kept, made at the unit's present settings
        Stale, // kept, made at other settings: no longer valid
    };
    Status status = Status::None;
    spectrum::EnergyCalibration calibration; // as kept (also when stale, to show it)
    UnitSettings madeAt;                     // the settings it was made at
    QDateTime savedAt;                       // UTC
    QString message;                         // what to tell the user about it
    // The calibration to use: only a valid one.
    std::optional<spectrum::EnergyCalibration> usable() const {
        return status == Status::Valid ? std::optional(calibration) : std::nullopt;
    }
};

class CalibrationStore {
public:
    // Keeps the calibrations in `settings` (the program's own settings; a test passes a file).
    explicit CalibrationStore(QSettings& settings) : settings_(settings) {}

    // Keeps `calibration` for the unit at `unit`'s settings, replacing the unit's earlier one. An empty
    // error text on success.
    QString save(const UnitSettings& unit, const spectrum::EnergyCalibration& calibration,
                 const QDateTime& now = QDateTime::currentDateTimeUtc());
    // The unit's calibration and whether it holds at `unit`'s settings.
    StoredCalibration lookup(const UnitSettings& unit) const;
    void forget(const QString& serialNumber);

private:
    QSettings& settings_;
};

} // namespace analysis
