#include "CountTexts.h"

#include "Conversions.h"
#include "CountStatistics.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>

namespace counttext {

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("Count", text);
}
} // namespace

std::optional<double> number(const QString& text) {
    bool ok = false;
    double v = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString value(double v, int decimals) {
    return std::isnan(v) ? QString() : conv::plainNumber(v, decimals);
}

QStringList columnTitles() {
    return {tr("#"),           tr("Start (UTC)"),      tr("Time (s)"),  tr("Readings"), tr("Mean (CPS)"),
            tr("Error (CPS)"), tr("Dispersion index"), tr("Net (CPS)"), tr("HV (V)"),   tr("Complete")};
}

QStringList measurementRow(int index, const counting::Measurement& m) {
    return {QString::number(index + 1),
            m.start.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            value(m.durationSeconds, 1),
            QString::number(m.readings),
            value(m.mean, 2),
            value(m.standardError, 2),
            value(m.dispersion, 3),
            value(m.net, 2),
            value(m.highVoltage, 1),
            m.complete ? tr("yes") : tr("no")};
}

QString statistics(const counting::Series& series) {
    const counting::SeriesStatistics s = counting::seriesStatistics(series.measurements, series.background);
    if (s.measurements == 0)
        return tr("No measurement yet.");
    QStringList lines;
    lines << tr("%1 measurements, %2 readings: mean %3 CPS, standard deviation %4 CPS, error of the mean %5 "
                "CPS")
                 .arg(QString::number(s.measurements), QString::number(s.readings), value(s.mean, 2),
                      value(s.sd, 2), value(s.meanError, 2));
    lines << tr("Dispersion index %1; reduced chi-square %2 with %3 degrees of freedom, p-value %4")
                 .arg(value(s.dispersion, 3), value(s.reducedChiSquare, 3),
                      QString::number(s.degreesOfFreedom), value(s.pValue, 3));
    lines << tr("Verdict: %1").arg(counting::verdictText(s.verdict));
    if (series.background)
        lines << tr("Net rate %1 +- %2 CPS after a background of %3 +- %4 CPS")
                     .arg(value(s.net.rate, 2), value(s.net.error, 2), value(series.background->mean, 2),
                          value(series.background->error, 2));
    return lines.join(u'\n');
}

QString plateau(const counting::PlateauResult& result, int points) {
    if (points == 0)
        return tr("No plateau measured.");
    if (!result.found)
        return tr("No plateau found in %1 steps: widen the range or raise the threshold.")
            .arg(QString::number(points));
    return tr("Plateau from %1 V to %2 V, slope %3 %/100 V. Proposed operating point: %4 V")
        .arg(value(result.fromVolts, 1), value(result.toVolts, 1), value(result.slopePercentPer100V, 2),
             value(result.operatingVolts, 1));
}

QString endText(counting::SeriesEnd how) {
    switch (how) {
    case counting::SeriesEnd::Completed:
        return tr("Series complete");
    case counting::SeriesEnd::Stopped:
        return tr("Series stopped");
    case counting::SeriesEnd::Aborted:
        return tr("Series aborted");
    case counting::SeriesEnd::Failed:
        return tr("Series failed");
    case counting::SeriesEnd::Running:
        break;
    }
    return tr("Counting");
}

} // namespace counttext
