#include "ScanRecord.h"

#include <algorithm>
#include <cmath>

namespace spectrum {

bool ScanRecord::hasMeasuredChannel() const {
    return std::any_of(readings.begin(), readings.end(), [](qint32 n) { return n > 0; });
}

QString validate(const ScanRecord& record) {
    if (record.counts.isEmpty())
        return QStringLiteral("the spectrum has no channels");
    if (record.counts.size() > MAX_CHANNELS)
        return QStringLiteral("the spectrum has more than %1 channels").arg(MAX_CHANNELS);
    for (qsizetype i = 0; i < record.counts.size(); ++i)
        if (record.counts[i] < 0)
            return QStringLiteral("channel %1 holds a negative count (%2)").arg(i).arg(record.counts[i]);
    if (!record.levels.isEmpty() && record.levels.size() != record.counts.size())
        return QStringLiteral("the spectrum has %1 channels but %2 discriminator windows")
            .arg(record.counts.size())
            .arg(record.levels.size());
    if (!record.readings.isEmpty() && record.readings.size() != record.counts.size())
        return QStringLiteral("the spectrum has %1 channels but %2 reading counts")
            .arg(record.counts.size())
            .arg(record.readings.size());
    for (const auto& [what, value] : {std::pair{"real time", record.realTimeSeconds},
                                      std::pair{"live time", record.liveTimeSeconds}})
        if (!std::isfinite(value) || value < 0)
            return QStringLiteral("the %1 is not a duration (%2 s)").arg(QLatin1String(what)).arg(value);
    if (const auto& c = record.energyCalibration;
        c && !(std::isfinite(c->offsetKeV) && std::isfinite(c->slopeKeVPerLevel)))
        return QStringLiteral("the energy calibration is not a finite number");
    if (record.failedChannels < 0)
        return QStringLiteral("the number of failed channels is negative (%1)").arg(record.failedChannels);
    return {};
}

QString scanNote(bool calibrated) {
    const QString common = QStringLiteral(
        "Pseudo pulse-height spectrum recorded by stepping a single-channel analyser window across the "
        "discriminator range. Each channel value is the sum of 3 x sweeps count-rate readings, written as "
        "counts; the live time is one second per summed reading and the real time is the scan's "
        "wall-clock time. ");
    return common + (calibrated ? QStringLiteral("The channel axis is the discriminator level; the file's "
                                                 "energy calibration maps it to keV.")
                                : QStringLiteral("There is no energy calibration: the channel axis is the "
                                                 "discriminator level."));
}

QString oneLine(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || u == 0xfffe || u == 0xffff || c.isSurrogate())
            c = u' ';
    }
    return out;
}

QString fileNamePart(const QString& text, qsizetype maxLength) {
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool safe = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
                          u == u'-' || u == u'_' || u == u'.';
        out += safe ? c : QChar(u'_');
    }
    while (out.startsWith(u'.'))
        out.remove(0, 1);
    return out.left(maxLength);
}

} // namespace spectrum
