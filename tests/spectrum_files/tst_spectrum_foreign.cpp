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
    void initTestCase() { testrec::awayFromUtc(); }

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
            << QDateTime(QDate(2023, 1, 23), QTime(15, 36, 46, 500), Qt::UTC)
            << u"Lab bench, shelf 2\nSource at 10 cm"_qs << QList<double>{-2.5, 3.01};
        QTest::newRow("N42-2006 names, floating-point counts, a quadratic calibration")
            << u"mca_2006.n42"_qs << QList<qint32>{0, 22, 421, 5} << 59.61 << 60.0
            << QDateTime(QDate(2003, 11, 22), QTime(23, 45, 19), Qt::UTC)
            << u"Sample A\nShelf 3\nThe file's energy calibration (-21.84 12.105214 0.000847 per channel) "
               u"was not "
               "used"_qs
            << QList<double>{};
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
            << u"tabs.csv"_qs << QList<qint32>{3, 9, 27} << 0.0 << 0.0 << none << QString()
            << QList<double>{};
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
        // What the file does not say stays unknown.
        spectrum::ScanRecord unknown = r.record;
        unknown.levelCount = unknown.sweepsRequested = unknown.sweepsCompleted = unknown.coarseGainIndex =
            unknown.fineGain = unknown.userLLD = unknown.userULD = unknown.failedChannels = 0;
        unknown.highVoltageCount.reset();
        unknown.userIntegralMode = unknown.simulatedUnit = false;
        unknown.state = spectrum::ScanState::Complete;
        QVERIFY(r.record == unknown);
    }

    // Variants of the formats as other programs and locales write them, read to the same counts.
    void variantsAreRead_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<qint32>>("counts");
        QTest::addColumn<QList<double>>("calibration");
        QTest::addColumn<double>("live");
        QTest::addColumn<double>("real");
        QTest::addColumn<QString>("remark"); // one the reader adds ("" = none)
        const QList<double> none;
        auto row = [](const char* name, const QByteArray& file, const QList<qint32>& counts,
                      const QList<double>& calibration = {}, const QString& remark = {}, double live = 0,
                      double real = 0) {
            QTest::newRow(name) << file << counts << calibration << live << real << remark;
        };
        row("CSV: a header of unknown names, counts in the last column", "Kanal,Wert,Summe\n0,9,5\n1,9,7\n",
            {5, 7});
        // CSV: thousands separators where the file shows its decimal separator.
        row("CSV: quoted thousands in comma CSV",
            "Channel,Counts\n0,\"1,234\"\n1,\"12,345,678\"\n2,\"123,456.0\"\n", {1234, 12345678, 123456});
        row("CSV: ';' with points grouping and decimal commas",
            "Kanal;Energie (keV);Impulse\n0;0,5;1.234\n1;2,5;2.000\n2;4,5;1.234.567\n", {1234, 2000, 1234567},
            {0.5, 2});
        row("CSV: CR line ends, as old Mac programs write", "12\r34\r56\r", {12, 34, 56});
        row("CSV: ';' without a decimal in the file", "0;1.000\n1;250\n", {1000, 250});
        row("CSV: blanks, no-break spaces, apostrophes",
            "0;1 234\n1;1\xc2\xa0"
            "234\n2;1'234\n3;\"1 234 567\"\n",
            {1234, 1234, 1234, 1234567});
        row("CSV: blank-separated, a quoted number", "0 \"1,234.0\"\n", {1234});
        row("CSV: counts with a plus sign", "+123\n+5\n", {123, 5});
        row("CSV: counts padded with zeros beyond 64 bits", "0000000000000000000042\n7\n", {42, 7});
        row("CSV: tabs, decimal points shown by the energies", "0\t0.25\t1,000\n1\t0.75\t2,500\n",
            {1000, 2500}, {0.25, 0.5});
        row("CSV: tabs, a decimal point after a lone 0", "0\t0.500\t1,000\n1\t1.500\t2,000\n", {1000, 2000},
            {0.5, 1});
        row("CSV: tabs, a count beyond three digits shows the decimal point", "0\t1.000\n1\t1234.000\n",
            {1, 1234});
        row("CSV: tabs, both separators in one number", "0\t1.234,5\t1.000\n1\t2.469\t2.000\n", {1000, 2000},
            {1234.5, 1234.5});
        row("CSV: tabs, points grouping twice", "0\t1.234.567\n1\t1.000\n", {1234567, 1000});
        row("CSV: tabs, commas grouping twice", "0\t1,234,567\n1\t1,000\n", {1234567, 1000});
        row("CSV: tabs, numbers that contradict each other",
            "0\t0.5\t1.234,0\n1\t1,5\t2.000.000\n2\t2,5\t3,000,000\n", {1234, 2000000, 3000000}, {0.5, 1});
        // CSV: columns and their names.
        row("CSV: headerless, this program's layout", "0,0,20,0.00,0.98,7\n1,8,40,0.39,1.96,9\n", {7, 9});
        row("CSV: headerless, this program's layout with energies",
            "0,0,20,0.00,0.98,10,7\n1,8,40,0.39,1.96,24,9\n", {7, 9},
            {0, 1}); // the windows' centres, levels 10 and 24, are 10 and 24 keV
        row("CSV: counts first, a count rate after", "Counts;Count rate (1/s)\n5;0,5\n7;0,7\n", {5, 7});
        row("CSV: a quoted name with quotes and a comma", "\"Name \"\"a, b\"\"\",Counts\nx,5\n", {5});
        row("CSV: energy first", "Energy (keV),Counts\n0.5,3\n1.5,4\n", {3, 4}, {0.5, 1});
        row("CSV: energy in MeV named by the header", "channel,E (MeV),counts\n0,0.001,3\n1,0.003,4\n",
            {3, 4}, {1, 2});
        row("CSV: two energy columns, the first is taken", "E (keV),Energy (keV),Counts\n0.5,7,3\n1.5,9,4\n",
            {3, 4}, {0.5, 1});
        row("CSV: a column named MeV", "Channel,MeV,Counts\n0,0.001,3\n1,0.003,4\n", {3, 4}, {1, 2});
        row("CSV: the last column named as energy holds the counts", "Channel,Energy\n0,3\n1,4\n", {3, 4});
        row("CSV: energy in an unknown unit", "Channel,Energy (furlongs),Counts\n0,1,3\n1,2,4\n", {3, 4});
        row("CSV: energies that are not numbers", "Channel,Energy (keV),Counts\n0,n/a,3\n1,1.5,4\n", {3, 4},
            none, u"energy column holds values that are not numbers"_qs);
        row("CSV: energies rounded to two decimals",
            "Channel,Energy (keV),Counts\n0,0.00,1\n1,1.47,1\n2,2.93,1\n3,4.40,1\n", {1, 1, 1, 1},
            {0, 4.4 / 3});
        row("CSV: energies off a line", "Channel,Energy (keV),Counts\n0,0,1\n1,1,1\n2,2.01,1\n3,3,1\n",
            {1, 1, 1, 1}, none, u"energy column is not linear"_qs);
        row("CSV: our metadata with a value that is not one", "# Sweeps requested: many\n1\n2\n", {1, 2},
            none, u"Ignored the unreadable value of \"Sweeps requested\"."_qs);
        row("CSV: a negative count of failed windows",
            "# Channels whose window could not be set on the unit: -5\n1\n", {1}, none,
            u"Channels whose window could not be set on the unit: -5"_qs); // kept as it stood
        // SPE.
        row("SPE: from channel 1, calibration per channel number",
            "$SPEC_ID:\nx\n$DATA:\n1 3\n1\n2\n3\n$ENER_FIT:\n1 2\n", {1, 2, 3}, {3, 2},
            u"The spectrum starts at channel 1."_qs);
        row("SPE: $MCA_CAL in MeV wins over $ENER_FIT",
            "$SPEC_ID:\nx\n$DATA:\n0 1\n1\n2\n$ENER_FIT:\n9 9\n$MCA_CAL:\n3\n0.5 0.25 0 MeV\n", {1, 2},
            {500, 250});
        row("SPE: $MCA_CAL in eV", "$DATA:\n0 1\n1\n2\n$MCA_CAL:\n2\n1 2 eV\n", {1, 2}, {0.001, 0.002});
        row("SPE: $MCA_CAL in an unknown unit",
            "$DATA:\n0 1\n1\n2\n$ENER_FIT:\n5 6\n$MCA_CAL:\n3\n1 2 0 furlongs\n", {1, 2}, {5, 6});
        row("SPE: one coefficient", "$DATA:\n0 1\n1\n2\n$ENER_FIT:\n5\n", {1, 2}, none,
            u"(5 per channel) was not used"_qs);
        row("SPE: values on the key lines, one channel, live time only", "$MEAS_TIM: 10\n$DATA: 0 0\n7\n",
            {7}, none, {}, 10);
        row("SPE: times that are not numbers", "$MEAS_TIM:\nx y\n$DATA:\n0 0\n1\n", {1});
        row("SPE: values after the last channel", "$DATA:\n0 1\n1 2 3\n", {1, 2}, none,
            u"1 values after the last channel were left out."_qs);
        // N42.
        row("N42-2006: a linear calibration in MeV",
            "<N42InstrumentData><Measurement><Spectrum><Calibration Type=\"Energy\" EnergyUnits=\"MeV\">"
            "<Equation><Coefficients>0.01 0.002 0</Coefficients></Equation></Calibration>"
            "<ChannelData>4 5</ChannelData></Spectrum></Measurement></N42InstrumentData>",
            {4, 5}, {10, 2});
        row("N42-2006: eight coefficients, the higher ones zero",
            "<N42InstrumentData><Measurement><Spectrum><Calibration Type=\"Energy\" EnergyUnits=\"keV\">"
            "<Equation><Coefficients>10 2 0 0 0 0 0 0</Coefficients></Equation></Calibration>"
            "<ChannelData>4 5</ChannelData></Spectrum></Measurement></N42InstrumentData>",
            {4, 5}, {10, 2});
        row("N42-2006: only a calibration of the peak width",
            "<N42InstrumentData><Measurement><Spectrum><Calibration Type=\"FWHM\"><Equation><Coefficients>1 "
            "2 0"
            "</Coefficients></Equation></Calibration><ChannelData>4 5</ChannelData></Spectrum></Measurement>"
            "</N42InstrumentData>",
            {4, 5});
        const QByteArray measurement =
            "<RadMeasurement><MeasurementClassCode>%1</MeasurementClassCode><Spectrum>"
            "<ChannelData>%2</ChannelData></Spectrum></RadMeasurement>";
        auto n42 = [&](std::initializer_list<std::pair<const char*, const char*>> spectra) {
            QByteArray out = "<RadInstrumentData><EnergyCalibration id=\"c\"><CoefficientValues>1 2 0"
                             "</CoefficientValues></EnergyCalibration>";
            for (const auto& [classCode, data] : spectra)
                out += QByteArray(measurement).replace("%1", classCode).replace("%2", data);
            return out + "</RadInstrumentData>";
        };
        row("N42: the first foreground spectrum with data, the only calibration",
            n42({{"Background", "9 9"}, {"Foreground", ""}, {"Foreground", "1 2"}, {"Foreground", "3 4"}}),
            {1, 2}, {1, 2}, u"The file holds 4 spectra; spectrum 3 was read."_qs);
        row("N42: the first of two foreground spectra", n42({{"Foreground", "5 6"}, {"Foreground", "7 8"}}),
            {5, 6}, {1, 2}, u"spectrum 1 was read."_qs);
        row("N42: the first spectrum when none is foreground", n42({{"", "5 6"}, {"", "7 8"}}), {5, 6},
            {1, 2}, u"spectrum 1 was read."_qs);
        // The line through 0 and 1e308 keV reaches no finite energy at level 0: no calibration, silently.
        row("CSV: energies beyond any calibration",
            "Channel,LLD level,ULD level,Energy (keV),Counts\n0,1000,1020,0,3\n1,1020,1040,1e308,4\n",
            {3, 4});
        QList<qint32> zeroes(65536, 0);
        zeroes[0] = 5;
        row("N42: counted zeroes up to 65536 channels",
            "<RadInstrumentData><RadMeasurement><Spectrum><ChannelData compressionCode=\"CountedZeroes\">5 0 "
            "65535"
            "</ChannelData></Spectrum></RadMeasurement></RadInstrumentData>",
            zeroes);
        row("N42: durations in days, hours and minutes",
            "<RadInstrumentData><RadMeasurement><RealTimeDuration>P1DT1H1M1.5S</RealTimeDuration><Spectrum>"
            "<LiveTimeDuration>PT.5S</LiveTimeDuration><ChannelData>1</ChannelData></Spectrum></"
            "RadMeasurement>"
            "</RadInstrumentData>",
            {1}, none, {}, 0.5, 90061.5);
        row("N42: an empty duration",
            "<RadInstrumentData><RadMeasurement><RealTimeDuration>PT</"
            "RealTimeDuration><Spectrum><LiveTimeDuration>"
            "PT2H</LiveTimeDuration><ChannelData>1</ChannelData></Spectrum></RadMeasurement></"
            "RadInstrumentData>",
            {1}, none, {}, 7200, 0);
    }
    void variantsAreRead() {
        QFETCH(QByteArray, file);
        QFETCH(QList<qint32>, counts);
        QFETCH(QList<double>, calibration);
        QFETCH(double, live);
        QFETCH(double, real);
        QFETCH(QString, remark);
        const spectrum::ReadResult r = spectrum::parse(file, u"variant"_qs);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.record.counts, counts);
        checkCalibration(r.record, calibration);
        QCOMPARE(r.record.liveTimeSeconds, live);
        QCOMPARE(r.record.realTimeSeconds, real);
        const QString remarks = r.record.remarks.join(u'\n');
        QVERIFY2(remark.isEmpty() ? remarks.isEmpty() : remarks.contains(remark), qPrintable(remarks));
        QCOMPARE(spectrum::validate(r.record), QString()); // what was read can be written
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
