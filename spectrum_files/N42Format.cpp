#include "N42Format.h"

#include "FormatSupport.h"

#include <QMap>
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
// The instrument's mode description of a scan: this prefix, then its state as the metadata lines say it.
const QString kModePrefix = QStringLiteral("Pseudo pulse-height scan, ");
// The characteristic group that holds what the standard has no element for.
const QString kScanGroup = QStringLiteral("Pseudo-PHA scan");
// What a text the unit did not give is written as where the schema wants a text; read back as empty.
const QString kUnknown = QStringLiteral("Unknown");
// Marks a remark of the user's that would otherwise be read as one of the flag remarks.
const QString kUserRemark = QStringLiteral("Remark: ");
// See nonBlank().
constexpr QChar kSpaceStandIn = QChar(0x2002); // EN SPACE

// Whether RealTimeDuration can hold the real time: the schema wants it positive.
bool realTimeFits(const ScanRecord& r) {
    return r.realTimeSeconds > 0;
}

// The scan's values without a standard element, by the metadata key they share with SPE and CSV.
struct OwnCharacteristic {
    const char* key;   // the metadata field
    const char* name;  // CharacteristicName
    const char* units; // CharacteristicValueUnits
    const char* dataClass;
    bool (*needed)(const ScanRecord&) = nullptr; // written only when this says so; always when null
};
const OwnCharacteristic kCharacteristics[] = {
    {"Channels", "Channels", "channels", "int"},
    {"Discriminator levels", "Discriminator levels", "levels", "int"},
    {"Sweeps requested", "Sweeps requested", "sweeps", "int"},
    {"Sweeps completed", "Sweeps completed", "sweeps", "int"},
    {"End (UTC)", "End", "UTC", "dateTime"},
    // The schema wants a positive RealTimeDuration; a real time of zero travels here instead.
    {"Real time (s)", "Real time", "s", "double", [](const ScanRecord& r) { return !realTimeFits(r); }},
    {"High voltage (V, as typed)", "High voltage as typed", "V", "string"},
    {"High voltage (count sent)", "High voltage count sent", "device counts", "int"},
    {"Coarse gain index", "Coarse gain index", "gain 2^index", "int"},
    {"Fine gain", "Fine gain", "factor 1+fine/4095", "int"},
    {"User LLD", "User LLD", "levels", "int"},
    {"User ULD", "User ULD", "levels", "int"},
    {"User integral mode", "User integral mode", "on/off", "token"},
    {"Readings per channel", "Readings per channel", "readings", "NonNegativeDoubleList"},
    {"LLD levels", "LLD levels", "levels", "NonNegativeDoubleList"},
    {"ULD levels", "ULD levels", "levels", "NonNegativeDoubleList"},
};

// The previous version's extension elements, by the metadata key they correspond to.
const std::pair<const char*, const char*> kPreviousExtension[] = {
    {"ProgramName", "Program"},
    {"ProgramVersion", "Program version"},
    {"Product", "Product"},
    {"Manufacturer", "Manufacturer"},
    {"SerialNumber", "Serial number"},
    {"Firmware", "Firmware"},
    {"ScanState", "Scan"},
    {"StartDateTime", "Start (UTC)"},
    {"EndDateTime", "End (UTC)"},
    {"RealTimeSeconds", "Real time (s)"},
    {"LiveTimeSeconds", "Live time (s)"},
    {"Channels", "Channels"},
    {"DiscriminatorLevels", "Discriminator levels"},
    {"SweepsRequested", "Sweeps requested"},
    {"SweepsCompleted", "Sweeps completed"},
    {"HighVoltageText", "High voltage (V, as typed)"},
    {"HighVoltageCount", "High voltage (count sent)"},
    {"CoarseGainIndex", "Coarse gain index"},
    {"FineGain", "Fine gain"},
    {"UserLLD", "User LLD"},
    {"UserULD", "User ULD"},
    {"UserIntegralMode", "User integral mode"}, // "true"/"false" there
    {"ReadingsPerChannel", "Readings per channel"},
    {"LowerLevels", "LLD levels"},
    {"UpperLevels", "ULD levels"},
};

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

