#include "N42Format.h"

#include "FormatSupport.h"

#include <QRegularExpression>
#include <QUuid>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <optional>

namespace spectrum::detail {

namespace {

const QString kN42Namespace = QStringLiteral("http://physics.nist.gov/N42/2011/N42");
const QString kInstrumentId = QStringLiteral("RadInstrumentInformation-1");
const QString kDetectorId = QStringLiteral("RadDetectorInformation-1");
const QString kCalibrationId = QStringLiteral("EnergyCalibration-1");
const QString kFirmwareComponent = QStringLiteral("Firmware");
const QString kNoCalibration = QStringLiteral(
    "No energy calibration: the channels are discriminator-level windows of a single-channel analyser. "
    "The coefficients are zero because no energy is known.");

QString durationText(double secondsValue) {
    return QStringLiteral("PT") + seconds(secondsValue) + u'S';
}

// xsd:duration with days, hours, minutes and seconds; years and months have no fixed length.
std::optional<double> parseDuration(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^P(?:(\\d+)D)?(?:T(?:(\\d+)H)?(?:(\\d+)M)?(?:(\\d+(?:\\.\\d*)?|\\.\\d+)S)?)?$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch() || text.trimmed() == u"P" || text.trimmed() == u"PT")
        return std::nullopt;
    double total = 0;
    const double scale[] = {86400, 3600, 60, 1};
    for (int i = 1; i <= 4; ++i)
        if (m.hasCaptured(i))
            total += m.captured(i).toDouble() * scale[i - 1];
    return total;
}

QString listText(const QList<qint32>& values) {
    QString out;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += (i % 16 == 0) ? u'\n' : u' ';
        out += QString::number(values[i]);
    }
    return out;
}

QString nonBlank(const QString& text) {
    const QString line = oneLine(text).trimmed();
    return line.isEmpty() ? QStringLiteral("Unknown") : line;
}

void writeExtension(QXmlStreamWriter& w, const ScanRecord& r) {
    const QString ns = QString::fromLatin1(SCAN_NAMESPACE);
    w.writeStartElement(QStringLiteral("RadMeasurementExtension"));
    w.writeStartElement(ns, QStringLiteral("PseudoPHAScan"));
    auto text = [&](const char* name, const QString& value) {
        w.writeTextElement(ns, QString::fromLatin1(name), oneLine(value));
    };
    auto number = [&](const char* name, qint64 value) { text(name, QString::number(value)); };
    text("ProgramName", r.programName);
    text("ProgramVersion", r.programVersion);
    text("Product", r.product);
    text("Manufacturer", r.manufacturer);
    text("SerialNumber", r.serialNumber);
    text("Firmware", r.firmware);
    text("ScanState", r.state == ScanState::Complete  ? QStringLiteral("complete")
                      : r.state == ScanState::Aborted ? QStringLiteral("aborted")
                                                      : QStringLiteral("running"));
    text("StartDateTime", isoTime(r.startTime));
    text("EndDateTime", isoTime(r.endTime));
    text("RealTimeSeconds", seconds(r.realTimeSeconds));
    text("LiveTimeSeconds", seconds(r.liveTimeSeconds));
    number("Channels", r.channels);
    number("DiscriminatorLevels", r.levelCount);
    number("SweepsRequested", r.sweepsRequested);
    number("SweepsCompleted", r.sweepsCompleted);
    text("HighVoltageText", r.highVoltageText);
    if (r.highVoltageCount)
        number("HighVoltageCount", *r.highVoltageCount);
    number("CoarseGainIndex", r.coarseGainIndex);
    number("FineGain", r.fineGain);
    number("UserLLD", r.userLLD);
    number("UserULD", r.userULD);
    text("UserIntegralMode", QString::fromLatin1(r.userIntegralMode ? "true" : "false"));
    if (!r.readings.isEmpty())
        text("ReadingsPerChannel", listText(r.readings).replace(u'\n', u' '));
    if (!r.levels.isEmpty()) {
        QList<qint32> lld, uld;
        for (const LevelWindow& lw : r.levels) {
            lld << lw.lld;
            uld << lw.uld;
        }
        text("LowerLevels", listText(lld).replace(u'\n', u' '));
        text("UpperLevels", listText(uld).replace(u'\n', u' '));
    }
    w.writeEndElement();
    w.writeEndElement();
}

} // namespace

