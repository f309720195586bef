#include "FormatSupport.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace spectrum::detail {

namespace {

QString shortText(QStringView text) {
    QString out = oneLine(text.left(24).toString());
    if (text.size() > 24)
        out += QStringLiteral("...");
    return out;
}

bool isPlainDigits(QStringView text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace

CountValue parseCount(QStringView text, qsizetype channel, QStringView shown) {
    text = text.trimmed();
    if (shown.isEmpty())
        shown = text;
    QStringView digits = text.startsWith(u'+') ? text.mid(1) : text;
    CountValue out;
    constexpr qint64 maxCount = std::numeric_limits<qint32>::max();
    if (isPlainDigits(digits)) {
        bool ok = false;
        const qint64 value = digits.toLongLong(&ok); // not ok beyond 64 bits
        if (!ok || value > maxCount)
            out.problem = QStringLiteral("channel %1 holds a count larger than %2 (%3)")
                              .arg(channel)
                              .arg(maxCount)
                              .arg(shortText(shown));
        else
            out.value = qint32(value);
        return out;
    }
    bool ok = false;
    const double value = text.toString().toDouble(&ok);
    if (!ok || !std::isfinite(value) || text.isEmpty())
        out.problem = QStringLiteral("channel %1 holds \"%2\", which is not a number")
                          .arg(channel)
                          .arg(shortText(shown));
    else if (value < 0)
        out.problem =
            QStringLiteral("channel %1 holds a negative count (%2)").arg(channel).arg(shortText(shown));
    else if (value != std::floor(value))
        out.problem = QStringLiteral("channel %1 holds a count that is not a whole number (%2)")
                          .arg(channel)
                          .arg(shortText(shown));
    else if (value > double(maxCount))
        out.problem = QStringLiteral("channel %1 holds a count larger than %2 (%3)")
                          .arg(channel)
                          .arg(maxCount)
                          .arg(shortText(shown));
    else
        out.value = qint32(value);
    return out;
}

QString readError(const QString& fileName, const QString& reason) {
    return QStringLiteral("\"%1\" cannot be read as a spectrum: %2.").arg(fileName, reason);
}

QString notASpectrum(const QString& what) {
    return QStringLiteral("it is not a spectrum file (%1)").arg(what);
}

QString truncated(const QString& what) {
    return QStringLiteral("the file is truncated (%1)").arg(what);
}

QString tooManyChannels(qsizetype count) {
    return QStringLiteral("it has more than %1 channels (%2)").arg(MAX_CHANNELS).arg(count);
}

QString isoTime(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime parseIsoTime(const QString& text) {
    QDateTime time = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
    if (!time.isValid())
        return {};
    if (time.timeSpec() == Qt::LocalTime) // no zone given: the files of a scan are in UTC
        time.setTimeSpec(Qt::UTC);
    return time.toUTC();
}

QString seconds(double value) {
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

std::optional<double> parseSeconds(QStringView text) {
    bool ok = false;
    const double value = text.trimmed().toString().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

QString number(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

double unitToKeV(QStringView unit) {
    unit = unit.trimmed();
    if (unit.isEmpty() || unit.compare(u"keV", Qt::CaseInsensitive) == 0)
        return 1;
    if (unit == u"MeV")
        return 1000;
    if (unit == u"eV")
        return 0.001;
    return 0;
}

QList<QStringView> splitLines(QStringView text) {
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n' && text[i] != u'\r')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

QString decodeText(const QByteArray& data) {
    const bool bom = data.startsWith("\xEF\xBB\xBF");
    return QString::fromUtf8(bom ? data.mid(3) : data);
}

namespace {

QString numberList(const QList<qint32>& values) {
    QStringList parts;
    parts.reserve(values.size());
    for (qint32 v : values)
        parts << QString::number(v);
    return parts.join(u' ');
}

std::optional<QList<qint32>> parseNumberList(const QString& text) {
    QList<qint32> out;
    for (const QStringView part : QStringView(text).split(u' ', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint32 v = part.toInt(&ok);
        if (!ok)
            return std::nullopt;
        out << v;
        if (out.size() > MAX_CHANNELS)
            return std::nullopt;
    }
    return out;
}

std::optional<qint32> parseInt(const QString& text) {
    bool ok = false;
    const qint32 v = text.toInt(&ok);
    return ok ? std::optional<qint32>(v) : std::nullopt;
}

QString stateText(ScanState state) {
    switch (state) {
    case ScanState::Complete:
        return QStringLiteral("complete");
    case ScanState::Aborted:
        return QStringLiteral("aborted");
    case ScanState::Running:
        return QStringLiteral("running");
    }
    return {};
}

// One metadata field: its key, how it is written and how it is read back (false: value not usable).
struct Field {
    const char* key;
    std::function<QString(const ScanRecord&)> get;
    std::function<bool(ScanRecord&, const QString&)> set;
    bool isLevels = false; // written only where the format has no columns for the windows
};

// A field read with `parse`: the member keeps its value when the text does not parse.
template <typename T, typename Parse>
std::function<bool(ScanRecord&, const QString&)> parsedField(T ScanRecord::*member, Parse parse) {
    return [member, parse](ScanRecord& r, const QString& v) {
        const auto parsed = parse(v);
        if (parsed)
            r.*member = *parsed;
        return bool(parsed);
    };
}

template <typename T> std::function<bool(ScanRecord&, const QString&)> intField(T ScanRecord::*member) {
    return parsedField(member, [](const QString& v) { return parseInt(v); });
}

std::function<bool(ScanRecord&, const QString&)> textField(QString ScanRecord::*member) {
    return [member](ScanRecord& r, const QString& v) {
        r.*member = v;
        return true;
    };
}

std::function<bool(ScanRecord&, const QString&)> timeField(QDateTime ScanRecord::*member) {
    return [member](ScanRecord& r, const QString& v) {
        r.*member = parseIsoTime(v);
        return (r.*member).isValid();
    };
}

std::function<bool(ScanRecord&, const QString&)> secondsField(double ScanRecord::*member) {
    return parsedField(member, [](const QString& v) { return parseSeconds(v); });
}

std::function<bool(ScanRecord&, const QString&)> levelField(qint32 LevelWindow::*member) {
    return [member](ScanRecord& r, const QString& v) {
        const auto values = parseNumberList(v);
        if (!values)
            return false;
        r.levels.resize(values->size());
        for (qsizetype i = 0; i < values->size(); ++i)
            r.levels[i].*member = (*values)[i];
        return true;
    };
}

QList<qint32> levelValues(const ScanRecord& r, qint32 LevelWindow::*member) {
    QList<qint32> out;
    for (const LevelWindow& w : r.levels)
        out << w.*member;
    return out;
}

const QList<Field>& fields() {
    static const QList<Field> table = {
        {"Program", [](const ScanRecord& r) { return r.programName; }, textField(&ScanRecord::programName)},
        {"Program version", [](const ScanRecord& r) { return r.programVersion; },
         textField(&ScanRecord::programVersion)},
        {"Product", [](const ScanRecord& r) { return r.product; }, textField(&ScanRecord::product)},
        {"Manufacturer", [](const ScanRecord& r) { return r.manufacturer; },
         textField(&ScanRecord::manufacturer)},
        {"Serial number", [](const ScanRecord& r) { return r.serialNumber; },
         textField(&ScanRecord::serialNumber)},
        {"Firmware", [](const ScanRecord& r) { return r.firmware; }, textField(&ScanRecord::firmware)},
        {"Scan", [](const ScanRecord& r) { return stateText(r.state); },
         [](ScanRecord& r, const QString& v) {
             for (ScanState s : {ScanState::Complete, ScanState::Aborted, ScanState::Running})
                 if (v.compare(stateText(s), Qt::CaseInsensitive) == 0) {
                     r.state = s;
                     return true;
                 }
             return false;
         }},
        {"Start (UTC)", [](const ScanRecord& r) { return isoTime(r.startTime); },
         timeField(&ScanRecord::startTime)},
        {"End (UTC)", [](const ScanRecord& r) { return isoTime(r.endTime); },
         timeField(&ScanRecord::endTime)},
        {"Real time (s)", [](const ScanRecord& r) { return seconds(r.realTimeSeconds); },
         secondsField(&ScanRecord::realTimeSeconds)},
        {"Live time (s)", [](const ScanRecord& r) { return seconds(r.liveTimeSeconds); },
         secondsField(&ScanRecord::liveTimeSeconds)},
        {"Channels", [](const ScanRecord& r) { return QString::number(r.channels); },
         intField(&ScanRecord::channels)},
        {"Discriminator levels", [](const ScanRecord& r) { return QString::number(r.levelCount); },
         intField(&ScanRecord::levelCount)},
        {"Sweeps requested", [](const ScanRecord& r) { return QString::number(r.sweepsRequested); },
         intField(&ScanRecord::sweepsRequested)},
        {"Sweeps completed", [](const ScanRecord& r) { return QString::number(r.sweepsCompleted); },
         intField(&ScanRecord::sweepsCompleted)},
        {"High voltage (V, as typed)", [](const ScanRecord& r) { return r.highVoltageText; },
         textField(&ScanRecord::highVoltageText)},
        {"High voltage (count sent)",
         [](const ScanRecord& r) {
             return r.highVoltageCount ? QString::number(*r.highVoltageCount) : QString();
         },
         [](ScanRecord& r, const QString& v) {
             r.highVoltageCount = parseInt(v);
             return v.isEmpty() || r.highVoltageCount.has_value();
         }},
        {"Coarse gain index", [](const ScanRecord& r) { return QString::number(r.coarseGainIndex); },
         intField(&ScanRecord::coarseGainIndex)},
        {"Fine gain", [](const ScanRecord& r) { return QString::number(r.fineGain); },
         intField(&ScanRecord::fineGain)},
        {"User LLD", [](const ScanRecord& r) { return QString::number(r.userLLD); },
         intField(&ScanRecord::userLLD)},
        {"User ULD", [](const ScanRecord& r) { return QString::number(r.userULD); },
         intField(&ScanRecord::userULD)},
        {"User integral mode",
         [](const ScanRecord& r) { return QString::fromLatin1(r.userIntegralMode ? "on" : "off"); },
         [](ScanRecord& r, const QString& v) {
             r.userIntegralMode = v.compare(u"on", Qt::CaseInsensitive) == 0;
             return r.userIntegralMode || v.compare(u"off", Qt::CaseInsensitive) == 0;
         }},
        {"Readings per channel", [](const ScanRecord& r) { return numberList(r.readings); },
         parsedField(&ScanRecord::readings, [](const QString& v) { return parseNumberList(v); })},
        {"LLD levels", [](const ScanRecord& r) { return numberList(levelValues(r, &LevelWindow::lld)); },
         levelField(&LevelWindow::lld), true},
        {"ULD levels", [](const ScanRecord& r) { return numberList(levelValues(r, &LevelWindow::uld)); },
         levelField(&LevelWindow::uld), true},
    };
    return table;
}

const QString kNoteKey = QStringLiteral("Note");
const QString kRemarkKey = QStringLiteral("Remark");

} // namespace

QStringList metadataLines(const ScanRecord& record, bool levels) {
    QStringList lines;
    lines << kNoteKey + QStringLiteral(": ") + scanNote(record.energyCalibration.has_value());
    lines << flagRemarks(record);
    for (const Field& f : fields()) {
        if (f.isLevels && !levels)
            continue;
        lines << QString::fromLatin1(f.key) + QStringLiteral(": ") + oneLine(f.get(record));
    }
    // Marked, so that a remark that looks like one of the keys above stays a remark.
    for (const QString& remark : record.remarks)
        lines << kRemarkKey + QStringLiteral(": ") + oneLine(remark);
    return lines;
}

namespace {

const Field* findField(QStringView key) {
    for (const Field& f : fields())
        if (key.compare(QLatin1String(f.key), Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

const QString kSimulated = QStringLiteral("Recorded on the simulated detector, not on real hardware.");
const QString kUntrustworthy = QStringLiteral(
    "Warning: this spectrum is not trustworthy. Device calls failed while the scan ran (listed here), so "
    "the counts may not be a spectrum.");
const QString kFailurePrefix = QStringLiteral("Device failure: ");
const QString kFailedChannelsPrefix = QStringLiteral("Channels whose window could not be set on the unit: ");

} // namespace

QString fieldText(const ScanRecord& record, QStringView key) {
    const Field* f = findField(key);
    return f ? oneLine(f->get(record)) : QString();
}

bool applyField(ScanRecord& record, QStringView key, const QString& value) {
    const Field* f = findField(key);
    if (!f)
        return false;
    // An empty value is one the writer had none for: the field keeps its default.
    if (!f->set(record, value) && !value.trimmed().isEmpty())
        record.remarks << QStringLiteral("Ignored the unreadable value of \"%1\".").arg(QLatin1String(f->key));
    return true;
}

QStringList flagRemarks(const ScanRecord& record) {
    QStringList out;
    if (record.simulatedUnit)
        out << kSimulated;
    if (!record.trustworthy())
        out << kUntrustworthy;
    for (const QString& failure : record.deviceFailures)
        out << kFailurePrefix + oneLine(failure).trimmed();
    if (record.failedChannels != 0)
        out << kFailedChannelsPrefix + QString::number(record.failedChannels);
    return out;
}

bool applyFlagRemark(ScanRecord& record, QStringView remark) {
    remark = remark.trimmed();
    if (remark == kSimulated) {
        record.simulatedUnit = true;
        return true;
    }
    if (remark == kUntrustworthy || remark == scanNote(false) || remark == scanNote(true))
        return true;
    if (remark.startsWith(kFailurePrefix)) {
        record.deviceFailures << remark.mid(kFailurePrefix.size()).trimmed().toString();
        return true;
    }
    if (remark.startsWith(kFailedChannelsPrefix)) {
        bool ok = false;
        const qint32 n = remark.mid(kFailedChannelsPrefix.size()).trimmed().toInt(&ok);
        if (ok && n >= 0)
            record.failedChannels = n;
        return ok && n >= 0;
    }
    return false;
}

bool applyMetadataLine(ScanRecord& record, QStringView line) {
    if (applyFlagRemark(record, line))
        return true;
    const qsizetype colon = line.indexOf(u':');
    if (colon <= 0)
        return false;
    const QStringView key = line.left(colon).trimmed();
    const QString value = line.mid(colon + 1).trimmed().toString();
    if (key.compare(kNoteKey, Qt::CaseInsensitive) == 0)
        return value == scanNote(false) || value == scanNote(true);
    if (key.compare(kRemarkKey, Qt::CaseInsensitive) == 0) {
        record.remarks << value;
        return true;
    }
    return applyField(record, key, value);
}

QString reconcile(ScanRecord& record) {
    const qsizetype points = record.counts.size();
    if (record.channels > 0 && record.channels < MAX_CHANNELS && points < qsizetype(record.channels) + 1)
        return truncated(QStringLiteral("the scan has %1 channels, the file holds %2 of their %3 points")
                             .arg(record.channels)
                             .arg(points)
                             .arg(record.channels + 1));
    if (!record.levels.isEmpty() && record.levels.size() != points) {
        record.levels.clear();
        record.remarks << QStringLiteral("The channels' discriminator windows did not match the channels and "
                                         "were left out.");
    }
    if (!record.readings.isEmpty() && record.readings.size() != points) {
        record.readings.clear();
        record.remarks << QStringLiteral("The readings per channel did not match the channels and were left "
                                         "out.");
    }
    return {};
}

LevelLine levelLine(const ScanRecord& record) {
    const QList<LevelWindow>& w = record.levels;
    const qsizetype n = w.size();
    if (n == 0 || n != record.counts.size())
        return {};
    const qint64 top = record.levelCount > 0 ? qint64(record.levelCount) - 1 : std::numeric_limits<qint64>::max();
    auto whole = [&](qsizetype k) { return w[k].lld > 0 && w[k].uld < top; };
    qsizetype i = 0;
    while (i < n && !whole(i))
        ++i;
    qsizetype j = n - 1;
    while (j > i && !whole(j))
        --j;
    if (j <= i) { // fewer than two whole windows: the cut ones are all there is
        i = 0;
        j = n - 1;
    }
    if (j == i)
        return {pointLevel(record, i), 1};
    const double step = (pointLevel(record, j) - pointLevel(record, i)) / double(j - i);
    return {pointLevel(record, i) - step * double(i), step};
}

double pointLevel(const ScanRecord& record, qsizetype k) {
    if (record.levels.size() != record.counts.size() || k < 0 || k >= record.levels.size())
        return double(k);
    return (double(record.levels[k].lld) + double(record.levels[k].uld)) / 2.0;
}

ChannelCalibration channelCalibration(const ScanRecord& record) {
    const EnergyCalibration c = record.energyCalibration.value_or(EnergyCalibration());
    const LevelLine line = levelLine(record);
    return {c.offsetKeV + c.slopeKeVPerLevel * line.first, c.slopeKeVPerLevel * line.step};
}

void applyChannelCoefficients(ScanRecord& record, const QList<double>& coefficients) {
    if (std::all_of(coefficients.begin(), coefficients.end(), [](double c) { return c == 0; }))
        return; // what a file without a calibration writes
    const bool finite = std::all_of(coefficients.begin(), coefficients.end(), [](double c) { return std::isfinite(c); });
    const bool linear = std::all_of(coefficients.begin() + std::min<qsizetype>(2, coefficients.size()),
                                    coefficients.end(), [](double c) { return c == 0; });
    const LevelLine line = levelLine(record);
    if (!finite || !linear || coefficients.size() < 2 || line.step == 0) {
        QStringList terms;
        for (double c : coefficients)
            terms << number(c);
        record.remarks << QStringLiteral("The file's energy calibration (%1 per channel) was not used: only a "
                                         "linear one is kept.")
                              .arg(terms.join(u' '));
        return;
    }
    EnergyCalibration c;
    c.slopeKeVPerLevel = coefficients[1] / line.step;
    c.offsetKeV = coefficients[0] - c.slopeKeVPerLevel * line.first;
    if (std::isfinite(c.offsetKeV) && std::isfinite(c.slopeKeVPerLevel))
        record.energyCalibration = c;
}

void applyPointEnergies(ScanRecord& record, const QList<double>& energies, bool guessed) {
    const qsizetype n = energies.size();
    if (n < 2 || n != record.counts.size())
        return;
    const double l0 = pointLevel(record, 0), l1 = pointLevel(record, n - 1);
    const double e0 = energies.first(), e1 = energies.last();
    if (l1 == l0 || e1 == e0)
        return;
    EnergyCalibration c;
    c.slopeKeVPerLevel = (e1 - e0) / (l1 - l0);
    c.offsetKeV = e0 - c.slopeKeVPerLevel * l0;
    if (!std::isfinite(c.offsetKeV) || !std::isfinite(c.slopeKeVPerLevel))
        return;
    const double tolerance = 1e-3 * std::abs(e1 - e0);
    for (qsizetype k = 0; k < n; ++k) {
        if (!(std::abs(energies[k] - c.energyOfLevel(pointLevel(record, k))) <= tolerance)) {
            if (!guessed)
                record.remarks << QStringLiteral("The file's energy column is not linear in the channel and was "
                                                 "not used.");
            return;
        }
    }
    record.energyCalibration = c;
}

} // namespace spectrum::detail