// A text for the schema's NonBlankString, whose pattern ([\w ]*[\S]+[\w ]* as XML Schema reads \w:
// no punctuation, separators or control characters) lets punctuation stand only in one run without
// blanks: "Acme, Inc." would be refused. The blanks between the first and the last character outside
// ASCII letters, digits and blank (a stricter class than \w, so always safe) become EN SPACE, which the
// pattern counts as \S and a reader sees as a blank; the reader turns it back. Control characters are
// blanks already; a blank text is "Unknown".
QString nonBlank(const QString& text) {
    QString line = oneLine(text).trimmed();
    if (line.isEmpty())
        return kUnknown;
    auto plain = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u' ';
    };
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < line.size(); ++i)
        if (!plain(line[i])) {
            if (first < 0)
                first = i;
            last = i;
        }
    for (qsizetype i = first; i >= 0 && i <= last; ++i)
        if (line[i] == u' ')
            line[i] = kSpaceStandIn;
    return line;
}

QString fromNonBlank(QString text) {
    return text.replace(kSpaceStandIn, u' ');
}

void writeCharacteristic(QXmlStreamWriter& w, const OwnCharacteristic& c, const QString& value) {
    w.writeStartElement(QStringLiteral("Characteristic"));
    w.writeTextElement(QStringLiteral("CharacteristicName"), QString::fromLatin1(c.name));
    w.writeTextElement(QStringLiteral("CharacteristicValue"), nonBlank(value));
    w.writeTextElement(QStringLiteral("CharacteristicValueUnits"), QString::fromLatin1(c.units));
    w.writeTextElement(QStringLiteral("CharacteristicValueDataClassCode"), QString::fromLatin1(c.dataClass));
    w.writeEndElement();
}

// The instrument's state during the scan: its state in words, a fault per failed device call, and
// what the standard has no element for.
void writeInstrumentState(QXmlStreamWriter& w, const ScanRecord& r) {
    w.writeStartElement(QStringLiteral("RadInstrumentState"));
    w.writeAttribute(QStringLiteral("radInstrumentInformationReference"), kInstrumentId);
    w.writeTextElement(QStringLiteral("RadInstrumentModeDescription"), kModePrefix + fieldText(r, u"Scan"));
    auto fault = [&](const QString& code, const QString& description) {
        w.writeStartElement(QStringLiteral("Fault"));
        w.writeTextElement(QStringLiteral("FaultCodeValue"), code);
        w.writeTextElement(QStringLiteral("FaultDescription"), oneLine(description).trimmed());
        w.writeTextElement(QStringLiteral("FaultSeverityCode"), QStringLiteral("Error"));
        w.writeEndElement();
    };
    for (const QString& failure : r.deviceFailures)
        fault(QStringLiteral("DeviceCall"), failure);
    if (r.failedChannels != 0)
        fault(QStringLiteral("ChannelWindow"),
              QStringLiteral("Channels whose window could not be set on the unit: %1.").arg(r.failedChannels));
    w.writeStartElement(QStringLiteral("RadInstrumentCharacteristics"));
    w.writeStartElement(QStringLiteral("CharacteristicGroup"));
    w.writeTextElement(QStringLiteral("CharacteristicGroupName"), kScanGroup);
    for (const OwnCharacteristic& c : kCharacteristics) {
        const QString value = fieldText(r, QString::fromLatin1(c.key));
        if (!value.trimmed().isEmpty() && (!c.needed || c.needed(r)))
            writeCharacteristic(w, c, value);
    }
    w.writeEndElement(); // CharacteristicGroup
    w.writeEndElement(); // RadInstrumentCharacteristics
    w.writeEndElement(); // RadInstrumentState
}

