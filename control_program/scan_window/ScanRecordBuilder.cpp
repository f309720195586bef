#include "ScanRecordBuilder.h"

#include "Conversions.h"
#include "ReportValues.h"
#include "ScanRecords.h"
#include "TopLevel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>

namespace scanfiles {

ScanSettings currentSettings(const TopLevel& main) {
    const ReportValues values = CollectReportValues(main.cmbCoarseGain(), main.sldFineGain(), main.sldLLD(),
                                                    main.sldULD(), main.txtHV(), nullptr, nullptr);
    ScanSettings s;
    s.product = globals::productName;
    s.serialNumber = values.serialNumber;
    s.firmware = values.firmwareVersion;
    s.highVoltageText = values.highVoltageText;
    // The count the typed volts are sent as (the same conversion as the high-voltage Apply).
    s.highVoltageCount = conv::voltsToCount(conv::TextToSingle(values.highVoltageText));
    s.coarseGainIndex = values.coarseGainIndex;
    s.fineGain = values.fineGainPosition;
    return s;
}

bool ScanSession::hasReadings() const {
    return std::any_of(readings.begin(), readings.end(), [](qint32 n) { return n > 0; });
}

ScanSession& session() {
    static ScanSession current;
    return current;
}

spectrum::ScanRecord buildRecord(const ScanSession& s,
                                 const std::array<qint32, globals::SCAN_COUNTS_SIZE>& counts,
                                 const ScreenState& screen, const QDateTime& now) {
    const qint32 channels = std::clamp(screen.channels, 1, globals::SCAN_COUNTS_SIZE - 1);
    const qint32 maxLevel = s.levelCount ? *s.levelCount - 1 : screen.maxLevel;
    spectrum::ScanRecord r = scan::channelLayout(channels, maxLevel);
    for (qint32 k = 0; k <= channels; ++k)
        r.counts[k] = std::max(0, counts[size_t(k)]); // a count rate below zero is no count
    r.readings = QList<qint32>(s.readings.begin(), s.readings.begin() + channels + 1);
    r.sweepsRequested = s.sweepsRequested;
    r.sweepsCompleted = s.sweepsCompleted;
    r.startTime = s.startTime;
    r.endTime = screen.running ? now : s.endTime;
    qint64 realMs = s.realTimeMs;
    if (screen.running && s.runStart.isValid())
        realMs += s.runStart.msecsTo(now);
    r.realTimeSeconds = double(realMs) / 1000.0;
    // Each summed reading is a count rate over about one second.
    r.liveTimeSeconds = double(*std::max_element(r.readings.begin(), r.readings.end()));
    r.state = screen.running ? spectrum::ScanState::Running : s.state;
    r.product = s.settings.product;
    r.serialNumber = s.settings.serialNumber;
    r.firmware = s.settings.firmware;
    r.highVoltageText = s.settings.highVoltageText;
    r.highVoltageCount = s.settings.highVoltageCount;
    r.coarseGainIndex = s.settings.coarseGainIndex;
    r.fineGain = s.settings.fineGain;
    r.userLLD = screen.userLLD;
    r.userULD = screen.userULD;
    r.userIntegralMode = screen.userIntegralMode;
    r.programName = QStringLiteral("KivoPanel");
    r.programVersion =
        QStringLiteral("%1.%2.%3").arg(KIVO_VERSION_MAJOR).arg(KIVO_VERSION_MINOR).arg(KIVO_VERSION_PATCH);
    return r;
}

} // namespace scanfiles
