#include "SeriesCsv.h"

#include "AtomicFile.h"
#include "CountStatistics.h"
#include "HvPlateau.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace counting {

namespace {

const QString kEol = QStringLiteral("\r\n");
const QString kSignature = QStringLiteral("# KivoPanel count series");

QString number(double value) {
    return std::isfinite(value) ? QString::number(value, 'g', 10) : QString();
}

QString yesNo(bool value) {
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

QString utc(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

class Writer {
public:
    void line(const QString& text) { out_ += text + kEol; }
    void meta(const char* key, QString value) {
        // One line per value, whatever a file name holds.
        value.replace(u'\r', u' ').replace(u'\n', u' ');
        line(u"# "_qs + QLatin1String(key) + u": "_qs + value);
    }
    void meta(const char* key, double value) { meta(key, number(value)); }
    QByteArray bytes() const { return out_.toUtf8(); }

private:
    QString out_;
};

void writeSetup(Writer& w, const Series& s) {
    w.meta("kind", kindName(s.kind));
    w.meta("status", endName(s.end));
    w.meta("started_utc", utc(s.started));
    if (s.plan.preset == Preset::Duration) {
        w.meta("preset", QStringLiteral("duration"));
        w.meta("duration_s", s.plan.durationSeconds);
    } else {
        w.meta("preset", QStringLiteral("readings"));
        w.meta("readings_per_measurement", s.plan.readings);
    }
    w.meta("measurements_planned", s.plan.measurements);
    if (!s.plateau)
        w.meta("pause_s", s.plan.pauseSeconds);
    if (s.background) {
        w.meta("background_cps", s.background->mean);
        w.meta("background_error_cps", s.background->error);
        w.meta("background_source", s.background->source);
    }
    if (s.plateau) {
        w.meta("hv_start_v", s.plateau->startVolts);
        w.meta("hv_stop_v", s.plateau->stopVolts);
        w.meta("hv_step_v", s.plateau->stepVolts);
        w.meta("settle_s", s.plateau->settleSeconds);
        w.meta("threshold_percent_per_100v", s.plateau->thresholdPercentPer100V);
        w.meta("user_hv_v", s.plateau->userVolts);
        w.meta("hv_restored", yesNo(s.hvRestored));
    }
}

void writeResults(Writer& w, const Series& s) {
    const SeriesStatistics st = seriesStatistics(s.measurements, s.background);
    w.meta("measurements", st.measurements);
    w.meta("readings", st.readings);
    if (s.plateau) {
        // Its rates differ by design: whether they spread like a steady source's is no question here.
        const PlateauResult p = findPlateau(plateauCurve(s), s.plateau->thresholdPercentPer100V);
        w.meta("plateau_found", yesNo(p.found));
        w.meta("plateau_from_v", p.fromVolts);
        w.meta("plateau_to_v", p.toVolts);
        w.meta("plateau_slope_percent_per_100v", p.slopePercentPer100V);
        w.meta("operating_point_v", p.operatingVolts);
        return;
    }
    w.meta("mean_of_means_cps", st.mean);
    w.meta("sd_of_means_cps", st.sd);
    w.meta("mean_error_cps", st.meanError);
    w.meta("dispersion_index", st.dispersion);
    w.meta("reduced_chi_square", st.reducedChiSquare);
    w.meta("degrees_of_freedom", st.degreesOfFreedom);
    w.meta("scatter_degrees_of_freedom", st.scatterDegreesOfFreedom);
    w.meta("p_value", st.pValue);
    w.meta("verdict", verdictText(st.verdict));
    if (s.background) {
        w.meta("net_mean_cps", st.net.rate);
        w.meta("net_mean_error_cps", st.net.error);
    }
}

// A number field: empty gives NO_VALUE; anything else must be a finite number.
std::optional<double> field(const QString& text) {
    if (text.isEmpty())
        return NO_VALUE;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

struct MetaValue {
    QString text;
    int line = 0;
};

class Reader {
public:
    Reader(QString what, QString* error) : what_(std::move(what)), error_(error) {}

    std::optional<Series> parse(const QByteArray& data);

private:
    std::nullopt_t fail(int line, const QString& problem) {
        if (error_)
            *error_ =
                what_ + (line > 0 ? u": line "_qs + QString::number(line) : QString()) + u": "_qs + problem;
        return std::nullopt;
    }
    // A setup value that must be a number when present; `out` stays as it is when absent.
    bool metaNumber(const char* key, double& out, bool required = false);
    bool readRow(const QStringList& fields, int line, Series& series);

    QString what_;
    QString* error_;
    QHash<QString, MetaValue> meta_;
    QHash<QString, qsizetype> columns_;
    QString problem_;
    int problemLine_ = 0;
};

bool Reader::metaNumber(const char* key, double& out, bool required) {
    const auto it = meta_.constFind(QLatin1String(key));
    if (it == meta_.cend()) {
        if (required) {
            problem_ = u"no \""_qs + QLatin1String(key) + u"\" line"_qs;
            problemLine_ = 0;
        }
        return !required;
    }
    const std::optional<double> value = field(it->text);
    if (!value || !std::isfinite(*value)) {
        problem_ = QLatin1String(key) + u" is not a number: \""_qs + it->text + u'"';
        problemLine_ = it->line;
        return false;
    }
    out = *value;
    return true;
}

bool Reader::readRow(const QStringList& fields, int line, Series& series) {
    auto text = [&](const char* name) {
        const qsizetype at = columns_.value(QLatin1String(name), -1);
        return at >= 0 ? fields[at].trimmed() : QString();
    };
    auto bad = [&](const char* name) {
        problem_ = QLatin1String(name) + u" is not valid: \""_qs + text(name) + u'"';
        problemLine_ = line;
        return false;
    };
    Measurement m;
    bool ok = false;
    m.readings = text("readings").toInt(&ok);
    if (!ok || m.readings < 1)
        return bad("readings");
    const std::optional<double> mean = field(text("mean_cps"));
    if (!mean || !std::isfinite(*mean))
        return bad("mean_cps");
    m.mean = *mean;
    const struct {
        const char* name;
        double* target;
        bool nonNegative;
    } numbers[] = {{"standard_error_cps", &m.standardError, true}, {"duration_s", &m.durationSeconds, true},
                   {"dispersion_index", &m.dispersion, true},      {"net_cps", &m.net, false},
                   {"net_error_cps", &m.netError, true},           {"high_voltage_v", &m.highVoltage, false}};
    for (const auto& n : numbers) {
        const std::optional<double> value = field(text(n.name));
        if (!value || (n.nonNegative && *value < 0))
            return bad(n.name);
        *n.target = *value;
    }
    if (!std::isfinite(m.durationSeconds))
        m.durationSeconds = 0;
    if (const QString start = text("start_utc"); !start.isEmpty()) {
        m.start = QDateTime::fromString(start, Qt::ISODateWithMs).toUTC();
        if (!m.start.isValid())
            return bad("start_utc");
    }
    const QString complete = text("complete");
    if (complete != u"yes"_qs && complete != u"no"_qs && !complete.isEmpty())
        return bad("complete");
    m.complete = complete != u"no"_qs;
    series.measurements.append(m);
    return true;
}

std::optional<Series> Reader::parse(const QByteArray& data) {
    QString text = QString::fromUtf8(data);
    if (text.startsWith(QChar(0xFEFF))) // a byte-order mark an editor may have added
        text.remove(0, 1);
    const QStringList lines = text.split(u'\n');
    if (lines.first().trimmed() != kSignature)
        return fail(1, u"not a KivoPanel count series (the first line is not \""_qs + kSignature + u"\")"_qs);
    Series series;
    bool haveHeader = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        const int number = int(i + 1);
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'#')) {
            // Setup lines come before the header; the statistics after the rows are recomputed.
            const qsizetype colon = line.indexOf(u':');
            if (!haveHeader && colon > 1)
                meta_.insert(line.mid(1, colon - 1).trimmed(), {line.mid(colon + 1).trimmed(), number});
            continue;
        }
        const QStringList fields = line.split(u',');
        if (!haveHeader) {
            for (qsizetype c = 0; c < fields.size(); ++c)
                columns_.insert(fields[c].trimmed(), c);
            for (const char* needed : {"readings", "mean_cps", "standard_error_cps"})
                if (!columns_.contains(QLatin1String(needed)))
                    return fail(number, u"the header has no \""_qs + QLatin1String(needed) + u"\" column"_qs);
            haveHeader = true;
            continue;
        }
        if (fields.size() != columns_.size())
            return fail(number, QString::number(fields.size()) + u" fields where the header has "_qs +
                                    QString::number(columns_.size()));
        if (!readRow(fields, number, series))
            return fail(problemLine_, problem_);
    }
    if (!haveHeader)
        return fail(0, QStringLiteral("no header row"));

    const MetaValue kind = meta_.value(u"kind"_qs);
    const std::optional<SeriesKind> k = kindFromName(kind.text);
    if (!k)
        return fail(kind.line, u"unknown kind \""_qs + kind.text + u'"');
    series.kind = *k;
    const MetaValue status = meta_.value(u"status"_qs);
    const std::optional<SeriesEnd> end = endFromName(status.text);
    if (!end)
        return fail(status.line, u"unknown status \""_qs + status.text + u'"');
    series.end = *end;
    series.plan.kind = series.kind;
    series.started = QDateTime::fromString(meta_.value(u"started_utc"_qs).text, Qt::ISODateWithMs).toUTC();
    if (!series.started.isValid() && !series.measurements.isEmpty())
        series.started = series.measurements.first().start;
    series.plan.preset =
        meta_.value(u"preset"_qs).text == u"readings"_qs ? Preset::Readings : Preset::Duration;
    double readings = series.plan.readings;
    double measurements = series.plan.measurements;
    if (!metaNumber("duration_s", series.plan.durationSeconds) ||
        !metaNumber("readings_per_measurement", readings) ||
        !metaNumber("measurements_planned", measurements) || !metaNumber("pause_s", series.plan.pauseSeconds))
        return fail(problemLine_, problem_);
    series.plan.readings = int(std::clamp(readings, 0.0, 1e9));
    series.plan.measurements = int(std::clamp(measurements, 0.0, 1e9));
    if (meta_.contains(u"background_cps"_qs)) {
        Background b;
        if (!metaNumber("background_cps", b.mean) || !metaNumber("background_error_cps", b.error, true))
            return fail(problemLine_, problem_);
        b.source = meta_.value(u"background_source"_qs).text;
        series.background = b;
    }
    if (series.kind == SeriesKind::Plateau) {
        PlateauPlan p;
        if (!metaNumber("hv_start_v", p.startVolts) || !metaNumber("hv_stop_v", p.stopVolts) ||
            !metaNumber("hv_step_v", p.stepVolts) || !metaNumber("settle_s", p.settleSeconds) ||
            !metaNumber("threshold_percent_per_100v", p.thresholdPercentPer100V) ||
            !metaNumber("user_hv_v", p.userVolts))
            return fail(problemLine_, problem_);
        series.plateau = p;
        series.hvRestored = meta_.value(u"hv_restored"_qs).text != u"no"_qs;
    }
    return series;
}

} // namespace