QByteArray writeN42(const ScanRecord& r) {
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeDefaultNamespace(kN42Namespace);
    w.writeNamespace(QString::fromLatin1(SCAN_NAMESPACE), QStringLiteral("kivo"));
    w.writeStartElement(kN42Namespace, QStringLiteral("RadInstrumentData"));
    w.writeAttribute(QStringLiteral("n42DocUUID"), QUuid::createUuid().toString(QUuid::WithoutBraces));
    w.writeAttribute(QStringLiteral("n42DocDateTime"), isoTime(QDateTime::currentDateTimeUtc()));

    w.writeTextElement(QStringLiteral("Remark"), scanNote());
    for (const QString& remark : r.remarks)
        w.writeTextElement(QStringLiteral("Remark"), oneLine(remark));
    const QString program = oneLine(r.programName + u' ' + r.programVersion).trimmed();
    if (!program.isEmpty())
        w.writeTextElement(QStringLiteral("RadInstrumentDataCreatorName"), program);

    w.writeStartElement(QStringLiteral("RadInstrumentInformation"));
    w.writeAttribute(QStringLiteral("id"), kInstrumentId);
    w.writeTextElement(QStringLiteral("RadInstrumentManufacturerName"), nonBlank(r.manufacturer));
    if (!oneLine(r.serialNumber).trimmed().isEmpty())
        w.writeTextElement(QStringLiteral("RadInstrumentIdentifier"), oneLine(r.serialNumber).trimmed());
    w.writeTextElement(QStringLiteral("RadInstrumentModelName"), nonBlank(r.product));
    w.writeTextElement(QStringLiteral("RadInstrumentDescription"),
                       QStringLiteral("High-voltage supply, amplifier and single-channel analyser"));
    w.writeTextElement(QStringLiteral("RadInstrumentClassCode"), QStringLiteral("Other"));
    auto version = [&](const QString& component, const QString& value) {
        w.writeStartElement(QStringLiteral("RadInstrumentVersion"));
        w.writeTextElement(QStringLiteral("RadInstrumentComponentName"), component);
        w.writeTextElement(QStringLiteral("RadInstrumentComponentVersion"), nonBlank(value));
        w.writeEndElement();
    };
    version(kFirmwareComponent, r.firmware);
    if (!oneLine(r.programName).trimmed().isEmpty())
        version(oneLine(r.programName).trimmed(), r.programVersion);
    w.writeEndElement();

    w.writeStartElement(QStringLiteral("RadDetectorInformation"));
    w.writeAttribute(QStringLiteral("id"), kDetectorId);
    w.writeTextElement(QStringLiteral("RadDetectorCategoryCode"), QStringLiteral("Other"));
    w.writeTextElement(QStringLiteral("RadDetectorKindCode"), QStringLiteral("Other"));
    w.writeTextElement(
        QStringLiteral("RadDetectorDescription"),
        QStringLiteral("The detector on the unit's high voltage and amplifier; its kind is not "
                       "known to the program"));
    w.writeEndElement();

    w.writeStartElement(QStringLiteral("EnergyCalibration"));
    w.writeAttribute(QStringLiteral("id"), kCalibrationId);
    w.writeTextElement(QStringLiteral("Remark"), kNoCalibration);
    w.writeTextElement(QStringLiteral("CoefficientValues"), QStringLiteral("0 0 0"));
    w.writeEndElement();

    w.writeStartElement(QStringLiteral("RadMeasurement"));
    w.writeAttribute(QStringLiteral("id"), QStringLiteral("RadMeasurement-1"));
    w.writeTextElement(QStringLiteral("MeasurementClassCode"), QStringLiteral("Foreground"));
    const QDateTime start = r.startTime.isValid() ? r.startTime : QDateTime::currentDateTimeUtc();
    w.writeTextElement(QStringLiteral("StartDateTime"), isoTime(start));
    w.writeTextElement(QStringLiteral("RealTimeDuration"), durationText(r.realTimeSeconds));
    w.writeStartElement(QStringLiteral("Spectrum"));
    w.writeAttribute(QStringLiteral("id"), QStringLiteral("Spectrum-1"));
    w.writeAttribute(QStringLiteral("radDetectorInformationReference"), kDetectorId);
    w.writeAttribute(QStringLiteral("energyCalibrationReference"), kCalibrationId);
    w.writeTextElement(QStringLiteral("LiveTimeDuration"), durationText(r.liveTimeSeconds));
    w.writeStartElement(QStringLiteral("ChannelData"));
    w.writeAttribute(QStringLiteral("compressionCode"), QStringLiteral("None"));
    w.writeCharacters(listText(r.counts));
    w.writeEndElement();
    w.writeEndElement(); // Spectrum
    writeExtension(w, r);
    w.writeEndElement(); // RadMeasurement
    w.writeEndElement(); // RadInstrumentData
    w.writeEndDocument();
    return out;
}

