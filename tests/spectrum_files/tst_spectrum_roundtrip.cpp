// Writing a scan and reading it back gives the same record in every format, files are written
// atomically, and the proposed file names are safe whatever the device calls itself.
#include "RecordSupport.h"
#include "SpectrumFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

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
        QTest::addRow("%s running, 512 channels", format) << f << running;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

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

    void n42HasTheRequiredStructure() {
        const QByteArray xml = spectrum::serialize(testrec::scan(), Format::N42);
        QXmlStreamReader reader(xml);
        QStringList top; // children of RadInstrumentData, in order
        QStringList measurement;
        int depth = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement()) {
                ++depth;
                if (depth == 1) {
                    QCOMPARE(reader.name(), u"RadInstrumentData");
                    QCOMPARE(reader.namespaceUri(), u"http://physics.nist.gov/N42/2011/N42");
                    QVERIFY(!reader.attributes().value(QLatin1String("n42DocUUID")).isEmpty());
                }
                if (depth == 2)
                    top << reader.name().toString();
                if (depth == 3 && top.last() == u"RadMeasurement")
                    measurement << reader.name().toString();
            } else if (reader.isEndElement()) {
                --depth;
            }
        }
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        QCOMPARE(top, (QStringList{u"Remark"_qs, u"RadInstrumentDataCreatorName"_qs,
                                   u"RadInstrumentInformation"_qs, u"RadDetectorInformation"_qs,
                                   u"EnergyCalibration"_qs, u"RadMeasurement"_qs}));
        QCOMPARE(measurement,
                 (QStringList{u"MeasurementClassCode"_qs, u"StartDateTime"_qs, u"RealTimeDuration"_qs,
                              u"Spectrum"_qs, u"RadMeasurementExtension"_qs}));
        QVERIFY(xml.contains("<RealTimeDuration>PT1301.875S</RealTimeDuration>"));
        QVERIFY(xml.contains("<LiveTimeDuration>PT30S</LiveTimeDuration>"));
        QVERIFY(xml.contains("<StartDateTime>2024-03-15T10:20:30.125Z</StartDateTime>"));
        QVERIFY(xml.contains("<CoefficientValues>0 0 0</CoefficientValues>")); // no invented calibration
        QVERIFY(xml.contains(spectrum::scanNote().toUtf8()));
    }

    void speAndCsvLayout() {
        const ScanRecord r = testrec::scan();
        const QString spe = QString::fromUtf8(spectrum::serialize(r, Format::Spe));
        QVERIFY(spe.startsWith(u"$SPEC_ID:\r\n"));
        QVERIFY(spe.contains(u"$DATE_MEA:\r\n03/15/2024 10:20:30\r\n"));
        QVERIFY(spe.contains(u"$MEAS_TIM:\r\n30 1301.875\r\n"));
        QVERIFY(spe.contains(u"$DATA:\r\n0 128\r\n       0\r\n"));
        const QString csv = QString::fromUtf8(spectrum::serialize(r, Format::Csv));
        QVERIFY(csv.startsWith(u"# Note: "));
        QVERIFY(
            csv.contains(u"\r\nChannel,LLD level,ULD level,LLD %,ULD %,Counts\r\n0,0,20,0.00,0.98,0\r\n"));
        QVERIFY(csv.contains(u"\r\n128,2044,2047,99.85,100.00,0\r\n"));
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
        r.serialNumber = u"SN\r\n$DATA:\r\n0 1\r\n5\r\n9\x01"_qs;
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
        QTest::newRow("missing folder")
            << u"no/such/folder/s.n42"_qs << testrec::scan() << u"could not be written"_qs;
        QTest::newRow("negative count") << u"negative.n42"_qs << negative << u"negative count"_qs;
        QTest::newRow("no channels") << u"empty.n42"_qs << empty << u"no channels"_qs;
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

    void proposedNameIsSafe_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"SN1234"_qs << u"SN1234_20240315T102030Z.n42"_qs;
        QTest::newRow("path") << u"../../etc/x"_qs << u"_.._etc_x_20240315T102030Z.n42"_qs;
        QTest::newRow("blanks and umlauts") << u" Kivo Ä1 "_qs << u"Kivo__1_20240315T102030Z.n42"_qs;
        QTest::newRow("empty") << QString() << u"scan_20240315T102030Z.n42"_qs;
        QTest::newRow("long") << QString(200, u'x') << QString(48, u'x') + u"_20240315T102030Z.n42"_qs;
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
