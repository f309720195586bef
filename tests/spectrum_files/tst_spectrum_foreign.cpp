// Spectra written by other programs (the files in foreign/, written by hand in the shapes those
// programs use): the readers take the counts, times and device texts they carry and skip the rest.
#include "RecordSupport.h"
#include "SpectrumFile.h"

#include <QTest>

class TestSpectrumForeign : public QObject {
    Q_OBJECT

    static spectrum::ReadResult read(const QString& name) {
        const QString path = QFINDTESTDATA(u"foreign/"_qs + name);
        if (path.isEmpty())
            qFatal("test file %s is missing", qPrintable(name));
        return spectrum::readFile(path);
    }

    static void checkCalibration(const spectrum::ScanRecord& r, const QList<double>& calibration) {
        QCOMPARE(r.energyCalibration.has_value(), !calibration.isEmpty());
        if (r.energyCalibration) {
            QCOMPARE(r.energyCalibration->offsetKeV, calibration[0]);
            QCOMPARE(r.energyCalibration->slopeKeVPerLevel, calibration[1]);
        }
    }

private slots:
    void otherProgramsFilesAreRead_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<qint32>>("counts");
        QTest::addColumn<double>("live");
        QTest::addColumn<double>("real");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QString>("remark"); // a remark the reader keeps or adds ("" = none expected)
        // The energy calibration taken, offset and slope per channel (the channel index is the level of
        // a file without windows); none when empty.
        QTest::addColumn<QList<double>>("calibration");