namespace {

// One spectrum found in the document, with what its measurement says about it.
struct Candidate {
    QString classCode;
    QString start;
    QString realTime;
    QString liveTime;
    QString data;
    bool countedZeroes = false;
};

// Channel data as counts; counted-zeroes compression writes a run of n zeroes as "0 n".
QString decodeChannelData(const Candidate& c, QList<qint32>& counts) {
    const QList<QStringView> tokens =
        QStringView(c.data).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const CountValue v = parseCount(tokens[i], counts.size());
        if (!v.problem.isEmpty())
            return v.problem;
        if (c.countedZeroes && v.value == 0) {
            if (i + 1 >= tokens.size())
                return truncated(QStringLiteral("a run of zeroes has no length"));
            const CountValue run = parseCount(tokens[++i], counts.size());
            if (!run.problem.isEmpty())
                return QStringLiteral("a run of zeroes has an unusable length (%1)").arg(run.problem);
            if (counts.size() + qsizetype(run.value) > MAX_CHANNELS)
                return tooManyChannels(counts.size() + qsizetype(run.value));
            counts.insert(counts.size(), run.value, 0);
            continue;
        }
        if (counts.size() >= MAX_CHANNELS)
            return tooManyChannels(tokens.size());
        counts << v.value;
    }
    if (counts.isEmpty())
        return notASpectrum(QStringLiteral("its spectrum has no channel data"));
    return {};
}

std::optional<QList<qint32>> intList(const QString& text) {
    QList<qint32> out;
    for (const QStringView part : QStringView(text).split(u' ', Qt::SkipEmptyParts)) {
        bool ok = false;
        out << part.toInt(&ok);
        if (!ok || out.size() > MAX_CHANNELS)
            return std::nullopt;
    }
    return out;
}