void writeEnergyCalibration(QXmlStreamWriter& w, const ScanRecord& r) {
    w.writeStartElement(QStringLiteral("EnergyCalibration"));
    w.writeAttribute(QStringLiteral("id"), kCalibrationId);
    if (r.energyCalibration) {
        const LevelLine line = levelLine(r);
        const ChannelCalibration c = channelCalibration(r);
        w.writeTextElement(
            QStringLiteral("Remark"),
            QStringLiteral("The channels are discriminator-level windows of a single-channel analyser: channel "
                           "c is centred on level %1 + %2 x c, and a level L is %3 + %4 x L keV.")
                .arg(number(line.first), number(line.step), number(r.energyCalibration->offsetKeV),
                     number(r.energyCalibration->slopeKeVPerLevel)));
        w.writeTextElement(QStringLiteral("CoefficientValues"), number(c.t0) + u' ' + number(c.t1) + QStringLiteral(" 0"));
    } else {
        w.writeTextElement(QStringLiteral("Remark"), kNoCalibration);
        w.writeTextElement(QStringLiteral("CoefficientValues"), QStringLiteral("0 0 0"));
    }
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
    w.writeStartElement(kN42Namespace, QStringLiteral("RadInstrumentData"));
    w.writeAttribute(QStringLiteral("n42DocUUID"), QUuid::createUuid().toString(QUuid::WithoutBraces));
    w.writeAttribute(QStringLiteral("n42DocDateTime"), isoTime(QDateTime::currentDateTimeUtc()));

    w.writeTextElement(QStringLiteral("Remark"), scanNote(r.energyCalibration.has_value()));
    for (const QString& remark : flagRemarks(r))
        w.writeTextElement(QStringLiteral("Remark"), remark);
    for (const QString& remark : r.remarks) {
        // A remark of the user's that reads like one of the flags, or like the mark itself, is marked.
        ScanRecord probe;
        const bool mark = applyFlagRemark(probe, oneLine(remark)) || remark.startsWith(kUserRemark);
        w.writeTextElement(QStringLiteral("Remark"), (mark ? kUserRemark : QString()) + oneLine(remark));
    }
    const QString program = oneLine(r.programName + u' ' + r.programVersion).trimmed();
    if (!program.isEmpty())
        w.writeTextElement(QStringLiteral("RadInstrumentDataCreatorName"), nonBlank(program));

    w.writeStartElement(QStringLiteral("RadInstrumentInformation"));
    w.writeAttribute(QStringLiteral("id"), kInstrumentId);
    w.writeTextElement(QStringLiteral("RadInstrumentManufacturerName"), nonBlank(r.manufacturer));
    if (!oneLine(r.serialNumber).trimmed().isEmpty())
        w.writeTextElement(QStringLiteral("RadInstrumentIdentifier"), nonBlank(r.serialNumber));
    w.writeTextElement(QStringLiteral("RadInstrumentModelName"), nonBlank(r.product));
    w.writeTextElement(QStringLiteral("RadInstrumentDescription"),
                       QStringLiteral("High-voltage supply, amplifier and single-channel analyser"));
    w.writeTextElement(QStringLiteral("RadInstrumentClassCode"), QStringLiteral("Other"));
    auto version = [&](const QString& component, const QString& value) {
        w.writeStartElement(QStringLiteral("RadInstrumentVersion"));
        w.writeTextElement(QStringLiteral("RadInstrumentComponentName"), nonBlank(component));
        w.writeTextElement(QStringLiteral("RadInstrumentComponentVersion"), nonBlank(value));
        w.writeEndElement();
    };
    version(kFirmwareComponent, r.firmware);
    if (!oneLine(r.programName).trimmed().isEmpty())
        version(r.programName, r.programVersion);
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

    writeEnergyCalibration(w, r);

    w.writeStartElement(QStringLiteral("RadMeasurement"));
    w.writeAttribute(QStringLiteral("id"), QStringLiteral("RadMeasurement-1"));
    w.writeTextElement(QStringLiteral("MeasurementClassCode"), QStringLiteral("Foreground"));
    const QDateTime start = r.startTime.isValid() ? r.startTime : QDateTime::currentDateTimeUtc();
    w.writeTextElement(QStringLiteral("StartDateTime"), isoTime(start));
    // The smallest positive duration stands for a real time of zero, which the schema refuses.
    w.writeTextElement(QStringLiteral("RealTimeDuration"),
                       realTimeFits(r) ? durationText(r.realTimeSeconds) : QStringLiteral("PT0.001S"));
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
    writeInstrumentState(w, r);
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
    QString calibrationReference;              // N42-2012: the id of its EnergyCalibration
    std::optional<QList<double>> calibration; // N42-2006: its own Calibration, in keV per channel
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

// Polynomial coefficients as a file lists them, in keV (`toKeV` from the file's unit); nullopt when
// the list is not numbers.
std::optional<QList<double>> coefficientList(const QString& text, double toKeV) {
    QList<double> out;
    for (const QStringView part : QStringView(text).split(QRegularExpression(QStringLiteral("[\\s,]+")),
                                                          Qt::SkipEmptyParts)) {
        bool ok = false;
        out << part.toDouble(&ok) * toKeV;
        if (!ok || out.size() > 8)
            return std::nullopt;
    }
    return out;
}

} // namespace

