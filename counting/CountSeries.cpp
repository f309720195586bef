#include "CountSeries.h"

#include <array>
#include <cmath>
#include <utility>

namespace counting {

namespace {

const std::array<std::pair<SeriesKind, const char*>, 3> kKinds = {{
    {SeriesKind::Measurement, "measurement"},
    {SeriesKind::Background, "background"},
    {SeriesKind::Plateau, "plateau"},
}};
const std::array<std::pair<SeriesEnd, const char*>, 5> kEnds = {{
    {SeriesEnd::Running, "running"},
    {SeriesEnd::Completed, "completed"},
    {SeriesEnd::Stopped, "stopped"},
    {SeriesEnd::Aborted, "aborted"},
    {SeriesEnd::Failed, "failed"},
}};

template <typename Enum, size_t N>
QString nameOf(const std::array<std::pair<Enum, const char*>, N>& table, Enum value) {
    for (const auto& [v, name] : table)
        if (v == value)
            return QString::fromLatin1(name);
    return {};
}

template <typename Enum, size_t N>
std::optional<Enum> valueOf(const std::array<std::pair<Enum, const char*>, N>& table, const QString& name) {
    for (const auto& [v, text] : table)
        if (name == QLatin1String(text))
            return v;
    return std::nullopt;
}

} // namespace

QString kindName(SeriesKind kind) {
    return nameOf(kKinds, kind);
}
QString endName(SeriesEnd end) {
    return nameOf(kEnds, end);
}
std::optional<SeriesKind> kindFromName(const QString& name) {
    return valueOf(kKinds, name);
}
std::optional<SeriesEnd> endFromName(const QString& name) {
    return valueOf(kEnds, name);
}

NetRate subtractBackground(double rate, double error, const Background& background) {
    // Independent measurements: their variances add.
    return {rate - background.mean, std::hypot(error, background.error)};
}

std::optional<Background> backgroundOf(const Series& series, const QString& source) {
    if (series.kind == SeriesKind::Plateau)
        return std::nullopt;
    double sum = 0;
    double variance = 0;
    int used = 0;
    for (const Measurement& m : series.measurements) {
        if (!std::isfinite(m.mean) || !std::isfinite(m.standardError))
            continue;
        sum += m.mean;
        variance += m.standardError * m.standardError;
        ++used;
    }
    if (used == 0)
        return std::nullopt;
    // The mean of `used` independent means: its variance is the sum of theirs over used^2.
    return Background{sum / used, std::sqrt(variance) / used, used, source};
}

} // namespace counting