void applyExtensionField(ScanRecord& r, QStringView name, const QString& v) {
    auto toInt = [&](qint32& field) {
        bool ok = false;
        const qint32 n = v.toInt(&ok);
        if (ok)
            field = n;
    };
    if (name == u"ProgramName")
        r.programName = v;
    else if (name == u"ProgramVersion")
        r.programVersion = v;
    else if (name == u"Product")
        r.product = v;
    else if (name == u"Manufacturer")
        r.manufacturer = v;
    else if (name == u"SerialNumber")
        r.serialNumber = v;
    else if (name == u"Firmware")
        r.firmware = v;
    else if (name == u"ScanState")
        r.state = v == u"aborted"   ? ScanState::Aborted
                  : v == u"running" ? ScanState::Running
                                    : ScanState::Complete;
    else if (name == u"StartDateTime")
        r.startTime = parseIsoTime(v);
    else if (name == u"EndDateTime")
        r.endTime = parseIsoTime(v);
    else if (name == u"RealTimeSeconds")
        r.realTimeSeconds = parseSeconds(v).value_or(r.realTimeSeconds);
    else if (name == u"LiveTimeSeconds")
        r.liveTimeSeconds = parseSeconds(v).value_or(r.liveTimeSeconds);
    else if (name == u"Channels")
        toInt(r.channels);
    else if (name == u"DiscriminatorLevels")
        toInt(r.levelCount);
    else if (name == u"SweepsRequested")
        toInt(r.sweepsRequested);
    else if (name == u"SweepsCompleted")
        toInt(r.sweepsCompleted);
    else if (name == u"HighVoltageText")
        r.highVoltageText = v;
    else if (name == u"HighVoltageCount") {
        qint32 n = 0;
        bool ok = false;
        n = v.toInt(&ok);
        if (ok)
            r.highVoltageCount = n;
    } else if (name == u"CoarseGainIndex")
        toInt(r.coarseGainIndex);
    else if (name == u"FineGain")
        toInt(r.fineGain);
    else if (name == u"UserLLD")
        toInt(r.userLLD);
    else if (name == u"UserULD")
        toInt(r.userULD);
    else if (name == u"UserIntegralMode")
        r.userIntegralMode = v == u"true";
    else if (name == u"ReadingsPerChannel")
        r.readings = intList(v).value_or(QList<qint32>());
    else if (name == u"LowerLevels" || name == u"UpperLevels") {
        const QList<qint32> values = intList(v).value_or(QList<qint32>());
        r.levels.resize(values.size());
        for (qsizetype i = 0; i < values.size(); ++i)
            (name == u"LowerLevels" ? r.levels[i].lld : r.levels[i].uld) = values[i];
    }
}

} // namespace

