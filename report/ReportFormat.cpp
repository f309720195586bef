#include "ReportFormat.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace report {

namespace {

QLocale plainLocale() {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Lists hold at most a handful of entries; larger indices are no selection the report can show.
constexpr int kMaxListIndex = 16;

} // namespace

double LeadingNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QByteArray number;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        number += char(text[i++].unicode());
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        number += char(text[i++].unicode());
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        number += '.';
        ++i;
        while (i < n && isDigit(text[i])) {
            number += char(text[i++].unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    // An exponent counts only when at least one digit follows it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        QByteArray exponent = "e";
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            exponent += char(text[j++].unicode());
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                exponent += char(text[j++].unicode());
            number += exponent;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

QString FormatCoarseGain(int index) {
    if (index < 0 || index > kMaxListIndex)
        return QString();
    return plainLocale().toString(qint64(1) << index);
}

QString FormatFineGain(int position) {
    const float gain = float(position) / 4095.0f + 1.0f;
    return plainLocale().toString(double(gain), 'f', 3);
}

QString FormatLevelPercent(int position, qint32 maxLevel) {
    // The same percentage the main window's labels show. Masking the level with maxLevel only
    // equals it for 2^n - 1 levels and would print nonsense for devices with any other level count.
    float percent = 0.0f;
    if (maxLevel > 0)
        percent = float(qBound(0, position, maxLevel)) / float(maxLevel) * 100.0f;
    return plainLocale().toString(double(percent), 'f', 2);
}

QString FormatHighVoltage(const QString& text) {
    return plainLocale().toString(LeadingNumber(text), 'f', 1);
}

QString FormatChannels(int index) {
    if (index < 0 || index > kMaxListIndex)
        return QString();
    return plainLocale().toString(qint64(64) << index);
}

QString FormatSweeps(const QString& text) {
    return plainLocale().toString(LeadingNumber(text), 'f', QLocale::FloatingPointShortest);
}

QString FormatProductionDate(const QString& text) {
    if (text.size() == 8 && std::all_of(text.begin(), text.end(), isDigit)) {
        const QDate date(text.left(4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
        if (date.isValid())
            return QLocale().toString(date, QLocale::LongFormat).toHtmlEscaped();
    }
    return text.toHtmlEscaped();
}

QString FormatInteger(qint64 n) {
    return plainLocale().toString(n);
}

QString FormatScanSweeps(const spectrum::ScanRecord& scan) {
    const auto count = [](qint32 n) { return FormatInteger(n); };
    switch (scan.state) {
    case spectrum::ScanState::Complete:
        return count(scan.sweepsCompleted);
    case spectrum::ScanState::Aborted:
        return QStringLiteral("%1 of %2 (stopped)").arg(count(scan.sweepsCompleted), count(scan.sweepsRequested));
    case spectrum::ScanState::Running:
        return QStringLiteral("%1 of %2 (running)").arg(count(scan.sweepsCompleted), count(scan.sweepsRequested));
    }
    return {};
}

QString FormatScanTime(const spectrum::ScanRecord& scan) {
    if (!scan.startTime.isValid())
        return {};
    const QLocale locale;
    const QDateTime start = scan.startTime.toUTC();
    QString text = locale.toString(start.date(), QLocale::LongFormat) + QStringLiteral(", ") +
                   start.time().toString(u"HH:mm:ss");
    if (scan.endTime.isValid()) {
        const QDateTime end = scan.endTime.toUTC();
        text += QStringLiteral(" to ");
        if (end.date() != start.date())
            text += locale.toString(end.date(), QLocale::LongFormat) + QStringLiteral(", ");
        text += end.time().toString(u"HH:mm:ss");
    }
    return (text + QStringLiteral(" UTC")).toHtmlEscaped();
}

QString FormatEnergyCalibration(const spectrum::EnergyCalibration& calibration) {
    const QLocale locale = plainLocale();
    return QStringLiteral("%1 keV per level, offset %2 keV")
        .arg(locale.toString(calibration.slopeKeVPerLevel, 'f', 4),
             locale.toString(calibration.offsetKeV, 'f', 2));
}

} // namespace report
