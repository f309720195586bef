// Writing a scan and reading it back gives the same record in every format, the N42 files are valid
// against the published schema, files are written atomically, and the proposed file names are safe
// whatever the device calls itself.
#include "AtomicFile.h"
#include "RecordSupport.h"
#include "SpectrumFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using spectrum::Format;
using spectrum::ScanRecord;
using spectrum::ScanState;

Q_DECLARE_METATYPE(spectrum::Format)
Q_DECLARE_METATYPE(spectrum::ScanRecord)

class TestSpectrumRoundTrip : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    static void addRecords(const char* format, Format f) {
        QTest::addRow("%s complete", format) << f << testrec::scan();
        ScanRecord aborted = testrec::scan(64, 4096, 3);
        aborted.state = ScanState::Aborted;
        aborted.sweepsCompleted = 1;
        aborted.readings[40] = 6; // channels measured in the unfinished sweep hold more readings
        aborted.highVoltageCount.reset();
        aborted.userIntegralMode = true;
        aborted.manufacturer.clear();
        aborted.remarks << QStringLiteral("Measured behind 5 cm lead");
        QTest::addRow("%s aborted", format) << f << aborted;
        ScanRecord running = testrec::scan(512);
        running.state = ScanState::Running;
        running.highVoltageText = QStringLiteral("1 234,5 V"); // typed in another locale: kept as typed
        running.counts[3] = 2147483647;
        running.realTimeSeconds = 0; // saved as it started
        running.endTime = running.startTime;
        QTest::addRow("%s running, 512 channels", format) << f << running;
        QTest::addRow("%s calibrated, simulated, failed calls", format) << f << testrec::flagged();
        ScanRecord one = testrec::flagged(1);
        one.firmware.clear();
        one.programVersion.clear();
        one.deviceFailures.clear();
        QTest::addRow("%s one channel", format) << f << one;
        QTest::addRow("%s 65536 points", format) << f << testrec::scan(65535, 65536);
        // The schema's NonBlankString takes punctuation in one run without blanks only.
        ScanRecord texts = testrec::scan();
        texts.manufacturer = u"Acme, Inc. (Lab 2)"_qs;
        texts.product = u"<Kivo & \"VR\">"_qs;
        texts.serialNumber = u"SN-1 / 2, \u00c4"_qs;
        texts.firmware = u"v2.0 (beta) #3"_qs;
        texts.programName = u"Kivo Panel (dev)"_qs;
        texts.programVersion = u"1.0, build 7"_qs;
        texts.highVoltageText = u"- 1 234,5 V, typed."_qs;
        QTest::addRow("%s punctuation in every text", format) << f << texts;
    }

    // The scan the files in previous/ were written from, by the version before the energy calibration.
    static ScanRecord previousRecord() {
        ScanRecord r = testrec::scan(16, 1024, 4);
        r.state = ScanState::Aborted;
        r.sweepsCompleted = 2;
        r.readings[5] = 9;
        r.endTime = r.startTime.addSecs(95);
        r.realTimeSeconds = 95.25;
        r.liveTimeSeconds = 31;
        r.highVoltageText = QStringLiteral("812.5");
        r.highVoltageCount = 3329;
        r.coarseGainIndex = 2;
        r.fineGain = 2047;
        r.userLLD = 210;
        r.userULD = 880;
        r.userIntegralMode = true;
        r.remarks << QStringLiteral("Cs-137 check source, 10 cm") << QStringLiteral("Lead castle open");
        return r;
    }

    // The file as another program sees it: without our metadata lines, or in N42 without the
    // instrument state that holds the scan's own values.
    static QByteArray withoutOurMetadata(QByteArray bytes, Format format) {
        if (format == Format::N42)
            return QString::fromUtf8(bytes)
                .remove(QRegularExpression(u"<RadInstrumentState .*</RadInstrumentState>"_qs,
                                           QRegularExpression::DotMatchesEverythingOption))
                .toUtf8();
        QByteArray out;
        bool remarks = false;
        for (const QByteArray& line : bytes.split('\n')) {
            if (line.startsWith('$'))
                remarks = line.startsWith("$SPEC_REM:");
            else if (remarks || line.startsWith('#'))
                continue;
            out += line + '\n';
        }
        return out;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        testrec::awayFromUtc();
    }

    void writeThenReadGivesTheSameRecord_data() {
        QTest::addColumn<Format>("format");
        QTest::addColumn<ScanRecord>("record");
        addRecords("N42", Format::N42);
        addRecords("SPE", Format::Spe);
        addRecords("CSV", Format::Csv);
    }
    void writeThenReadGivesTheSameRecord() {
        QFETCH(Format, format);
        QFETCH(ScanRecord, record);
        const QString path = dir.filePath(u"round."_qs + spectrum::suffix(format));
        QCOMPARE(spectrum::writeFile(record, path, format), QString());
        const spectrum::ReadResult read = spectrum::readFile(path);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QVERIFY(testrec::sameRecord(read.record, record));
    }

    void contentsTellTheFormat_data() {
        QTest::addColumn<Format>("format");
        QTest::newRow("N42") << Format::N42;
        QTest::newRow("SPE") << Format::Spe;
        QTest::newRow("CSV") << Format::Csv;
    }
    void contentsTellTheFormat() {
        QFETCH(Format, format);
        const QByteArray bytes = spectrum::serialize(testrec::scan(), format);
        QCOMPARE(spectrum::formatOfContents(bytes), format);
        // A misleading suffix does not matter: the contents decide.
        const QString path = dir.filePath(u"misnamed.txt"_qs);
        QCOMPARE(spectrum::writeFile(testrec::scan(), path, format), QString());
        QVERIFY(spectrum::readFile(path).ok());
    }

    // The published schema lives beside the project, not in it; KIVO_N42_SCHEMA may name another place.
    void n42FilesAreValid_data() {
        QTest::addColumn<Format>("format");
        QTest::addColumn<ScanRecord>("record");
        addRecords("N42", Format::N42);
        ScanRecord unknown = testrec::scan();
        unknown.manufacturer = unknown.product = unknown.firmware = unknown.serialNumber = u" "_qs;
        unknown.programName = unknown.programVersion = unknown.highVoltageText = QString();
        unknown.highVoltageCount.reset();
        unknown.levels.clear();
        unknown.readings.clear();
        unknown.startTime = unknown.endTime = QDateTime();
        QTest::newRow("N42 nothing known but the counts") << Format::N42 << unknown;
    }
    void n42FilesAreValid() {
        QFETCH(ScanRecord, record);
        const QString schema = qEnvironmentVariable("KIVO_N42_SCHEMA", QStringLiteral(KIVO_N42_SCHEMA));
        if (!QFileInfo::exists(schema))
            QSKIP(qPrintable(
                u"The N42 schema is not at %1 (a clone without the shared folder)"_qs.arg(schema)));
        const QString xmllint = QStandardPaths::findExecutable(u"xmllint"_qs);
        if (xmllint.isEmpty())
            QSKIP("xmllint is not installed (Debian package libxml2-utils)");
        const QString path = dir.filePath(u"valid.n42"_qs);
        QCOMPARE(spectrum::writeFile(record, path, Format::N42), QString());
        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(xmllint, {u"--noout"_qs, u"--schema"_qs, schema, path});
        QVERIFY(check.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(check.readAll());
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, qPrintable(output));
    }

    void filesOfThePreviousVersionReadBack_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("N42, the scan in an extension element") << u"previous/rich.n42"_qs;
        QTest::newRow("SPE") << u"previous/rich.spe"_qs;
        QTest::newRow("CSV") << u"previous/rich.csv"_qs;
    }
    void filesOfThePreviousVersionReadBack() {
        QFETCH(QString, file);
        const spectrum::ReadResult read = spectrum::readFile(QFINDTESTDATA(file));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QVERIFY(testrec::sameRecord(read.record, previousRecord()));
    }

    // What other programs read (the standard sections alone) says the same as our own lines, in the
    // same units: the times in seconds, live before real, the calibration per channel.
    void standardSectionsSayTheSame_data() {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<double>("live");
        QTest::addColumn<double>("real");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("slope");
        const QDateTime start = testrec::scan().startTime;
        // Channel c of 128 on 2048 levels is level 8 + 16 c: -3.5 + 0.328125 x 8 keV, 0.328125 x 16 keV.
        QTest::newRow("N42") << Format::N42 << start << 30.0 << 1301.875 << -0.875 << 5.25;
        QTest::newRow("SPE") << Format::Spe << start.addMSecs(-125) << 30.0 << 1301.875 << -0.875 << 5.25;
        // The level columns stay: the energies go back onto the levels.
        QTest::newRow("CSV") << Format::Csv << QDateTime() << 0.0 << 0.0 << -3.5 << 0.328125;
    }
    void standardSectionsSayTheSame() {
        QFETCH(Format, format);
        QFETCH(QDateTime, start);
        QFETCH(double, live);
        QFETCH(double, real);
        QFETCH(double, offset);
        QFETCH(double, slope);
        const ScanRecord r = testrec::flagged();
        const spectrum::ReadResult read =
            spectrum::parse(withoutOurMetadata(spectrum::serialize(r, format), format), u"other"_qs);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.record.counts, r.counts);
        QCOMPARE(read.record.startTime, start);
        QCOMPARE(read.record.liveTimeSeconds, live);
        QCOMPARE(read.record.realTimeSeconds, real);
        QVERIFY(read.record.energyCalibration);
        QCOMPARE(read.record.energyCalibration->offsetKeV, offset);
        QCOMPARE(read.record.energyCalibration->slopeKeVPerLevel, slope);
        if (format == Format::N42) {
            QCOMPARE(read.record.product, r.product);
            QCOMPARE(read.record.manufacturer, r.manufacturer);
            QCOMPARE(read.record.serialNumber, r.serialNumber);
            QCOMPARE(read.record.firmware, r.firmware);
            QCOMPARE(read.record.programName, u"KivoPanel 1.0.0"_qs); // the creator, for another program
        }
    }

    // Lines of each layout (whitespace between XML elements left out), and what a file must not say.
    void fileSays_data() {
        QTest::addColumn<Format>("format");
        QTest::addColumn<ScanRecord>("record");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("absent");
        const ScanRecord plain = testrec::scan();
        const ScanRecord flagged = testrec::flagged();
        ScanRecord windowsFailed = plain;
        windowsFailed.failedChannels = 2;
        auto characteristic = [](const char* name, const char* value, const char* units) {
            return u"<CharacteristicName>%1</CharacteristicName><CharacteristicValue>%2</CharacteristicValue>"
                   "<CharacteristicValueUnits>%3</CharacteristicValueUnits>"_qs.arg(
                       QLatin1String(name), QLatin1String(value), QLatin1String(units));
        };
        const QStringList flags{u"simulated"_qs,   u"trustworthy"_qs,           u"TRUSTWORTHY"_qs,
                                u"Fault"_qs,       u"Channels whose window"_qs, u"ENER_FIT"_qs,
                                u"Energy (keV)"_qs};
        QTest::newRow("N42")
            << Format::N42 << plain
            << QStringList{u"<RadInstrumentData xmlns=\"http://physics.nist.gov/N42/2011/N42\" n42DocUUID=\""_qs,
                           u"\" n42DocDateTime=\"20"_qs,
                           u"<Remark>"_qs + spectrum::scanNote() + u"</Remark>"_qs,
                           u"<Remark>No energy calibration: the channels are discriminator-level windows of "
                           "a single-channel analyser. The coefficients are zero because no energy is "
                           "known.</Remark><CoefficientValues>0 0 0</CoefficientValues>"_qs,
                           u"<StartDateTime>2024-03-15T10:20:30.125Z</StartDateTime>"
                           "<RealTimeDuration>PT1301.875S</RealTimeDuration>"_qs,
                           u"<Spectrum id=\"Spectrum-1\" radDetectorInformationReference=\""
                           "RadDetectorInformation-1\" energyCalibrationReference=\"EnergyCalibration-1\">"
                           "<LiveTimeDuration>PT30S</LiveTimeDuration>"_qs,
                           u"<RadInstrumentModeDescription>Pseudo pulse-height scan, complete"_qs,
                           characteristic("Sweeps completed", "10", "sweeps"),
                           characteristic("End", "2024-03-15T10:42:12.000Z", "UTC"),
                           characteristic("High voltage as typed", "750.0", "V"),
                           characteristic("High voltage count sent", "2048", "device counts"),
                           characteristic("Coarse gain index", "1", "gain 2^index"),
                           characteristic("Fine gain", "1000", "factor 1+fine/4095"),
                           characteristic("User ULD", "1900", "levels"),
                           u"<CharacteristicName>Readings per channel</CharacteristicName>"
                           "<CharacteristicValue>0 30 30 "_qs,
                           u"<ChannelData compressionCode=\"None\">0 "_qs}
            << flags;
        ScanRecord digits = plain; // digits are plain characters: the blanks around them stay blanks
        digits.manufacturer = u"Model 9 X,"_qs;
        QTest::newRow("N42 digits")
            << Format::N42 << digits
            << QStringList{u"<RadInstrumentManufacturerName>Model 9 X,</RadInstrumentManufacturerName>"_qs}
            << QStringList();
        QTest::newRow("N42 flagged")
            << Format::N42 << flagged
            << QStringList{u"<Remark>"_qs + spectrum::scanNote(true) +
                               u"</Remark><Remark>Recorded on the simulated detector, not on real "
                               u"hardware.</Remark>"
                               "<Remark>Warning: this spectrum is not trustworthy."_qs,
                           u"<Remark>The channels are discriminator-level windows of a single-channel "
                           u"analyser: "
                           "channel c is centred on level 8 + 16 x c, and a level L is -3.5 + 0.328125 x L "
                           "keV."
                           "</Remark><CoefficientValues>-0.875 5.25 0</CoefficientValues>"_qs,
                           u"<RadInstrumentModeDescription>Pseudo pulse-height scan, aborted"_qs,
                           u"<Fault><FaultCodeValue>DeviceCall</FaultCodeValue><FaultDescription>SetParam "
                           u"(LLD) "
                           "failed on 1 channel.</FaultDescription><FaultSeverityCode>Error"_qs,
                           u"<FaultCodeValue>ChannelWindow</FaultCodeValue><FaultDescription>Channels whose "
                           u"window "
                           "could not be set on the unit: 1.</FaultDescription>"_qs,
                           u"<Remark>Remark: Device failure: none, says the operator</Remark>"_qs}
            << QStringList{u"No energy calibration"_qs};
        QTest::newRow("SPE") << Format::Spe << plain
                             << QStringList{u"$SPEC_ID:\r\nPseudo-PHA scan of Kivo-VR 1000 SN1234, "
                                            "2024-03-15T10:20:30.125Z\r\n$SPEC_REM:\r\nNote: "_qs,
                                            u"$DATE_MEA:\r\n03/15/2024 10:20:30\r\n"_qs,
                                            u"$MEAS_TIM:\r\n30 1301.875\r\n"_qs,
                                            u"$DATA:\r\n0 128\r\n       0\r\n"_qs,
                                            u"\r\nSweeps completed: 10\r\n"_qs}
                             << flags;
        QTest::newRow("SPE flagged")
            << Format::Spe << flagged
            << QStringList{u"2024-03-15T10:20:30.125Z, simulated detector, NOT TRUSTWORTHY (device calls "
                           "failed)\r\n"_qs,
                           u"\r\nDevice failure: GetParam (level count) failed once.\r\n"_qs,
                           u"       0\r\n$ENER_FIT:\r\n-0.875 5.25\r\n$MCA_CAL:\r\n3\r\n-0.875 5.25 0 keV\r\n"_qs}
            << QStringList();
        // One channel: both windows are cut at the ends, and the line runs through their centres.
        QTest::newRow("SPE one channel")
            << Format::Spe << testrec::flagged(1) << QStringList{u"$ENER_FIT:\r\n332.3359375 252\r\n"_qs}
            << QStringList();
        QTest::newRow("CSV")
            << Format::Csv << plain
            << QStringList{u"# Note: Pseudo pulse-height spectrum recorded by stepping a "
                           "single-channel analyser window across the discriminator range. Each "
                           "channel value is the sum of 3 x sweeps count-rate readings"_qs,
                           u"\r\nChannel,LLD level,ULD level,LLD %,ULD %,Counts\r\n"
                           "0,0,20,0.00,0.98,0\r\n"_qs,
                           u"\r\n128,2044,2047,99.85,100.00,0\r\n"_qs}
            << flags;
        // Energies of the windows' centres: levels 10 and 2045.5.
        QTest::newRow("CSV flagged")
            << Format::Csv << flagged
            << QStringList{u"\r\n# Channels whose window could not be set on the unit: 1\r\n"_qs,
                           u"\r\nChannel,LLD level,ULD level,LLD %,ULD %,Energy (keV),Counts\r\n"
                           "0,0,20,0.00,0.98,-0.21875,0\r\n"_qs,
                           u"\r\n128,2044,2047,99.85,100.00,667.6796875,0\r\n"_qs}
            << QStringList();
        ScanRecord oneLevel = plain; // no highest level to give a percentage of
        oneLevel.levelCount = 1;
        QTest::newRow("CSV, a single level")
            << Format::Csv << oneLevel << QStringList{u"\r\n0,0,20,,,0\r\n"_qs}
            << QStringList{u"inf"_qs, u"nan"_qs};
        QTest::newRow("CSV, only windows failed")
            << Format::Csv << windowsFailed
            << QStringList{u"\r\n# Warning: this spectrum is not trustworthy."_qs,
                           u"\r\n# Channels whose window could not be set on the unit: 2\r\n"_qs}
            << QStringList{u"Device failure"_qs, u"simulated"_qs};
    }
    void fileSays() {
        QFETCH(Format, format);
        QFETCH(ScanRecord, record);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, absent);
        QString file = QString::fromUtf8(spectrum::serialize(record, format));
        if (format == Format::N42)
            file.replace(QRegularExpression(u">\\s+<"_qs), u"><"_qs);
        for (const QString& line : lines)
            QVERIFY2(file.contains(line), qPrintable(line));
        for (const QString& text : absent)
            QVERIFY2(!file.contains(text), qPrintable(text));
    }

    void deviceTextsCannotBreakALineFormat_data() {
        QTest::addColumn<Format>("format");
        QTest::newRow("N42") << Format::N42;
        QTest::newRow("SPE") << Format::Spe;
        QTest::newRow("CSV") << Format::Csv;
    }
    void deviceTextsCannotBreakALineFormat() {
        QFETCH(Format, format);
        ScanRecord r = testrec::scan(64);
        r.serialNumber = u"SN\r\n$DATA:\r\n0 1\r\n5\r\n9\x01\uFFFE\uFFFF"_qs; // and two non-characters
        r.product = u"<Kivo & \"VR\">"_qs;
        const QString path = dir.filePath(u"texts."_qs + spectrum::suffix(format));
        QCOMPARE(spectrum::writeFile(r, path, format), QString());
        const spectrum::ReadResult read = spectrum::readFile(path);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.record.counts, r.counts);
        QCOMPARE(read.record.serialNumber, u"SN  $DATA:  0 1  5  9"_qs); // control characters became blanks
        QCOMPARE(read.record.product, r.product);
    }

    void aFailedWriteLeavesNoFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<ScanRecord>("record");
        QTest::addColumn<QString>("reason");
        ScanRecord negative = testrec::scan();
        negative.counts[5] = -1;
        ScanRecord empty;
        ScanRecord tooMany;
        tooMany.counts.fill(0, spectrum::MAX_CHANNELS + 1);
        ScanRecord windows = testrec::scan();
        windows.levels.removeLast();
        ScanRecord readings = testrec::scan();
        readings.readings.removeLast();
        ScanRecord time = testrec::scan();
        time.liveTimeSeconds = -1;
        ScanRecord calibration = testrec::flagged();
        calibration.energyCalibration->slopeKeVPerLevel = qQNaN();
        ScanRecord failed = testrec::scan();
        failed.failedChannels = -1;
        QTest::newRow("missing folder")
            << u"no/such/folder/s.n42"_qs << testrec::scan() << u"could not be written"_qs;
        QTest::newRow("negative count")
            << u"negative.n42"_qs << negative << u"channel 5 holds a negative count (-1)"_qs;
        QTest::newRow("no channels") << u"empty.n42"_qs << empty << u"no channels"_qs;
        QTest::newRow("65537 points") << u"empty.n42"_qs << tooMany << u"more than 65536 channels"_qs;
        QTest::newRow("windows") << u"empty.n42"_qs << windows
                                 << u"129 channels but 128 discriminator windows"_qs;
        QTest::newRow("readings") << u"empty.n42"_qs << readings << u"129 channels but 128 reading counts"_qs;
        QTest::newRow("live time") << u"empty.n42"_qs << time << u"the live time is not a duration (-1 s)"_qs;
        QTest::newRow("calibration") << u"empty.n42"_qs << calibration
                                     << u"calibration is not a finite number"_qs;
        QTest::newRow("failed channels")
            << u"empty.n42"_qs << failed << u"failed channels is negative (-1)"_qs;
    }
    void aReasonEndsInOneFullStop() {
        QCOMPARE(spectrum::notWritten(u"a.n42"_qs, u" Disk full. "_qs),
                 u"\"a.n42\" could not be written: Disk full."_qs);
    }

    void aFailedWriteLeavesNoFile() {
        QFETCH(QString, path);
        QFETCH(ScanRecord, record);
        QFETCH(QString, reason);
        const QString full = dir.filePath(path);
        const QString message = spectrum::writeFile(record, full, Format::N42);
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY(message.contains(QDir::toNativeSeparators(full)));
        QVERIFY(!QFile::exists(full));
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.filter(u"negative"_qs).isEmpty() && left.filter(u"empty"_qs).isEmpty(),
                 qPrintable(left.join(u", ")));
    }

    void rewritingReplacesTheWholeFile() {
        const QString path = dir.filePath(u"again.spe"_qs);
        QCOMPARE(spectrum::writeFile(testrec::scan(512), path, Format::Spe), QString());
        QCOMPARE(spectrum::writeFile(testrec::scan(64), path, Format::Spe), QString());
        const spectrum::ReadResult read = spectrum::readFile(path);
        QVERIFY(read.ok());
        QCOMPARE(read.record.counts.size(), 65);
    }

    void nameTellsTheFormat_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("format"); // -1: none
        QTest::newRow("n42") << u"a/b.N42"_qs << int(Format::N42);
        QTest::newRow("xml") << u"b.xml"_qs << int(Format::N42);
        QTest::newRow("spe") << u"c.Spe"_qs << int(Format::Spe);
        QTest::newRow("csv") << u"d.csv"_qs << int(Format::Csv);
        QTest::newRow("txt") << u"e.txt"_qs << int(Format::Csv);
        QTest::newRow("png") << u"f.png"_qs << -1;
        QTest::newRow("none") << u"n42"_qs << -1;
    }
    void nameTellsTheFormat() {
        QFETCH(QString, name);
        QFETCH(int, format);
        const std::optional<Format> f = spectrum::formatOfName(name);
        QCOMPARE(f ? int(*f) : -1, format);
    }

    void proposedNameIsSafe_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"SN1234"_qs << u"SN1234_20240315T102030Z.n42"_qs;
        QTest::newRow("path") << u"../../etc/x"_qs << u"_.._etc_x_20240315T102030Z.n42"_qs;
        QTest::newRow("blanks and umlauts") << u" Kivo Ä1 "_qs << u"Kivo__1_20240315T102030Z.n42"_qs;
        QTest::newRow("empty") << QString() << u"scan_20240315T102030Z.n42"_qs;
        QTest::newRow("long") << QString(200, u'x') << QString(48, u'x') + u"_20240315T102030Z.n42"_qs;
        QTest::newRow("dash, underscore, dot") << u"SN-12_a.b"_qs << u"SN-12_a.b_20240315T102030Z.n42"_qs;
        QTest::newRow("hidden") << u".hidden"_qs << u"hidden_20240315T102030Z.n42"_qs;
    }
    void proposedNameIsSafe() {
        QFETCH(QString, serial);
        QFETCH(QString, name);
        ScanRecord r = testrec::scan();
        r.serialNumber = serial;
        QCOMPARE(spectrum::proposedFileName(r, Format::N42), name);
    }
};

QTEST_GUILESS_MAIN(TestSpectrumRoundTrip)
#include "tst_spectrum_roundtrip.moc"