QStringList seriesCsvColumns() {
    return QStringLiteral("index,start_utc,duration_s,readings,mean_cps,standard_error_cps,dispersion_index,"
                          "net_cps,net_error_cps,high_voltage_v,complete")
        .split(u',');
}

QByteArray seriesCsv(const Series& series) {
    Writer w;
    w.line(kSignature);
    writeSetup(w, series);
    w.line(seriesCsvColumns().join(u','));
    int index = 0;
    for (const Measurement& m : series.measurements) {
        w.line(QStringList{QString::number(++index), utc(m.start), QString::number(m.durationSeconds, 'f', 3),
                           QString::number(m.readings), number(m.mean), number(m.standardError),
                           number(m.dispersion), number(m.net), number(m.netError), number(m.highVoltage),
                           yesNo(m.complete)}
                   .join(u','));
    }
    writeResults(w, series);
    return w.bytes();
}

bool writeSeriesCsv(const QString& path, const Series& series, QString* error) {
    const QString reason = spectrum::writeAtomically(path, seriesCsv(series));
    if (!reason.isEmpty() && error)
        *error = spectrum::notWritten(path, reason);
    return reason.isEmpty();
}

std::optional<Series> parseSeriesCsv(const QByteArray& data, const QString& what, QString* error) {
    return Reader(what, error).parse(data);
}

std::optional<Series> readSeriesCsv(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = u"Could not read "_qs + path + u": "_qs + file.errorString();
        return std::nullopt;
    }
    // Our files are small; anything far larger is not one of them.
    constexpr qint64 MAX_BYTES = 64 * 1024 * 1024;
    if (file.size() > MAX_BYTES) {
        if (error)
            *error = path + u": too large for a count series"_qs;
        return std::nullopt;
    }
    return parseSeriesCsv(file.readAll(), QFileInfo(path).fileName(), error);
}

QString seriesFileName(const Series& series) {
    return kindName(series.kind) + u'_' + series.started.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'"_qs) +
           u".csv"_qs;
}

} // namespace counting
