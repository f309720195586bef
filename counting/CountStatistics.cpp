#include "CountStatistics.h"

#include <gsl/gsl_cdf.h>
#include <gsl/gsl_statistics_double.h>

#include <cmath>

namespace counting {

ReadingStatistics readingStatistics(const std::vector<double>& rates) {
    ReadingStatistics s;
    s.readings = int(rates.size());
    if (rates.empty())
        return s;
    s.mean = gsl_stats_mean(rates.data(), 1, rates.size());
    if (rates.size() < 2)
        return s;
    // Sample variance (n - 1): the readings' own scatter is all we know about their uncertainty.
    const double variance = gsl_stats_variance_m(rates.data(), 1, rates.size(), s.mean);
    s.standardError = std::sqrt(variance / double(rates.size()));
    if (s.mean > 0)
        s.dispersion = variance / s.mean;
    return s;
}

QString verdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::NotEnoughData:
        return QStringLiteral("not enough readings to judge the spread");
    case Verdict::NoScatter:
        return QStringLiteral("the readings do not scatter: check that the unit delivers fresh readings");
    case Verdict::Steady:
        return QStringLiteral("consistent with a steady source");
    case Verdict::MoreSpread:
        return QStringLiteral("more spread than the readings explain: check the set-up");
    case Verdict::LessSpread:
        return QStringLiteral(
            "less spread than the readings explain: check that the readings are independent");
    }
    return {};
}

SeriesStatistics seriesStatistics(const QList<Measurement>& measurements,
                                  const std::optional<Background>& background) {
    SeriesStatistics st;
    std::vector<double> means;
    std::vector<double> weights;
    // The sum over measurements of (n - 1) x sample variance.
    double scatterSum = 0;
    int scatterDof = 0;
    double errorSquares = 0;
    bool allErrors = true;
    for (const Measurement& m : measurements) {
        if (m.readings < 1 || !std::isfinite(m.mean))
            continue;
        means.push_back(m.mean);
        weights.push_back(m.readings);
        st.readings += m.readings;
        if (!std::isfinite(m.standardError)) {
            allErrors = false;
            continue;
        }
        errorSquares += m.standardError * m.standardError;
        if (m.readings >= 2) {
            scatterSum += m.standardError * m.standardError * m.readings * (m.readings - 1);
            scatterDof += m.readings - 1;
        }
    }
    const size_t k = means.size();
    st.measurements = int(k);
    if (k == 0)
        return st;
    st.mean = gsl_stats_mean(means.data(), 1, k);
    if (k >= 2)
        st.sd = gsl_stats_sd_m(means.data(), 1, k, st.mean);
    if (allErrors)
        st.meanError = std::sqrt(errorSquares) / double(k);
    if (background)
        st.net = subtractBackground(st.mean, st.meanError, *background);
    st.degreesOfFreedom = int(k) - 1;
    st.scatterDegreesOfFreedom = scatterDof;
    // The mean of all readings: each measurement weighs by its readings.
    const double grand = gsl_stats_wmean(weights.data(), 1, means.data(), 1, k);
    const double scatter = scatterDof > 0 ? scatterSum / scatterDof : NO_VALUE;
    if (grand > 0)
        st.dispersion = scatter / grand;
    if (k < 2 || scatterDof < 1)
        return st;
    if (!(scatter > 0)) {
        st.verdict = Verdict::NoScatter;
        return st;
    }
    // Chi-square of the means against their standard errors. Under a steady source every reading has
    // the same variance, so each measurement's standard error is taken from the scatter pooled over all
    // readings (sqrt(pooled variance / n)), not from its own few readings: with 10 readings a
    // measurement's own standard error is itself uncertain by a quarter, and the chi-square against it
    // calls about one steady series in four unsteady at p < 0.05.
    double chiSquare = 0;
    for (size_t i = 0; i < k; ++i)
        chiSquare += weights[i] * (means[i] - grand) * (means[i] - grand) / scatter;
    st.reducedChiSquare = chiSquare / double(k - 1);
    if (std::isnan(st.reducedChiSquare))
        return st; // values beyond any count rate (a damaged file): no verdict
    // The p-value: gsl_cdf_chisq_Q(chi-square, k - 1) would hold if the standard errors were known
    // exactly. They are estimated from the readings with N - k degrees of freedom, which makes the
    // reduced chi-square an F statistic (one-way analysis of variance), so its upper tail comes from the
    // F distribution; gsl_cdf_fdist_Q computes that tail directly (accurate for small p, where 1 - P
    // would round away) and approaches the chi-square tail as the readings grow in number.
    st.pValue = gsl_cdf_fdist_Q(st.reducedChiSquare, double(k - 1), double(scatterDof));
    if (st.pValue < MORE_SPREAD_P)
        st.verdict = Verdict::MoreSpread;
    else if (st.pValue > LESS_SPREAD_P)
        st.verdict = Verdict::LessSpread;
    else
        st.verdict = Verdict::Steady;
    return st;
}

} // namespace counting