        const QDateTime none;
        QTest::newRow("N42-2012: background and foreground, two detectors, calibration, counted zeroes")
            << u"acme_2012.n42"_qs << QList<qint32>{0, 0, 0, 7, 12, 0, 0, 4} << 60.0 << 62.5
            << QDateTime(QDate(2023, 1, 23), QTime(15, 36, 46, 500), Qt::UTC) << u"Lab bench, shelf 2"_qs
            << QList<double>{-2.5, 3.01};
        QTest::newRow("N42-2006 names, floating-point counts, a quadratic calibration")
            << u"mca_2006.n42"_qs << QList<qint32>{0, 22, 421, 5} << 59.61 << 60.0
            << QDateTime(QDate(2003, 11, 22), QTime(23, 45, 19), Qt::UTC)
            << u"energy calibration (-21.84 12.105214 0.000847 per channel) was not used"_qs << QList<double>{};
        QTest::newRow("SPE: ROI, presets, energy and shape calibration")
            << u"mca.spe"_qs << QList<qint32>{0, 5, 17, 230, 41, 3, 1, 0} << 300.0 << 302.0
            << QDateTime(QDate(2019, 9, 6), QTime(14, 30, 5), Qt::UTC) << u"DETDESC# MCB 129"_qs
            << QList<double>{0, 1.5};
        QTest::newRow("SPE: byte order mark, several counts a line, a second record")
            << u"records.spe"_qs << QList<qint32>{1, 2, 3, 4, 5, 6} << 10.5 << 11.0 << none
            << u"Only the first record"_qs << QList<double>{};
        QTest::newRow("CSV: one column") << u"one_column.csv"_qs << QList<qint32>{5, 7, 0, 12} << 0.0 << 0.0
                                         << none << QString() << QList<double>{};
        QTest::newRow("CSV: channel and counts, tabs, header")
            << u"tabs.csv"_qs << QList<qint32>{3, 9, 27} << 0.0 << 0.0 << none << QString() << QList<double>{};
        QTest::newRow("CSV: semicolons, an energy column, decimal commas")
            << u"semicolons.csv"_qs << QList<qint32>{4, 8, 15} << 0.0 << 0.0 << none << QString()
            << QList<double>{0, 1.5};
        QTest::newRow("CSV: channel, energy and counts without header, a comment")
            << u"three_columns.csv"_qs << QList<qint32>{5, 6, 7} << 0.0 << 0.0 << none
            << u"exported spectrum"_qs << QList<double>{0, 2.9};
        QTest::newRow("CSV: byte order mark, CR LF, quoted header")
            << u"quoted.csv"_qs << QList<qint32>{1, 2} << 0.0 << 0.0 << none << QString() << QList<double>{};
    }
    void otherProgramsFilesAreRead() {
        QFETCH(QString, file);
        QFETCH(QList<qint32>, counts);
        QFETCH(double, live);
        QFETCH(double, real);
        QFETCH(QDateTime, start);
        QFETCH(QString, remark);
        QFETCH(QList<double>, calibration);
        const spectrum::ReadResult r = read(file);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.record.counts, counts);
        QCOMPARE(r.record.liveTimeSeconds, live);
        QCOMPARE(r.record.realTimeSeconds, real);
        QCOMPARE(r.record.startTime, start);
        QCOMPARE(r.record.channels, 0); // not a scan: placed by channel fraction
        QVERIFY(r.record.levels.isEmpty());
        if (!remark.isEmpty())
            QVERIFY2(r.record.remarks.join(u'\n').contains(remark), qPrintable(r.record.remarks.join(u'\n')));
        checkCalibration(r.record, calibration);
    }

    // Variants of the formats as other programs and locales write them, read to the same counts.
    void variantsAreRead_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<qint32>>("counts");
        QTest::addColumn<QList<double>>("calibration");
        const QList<double> none;
        QTest::newRow("CSV: quoted thousands in comma CSV")
            << QByteArray("Channel,Counts\n0,\"1,234\"\n1,\"12,345,678\"\n2,\"1,234.0\"\n") << QList<qint32>{1234, 12345678, 1234}
            << none;
        QTest::newRow("CSV: ';' with points grouping and decimal commas")
            << QByteArray("Kanal;Energie (keV);Impulse\n0;0,5;1.234\n1;2,5;2.000\n2;4,5;1.234.567\n")
            << QList<qint32>{1234, 2000, 1234567} << QList<double>{0.5, 2};
        QTest::newRow("CSV: ';' without a decimal in the file") << QByteArray("0;1.000\n1;250\n")
                                                                 << QList<qint32>{1000, 250} << none;
        QTest::newRow("CSV: blanks, no-break spaces, apostrophes")
            << QByteArray("0;1 234\n1;1\xc2\xa0" "234\n2;1'234\n3;\"1 234 567\"\n") << QList<qint32>{1234, 1234, 1234, 1234567}
            << none;
        QTest::newRow("CSV: tabs, decimal points shown by the energies")
            << QByteArray("0\t0.25\t1,000\n1\t0.75\t2,500\n") << QList<qint32>{1000, 2500} << QList<double>{0.25, 0.5};
        QTest::newRow("CSV: tabs, a count beyond three digits shows the decimal point")
            << QByteArray("0\t1.000\n1\t1234.000\n") << QList<qint32>{1, 1234} << none;
        QTest::newRow("CSV: headerless, this program's layout")
            << QByteArray("0,0,20,0.00,0.98,7\n1,8,40,0.39,1.96,9\n") << QList<qint32>{7, 9} << none;
        QTest::newRow("CSV: counts first, a count rate after")
            << QByteArray("Counts;Count rate (1/s)\n5;0,5\n7;0,7\n") << QList<qint32>{5, 7} << none;
        QTest::newRow("CSV: headerless, this program's layout with energies")
            << QByteArray("0,0,20,0.00,0.98,10,7\n1,8,40,0.39,1.96,24,9\n") << QList<qint32>{7, 9}
            << QList<double>{0, 1}; // the windows' centres, levels 10 and 24, are 10 and 24 keV
        QTest::newRow("CSV: energy in MeV named by the header")
            << QByteArray("channel,E (MeV),counts\n0,0.001,3\n1,0.003,4\n") << QList<qint32>{3, 4} << QList<double>{1, 2};
        QTest::newRow("SPE: spectrum from channel 5, calibration per channel number")
            << QByteArray("$DATA:\n5 7\n1\n2\n3\n$ENER_FIT:\n1 2\n") << QList<qint32>{1, 2, 3} << QList<double>{11, 2};
        QTest::newRow("SPE: $MCA_CAL in MeV wins over $ENER_FIT")
            << QByteArray("$DATA:\n0 1\n1\n2\n$ENER_FIT:\n9 9\n$MCA_CAL:\n3\n0.5 0.25 0 MeV\n")
            << QList<qint32>{1, 2} << QList<double>{500, 250};
        QTest::newRow("N42-2006: a linear calibration in MeV")
            << QByteArray("<N42InstrumentData><Measurement><Spectrum><Calibration Type=\"Energy\" EnergyUnits=\"MeV\">"
                          "<Equation><Coefficients>0.01 0.002 0</Coefficients></Equation></Calibration>"
                          "<ChannelData>4 5</ChannelData></Spectrum></Measurement></N42InstrumentData>")
            << QList<qint32>{4, 5} << QList<double>{10, 2};
    }
    void variantsAreRead() {
        QFETCH(QByteArray, file);
        QFETCH(QList<qint32>, counts);
        QFETCH(QList<double>, calibration);
        const spectrum::ReadResult r = spectrum::parse(file, u"variant"_qs);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.record.counts, counts);
        checkCalibration(r.record, calibration);
    }

    void n42DeviceTextsAreTaken() {
        const spectrum::ReadResult r = read(u"acme_2012.n42"_qs);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.record.manufacturer, u"Acme"_qs);
        QCOMPARE(r.record.product, u"MCA-8k"_qs);
        QCOMPARE(r.record.serialNumber, u"A-77"_qs);
        QCOMPARE(r.record.firmware, u"3.1"_qs);
        QCOMPARE(r.record.programName, u"SomeSpectrometer"_qs);
        QVERIFY(r.record.remarks.contains(u"The file holds 2 spectra; spectrum 2 was read."_qs));
    }
};

QTEST_GUILESS_MAIN(TestSpectrumForeign)
#include "tst_spectrum_foreign.moc"
