// The report document: every line of it, the value formats in two locales, escaping, file writing.
#include "ReportFormat.h"
#include "ReportWriter.h"

#include <QDate>
#include <QDateTime>
#include <QTimeZone>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace report;

namespace {

ReportValues exampleValues() {
    ReportValues v;
    v.serialNumber = QStringLiteral("KV-0042");
    v.firmwareVersion = QStringLiteral("1.2");
    v.productionDate = QStringLiteral("20190315");
    v.isVR = false;
    v.coarseGainIndex = 2; // "x4"
    v.fineGainPosition = 2048;
    v.lldPosition = 1024;
    v.uldPosition = 2047;
    v.maxLevel = 2047;
    v.highVoltageText = QStringLiteral("1000");
    v.channelsIndex = 1; // "128"
    v.sweepsText = QStringLiteral("10");
    return v;
}

const char* const kStyleBlock[] = {
    "<style type=\"text/css\">",
    "body {",
    "  color: #000;",
    "  padding: 0;",
    "  margin-left: 1em;",
    "  margin-right: 1em;",
    "  font: 10pt calibri, tahoma, arial, sans-serif;",
    "  font-weight: normal;",
    "}",
    "img {",
    "  border: 0;",
    "}",
    "h1 {",
    "  background: #8080FF;",
    "  color: white;",
    "  width: 100%;",
    "  font-size: 20pt;",
    "  font-weight: bold;",
    "}",
    "h2 {",
    "  color: #15046A;",
    "  text-align: left;",
    "  margin-left: 0em;",
    "  padding: 0 0;",
    "  width: 100%;",
    "  border-bottom: 1px solid black;",
    "  font-size: 12pt;",
    "  font-weight: bold;",
    "}",
    "h3 {",
    "  color: #8080ff;",
    "  padding: 0 0;",
    "  margin: 0 0;",
    "  font-size: 10pt;",
    "}",
    "table.CommonTab {",
    "  font-size: 10pt;",
    "  font-weight: normal;",
    "  border-collapse: collapse;",
    "  background: #FFFFFF;",
    "  text-align: left;",
    "  valign: center;",
    "  padding: 10;",
    "  width: 100%;",
    "}",
    "table.Settings {",
    "  font-size: 10pt;",
    "  font-weight: normal;",
    "  border-collapse: collapse;",
    "  background: #FFFFFF;",
    "  text-align: left;",
    "  valign: center;",
    "  padding: 10;",
    "  width: 100%;",
    "}",
    "div.hr {",
    "  border: 0;",
    "  background: #8080ff;",
    "  height: 1px;",
    "}",
    "</style>",
};

QStringList expectedExampleLines() {
    QStringList l;
    l << "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">"
      << "<html>"
      << "<head>"
      << "<title>Kivo Report</title>"
      << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
    for (const char* line : kStyleBlock)
        l << QString::fromLatin1(line);
    l << "</head>"
      << ""
      << "<body>"
      << "<img src=\"vtlogo.png\" width=\"33%\"></img>"
      << "<h3>Detector electronics for radiation measurement</h3>"
      << "<center><h1>Kivo Report</h1></center>"
      << "<br />"
      << "<h2>Device Identifiers</h2>"
      << "<table class=\"CommonTab\">"
      << "      <tr><td width=\"40%\">Serial Number:</td>"
      << "      <td>KV-0042</td></tr>"
      << "      <tr><td>Firmware Version:</td>"
      << "      <td>1.2</td></tr>"
      << "      <tr><td>Production date:</td>"
      << "      <td>Friday, March 15, 2019</td></tr>"
      << "</table>"
      << "<br />"
      << "<h2>SCA Settings</h2>"
      << "<table class=\"Settings\">"
      << "      <tr>"
      << "        <td width=\"40%\">Coarse gain:</td>"
      << "        <td>4</td>"
      << "      </tr>"
      << "      <tr>"
      << "        <td>Fine gain:</td>"
      << "        <td>1.500</td>"
      << "      </tr>"
      << "      <tr>"
      << "        <td>LLD:</td>"
      << "        <td>50.02%</td>"
      << "      </tr>"
      << "      <tr>"
      << "        <td>ULD:</td>"
      << "        <td>100.00%</td>"
      << "      </tr>"
      << "      <tr>"
      << "        <td>High Voltage:</td>"
      << "        <td>1000.0V</td>"
      << "      </tr>"
      << "</table>"
      << "<br />"
      << "<h2>Pseudo-PHA Spectrum</h2>"
      << "<table class=\"Settings\">"
      << "      <tr>"
      << "        <td width=\"40%\">Channels:</td>"
      << "        <td>128</td>"
      << "      </tr>"
      << "      <tr>"
      << "        <td>Sweeps:</td>"
      << "        <td>10</td>"
      << "      </tr>"
      << "</table>"
      << "<br />"
      << "<center><img src=\"spect.png\" alt=\"Spectrum\" width=\"80%\" /></center>"
      << "<br />"
      << "<br />"
      << "<br />"
      << "<hr style=\"border: 0; color: #8080ff; height: 1px\">"
      << "<span style=\"color: #8080ff; font-size: 10pt; font-weight: bold\">Veltrano Instruments</span><br "
         "/>"
      << "<span style=\"color: #404040; font-size: 8pt;\">Via Scintilla 27, 99999 Lumenara, Fictional "
         "Republic<br />"
      << QString::fromUtf8("Tel. +00 555 0100 200 \u2022 info@veltrano.example.com \u2022 VAT XX00123456789 "
                           "\u2022 IBAN XX00 VELT 0000 0000 0000 00 \u2022 BIC VELTXXFIXXX<br />")
      << "</span>"
      << "</body>"
      << "</html>";
    return l;
}

// The lines of a written document, checking that every one ends in CR LF and nothing else.
QStringList splitCrLf(const QByteArray& document) {
    if (!document.endsWith("\r\n"))
        return {QStringLiteral("<document does not end with CR LF>")};
    const QString text = QString::fromUtf8(document.chopped(2));
    if (text.count(u'\n') != text.count(QStringLiteral("\r\n")) || text.count(u'\r') != text.count(u'\n'))
        return {QStringLiteral("<bare CR or LF inside the document>")};
    return text.split(QStringLiteral("\r\n"));
}

} // namespace

