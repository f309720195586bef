// What the report shows: the values the windows hold when the preview opens. The report is built from
// what the user sees (control positions and texts), not by asking the device again.
#pragma once

#include "PeakReport.h"
#include "ScanRecord.h"

#include <QString>
#include <QtGlobal>

#include <optional>

struct ReportValues {
    // Device identifiers as read at connection.
    QString serialNumber;
    QString firmwareVersion;
    QString productionDate; // eight digits: year, month, day
    bool isVR = false;

    // Main window settings.
    int coarseGainIndex = 0;  // selected entry of the coarse gain list: gain 2^index
    int fineGainPosition = 0; // fine gain slider position, 0 to 4095
    int lldPosition = 0;      // discriminator slider positions, 0 to maxLevel
    int uldPosition = 0;
    qint32 maxLevel = 2047;  // highest discriminator level
    QString highVoltageText; // the high-voltage box as typed, applied or not

    // Scan window settings.
    int channelsIndex = 1; // selected entry of the channel list: 64 × 2^index channels
    QString sweepsText;    // the sweep count box as typed

    // The spectrum in the image as recorded, when one was measured: its channels, the sweeps it
    // holds, when it ran, how it ended, what failed and on which unit. It outranks the boxes above,
    // which only say what the next scan would do.
    std::optional<spectrum::ScanRecord> scan;
    // The spectrum image's axis in keV, as the caller shows it; only a calibrated scan has one.
    bool energyAxis = false;
    bool showsEnergyAxis() const { return energyAxis && scan && scan->energyCalibration; }
    // The peaks found in the spectrum, as a table under it; none when no analysis ran.
    std::optional<analysis::PeakTable> peakTable;

    // The images beside the document, by file name.
    QString logoImage = QStringLiteral("vtlogo.png");
    QString spectrumImage = QStringLiteral("spect.png");
};
