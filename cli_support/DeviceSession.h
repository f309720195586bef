// A command-line tool's connection to one unit: opens it, reads its identity and settings, applies
// the settings asked for on the command line, and closes it. Every failed device call is reported
// through the failure callback and the session goes on, as the windows do.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace cli {

struct UnitIdentity {
    QString product;
    QString manufacturer;
    QString serial;
    QString firmware;
    QString productionDate;
    bool isVR = false;
    bool extRanges = false;   // firmware 1.2 or later: CPS range list and settable response time
    bool ttlDuration = false; // adjustable TTL pulse duration
    qint32 maxLevel = 2047;
    bool levelCountKnown = false; // false when maxLevel is only the default
    bool simulated = false;       // the device library is the bundled simulated detector
};

// The unit's settings as read; a failed read leaves the value empty.
struct UnitSettings {
    std::optional<qint32> highVoltage; // HV count, 0..4095 for 0..1500 V
    std::optional<qint32> gain;        // coarse index x 4096 + fine
    std::optional<qint32> lld;
    std::optional<qint32> uld;
    std::optional<qint32> integralMode;
    std::optional<qint32> ttlDuration;
    std::optional<qint32> analogMode;
    std::optional<qint32> cpsRange;
    std::optional<qint32> responseTime;
};

class DeviceSession {
public:
    using FailureReport = std::function<void(const QString& text)>;
    explicit DeviceSession(FailureReport failure);
    ~DeviceSession(); // closes the unit if it is still open

    // Opens the unit and reads its identity and settings; false when it cannot be opened.
    bool open();
    void close();
    qint32 handle() const;

    // Sends the high voltage (volts) and the amplifier gain (either part may be left as the unit has
    // it), then reads the settings again. Nothing more is sent once `stop` says so (a Ctrl+C).
    void apply(std::optional<double> volts, std::optional<int> coarse, std::optional<double> fineFactor,
               const std::function<bool()>& stop = {});
    void readSettings();

    const UnitIdentity& identity() const { return identity_; }
    const UnitSettings& settings() const { return settings_; }
    // Identity and settings in plain numbers and units, for --info.
    QJsonObject toJson() const;

private:
    FailureReport failure_;
    qint32 handle_ = 0;
    UnitIdentity identity_;
    UnitSettings settings_;
};

} // namespace cli
