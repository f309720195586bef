#include "SpeFormat.h"

#include "FormatSupport.h"

#include <QRegularExpression>

namespace spectrum::detail {

namespace {

const QString kEol = QStringLiteral("\r\n");

QString specId(const ScanRecord& r) {
    QString id = QStringLiteral("Pseudo-PHA scan");
    const QString device = oneLine(r.product + u' ' + r.serialNumber).simplified();
    if (!device.isEmpty())
        id += QStringLiteral(" of ") + device;
    if (r.startTime.isValid())
        id += QStringLiteral(", ") + isoTime(r.startTime);
    if (r.simulatedUnit)
        id += QStringLiteral(", simulated detector");
    if (!r.trustworthy())
        id += QStringLiteral(", NOT TRUSTWORTHY (device calls failed)");
    return id;
}

// A section's values: the lines up to the next "$" line.
struct Section {
    QString key; // upper case, with the colon: "$DATA:"
    QList<QStringView> lines;
};

QList<Section> sections(const QList<QStringView>& lines) {
    QList<Section> out;
    for (const QStringView raw : lines) {
        const QStringView line = raw.trimmed();
        if (line.startsWith(u'$')) {
            const qsizetype colon = line.indexOf(u':');
            Section s;
            s.key = (colon < 0 ? line : line.left(colon + 1)).toString().toUpper();
            if (colon >= 0 && !line.mid(colon + 1).trimmed().isEmpty())
                s.lines << line.mid(colon + 1).trimmed(); // a value on the key's own line
            out << s;
        } else if (!out.isEmpty() && !line.isEmpty()) {
            out.last().lines << line;
        }
    }
    return out;
}

// The measurement date as multichannel-analyser programs write it; the files of a scan use UTC.
QDateTime parseDate(QStringView text) {
    const QString s = text.toString().simplified();
    for (const char* format : {"MM/dd/yyyy HH:mm:ss", "MM/dd/yyyy HH:mm", "MM/dd/yyyy", "yyyy-MM-dd HH:mm:ss",
                               "dd.MM.yyyy HH:mm:ss", "yyyy/MM/dd HH:mm:ss"}) {
        QDateTime time = QDateTime::fromString(s, QString::fromLatin1(format));
        if (time.isValid()) {
            time.setTimeSpec(Qt::UTC);
            return time;
        }
    }
    return parseIsoTime(s);
}

const QRegularExpression& separators() {
    static const QRegularExpression re(QStringLiteral("[\\s,;]+"));
    return re;
}

// The counts; `first` becomes the channel number of the first point.
QString readData(const Section& data, ScanRecord& r, qint64& first) {
    if (data.lines.isEmpty())
        return truncated(QStringLiteral("the $DATA: section is empty"));
    const QList<QStringView> range = data.lines.first().split(separators(), Qt::SkipEmptyParts);
    bool firstOk = false, lastOk = false;
    first = range.size() == 2 ? range[0].toLongLong(&firstOk) : 0;
    const qint64 last = range.size() == 2 ? range[1].toLongLong(&lastOk) : 0;
    if (!firstOk || !lastOk || first < 0 || last < first)
        return notASpectrum(QStringLiteral("the $DATA: section has no first and last channel"));
    const qint64 expected = last - first + 1;
    if (expected > MAX_CHANNELS)
        return tooManyChannels(expected);
    qint64 extra = 0;
    for (qsizetype i = 1; i < data.lines.size(); ++i) {
        for (const QStringView token : data.lines[i].split(separators(), Qt::SkipEmptyParts)) {
            if (r.counts.size() == expected) {
                ++extra;
                continue;
            }
            const CountValue v = parseCount(token, first + r.counts.size());
            if (!v.problem.isEmpty())
                return v.problem;
            r.counts << v.value;
        }
    }
    if (r.counts.size() < expected)
        return truncated(QStringLiteral("$DATA: announces %1 channels, the file holds %2")
                             .arg(expected)
                             .arg(r.counts.size()));
    if (first > 0)
        r.remarks << QStringLiteral("The spectrum starts at channel %1.").arg(first);
    if (extra > 0)
        r.remarks << QStringLiteral("%1 values after the last channel were left out.").arg(extra);
    return {};
}

// The calibration per channel of $MCA_CAL: (a count, then the coefficients and a unit) or else of
// $ENER_FIT: (offset and slope), in keV; nullopt when the file has none it could read.
std::optional<QList<double>> channelCoefficients(const Section* mcaCal, const Section* enerFit) {
    auto numbers = [](const QList<QStringView>& tokens) -> std::optional<QList<double>> {
        QList<double> out;
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            bool ok = false;
            out << tokens[i].toDouble(&ok);
            if (!ok && i == tokens.size() - 1 && i > 0) { // a unit after the coefficients
                const double toKeV = unitToKeV(tokens[i]);
                out.removeLast();
                for (double& c : out)
                    c *= toKeV;
                ok = toKeV != 0;
            }
            if (!ok)
                return std::nullopt;
        }
        return out.isEmpty() ? std::nullopt : std::optional(out);
    };
    if (mcaCal && mcaCal->lines.size() >= 2)
        if (const auto c = numbers(mcaCal->lines[1].split(separators(), Qt::SkipEmptyParts)))
            return c;
    if (enerFit && !enerFit->lines.isEmpty())
        return numbers(enerFit->lines.first().split(separators(), Qt::SkipEmptyParts));
    return std::nullopt;
}

} // namespace