class TestReportDocument : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void exampleDocumentLineByLine() {
        const QStringList actual = splitCrLf(ReportDocument(exampleValues()));
        const QStringList expected = expectedExampleLines();
        for (qsizetype i = 0; i < std::min(actual.size(), expected.size()); ++i)
            QCOMPARE(actual[i], expected[i]);
        QCOMPARE(actual.size(), expected.size());
    }

    void documentIsUtf8() {
        ReportValues v = exampleValues();
        v.serialNumber = QString::fromUtf8("Zählrohr-µ");
        const QByteArray document = ReportDocument(v);
        QVERIFY(document.contains("<td>Z\xc3\xa4hlrohr-\xc2\xb5</td></tr>"));
        QVERIFY(document.contains(" \xe2\x80\xa2 ")); // the footer's bullets
    }

    void headingFollowsVariantTitleDoesNot() {
        ReportValues v = exampleValues();
        v.isVR = true;
        const QStringList vr = ReportLines(v);
        v.isVR = false;
        const QStringList plain = ReportLines(v);
        QCOMPARE(vr.count(QStringLiteral("<title>Kivo Report</title>")), 1);
        QCOMPARE(plain.count(QStringLiteral("<title>Kivo Report</title>")), 1);
        QVERIFY(vr.contains(QStringLiteral("<center><h1>Kivo-VR Report</h1></center>")));
        QVERIFY(!vr.contains(QStringLiteral("<center><h1>Kivo Report</h1></center>")));
        QVERIFY(plain.contains(QStringLiteral("<center><h1>Kivo Report</h1></center>")));
        QCOMPARE(vr.size(), plain.size());
    }

    void identifiersAreEscaped() {
        ReportValues v = exampleValues();
        v.serialNumber = QStringLiteral("<script>alert('x')</script>");
        v.firmwareVersion = QStringLiteral("1.0 \"beta\" & <b>");
        v.productionDate = QStringLiteral("</td></tr></table><h1>");
        const QStringList lines = ReportLines(v);
        QVERIFY(
            lines.contains(QStringLiteral("      <td>&lt;script&gt;alert('x')&lt;/script&gt;</td></tr>")));
        QVERIFY(lines.contains(QStringLiteral("      <td>1.0 &quot;beta&quot; &amp; &lt;b&gt;</td></tr>")));
        QVERIFY(lines.contains(
            QStringLiteral("      <td>&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;&lt;h1&gt;</td></tr>")));
        QVERIFY(!lines.join(u'\n').contains(QStringLiteral("<script>")));
    }

    // Another report's images beside it: their names become escaped relative URLs.
    void imagesByOtherNames() {
        ReportValues v = exampleValues();
        v.logoImage = QStringLiteral("run 1-logo.png");
        v.spectrumImage = QStringLiteral("run \"1\"#-spectrum.png");
        const QStringList lines = ReportLines(v);
        QVERIFY(lines.contains(QStringLiteral("<img src=\"run%201-logo.png\" width=\"33%\"></img>")));
        QVERIFY(lines.contains(QStringLiteral("<center><img src=\"run%20%221%22%23-spectrum.png\" "
                                              "alt=\"Spectrum\" width=\"80%\" /></center>")));
    }

    void productionDate_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("long date, US") << us << "20190315"
                                       << "Friday, March 15, 2019";
        QTest::newRow("long date, German") << de << "20190315" << QString::fromUtf8("Freitag, 15. März 2019");
        QTest::newRow("leap day") << us << "20200229"
                                  << "Saturday, February 29, 2020";
        QTest::newRow("no such day") << us << "20190230"
                                     << "20190230";
        QTest::newRow("month 13") << us << "20191301"
                                  << "20191301";
        QTest::newRow("seven digits") << us << "2019031"
                                      << "2019031";
        QTest::newRow("separators") << us << "2019-03-15"
                                    << "2019-03-15";
        QTest::newRow("empty (not read)") << us << ""
                                          << "";
        QTest::newRow("markup") << us << "<i>1</i>"
                                << "&lt;i&gt;1&lt;/i&gt;";
        QTest::newRow("non-ASCII digits")
            << us << QString::fromUtf8("２０１９０３１５") << QString::fromUtf8("２０１９０３１５");
    }
    void productionDate() {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QLocale::setDefault(locale);
        QCOMPARE(FormatProductionDate(text), shown);
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "1000" << 1000.0;
        QTest::newRow("decimal") << "812.5" << 812.5;
        QTest::newRow("unit after") << "1250 V" << 1250.0;
        QTest::newRow("leading blanks") << "  \t 42" << 42.0;
        QTest::newRow("sign") << "-12.5" << -12.5;
        QTest::newRow("comma stops") << "1,5" << 1.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("exponent") << "12e2x" << 1200.0;
        QTest::newRow("bare e stops") << "12e" << 12.0;
        QTest::newRow("e without digits") << "12e+V" << 12.0;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("overflow") << "1e999" << 0.0;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(LeadingNumber(text), value);
    }

    void settingsFormats() {
        QCOMPARE(FormatCoarseGain(0), QStringLiteral("1"));
        QCOMPARE(FormatCoarseGain(3), QStringLiteral("8"));
        QCOMPARE(FormatCoarseGain(-1), QString()); // nothing selected
        QCOMPARE(FormatFineGain(0), QStringLiteral("1.000"));
        QCOMPARE(FormatFineGain(4095), QStringLiteral("2.000"));
        QCOMPARE(FormatLevelPercent(0, 2047), QStringLiteral("0.00"));
        QCOMPARE(FormatLevelPercent(4095, 2047), QStringLiteral("100.00")); // limited to the level range
        QCOMPARE(FormatLevelPercent(-5, 2047), QStringLiteral("0.00"));
        QCOMPARE(FormatLevelPercent(500, 999), QStringLiteral("50.05")); // not a 2^n - 1 level count
        QCOMPARE(FormatLevelPercent(2048, 4095), QStringLiteral("50.01"));
        QCOMPARE(FormatLevelPercent(100, 0), QStringLiteral("0.00")); // no level information
        QCOMPARE(FormatChannels(0), QStringLiteral("64"));
        QCOMPARE(FormatChannels(3), QStringLiteral("512"));
        QCOMPARE(FormatChannels(-1), QString());
        QCOMPARE(FormatSweeps(QStringLiteral("10")), QStringLiteral("10"));
        QCOMPARE(FormatSweeps(QStringLiteral("2.5x")), QStringLiteral("2.5"));
        QCOMPARE(FormatSweeps(QStringLiteral("20000")), QStringLiteral("20000")); // no group separator
        QCOMPARE(FormatSweeps(QString()), QStringLiteral("0"));
    }

    void otherLocaleDecimalSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QStringList lines = ReportLines(exampleValues());
        QVERIFY(lines.contains(QStringLiteral("        <td>1,500</td>")));
        QVERIFY(lines.contains(QStringLiteral("        <td>50,02%</td>")));
        QVERIFY(lines.contains(QStringLiteral("        <td>100,00%</td>")));
        QVERIFY(lines.contains(QStringLiteral("        <td>1000,0V</td>"))); // no "1.000,0"
        // The typed text is still read with "." as its decimal point.
        ReportValues v = exampleValues();
        v.highVoltageText = QStringLiteral("812.5");
        QVERIFY(ReportLines(v).contains(QStringLiteral("        <td>812,5V</td>")));
    }

    void highVoltageAsTyped() {
        // The box's text is reported whether or not it reached the device.
        ReportValues v = exampleValues();
        v.highVoltageText = QStringLiteral("1234.56 typed");
        QVERIFY(ReportLines(v).contains(QStringLiteral("        <td>1234.6V</td>")));
        v.highVoltageText = QStringLiteral("high");
        QVERIFY(ReportLines(v).contains(QStringLiteral("        <td>0.0V</td>")));
    }

    // With a measured spectrum the scan's rows tell what it holds, not what the boxes would scan next:
    // the sweeps made (and that it was stopped), when it ran, a simulated unit, what failed.
    void recordedScanRows_data() {
        QTest::addColumn<spectrum::ScanState>("state");
        QTest::addColumn<bool>("simulated");
        QTest::addColumn<QStringList>("failures");
        QTest::addColumn<QStringList>("rows"); // label and value cells, in order, after "Channels:"
        const QString measured = u"Friday, March 15, 2024, 10:20:30 to 10:25:02 UTC"_qs;
        QTest::newRow("complete") << spectrum::ScanState::Complete << false << QStringList()
                                  << QStringList{u"Sweeps:"_qs, u"10"_qs, u"Measured:"_qs, measured};
        QTest::newRow("stopped") << spectrum::ScanState::Aborted << false << QStringList()
                                 << QStringList{u"Sweeps:"_qs, u"3 of 10 (stopped)"_qs, u"Measured:"_qs, measured};
        QTest::newRow("simulated, failed")
            << spectrum::ScanState::Complete << true << QStringList{u"Failed to set LLD. (on 63 of 63 channels)"_qs}
            << QStringList{u"Sweeps:"_qs,
                           u"10"_qs,
                           u"Measured:"_qs,
                           measured,
                           u"Unit:"_qs,
                           u"Simulated detector, not real hardware"_qs,
                           u"Device failures:"_qs,
                           u"Failed to set LLD. (on 63 of 63 channels)<br /><b>The counts are not a trustworthy "
                           u"spectrum.</b>"_qs};
    }
    void recordedScanRows() {
        QFETCH(spectrum::ScanState, state);
        QFETCH(bool, simulated);
        QFETCH(QStringList, failures);
        QFETCH(QStringList, rows);
        ReportValues v = exampleValues();
        v.sweepsText = u"99"_qs; // typed after the scan: not what the spectrum holds
        v.channelsIndex = 0;
        spectrum::ScanRecord scan;
        scan.channels = 256;
        scan.sweepsRequested = 10;
        scan.sweepsCompleted = state == spectrum::ScanState::Complete ? 10 : 3;
        scan.state = state;
        scan.startTime = QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30), Qt::UTC);
        scan.endTime = QDateTime(QDate(2024, 3, 15), QTime(10, 25, 2), Qt::UTC);
        scan.simulatedUnit = simulated;
        scan.deviceFailures = failures;
        v.scan = scan;
        const QStringList lines = ReportLines(v);
        const qsizetype channels = lines.indexOf(u"        <td width=\"40%\">Channels:</td>"_qs);
        QVERIFY(channels > 0);
        QCOMPARE(lines[channels + 1], u"        <td>256</td>"_qs);
        QStringList shown;
        for (qsizetype i = channels + 3; lines[i].trimmed() == u"<tr>"_qs; i += 4)
            shown << lines[i + 1].trimmed().mid(4).chopped(5) << lines[i + 2].trimmed().mid(4).chopped(5);
        QCOMPARE(shown, rows);
    }

    // The peaks under the spectrum image, before the footer's spacing; escaped like every other text.
    void peakTableUnderTheSpectrum_data() {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QStringList>("shown"); // the lines between the image and the footer's spacing
        const QString note = u"FWHM with the channel windows' own width removed"_qs;
        const QString noteLine = u"<span style=\"font-size: 8pt;\">"_qs + note + u"</span><br />"_qs;
        QTest::newRow("two peaks")
            << QList<QStringList>{{u"1"_qs, u"2.71"_qs, u"8.10"_qs, u"812 \u00b1 40"_qs, u"near edge"_qs},
                                  {u"2"_qs, u"50.03"_qs, u"7.02"_qs, u"40211 \u00b1 310"_qs, u"<fit>"_qs}}
            << QStringList{u"<br />"_qs,
                           u"<h2>Peaks</h2>"_qs,
                           u"<table class=\"Settings\">"_qs,
                           u"      <tr><th align=\"left\">#</th><th align=\"left\">Centroid (%)</th>"
                           u"<th align=\"left\">FWHM (%)</th><th align=\"left\">Net counts</th>"
                           u"<th align=\"left\">Flags</th></tr>"_qs,
                           u"      <tr><td>1</td><td>2.71</td><td>8.10</td><td>812 \u00b1 40</td>"
                           u"<td>near edge</td></tr>"_qs,
                           u"      <tr><td>2</td><td>50.03</td><td>7.02</td><td>40211 \u00b1 310</td>"
                           u"<td>&lt;fit&gt;</td></tr>"_qs,
                           u"</table>"_qs,
                           noteLine};
        QTest::newRow("no peaks: the note alone")
            << QList<QStringList>{} << QStringList{u"<br />"_qs, u"<h2>Peaks</h2>"_qs, noteLine};
    }
    void peakTableUnderTheSpectrum() {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, shown);
        ReportValues v = exampleValues();
        v.peakTable = analysis::PeakTable{
            {u"#"_qs, u"Centroid (%)"_qs, u"FWHM (%)"_qs, u"Net counts"_qs, u"Flags"_qs}, rows,
            u"FWHM with the channel windows' own width removed"_qs};
        const QStringList lines = ReportLines(v);
        const qsizetype image = lines.indexOf(u"<center><img src=\"spect.png\" alt=\"Spectrum\" width=\"80%\" /></center>"_qs);
        QVERIFY(image > 0);
        QCOMPARE(lines.mid(image + 1, shown.size()), shown);
        QCOMPARE(lines.mid(image + 1 + shown.size(), 4),
                 (QStringList{u"<br />"_qs, u"<br />"_qs, u"<br />"_qs,
                              u"<hr style=\"border: 0; color: #8080ff; height: 1px\">"_qs}));
    }

    // A calibrated scan says how its energies were made, and whether its image's axis is in keV.
    void energyCalibrationRow_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("calibrated");
        QTest::addColumn<bool>("energyAxis");
        QTest::addColumn<QString>("shown"); // the row's value, or "" for no row
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("not calibrated") << us << false << false << QString();
        QTest::newRow("axis asked, nothing to show it with") << us << false << true << QString();
        QTest::newRow("calibrated, axis in percent")
            << us << true << false << u"0.3231 keV per level, offset 1.50 keV"_qs;
        QTest::newRow("calibrated, axis in keV")
            << us << true << true << u"0.3231 keV per level, offset 1.50 keV; the spectrum's axis is in keV"_qs;
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << true << false
                                << u"0,3231 keV per level, offset 1,50 keV"_qs;
    }
    void energyCalibrationRow() {
        QFETCH(QLocale, locale);
        QFETCH(bool, calibrated);
        QFETCH(bool, energyAxis);
        QFETCH(QString, shown);
        QLocale::setDefault(locale);
        ReportValues v = exampleValues();
        spectrum::ScanRecord scan;
        scan.channels = 128;
        if (calibrated)
            scan.energyCalibration = spectrum::EnergyCalibration{1.5, 0.32305};
        v.scan = scan;
        v.energyAxis = energyAxis;
        QCOMPARE(v.showsEnergyAxis(), calibrated && energyAxis);
        const QStringList lines = ReportLines(v);
        const qsizetype row = lines.indexOf(u"        <td>Energy calibration:</td>"_qs);
        QCOMPARE(row > 0, !shown.isEmpty());
        if (row > 0)
            QCOMPARE(lines[row + 1], u"        <td>"_qs + shown + u"</td>"_qs);
    }

    void styleSheetIntoNothing() {
        WriteStyleSheet(nullptr); // no target: nothing to write, nothing happens
        QStringList lines{QStringLiteral("before")};
        WriteStyleSheet(&lines);
        QCOMPARE(lines.size(), 1 + qsizetype(std::size(kStyleBlock)));
        QCOMPARE(lines.first(), QStringLiteral("before"));
        QCOMPARE(lines.last(), QStringLiteral("</style>"));
    }

    void writeReplacesTheFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("print.html"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x')); // longer than the report: nothing of it may remain
        old.close();
        QString error;
        QVERIFY(WriteReport(path, exampleValues(), &error));
        QVERIFY(error.isEmpty());
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), ReportDocument(exampleValues()));
    }

    void writeFailureIsReported() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString error;
        QVERIFY(!WriteReport(dir.filePath(QStringLiteral("missing/print.html")), exampleValues(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing/print.html"))));
    }
};

QTEST_GUILESS_MAIN(TestReportDocument)
#include "tst_report_document.moc"
