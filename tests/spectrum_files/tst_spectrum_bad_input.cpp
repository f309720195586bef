// Files that are no usable spectrum are refused with a message that names the file and the reason,
// and no record comes back.
#include "RecordSupport.h"
#include "SpectrumFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSpectrumBadInput : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    static QByteArray n42(const QByteArray& channelData, const QByteArray& attributes = {}) {
        return "<RadInstrumentData xmlns=\"http://physics.nist.gov/N42/2011/N42\"><RadMeasurement id=\"m\">"
               "<Spectrum id=\"s\"><ChannelData" +
               attributes + ">" + channelData +
               "</ChannelData></Spectrum></RadMeasurement></RadInstrumentData>";
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void refusedWithTheReason_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("reason");
        const QByteArray ours = spectrum::serialize(testrec::scan(), spectrum::Format::N42);
        const QByteArray oursSpe = spectrum::serialize(testrec::scan(), spectrum::Format::Spe);
        const QByteArray oursCsv = spectrum::serialize(testrec::scan(), spectrum::Format::Csv);

        // Not a spectrum.
        QTest::newRow("empty") << QByteArray() << u"not a spectrum file (it is empty)"_qs;
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << u"binary data"_qs;
        QTest::newRow("XML without spectrum")
            << QByteArray("<html><body>hello</body></html>") << u"without spectrum channel data"_qs;
        QTest::newRow("malformed XML")
            << QByteArray("<a><b></a>")
            << u"not well-formed XML at line 1: Opening and ending tag mismatch."_qs;
        QTest::newRow("SPE without data")
            << QByteArray("$SPEC_ID:\r\nx\r\n$MEAS_TIM:\r\n1 1\r\n") << u"no $DATA: section"_qs;
        QTest::newRow("SPE data without range")
            << QByteArray("$DATA:\r\n7\r\n1\r\n") << u"no first and last channel"_qs;
        for (const char* range : {"x 2", "0 x", "-1 2", "5 2"})
            QTest::newRow(qPrintable(u"SPE data range "_qs + QLatin1String(range)))
                << QByteArray("$DATA:\n").append(range).append("\n1\n2\n3\n")
                << u"no first and last channel"_qs;
        QTest::newRow("text") << QByteArray("Dear user,\nthis is a letter.\n") << u"not a spectrum file"_qs;
        QTest::newRow("CSV header only") << QByteArray("Channel,Counts\n") << u"no rows of channel data"_qs;

        // Truncated.
        QTest::newRow("N42 cut off") << ours.left(ours.size() / 2) << u"truncated"_qs;
        QTest::newRow("SPE cut off") << oursSpe.left(oursSpe.size() - 200) << u"truncated"_qs;
        QTest::newRow("CSV cut off in a row")
            << oursCsv.left(oursCsv.size() - 4) << u"truncated (the last row has 5 of 6 fields)"_qs;
        QTest::newRow("CSV short row") << QByteArray("0,1,5\n1,7\n2,3,9\n")
                                       << u"not a spectrum file (line 2 has 2 fields where 3 are needed)"_qs;
        const QByteArray oneChannel = spectrum::serialize(testrec::scan(1), spectrum::Format::Csv);
        QTest::newRow("CSV last point missing")
            << oneChannel.left(oneChannel.lastIndexOf("1,"))
            << u"the scan has 1 channels, the file holds 1 of their 2 points"_qs;
        QTest::newRow("SPE short") << QByteArray("$DATA:\n0 3\n1\n2\n")
                                   << u"truncated ($DATA: announces 4 channels, the file holds 2)"_qs;
        QTest::newRow("CSV rows missing") << oursCsv.left(oursCsv.indexOf("\r\n100,")) << u"truncated"_qs;
        QTest::newRow("counted zeroes without length")
            << n42("1 2 0", " compressionCode=\"CountedZeroes\"") << u"truncated"_qs;

        // Negative or non-integer counts.
        QTest::newRow("N42 negative") << n42("1 -2 3") << u"channel 1 holds a negative count (-2)"_qs;
        QTest::newRow("N42 fraction")
            << n42("1 2.5 3") << u"channel 1 holds a count that is not a whole number (2.5)"_qs;
        QTest::newRow("SPE negative")
            << QByteArray("$DATA:\n0 2\n4\n-1\n5\n") << u"channel 1 holds a negative count"_qs;
        QTest::newRow("SPE fraction") << QByteArray("$DATA:\n5 6\n4\n0.25\n")
                                      << u"channel 6 holds a count that is not a whole number"_qs;
        QTest::newRow("CSV negative")
            << QByteArray("0,3\n1,-7\n") << u"channel 1 holds a negative count (-7)"_qs;
        QTest::newRow("CSV fraction") << QByteArray("3\n1e-3\n") << u"not a whole number (1e-3)"_qs;
        QTest::newRow("CSV thousands or decimals?")
            << QByteArray("0\t1,000\n1\t2,000\n")
            << u"channel 0 holds \"1,000\", and the file does not show "
               "whether \",\" separates thousands or decimals"_qs;
        QTest::newRow("CSV thousands or decimals? 9")
            << QByteArray("0\t9,000\n") << u"separates thousands"_qs;
        QTest::newRow("CSV decimal comma") << QByteArray("0;1,234\n") << u"not a whole number (1,234)"_qs;
        QTest::newRow("CSV broken grouping")
            << QByteArray("0,\"12,34\"\n") << u"channel 0 holds \"12,34\", which is not a number"_qs;
        QTest::newRow("count above 32 bits")
            << QByteArray("1\n99999999999\n")
            << u"channel 1 holds a count larger than 2147483647 (99999999999)"_qs;
        QTest::newRow("count above 64 bits")
            << QByteArray("1\n99999999999999999999\n")
            << u"channel 1 holds a count larger than 2147483647 (99999999999999999999)"_qs;
        QTest::newRow("count above 32 bits, in floating point")
            << n42("1 1e10") << u"channel 1 holds a count larger than 2147483647 (1e10)"_qs;
        QTest::newRow("not a number in N42")
            << n42("1 x 3") << u"channel 1 holds \"x\", which is not a number"_qs;
        QTest::newRow("infinite") << n42("1 inf") << u"which is not a number"_qs;

        // More than 65536 channels.
        QTest::newRow("SPE range") << QByteArray("$DATA:\n0 65536\n1\n")
                                   << u"more than 65536 channels (65537)"_qs;
        QTest::newRow("N42 values") << n42(QByteArray("1 ").repeated(65537))
                                    << u"more than 65536 channels"_qs;
        QTest::newRow("N42 zero run")
            << n42("0 4000000000", " compressionCode=\"CountedZeroes\"") << u"unusable length"_qs;
        QTest::newRow("N42 zero runs")
            << n42("0 65536 5", " compressionCode=\"CountedZeroes\"") << u"more than 65536 channels"_qs;
        QTest::newRow("CSV rows") << QByteArray("0\n").repeated(65537)
                                  << u"more than 65536 channels (65537)"_qs;

        // Larger than 16 MiB.
        QTest::newRow("large") << QByteArray(16 * 1024 * 1024 + 1, ' ') << u"larger than 16 MiB"_qs;
        QTest::newRow("16 MiB, the largest taken") << QByteArray(16 * 1024 * 1024, ' ') << u"it is empty"_qs;
    }
    void refusedWithTheReason() {
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);
        const spectrum::ReadResult read = spectrum::parse(file, u"bad.n42"_qs);
        QVERIFY(!read.ok());
        QVERIFY2(read.error.startsWith(u"\"bad.n42\" cannot be read as a spectrum: "),
                 qPrintable(read.error));
        QVERIFY2(read.error.contains(reason), qPrintable(read.error));
        QVERIFY(read.record == spectrum::ScanRecord()); // nothing half-read comes back
    }

    void filesAreCheckedBeforeTheyAreRead_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << u"missing.n42"_qs << qint64(-1) << u"No such file"_qs;
        QTest::newRow("too large") << u"huge.csv"_qs << qint64(spectrum::MAX_FILE_BYTES + 1)
                                   << u"larger than 16 MiB"_qs;
        QTest::newRow("the largest taken")
            << u"large.csv"_qs << qint64(spectrum::MAX_FILE_BYTES) << u"binary data"_qs;
    }
    void filesAreCheckedBeforeTheyAreRead() {
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(QString, reason);
        const QString path = dir.filePath(name);
        if (size >= 0) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(size)); // sparse: the reader must refuse it by its size
        }
        const spectrum::ReadResult read = spectrum::readFile(path);
        QVERIFY(!read.ok());
        QVERIFY2(read.error.contains(u'"' + name + u'"') && read.error.contains(reason),
                 qPrintable(read.error));
    }
};

QTEST_GUILESS_MAIN(TestSpectrumBadInput)
#include "tst_spectrum_bad_input.moc"
