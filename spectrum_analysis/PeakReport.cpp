#include "PeakReport.h"

#include "RecordJson.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

QString fixed(double value, int decimals) {
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("-");
}

} // namespace

PeakTable peakTable(const Analysis& analysis) {
    PeakTable t;
    const bool energies = std::any_of(analysis.peaks.begin(), analysis.peaks.end(),
                                      [](const Peak& p) { return p.energyKeV.has_value(); });
    t.headers << QStringLiteral("#") << QStringLiteral("Centroid (%)");
    if (energies)
        t.headers << QStringLiteral("Energy (keV)");
    t.headers << QStringLiteral("FWHM (%)") << QStringLiteral("Net counts") << QStringLiteral("Flags");
    for (qsizetype i = 0; i < analysis.peaks.size(); ++i) {
        const Peak& p = analysis.peaks[i];
        QStringList row{QString::number(i + 1), fixed(p.centroidPercent, 2)};
        if (energies)
            row << (p.energyKeV ? fixed(*p.energyKeV, 1) : QString());
        row << fixed(p.resolutionPercent, 2)
            << QStringLiteral("%1 \u00b1 %2").arg(fixed(p.netCounts, 0), fixed(p.netCountsSigma, 0))
            << flagsText(p);
        t.rows << row;
    }
    if (!analysis.message.isEmpty())
        t.note = analysis.message;
    else if (analysis.peaks.isEmpty())
        t.note = QStringLiteral("No peaks found.");
    else
        t.note = QStringLiteral("%1; FWHM (%) in percent of the centroid.").arg(resolutionNote());
    return t;
}

QString peakTableText(const Analysis& analysis) {
    const PeakTable t = peakTable(analysis);
    QString out;
    if (!t.rows.isEmpty()) {
        QList<qsizetype> widths;
        for (const QString& h : t.headers)
            widths << h.size();
        for (const QStringList& row : t.rows)
            for (qsizetype c = 0; c < row.size(); ++c)
                widths[c] = std::max(widths[c], row[c].size());
        const auto line = [&](const QStringList& cells) {
            QString l;
            for (qsizetype c = 0; c < cells.size(); ++c)
                l += (c == 0 ? QString() : QStringLiteral("  ")) + cells[c].leftJustified(widths[c]);
            return l.trimmed() + u'\n';
        };
        out += line(t.headers);
        for (const QStringList& row : t.rows)
            out += line(row);
    }
    return out + t.note + u'\n';
}

QJsonObject peakJson(const Peak& p) {
    QJsonObject o{
        {QStringLiteral("centroidLevel"), finiteJson(p.centroidLevel)},
        {QStringLiteral("centroidLevelSigma"), finiteJson(p.centroidSigmaLevel)},
        {QStringLiteral("centroidPercent"), finiteJson(p.centroidPercent)},
        {QStringLiteral("fwhmLevels"), finiteJson(p.fwhmLevels)},
        {QStringLiteral("fwhmLevelsSigma"), finiteJson(p.fwhmSigmaLevels)},
        {QStringLiteral("apparentFwhmLevels"), finiteJson(p.apparentFwhmLevels)},
        {QStringLiteral("resolutionPercent"), finiteJson(p.resolutionPercent)},
        {QStringLiteral("grossCounts"), finiteJson(p.grossCounts)},
        {QStringLiteral("netCounts"), finiteJson(p.netCounts)},
        {QStringLiteral("netCountsSigma"), finiteJson(p.netCountsSigma)},
        {QStringLiteral("backgroundCounts"), finiteJson(p.backgroundCounts)},
        {QStringLiteral("peakRate"), finiteJson(p.peakRate)},
        {QStringLiteral("peakRateSigma"), finiteJson(p.peakRateSigma)},
        {QStringLiteral("firstPoint"), p.firstPoint},
        {QStringLiteral("lastPoint"), p.lastPoint},
        {QStringLiteral("method"), methodText(p.method)},
        {QStringLiteral("nearEdge"), p.nearEdge},
        {QStringLiteral("userRegion"), p.userRegion},
        {QStringLiteral("significance"), finiteJson(p.significance)},
        {QStringLiteral("chiSquarePerDof"), finiteJson(p.chiSquarePerDof)},
    };
    if (p.energyKeV)
        o[QStringLiteral("energyKeV")] = finiteJson(*p.energyKeV);
    if (p.fwhmKeV)
        o[QStringLiteral("fwhmKeV")] = finiteJson(*p.fwhmKeV);
    return o;
}

QJsonObject analysisJson(const spectrum::ScanRecord& record, const Analysis& analysis) {
    QJsonArray peaks;
    for (const Peak& p : analysis.peaks)
        peaks.append(peakJson(p));
    const QJsonObject a{
        {QStringLiteral("peaks"), peaks},
        {QStringLiteral("windowWidthRemoved"), analysis.windowWidthRemoved},
        {QStringLiteral("note"), resolutionNote()},
        {QStringLiteral("fullScaleLevel"), finiteJson(analysis.fullScaleLevel)},
        {QStringLiteral("message"), analysis.message},
    };
    return QJsonObject{
        {QStringLiteral("record"), recordJson(record)},
        {QStringLiteral("analysis"), a},
        {QStringLiteral("energyCalibration"), calibrationJson(record.energyCalibration)},
    };
}

} // namespace analysis
