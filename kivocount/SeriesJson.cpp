#include "SeriesJson.h"

#include "CountStatistics.h"
#include "HvPlateau.h"

#include <QJsonArray>
#include <QJsonValue>

#include <cmath>

namespace kivocount {

namespace {

QJsonValue value(double v) {
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue();
}

QString utc(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QJsonObject planJson(const counting::SeriesPlan& plan) {
    QJsonObject o{{u"measurementsPlanned"_qs, plan.measurements}, {u"pauseSeconds"_qs, plan.pauseSeconds}};
    if (plan.preset == counting::Preset::Duration)
        o[u"durationSeconds"_qs] = plan.durationSeconds;
    else
        o[u"readingsPerMeasurement"_qs] = plan.readings;
    return o;
}

QJsonObject measurementJson(const counting::Measurement& m, int index) {
    return {{u"index"_qs, index + 1},
            {u"startUtc"_qs, utc(m.start)},
            {u"durationSeconds"_qs, m.durationSeconds},
            {u"readings"_qs, m.readings},
            {u"meanCps"_qs, value(m.mean)},
            {u"standardErrorCps"_qs, value(m.standardError)},
            {u"dispersionIndex"_qs, value(m.dispersion)},
            {u"netCps"_qs, value(m.net)},
            {u"netErrorCps"_qs, value(m.netError)},
            {u"highVoltageVolts"_qs, value(m.highVoltage)},
            {u"complete"_qs, m.complete}};
}

QJsonObject plateauJson(const counting::Series& series) {
    const counting::PlateauPlan& p = *series.plateau;
    const counting::PlateauResult r = counting::findPlateau(counting::plateauCurve(series), p.thresholdPercentPer100V);
    return {{u"startVolts"_qs, p.startVolts},
            {u"stopVolts"_qs, p.stopVolts},
            {u"stepVolts"_qs, p.stepVolts},
            {u"settleSeconds"_qs, p.settleSeconds},
            {u"thresholdPercentPer100V"_qs, p.thresholdPercentPer100V},
            {u"userVolts"_qs, p.userVolts},
            {u"hvRestored"_qs, series.hvRestored},
            {u"found"_qs, r.found},
            {u"fromVolts"_qs, value(r.fromVolts)},
            {u"toVolts"_qs, value(r.toVolts)},
            {u"slopePercentPer100V"_qs, value(r.slopePercentPer100V)},
            {u"operatingVolts"_qs, value(r.operatingVolts)}};
}

QJsonObject statisticsJson(const counting::Series& series) {
    const counting::SeriesStatistics st = counting::seriesStatistics(series.measurements, series.background);
    QJsonObject o{{u"measurements"_qs, st.measurements},
                  {u"readings"_qs, st.readings},
                  {u"meanCps"_qs, value(st.mean)},
                  {u"sdOfMeansCps"_qs, value(st.sd)},
                  {u"meanErrorCps"_qs, value(st.meanError)},
                  {u"dispersionIndex"_qs, value(st.dispersion)},
                  {u"reducedChiSquare"_qs, value(st.reducedChiSquare)},
                  {u"degreesOfFreedom"_qs, st.degreesOfFreedom},
                  {u"scatterDegreesOfFreedom"_qs, st.scatterDegreesOfFreedom},
                  {u"pValue"_qs, value(st.pValue)},
                  {u"verdict"_qs, counting::verdictText(st.verdict)}};
    if (series.background) {
        o[u"netMeanCps"_qs] = value(st.net.rate);
        o[u"netMeanErrorCps"_qs] = value(st.net.error);
    }
    return o;
}

} // namespace

QJsonObject seriesJson(const counting::Series& series) {
    QJsonObject o{{u"kind"_qs, counting::kindName(series.kind)},
                  {u"status"_qs, counting::endName(series.end)},
                  {u"startedUtc"_qs, utc(series.started)},
                  {u"plan"_qs, planJson(series.plan)}};
    if (series.background)
        o[u"background"_qs] = QJsonObject{{u"meanCps"_qs, series.background->mean},
                                          {u"errorCps"_qs, series.background->error},
                                          {u"measurements"_qs, series.background->measurements},
                                          {u"source"_qs, series.background->source}};
    QJsonArray measurements;
    for (qsizetype i = 0; i < series.measurements.size(); ++i)
        measurements.append(measurementJson(series.measurements[i], int(i)));
    o[u"measurements"_qs] = measurements;
    if (series.plateau)
        o[u"plateau"_qs] = plateauJson(series);
    else
        o[u"statistics"_qs] = statisticsJson(series);
    return o;
}

} // namespace kivocount
