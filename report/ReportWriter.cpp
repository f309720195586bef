#include "ReportWriter.h"

#include "AtomicFile.h"
#include "ReportFormat.h"
#include "ReportMaker.h"

#include <QUrl>

namespace report {

namespace {

QString indent(int n, const QString& text) {
    return QString(n, u' ') + text;
}

// One table row with a label cell and a value cell, each on its own line.
void addRow(QStringList& lines, const QString& labelCell, const QString& value) {
    lines << indent(6, QStringLiteral("<tr>")) << indent(8, labelCell)
          << indent(8, QStringLiteral("<td>") + value + QStringLiteral("</td>"))
          << indent(6, QStringLiteral("</tr>"));
}

// The peaks under the spectrum: one line per row, the note below in small print.
void addPeakTable(QStringList& lines, const analysis::PeakTable& table) {
    const auto row = [](const QStringList& cells, const QString& open, const QString& close) {
        QString line = QStringLiteral("<tr>");
        for (const QString& cell : cells)
            line += open + cell.toHtmlEscaped() + close;
        return indent(6, line + QStringLiteral("</tr>"));
    };
    lines << QStringLiteral("<br />") << QStringLiteral("<h2>Peaks</h2>");
    if (!table.rows.isEmpty()) {
        lines << QStringLiteral("<table class=\"Settings\">")
              << row(table.headers, QStringLiteral("<th align=\"left\">"), QStringLiteral("</th>"));
        for (const QStringList& cells : table.rows)
            lines << row(cells, QStringLiteral("<td>"), QStringLiteral("</td>"));
        lines << QStringLiteral("</table>");
    }
    lines << QStringLiteral("<span style=\"font-size: 8pt;\">") + table.note.toHtmlEscaped() +
                 QStringLiteral("</span><br />");
}

QString contactLine() {
    QStringList parts;
    for (const char16_t* part : maker::kContacts)
        parts << QString::fromUtf16(part);
    return parts.join(QStringLiteral(" \u2022 ")) + QStringLiteral("<br />");
}

} // namespace

void WriteStyleSheet(QStringList* lines) {
    if (!lines)
        return;
    static const char* const tableProperties[] = {
        "  font-size: 10pt;",     "  font-weight: normal;", "  border-collapse: collapse;",
        "  background: #FFFFFF;", "  text-align: left;",    "  valign: center;",
        "  padding: 10;",         "  width: 100%;",
    };
    QStringList& l = *lines;
    l << QStringLiteral("<style type=\"text/css\">");
    l << QStringLiteral("body {") << QStringLiteral("  color: #000;") << QStringLiteral("  padding: 0;")
      << QStringLiteral("  margin-left: 1em;") << QStringLiteral("  margin-right: 1em;")
      << QStringLiteral("  font: 10pt calibri, tahoma, arial, sans-serif;")
      << QStringLiteral("  font-weight: normal;") << QStringLiteral("}");
    l << QStringLiteral("img {") << QStringLiteral("  border: 0;") << QStringLiteral("}");
    l << QStringLiteral("h1 {") << QStringLiteral("  background: #8080FF;")
      << QStringLiteral("  color: white;") << QStringLiteral("  width: 100%;")
      << QStringLiteral("  font-size: 20pt;") << QStringLiteral("  font-weight: bold;")
      << QStringLiteral("}");
    l << QStringLiteral("h2 {") << QStringLiteral("  color: #15046A;")
      << QStringLiteral("  text-align: left;") << QStringLiteral("  margin-left: 0em;")
      << QStringLiteral("  padding: 0 0;") << QStringLiteral("  width: 100%;")
      << QStringLiteral("  border-bottom: 1px solid black;") << QStringLiteral("  font-size: 12pt;")
      << QStringLiteral("  font-weight: bold;") << QStringLiteral("}");
    l << QStringLiteral("h3 {") << QStringLiteral("  color: #8080ff;") << QStringLiteral("  padding: 0 0;")
      << QStringLiteral("  margin: 0 0;") << QStringLiteral("  font-size: 10pt;") << QStringLiteral("}");
    for (const char* table : {"table.CommonTab {", "table.Settings {"}) {
        l << QString::fromLatin1(table);
        for (const char* property : tableProperties)
            l << QString::fromLatin1(property);
        l << QStringLiteral("}");
    }
    l << QStringLiteral("div.hr {") << QStringLiteral("  border: 0;")
      << QStringLiteral("  background: #8080ff;") << QStringLiteral("  height: 1px;") << QStringLiteral("}");
    l << QStringLiteral("</style>");
}

namespace {
// An image beside the document as a relative URL: any character a URL reserves is escaped.
QString imageUrl(const QString& fileName) {
    return QString::fromLatin1(QUrl::toPercentEncoding(fileName));
}
} // namespace

QStringList ReportLines(const ReportValues& v) {
    QStringList l;
    l << QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">")
      << QStringLiteral("<html>") << QStringLiteral("<head>")
      << QStringLiteral("<title>Kivo Report</title>")
      // The document carries non-ASCII text (the footer's bullets, month names); say how it is encoded.
      << QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
    WriteStyleSheet(&l);
    l << QStringLiteral("</head>") << QString() << QStringLiteral("<body>")
      << QStringLiteral("<img src=\"") + imageUrl(v.logoImage) + QStringLiteral("\" width=\"33%\"></img>")
      << QStringLiteral("<h3>") + QString::fromUtf16(maker::kTagline) + QStringLiteral("</h3>")
      << (v.isVR ? QStringLiteral("<center><h1>Kivo-VR Report</h1></center>")
                 : QStringLiteral("<center><h1>Kivo Report</h1></center>"))
      << QStringLiteral("<br />") << QStringLiteral("<h2>Device Identifiers</h2>")
      << QStringLiteral("<table class=\"CommonTab\">")
      << indent(6, QStringLiteral("<tr><td width=\"40%\">Serial Number:</td>"))
      << indent(6, QStringLiteral("<td>") + v.serialNumber.toHtmlEscaped() + QStringLiteral("</td></tr>"))
      << indent(6, QStringLiteral("<tr><td>Firmware Version:</td>"))
      << indent(6, QStringLiteral("<td>") + v.firmwareVersion.toHtmlEscaped() + QStringLiteral("</td></tr>"))
      << indent(6, QStringLiteral("<tr><td>Production date:</td>"))
      << indent(6, QStringLiteral("<td>") + FormatProductionDate(v.productionDate) +
                       QStringLiteral("</td></tr>"))
      << QStringLiteral("</table>") << QStringLiteral("<br />") << QStringLiteral("<h2>SCA Settings</h2>")
      << QStringLiteral("<table class=\"Settings\">");
    addRow(l, QStringLiteral("<td width=\"40%\">Coarse gain:</td>"), FormatCoarseGain(v.coarseGainIndex));
    addRow(l, QStringLiteral("<td>Fine gain:</td>"), FormatFineGain(v.fineGainPosition));
    addRow(l, QStringLiteral("<td>LLD:</td>"), FormatLevelPercent(v.lldPosition, v.maxLevel) + u'%');
    addRow(l, QStringLiteral("<td>ULD:</td>"), FormatLevelPercent(v.uldPosition, v.maxLevel) + u'%');
    addRow(l, QStringLiteral("<td>High Voltage:</td>"), FormatHighVoltage(v.highVoltageText) + u'V');
    l << QStringLiteral("</table>") << QStringLiteral("<br />")
      << QStringLiteral("<h2>Pseudo-PHA Spectrum</h2>") << QStringLiteral("<table class=\"Settings\">");
    if (v.scan) {
        // The spectrum as it was measured, not what the boxes would scan next.
        const spectrum::ScanRecord& scan = *v.scan;
        addRow(l, QStringLiteral("<td width=\"40%\">Channels:</td>"), FormatInteger(scan.channels));
        addRow(l, QStringLiteral("<td>Sweeps:</td>"), FormatScanSweeps(scan));
        if (const QString time = FormatScanTime(scan); !time.isEmpty())
            addRow(l, QStringLiteral("<td>Measured:</td>"), time);
        if (scan.simulatedUnit)
            addRow(l, QStringLiteral("<td>Unit:</td>"), QStringLiteral("Simulated detector, not real hardware"));
        if (!scan.trustworthy()) {
            QStringList failures;
            for (const QString& f : scan.deviceFailures)
                failures << f.toHtmlEscaped();
            failures << QStringLiteral("<b>The counts are not a trustworthy spectrum.</b>");
            addRow(l, QStringLiteral("<td>Device failures:</td>"), failures.join(QStringLiteral("<br />")));
        }
        if (scan.energyCalibration) {
            QString calibration = FormatEnergyCalibration(*scan.energyCalibration);
            if (v.showsEnergyAxis())
                calibration += QStringLiteral("; the spectrum's axis is in keV");
            addRow(l, QStringLiteral("<td>Energy calibration:</td>"), calibration);
        }
    } else {
        addRow(l, QStringLiteral("<td width=\"40%\">Channels:</td>"), FormatChannels(v.channelsIndex));
        addRow(l, QStringLiteral("<td>Sweeps:</td>"), FormatSweeps(v.sweepsText));
    }
    l << QStringLiteral("</table>") << QStringLiteral("<br />")
      << QStringLiteral("<center><img src=\"") + imageUrl(v.spectrumImage) +
             QStringLiteral("\" alt=\"Spectrum\" width=\"80%\" /></center>");
    if (v.peakTable)
        addPeakTable(l, *v.peakTable);
    l << QStringLiteral("<br />") << QStringLiteral("<br />") << QStringLiteral("<br />")
      << QStringLiteral("<hr style=\"border: 0; color: #8080ff; height: 1px\">")
      << QStringLiteral("<span style=\"color: #8080ff; font-size: 10pt; font-weight: bold\">") +
             QString::fromUtf16(maker::kName) + QStringLiteral("</span><br />")
      << QStringLiteral("<span style=\"color: #404040; font-size: 8pt;\">") +
             QString::fromUtf16(maker::kPostalAddress) + QStringLiteral("<br />")
      << contactLine() << QStringLiteral("</span>") << QStringLiteral("</body>") << QStringLiteral("</html>");
    return l;
}

QByteArray ReportDocument(const ReportValues& values) {
    QByteArray out;
    for (const QString& line : ReportLines(values)) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

bool WriteReport(const QString& filePath, const ReportValues& values, QString* error) {
    // Written aside and renamed into place, so a failed write never leaves half a report behind.
    const QString reason = spectrum::writeAtomically(filePath, ReportDocument(values));
    if (error)
        *error = reason;
    return reason.isEmpty();
}

} // namespace report
