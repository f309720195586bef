// One recorded pseudo-PHA scan as the spectrum files carry it: the channel sums, how each channel was
// measured (its discriminator window and how many count-rate readings were summed into it), when and
// how the scan ran, the device and its settings, and the program that recorded it. Files written by
// other programs fill only what they carry; the rest keeps the defaults below.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace spectrum {

// How the scan behind a record ended.
enum class ScanState {
    Complete, // every requested sweep was measured
    Aborted,  // stopped by the user, by closing the window or by the program ending
    Running,  // saved while the scan was still going
};

// A channel's discriminator window in device levels.
struct LevelWindow {
    qint32 lld = 0;
    qint32 uld = 0;
    bool operator==(const LevelWindow&) const = default;
};

// An energy calibration of the discriminator axis: E = offsetKeV + slopeKeVPerLevel x level, where
// level is a position on the device's discriminator scale: a point's level is the centre of its
// window, (lld + uld) / 2, or its index when the record carries no windows (another program's
// spectrum, whose calibration is then per channel).
struct EnergyCalibration {
    double offsetKeV = 0;
    double slopeKeVPerLevel = 0;
    bool operator==(const EnergyCalibration&) const = default;
    double energyOfLevel(double level) const { return offsetKeV + slopeKeVPerLevel * level; }
};

struct ScanRecord {
    // The spectrum: one count per plot point. A scan of N channels has N + 1 points (0 to N); point k
    // was measured with the window levels[k].
    QList<qint32> counts;
    qint32 channels = 0;       // N; 0 when the file does not say (another program's spectrum)
    qint32 levelCount = 0;     // discriminator levels of the device (highest level + 1); 0 = unknown
    QList<LevelWindow> levels; // one per point, or empty when the file carries none
    QList<qint32> readings;    // count-rate readings summed into each point, or empty when unknown

    qint32 sweepsRequested = 0;
    qint32 sweepsCompleted = 0;
    QDateTime startTime;        // UTC; invalid when unknown
    QDateTime endTime;          // UTC; invalid when unknown
    double realTimeSeconds = 0; // wall-clock time of the scan
    double liveTimeSeconds = 0; // one second per summed reading
    ScanState state = ScanState::Complete;

    // The device as identified at connection.
    QString product;
    QString manufacturer;
    QString serialNumber;
    QString firmware;

    // The device's settings as the main window showed them.
    QString highVoltageText;                // volts as typed
    std::optional<qint32> highVoltageCount; // the device count those volts are sent as
    qint32 coarseGainIndex = 0;             // gain 2^index
    qint32 fineGain = 0;                    // fine gain position, 0 to 4095: factor 1 + fine / 4095
    // The user's own discriminator window, restored after the scan.
    qint32 userLLD = 0;
    qint32 userULD = 0;
    bool userIntegralMode = false;

    // The energy axis, when the user calibrated one; none means the axis is discriminator levels only.
    std::optional<EnergyCalibration> energyCalibration;

    // The unit was the bundled simulated detector, not real hardware. The files say so in words, so a
    // reader of the file cannot take the spectrum for a measurement.
    bool simulatedUnit = false;
    // Device calls that failed while the scan ran, one sentence each saying which call and how often
    // (e.g. "SetParam (LLD) failed on 12 channels."). A scan with any of them is not a trustworthy
    // spectrum, and every file of it says so.
    QStringList deviceFailures;
    qint32 failedChannels = 0; // channels whose window could not be set on the unit; 0 = none

    QString programName;
    QString programVersion;

    // Free remarks: what another program's file said besides the spectrum, or notes of the reader
    // about what it left out.
    QStringList remarks;

    bool operator==(const ScanRecord&) const = default;

    // True when at least one point holds summed readings.
    bool hasMeasuredChannel() const;
    // False when a device call failed during the scan: the counts may not be a spectrum.
    bool trustworthy() const { return deviceFailures.isEmpty() && failedChannels == 0; }
};

// The number of points a file may hold at most.
constexpr qsizetype MAX_CHANNELS = 65536;

// Why the record cannot be written (empty when it can): no or too many points, a negative count,
// levels or readings that do not match the points, a negative or non-finite time, an energy
// calibration that is not finite, or a negative number of failed channels.
QString validate(const ScanRecord& record);

// The note every file of a scan carries, saying what its numbers mean; with `calibrated`, it says that
// the file's energy calibration maps the discriminator levels to keV instead of saying there is none.
QString scanNote(bool calibrated = false);

// A device or user text made safe for a one-line field: control characters become blanks.
QString oneLine(const QString& text);

// A text made safe as part of a file name: letters, digits, '-', '_' and '.' are kept, every other
// character becomes '_', leading dots are dropped and the length is limited.
QString fileNamePart(const QString& text, qsizetype maxLength = 48);

} // namespace spectrum
