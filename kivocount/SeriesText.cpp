#include "SeriesText.h"

#include "CountStatistics.h"
#include "HvPlateau.h"

#include <cmath>

namespace kivocount {

namespace {

// Locale-neutral, "n/a" for a value that could not be determined.
QString num(double value, int decimals) {
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("n/a");
}

QString volts(double value) {
    return QString::number(value, 'f', 1) + QStringLiteral(" V");
}

QString rate(double value, double error) {
    return num(value, 1) + QStringLiteral(" +/- ") + num(error, 1) + QStringLiteral(" cps");
}

} // namespace

QString measurementLine(const counting::Series& series, int index, int planned) {
    const counting::Measurement& m = series.measurements.at(index);
    QString head = series.kind == counting::SeriesKind::Plateau
                       ? QStringLiteral("step %1 of %2 at %3").arg(index + 1).arg(planned).arg(volts(m.highVoltage))
                       : QStringLiteral("measurement %1 of %2").arg(index + 1).arg(planned);
    QString line = head + QStringLiteral(": ") + rate(m.mean, m.standardError) + QStringLiteral(", dispersion ") +
                   num(m.dispersion, 2);
    if (series.background)
        line += QStringLiteral(", net ") + rate(m.net, m.netError);
    line += QStringLiteral(" (%1 readings, %2 s)").arg(m.readings).arg(num(m.durationSeconds, 1));
    if (!m.complete)
        line += QStringLiteral(", cut short");
    return line;
}

QStringList summaryLines(const counting::Series& series) {
    QStringList lines;
    const auto& ms = series.measurements;
    if (series.kind == counting::SeriesKind::Plateau) {
        const double threshold = series.plateau->thresholdPercentPer100V;
        const counting::PlateauResult p = counting::findPlateau(counting::plateauCurve(series), threshold);
        if (p.found)
            lines << QStringLiteral("plateau from %1 to %2, slope %3 %/100 V; operating point %4")
                         .arg(volts(p.fromVolts), volts(p.toVolts), num(p.slopePercentPer100V, 2),
                              volts(p.operatingVolts));
        else
            lines << QStringLiteral("no plateau: no 3 steps in a row with a slope below %1 %/100 V")
                         .arg(QString::number(threshold));
        return lines;
    }
    const counting::SeriesStatistics st = counting::seriesStatistics(ms, series.background);
    lines << QStringLiteral("%1 series: %2 measurements, %3 readings; mean %4, sd of the means %5 cps, "
                            "dispersion %6")
                 .arg(counting::kindName(series.kind))
                 .arg(st.measurements)
                 .arg(st.readings)
                 .arg(rate(st.mean, st.meanError), num(st.sd, 1), num(st.dispersion, 2));
    if (series.background)
        lines << QStringLiteral("net mean %1 (background %2 from %3)")
                     .arg(rate(st.net.rate, st.net.error),
                          rate(series.background->mean, series.background->error), series.background->source);
    const QString test = std::isfinite(st.reducedChiSquare)
                             ? QStringLiteral("reduced chi-square %1 (%2 degrees of freedom), p = %3: ")
                                   .arg(num(st.reducedChiSquare, 2))
                                   .arg(st.degreesOfFreedom)
                                   .arg(num(st.pValue, 3))
                             : QString();
    lines << QStringLiteral("verdict: ") + test + counting::verdictText(st.verdict);
    return lines;
}

} // namespace kivocount