QString readN42(const QByteArray& data, ScanRecord& out) {
    QXmlStreamReader xml(data);
    QList<Candidate> candidates;
    qsizetype measurementFirst = 0; // first candidate of the measurement being read
    Candidate measurement;          // what the current measurement says for all its spectra
    bool inMeasurement = false;
    bool inSpectrum = false;
    bool inPreviousExtension = false;
    QStringList stack;
    ScanRecord r;
    QString creator;
    QString componentName;
    QList<std::pair<QString, QString>> versions; // the instrument's components and their versions
    QMap<QString, QList<double>> calibrations;   // N42-2012 energy calibrations by id
    QString calibrationId;                       // of the EnergyCalibration being read
    double calibrationToKeV = 0;                 // of the N42-2006 energy Calibration being read
    std::optional<QList<double>> documentCalibration; // a 2006 calibration outside any spectrum
    // The scan's own values (metadata key, text), applied over what the standard elements say.
    QList<std::pair<QString, QString>> own;
    bool ours = false; // written by this version of the program
    QString group, characteristicName, characteristicValue;

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
                inPreviousExtension = false;
            } else if (name == u"EnergyCalibration") {
                calibrationId.clear();
            } else if (name == u"Calibration") {
                calibrationToKeV = 0;
            } else if (name == u"CharacteristicGroup") {
                group.clear();
            } else if (name == u"Characteristic" && group == kScanGroup) {
                for (const OwnCharacteristic& c : kCharacteristics)
                    if (characteristicName == QLatin1String(c.name))
                        own.append({QString::fromLatin1(c.key), characteristicValue});
                ours = true;
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
            if (name == u"PseudoPHAScan") {
                inPreviousExtension = true;
                continue;
            }
            if (!inPreviousExtension)
                continue;
            QString value = text();
            if (name == u"UserIntegralMode")
                value = value == u"true" ? QStringLiteral("on") : QStringLiteral("off");
            for (const auto& [element, key] : kPreviousExtension)
                if (name == QLatin1String(element))
                    own.append({QString::fromLatin1(key), value});
            continue;
        }
        if (name == u"RadMeasurement" || name == u"Measurement") {
            inMeasurement = true;
            measurement = Candidate();
            measurementFirst = candidates.size();
        } else if (name == u"Spectrum") {
            inSpectrum = true;
            candidates << Candidate();
            candidates.last().calibrationReference =
                xml.attributes().value(QLatin1String("energyCalibrationReference")).toString();
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
            r.manufacturer = fromNonBlank(text());
        } else if (name == u"RadInstrumentModelName" || name == u"InstrumentModel") {
            r.product = fromNonBlank(text());
        } else if (name == u"RadInstrumentIdentifier" || name == u"InstrumentID") {
            r.serialNumber = fromNonBlank(text());
        } else if (name == u"RadInstrumentComponentName") {
            componentName = fromNonBlank(text());
        } else if (name == u"RadInstrumentComponentVersion") {
            versions.append({componentName, fromNonBlank(text())});
        } else if (name == u"RadInstrumentDataCreatorName") {
            creator = fromNonBlank(text());
        } else if (name == u"RadInstrumentModeDescription") {
            const QString mode = text();
            if (mode.startsWith(kModePrefix)) {
                own.append({QStringLiteral("Scan"), mode.mid(kModePrefix.size())});
                ours = true;
            }
        } else if (name == u"Characteristic") {
            characteristicName.clear();
            characteristicValue.clear();
        } else if (name == u"CharacteristicGroupName") {
            group = text();
        } else if (name == u"CharacteristicName") {
            characteristicName = fromNonBlank(text());
        } else if (name == u"CharacteristicValue") {
            characteristicValue = fromNonBlank(text());
        } else if (name == u"EnergyCalibration") {
            calibrationId = xml.attributes().value(QLatin1String("id")).toString();
        } else if (name == u"CoefficientValues" && !calibrationId.isEmpty()) {
            calibrations[calibrationId] = coefficientList(text(), 1).value_or(QList<double>{});
        } else if (name == u"Calibration") {
            if (xml.attributes().value(QLatin1String("Type")).compare(u"Energy", Qt::CaseInsensitive) == 0)
                calibrationToKeV = unitToKeV(xml.attributes().value(QLatin1String("EnergyUnits")));
        } else if (name == u"Coefficients" && calibrationToKeV != 0) {
            const auto coefficients = coefficientList(text(), calibrationToKeV);
            (inSpectrum ? candidates.last().calibration : documentCalibration) = coefficients;
        } else if (name == u"Remark" &&
                   (parent == u"RadInstrumentData" || parent == u"N42InstrumentData" ||
                    parent == u"RadMeasurement" || parent == u"Measurement" || parent == u"Spectrum")) {
            const QString remark = text();
            if (remark.startsWith(kUserRemark))
                r.remarks << remark.mid(kUserRemark.size());
            else if (!remark.isEmpty() && !applyFlagRemark(r, remark))
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
    // What the standard elements say, then the scan's own values over them.
    r.startTime = parseIsoTime(c.start);
    r.liveTimeSeconds = parseDuration(c.liveTime).value_or(0);
    r.realTimeSeconds = parseDuration(c.realTime).value_or(0);
    for (const auto& [key, value] : own)
        applyField(r, key, value);
    for (const auto& [component, version] : versions) {
        if (component.compare(kFirmwareComponent, Qt::CaseInsensitive) == 0)
            r.firmware = version;
        else if (ours) {
            r.programName = component;
            r.programVersion = version;
        }
    }
    if (ours)
        for (QString* text : {&r.manufacturer, &r.product, &r.firmware, &r.programVersion})
            if (*text == kUnknown)
                text->clear();
    if (r.programName.isEmpty() && !creator.isEmpty())
        r.programName = creator;
    if (candidates.size() > 1)
        r.remarks << QStringLiteral("The file holds %1 spectra; spectrum %2 was read.")
                         .arg(candidates.size())
                         .arg(chosen + 1);
    if (const QString problem = reconcile(r); !problem.isEmpty())
        return problem;
    // The calibration per channel goes back onto the levels once the windows are known (see
    // applyChannelCoefficients); a spectrum without windows keeps it per channel.
    std::optional<QList<double>> coefficients = c.calibration ? c.calibration : documentCalibration;
    if (!coefficients && calibrations.contains(c.calibrationReference))
        coefficients = calibrations.value(c.calibrationReference);
    if (!coefficients && calibrations.size() == 1)
        coefficients = calibrations.first();
    if (coefficients)
        applyChannelCoefficients(r, *coefficients);
    out = r;
    return {};
}

} // namespace spectrum::detail
