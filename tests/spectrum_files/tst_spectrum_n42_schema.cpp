// Every N42 file the program writes is valid against the published N42.42 schema alone, whatever the
// scan's state, size, calibration, flags and device texts. The schema lives beside the project (it is
// not ours to ship); where it or xmllint is missing, as on a user's clone, the test says so and skips.
#include "RecordSupport.h"
#include "SpectrumFile.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using spectrum::ScanRecord;

Q_DECLARE_METATYPE(spectrum::ScanRecord)

class TestSpectrumN42Schema : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString xmllint;
    // Beside the source tree; KIVO_N42_SCHEMA names another place (a scratch copy of the tree).
    const QString schema = qEnvironmentVariable("KIVO_N42_SCHEMA", QStringLiteral(KIVO_N42_SCHEMA));

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        if (!QFileInfo::exists(schema))
            QSKIP(qPrintable(u"The N42 schema is not at %1 (a clone without the shared folder)"_qs.arg(schema)));
        xmllint = QStandardPaths::findExecutable(u"xmllint"_qs);
        if (xmllint.isEmpty())
            QSKIP("xmllint is not installed (Debian package libxml2-utils)");
    }

    void writtenFilesAreValid_data() {
        QTest::addColumn<ScanRecord>("record");
        ScanRecord aborted = testrec::scan(64, 4096, 3);
        aborted.state = spectrum::ScanState::Aborted;
        aborted.sweepsCompleted = 0;
        ScanRecord running = testrec::scan();
        running.state = spectrum::ScanState::Running;
        running.realTimeSeconds = 0; // the schema wants a positive real time
        running.liveTimeSeconds = 0;
        running.endTime = QDateTime();
        ScanRecord texts = testrec::flagged();
        // The schema's NonBlankString takes punctuation in one run without blanks only.
        texts.manufacturer = u"Acme, Inc. (Lab 2)"_qs;
        texts.product = u" <Kivo & \"VR\"> \t"_qs;
        texts.serialNumber = u"SN-1 / 2, \u00c4"_qs;
        texts.firmware = u"v2.0 (beta) #3"_qs;
        texts.programName = u"Kivo Panel (dev)"_qs;
        texts.programVersion = u"1.0, build 7"_qs;
        texts.highVoltageText = u"1 234,5 V, typed."_qs;
        texts.remarks << u"Tab\there, and a line\nbreak"_qs;
        ScanRecord unknown = testrec::scan();
        unknown.manufacturer = unknown.product = unknown.firmware = unknown.serialNumber = u" "_qs;
        unknown.programName.clear();
        unknown.programVersion.clear();
        unknown.highVoltageText.clear();
        unknown.highVoltageCount.reset();
        unknown.levels.clear();
        unknown.readings.clear();
        unknown.startTime = QDateTime();
        QTest::newRow("complete") << testrec::scan();
        QTest::newRow("aborted before a sweep ended") << aborted;
        QTest::newRow("running, just started") << running;
        QTest::newRow("one channel") << testrec::scan(1);
        QTest::newRow("512 channels, calibrated") << testrec::flagged(512);
        QTest::newRow("65536 points") << testrec::scan(65535, 65536);
        QTest::newRow("simulated, failed calls, punctuation everywhere") << texts;
        QTest::newRow("nothing known but the counts") << unknown;
    }
    void writtenFilesAreValid() {
        QFETCH(ScanRecord, record);
        const QString path = dir.filePath(u"scan.n42"_qs);
        QCOMPARE(spectrum::writeFile(record, path, spectrum::Format::N42), QString());
        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(xmllint, {u"--noout"_qs, u"--schema"_qs, schema, path});
        QVERIFY(check.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(check.readAll());
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, qPrintable(output));
        QVERIFY2(output.contains(u"validates"_qs), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(TestSpectrumN42Schema)
#include "tst_spectrum_n42_schema.moc"
