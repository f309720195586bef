#include "Conversions.h"

#include <QLocale>
#include <QStringList>

#include <cfenv>
#include <cmath>
#include <limits>

namespace conv {

QString plainNumber(double value, int decimals) {
    QString text = QLocale::c().toString(value, 'f', decimals);
    if (decimals > 0)
        text.replace(text.lastIndexOf(u'.'), 1, QLocale().decimalPoint());
    return text;
}

QString plainNumber(qint64 value) {
    return QString::number(value);
}

bool isVariantVR(const QString& productName) {
    return productName.startsWith(u"Kivo*") || productName.startsWith(u"Kivo/VR") ||
           productName.startsWith(u"Kivo-VR");
}

qint32 leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > std::numeric_limits<qint32>::max()) {
            value = std::numeric_limits<qint32>::max();
            break;
        }
    }
    return static_cast<qint32>(negative ? -value : value);
}

std::optional<FirmwareFeatures> firmwareFeatures(const QString& version) {
    const QStringList parts = version.split(u'.');
    if (parts.size() != 3)
        return std::nullopt;
    const qint32 a = leadingNumber(parts[0]);
    const qint32 b = leadingNumber(parts[1]);
    const qint32 c = leadingNumber(parts[2]);
    FirmwareFeatures f;
    f.extRanges = (a >= 1 && b >= 2) || a >= 2;
    f.ttlDuration = a >= 2 && c > 0;
    return f;
}

qint32 maxLevelFromCount(bool readOk, qint32 levelCount) {
    if (!readOk || levelCount <= 1)
        return DEFAULT_MAX_LEVEL;
    return levelCount - 1;
}

float TextToSingle(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    float value = QLocale().toFloat(trimmed, &ok);
    if (!ok) {
        // A locale with its own digits may not read back the ASCII digits the window writes.
        QString plain = trimmed;
        plain.replace(QLocale().decimalPoint(), QStringLiteral("."));
        value = QLocale::c().toFloat(plain, &ok);
    }
    return ok && std::isfinite(value) ? value : 0.0f;
}

std::optional<qint32> voltsToCount(float volts) {
    const double exact = static_cast<double>(volts) * 4095.0 / 1500.0;
    // The default floating-point environment rounds to nearest, ties to even; make sure of it.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(exact);
    std::fesetround(previous);
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max()))
        return std::nullopt; // also refuses NaN
    return static_cast<qint32>(rounded);
}

double countToVolts(qint32 count) {
    return static_cast<double>(count) * 1500.0 / 4095.0;
}

QString countToVoltsText(qint32 count) {
    return plainNumber(countToVolts(count), 1);
}

double fineFactor(qint32 fine) {
    return 1.0 + static_cast<double>(fine) / 4095.0;
}

qint32 fineFromFactor(double factor) {
    return qBound(0, qint32(std::lround((factor - 1.0) * 4095.0)), 4095);
}

QString fineGainText(qint32 fine) {
    return u'x' + plainNumber(fineFactor(fine), 4);
}

QString levelPercentText(qint32 level, qint32 maxLevel) {
    if (maxLevel < 1)
        maxLevel = DEFAULT_MAX_LEVEL;
    const qint32 shown = qBound(0, level, maxLevel);
    const double percent = static_cast<double>(static_cast<qint64>(shown) * 100) / maxLevel;
    return plainNumber(percent, 2) + u'%';
}

QDate productionDate(const QString& raw) {
    return QDate(leadingNumber(raw.mid(0, 4)), leadingNumber(raw.mid(4, 2)), leadingNumber(raw.mid(6, 2)));
}

QString cpsText(qint32 cps) {
    return plainNumber(qint64(cps)) + QStringLiteral(" CPS");
}

} // namespace conv