QByteArray writeSpe(const ScanRecord& r) {
    QString out;
    out += QStringLiteral("$SPEC_ID:") + kEol + specId(r) + kEol;
    out += QStringLiteral("$SPEC_REM:") + kEol;
    for (const QString& line : metadataLines(r, true))
        out += line + kEol;
    if (r.startTime.isValid())
        out +=
            QStringLiteral("$DATE_MEA:") + kEol + r.startTime.toUTC().toString(u"MM/dd/yyyy HH:mm:ss") + kEol;
    out += QStringLiteral("$MEAS_TIM:") + kEol + seconds(r.liveTimeSeconds) + u' ' +
           seconds(r.realTimeSeconds) + kEol;
    out += QStringLiteral("$DATA:") + kEol + QStringLiteral("0 %1").arg(r.counts.size() - 1) + kEol;
    for (qint32 count : r.counts)
        out += QString::number(count).rightJustified(8) + kEol;
    if (r.energyCalibration) {
        const ChannelCalibration c = channelCalibration(r);
        out += QStringLiteral("$ENER_FIT:") + kEol + number(c.t0) + u' ' + number(c.t1) + kEol;
        out += QStringLiteral("$MCA_CAL:") + kEol + QStringLiteral("3") + kEol + number(c.t0) + u' ' +
               number(c.t1) + QStringLiteral(" 0 keV") + kEol;
    }
    return out.toUtf8();
}

QString readSpe(const QString& text, ScanRecord& out) {
    const QList<QStringView> lines = splitLines(text);
    for (const QStringView line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        if (!line.trimmed().startsWith(u'$'))
            return notASpectrum(QStringLiteral("it does not start with a \"$\" section line"));
        break;
    }
    ScanRecord r;
    const Section* data = nullptr;
    const Section* remarks = nullptr;
    const Section* enerFit = nullptr;
    const Section* mcaCal = nullptr;
    const QList<Section> all = sections(lines);
    for (const Section& s : all) {
        if (s.key == u"$ENDRECORD:") {
            if (&s != &all.last())
                r.remarks << QStringLiteral("Only the first record of the file was read.");
            break;
        }
        if (s.key == u"$DATA:" && !data)
            data = &s;
        else if (s.key == u"$SPEC_REM:" && !remarks)
            remarks = &s;
        else if (s.key == u"$ENER_FIT:" && !enerFit)
            enerFit = &s;
        else if (s.key == u"$MCA_CAL:" && !mcaCal)
            mcaCal = &s;
        else if (s.key == u"$DATE_MEA:" && !s.lines.isEmpty())
            r.startTime = parseDate(s.lines.first());
        else if (s.key == u"$MEAS_TIM:" && !s.lines.isEmpty()) {
            const QList<QStringView> times = s.lines.first().split(separators(), Qt::SkipEmptyParts);
            if (!times.isEmpty())
                r.liveTimeSeconds = parseSeconds(times[0]).value_or(0);
            if (times.size() > 1)
                r.realTimeSeconds = parseSeconds(times[1]).value_or(0);
        }
    }
    if (!data)
        return notASpectrum(QStringLiteral("it has no $DATA: section"));
    qint64 first = 0;
    if (const QString problem = readData(*data, r, first); !problem.isEmpty())
        return problem;
    if (remarks)
        for (const QStringView line : remarks->lines)
            if (!applyMetadataLine(r, line))
                r.remarks << line.toString();
    if (const QString problem = reconcile(r); !problem.isEmpty())
        return problem;
    // The coefficients are per channel number; the record's point i is channel first + i.
    if (std::optional<QList<double>> c = channelCoefficients(mcaCal, enerFit)) {
        if (c->size() >= 2)
            (*c)[0] += (*c)[1] * double(first);
        applyChannelCoefficients(r, *c);
    }
    out = r;
    return {};
}

} // namespace spectrum::detail
