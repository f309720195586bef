// Records the spectrum-file tests start from: a scan laid out as the scan window lays it out (N + 1
// points, each channel's window a quarter bin wider than its bin on each side), and a field-by-field
// comparison that names the field that differs.
#pragma once

#include "ScanRecord.h"

#include <QTest>

#include <cmath>
#include <ctime>

namespace testrec {

// The window of channel k of N on a device with `levels` discriminator levels.
inline spectrum::LevelWindow window(qint32 k, qint32 n, qint32 levels) {
    const double bin = double(levels) / n;
    const double w = std::max(1.0, std::nearbyint(bin / 4.0));
    return {qint32(std::max(0.0, std::nearbyint(bin * k - w))),
            qint32(std::min(double(levels - 1), std::nearbyint(bin * (k + 1) + w)))};
}

// A finished scan of `n` channels with a peak, the way the scan window records it.
inline spectrum::ScanRecord scan(qint32 n = 128, qint32 levels = 2048, qint32 sweeps = 10) {
    spectrum::ScanRecord r;
    r.channels = n;
    r.levelCount = levels;
    for (qint32 k = 0; k <= n; ++k) {
        const bool measured = k >= 1 && k < n;
        const double x = double(k) / n;
        r.counts << (measured
                         ? qint32(1000 * std::exp(-std::pow((x - 0.4) / 0.03, 2)) + 50 * (1 - x)) * sweeps
                         : 0);
        r.levels << window(k, n, levels);
        r.readings << (measured ? 3 * sweeps : 0);
    }
    r.sweepsRequested = sweeps;
    r.sweepsCompleted = sweeps;
    r.startTime = QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30, 125), Qt::UTC);
    r.endTime = r.startTime.addMSecs(1301875);
    r.realTimeSeconds = 1301.875;
    r.liveTimeSeconds = 3.0 * sweeps;
    r.state = spectrum::ScanState::Complete;
    r.product = QStringLiteral("Kivo-VR 1000");
    r.manufacturer = QStringLiteral("Vantoll Instruments");
    r.serialNumber = QStringLiteral("SN1234");
    r.firmware = QStringLiteral("2.0.1");
    r.highVoltageText = QStringLiteral("750.0");
    r.highVoltageCount = 2048;
    r.coarseGainIndex = 1;
    r.fineGain = 1000;
    r.userLLD = 100;
    r.userULD = 1900;
    r.userIntegralMode = false;
    r.programName = QStringLiteral("KivoPanel");
    r.programVersion = QStringLiteral("1.0.0");
    return r;
}

// A scan with everything a record can carry besides the plain scan: stopped after 7 of 10 sweeps,
// an energy calibration (values whose products and quotients are exact in binary, so they come back
// through any channel layout exactly), the simulated unit, failed device calls, and remarks of which
// one reads like a flag.
inline spectrum::ScanRecord flagged(qint32 n = 128) {
    spectrum::ScanRecord r = scan(n);
    r.state = spectrum::ScanState::Aborted;
    r.sweepsCompleted = 7;
    r.energyCalibration = spectrum::EnergyCalibration{-3.5, 0.328125};
    r.simulatedUnit = true;
    r.deviceFailures << QStringLiteral("SetParam (LLD) failed on 1 channel.")
                     << QStringLiteral("GetParam (level count) failed once.");
    r.failedChannels = 1;
    r.remarks << QStringLiteral("Device failure: none, says the operator") << QStringLiteral("Remark: kept");
    return r;
}

// Local time away from UTC (India, +5:30), so that a time read without its zone shows when it was
// taken for local time instead of UTC.
inline void awayFromUtc() {
    qputenv("TZ", "IST-5:30");
    tzset();
}

inline qint64 total(const QList<qint32>& counts) {
    qint64 sum = 0;
    for (qint32 c : counts)
        sum += c;
    return sum;
}

// Every field of `actual` against `expected`, each compared on its own so a failure names it.
inline bool sameRecord(const spectrum::ScanRecord& actual, const spectrum::ScanRecord& expected) {
#define KIVO_SAME(field)                                                                                     \
    if (!QTest::qCompare(actual.field, expected.field, #field, "expected." #field, __FILE__, __LINE__))      \
        return false;
    KIVO_SAME(counts)
    KIVO_SAME(channels)
    KIVO_SAME(levelCount)
    KIVO_SAME(levels.size())
    for (qsizetype i = 0; i < expected.levels.size(); ++i) {
        KIVO_SAME(levels[i].lld)
        KIVO_SAME(levels[i].uld)
    }
    KIVO_SAME(readings)
    KIVO_SAME(sweepsRequested)
    KIVO_SAME(sweepsCompleted)
    KIVO_SAME(startTime)
    KIVO_SAME(endTime)
    KIVO_SAME(realTimeSeconds)
    KIVO_SAME(liveTimeSeconds)
    KIVO_SAME(state)
    KIVO_SAME(product)
    KIVO_SAME(manufacturer)
    KIVO_SAME(serialNumber)
    KIVO_SAME(firmware)
    KIVO_SAME(highVoltageText)
    KIVO_SAME(highVoltageCount.has_value())
    KIVO_SAME(highVoltageCount.value_or(-1))
    KIVO_SAME(coarseGainIndex)
    KIVO_SAME(fineGain)
    KIVO_SAME(userLLD)
    KIVO_SAME(userULD)
    KIVO_SAME(userIntegralMode)
    KIVO_SAME(energyCalibration.has_value())
    KIVO_SAME(energyCalibration.value_or(spectrum::EnergyCalibration()).offsetKeV)
    KIVO_SAME(energyCalibration.value_or(spectrum::EnergyCalibration()).slopeKeVPerLevel)
    KIVO_SAME(simulatedUnit)
    KIVO_SAME(deviceFailures)
    KIVO_SAME(failedChannels)
    KIVO_SAME(programName)
    KIVO_SAME(programVersion)
    KIVO_SAME(remarks)
#undef KIVO_SAME
    return actual == expected; // nothing left that the fields above missed
}

} // namespace testrec