QString readN42(const QByteArray& data, ScanRecord& out) {
    QXmlStreamReader xml(data);
    QList<Candidate> candidates;
    qsizetype measurementFirst = 0; // first candidate of the measurement being read
    Candidate measurement;          // what the current measurement says for all its spectra
    bool inMeasurement = false;
    bool inSpectrum = false;
    bool inScanExtension = false;
    bool sawCalibration = false;
    QStringList stack;
    QString componentName;
    ScanRecord r;
    QString creator;

    auto fillFromMeasurement = [&]() {
        for (qsizetype i = measurementFirst; i < candidates.size(); ++i) {
            Candidate& c = candidates[i];
            if (c.classCode.isEmpty())
                c.classCode = measurement.classCode;
            if (c.start.isEmpty())
                c.start = measurement.start;
            if (c.realTime.isEmpty())
                c.realTime = measurement.realTime;
        }
    };

    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            const QStringView name = xml.name();
            if (name == u"RadMeasurement" || name == u"Measurement") {
                fillFromMeasurement();
                inMeasurement = false;
            } else if (name == u"Spectrum") {
                inSpectrum = false;
            } else if (name == u"PseudoPHAScan") {
                inScanExtension = false;
            }
            if (!stack.isEmpty())
                stack.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        const QString parent = stack.isEmpty() ? QString() : stack.last();
        stack << name;
        auto text = [&]() {
            stack.removeLast(); // readElementText consumes the end element
            return xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        };

        if (xml.namespaceUri() == QLatin1String(SCAN_NAMESPACE)) {
            if (name == u"PseudoPHAScan")
                inScanExtension = true;
            else if (inScanExtension)
                applyExtensionField(r, name, text());
            continue;
        }
        if (name == u"RadMeasurement" || name == u"Measurement") {
            inMeasurement = true;
            measurement = Candidate();
            measurementFirst = candidates.size();
        } else if (name == u"Spectrum") {
            inSpectrum = true;
            candidates << Candidate();
        } else if (name == u"ChannelData" && inSpectrum) {
            const QString code = xml.attributes().value(QLatin1String("compressionCode")).toString() +
                                 xml.attributes().value(QLatin1String("Compression")).toString();
            candidates.last().countedZeroes = code.contains(u"CountedZeroes", Qt::CaseInsensitive);
            candidates.last().data = text();
        } else if ((name == u"LiveTimeDuration" || name == u"LiveTime") && inSpectrum) {
            candidates.last().liveTime = text();
        } else if (name == u"RealTimeDuration" || name == u"RealTime") {
            (inSpectrum ? candidates.last() : measurement).realTime = text();
        } else if (name == u"StartDateTime" || name == u"StartTime") {
            (inSpectrum ? candidates.last() : measurement).start = text();
        } else if (name == u"MeasurementClassCode" && inMeasurement) {
            measurement.classCode = text();
        } else if (name == u"RadInstrumentManufacturerName" || name == u"InstrumentManufacturer") {
            r.manufacturer = text();
        } else if (name == u"RadInstrumentModelName" || name == u"InstrumentModel") {
            r.product = text();
        } else if (name == u"RadInstrumentIdentifier" || name == u"InstrumentID") {
            r.serialNumber = text();
        } else if (name == u"RadInstrumentComponentName") {
            componentName = text();
        } else if (name == u"RadInstrumentComponentVersion") {
            const QString version = text();
            if (componentName.compare(kFirmwareComponent, Qt::CaseInsensitive) == 0)
                r.firmware = version;
        } else if (name == u"RadInstrumentDataCreatorName") {
            creator = text();
        } else if (name == u"EnergyCalibration" || name == u"Calibration") {
            sawCalibration = true;
        } else if (name == u"Remark" &&
                   (parent == u"RadInstrumentData" || parent == u"N42InstrumentData" ||
                    parent == u"RadMeasurement" || parent == u"Measurement" || parent == u"Spectrum")) {
            const QString remark = text();
            if (!remark.isEmpty() && remark != scanNote())
                r.remarks << remark;
        }
    }

    if (xml.hasError()) {
        const QString where = QStringLiteral("line %1").arg(xml.lineNumber());
        if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            return truncated(QStringLiteral("the XML ends early at %1").arg(where));
        return notASpectrum(QStringLiteral("not well-formed XML at %1: %2").arg(where, xml.errorString()));
    }

    qsizetype chosen = -1;
    for (qsizetype i = 0; i < candidates.size() && chosen < 0; ++i)
        if (!candidates[i].data.trimmed().isEmpty() &&
            candidates[i].classCode.compare(u"Foreground", Qt::CaseInsensitive) == 0)
            chosen = i;
    for (qsizetype i = 0; i < candidates.size() && chosen < 0; ++i)
        if (!candidates[i].data.trimmed().isEmpty())
            chosen = i;
    if (chosen < 0)
        return notASpectrum(QStringLiteral("an XML document without spectrum channel data"));

    const Candidate& c = candidates[chosen];
    if (const QString problem = decodeChannelData(c, r.counts); !problem.isEmpty())
        return problem;
    if (r.startTime.isNull())
        r.startTime = parseIsoTime(c.start);
    if (r.liveTimeSeconds == 0)
        r.liveTimeSeconds = parseDuration(c.liveTime).value_or(0);
    if (r.realTimeSeconds == 0)
        r.realTimeSeconds = parseDuration(c.realTime).value_or(0);
    if (r.programName.isEmpty() && !creator.isEmpty())
        r.programName = creator;
    if (candidates.size() > 1)
        r.remarks << QStringLiteral("The file holds %1 spectra; spectrum %2 was read.")
                         .arg(candidates.size())
                         .arg(chosen + 1);
    if (sawCalibration && r.channels == 0)
        r.remarks << QStringLiteral("The file's energy calibration was not used: the reference is placed by "
                                    "channel.");
    if (const QString problem = reconcile(r); !problem.isEmpty())
        return problem;
    out = r;
    return {};
}

} // namespace spectrum::detail
