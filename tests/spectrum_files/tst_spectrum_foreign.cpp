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

private slots:
    void otherProgramsFilesAreRead_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<qint32>>("counts");
        QTest::addColumn<double>("live");
        QTest::addColumn<double>("real");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QString>("remark"); // a remark the reader keeps or adds ("" = none expected)

        const QDateTime none;
        QTest::newRow("N42-2012: background and foreground, two detectors, calibration, counted zeroes")
            << u"acme_2012.n42"_qs << QList<qint32>{0, 0, 0, 7, 12, 0, 0, 4} << 60.0 << 62.5
            << QDateTime(QDate(2023, 1, 23), QTime(15, 36, 46, 500), Qt::UTC) << u"Lab bench, shelf 2"_qs;
        QTest::newRow("N42-2006 names, floating-point counts")
            << u"mca_2006.n42"_qs << QList<qint32>{0, 22, 421, 5} << 59.61 << 60.0
            << QDateTime(QDate(2003, 11, 22), QTime(23, 45, 19), Qt::UTC)
            << u"energy calibration was not used"_qs;
        QTest::newRow("SPE: ROI, presets, energy and shape calibration")
            << u"mca.spe"_qs << QList<qint32>{0, 5, 17, 230, 41, 3, 1, 0} << 300.0 << 302.0
            << QDateTime(QDate(2019, 9, 6), QTime(14, 30, 5), Qt::UTC) << u"DETDESC# MCB 129"_qs;
        QTest::newRow("SPE: byte order mark, several counts a line, a second record")
            << u"records.spe"_qs << QList<qint32>{1, 2, 3, 4, 5, 6} << 10.5 << 11.0 << none
            << u"Only the first record"_qs;
        QTest::newRow("CSV: one column")
            << u"one_column.csv"_qs << QList<qint32>{5, 7, 0, 12} << 0.0 << 0.0 << none << QString();
        QTest::newRow("CSV: channel and counts, tabs, header")
            << u"tabs.csv"_qs << QList<qint32>{3, 9, 27} << 0.0 << 0.0 << none << QString();
        QTest::newRow("CSV: semicolons, an energy column, decimal commas")
            << u"semicolons.csv"_qs << QList<qint32>{4, 8, 15} << 0.0 << 0.0 << none << QString();
        QTest::newRow("CSV: three columns without header, a comment")
            << u"three_columns.csv"_qs << QList<qint32>{5, 6, 7} << 0.0 << 0.0 << none
            << u"exported spectrum"_qs;
        QTest::newRow("CSV: byte order mark, CR LF, quoted header")
            << u"quoted.csv"_qs << QList<qint32>{1, 2} << 0.0 << 0.0 << none << QString();
    }
    void otherProgramsFilesAreRead() {
        QFETCH(QString, file);
        QFETCH(QList<qint32>, counts);
        QFETCH(double, live);
        QFETCH(double, real);
        QFETCH(QDateTime, start);
        QFETCH(QString, remark);
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
