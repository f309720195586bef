#include "ScanTexts.h"

#include "ReportFormat.h"
#include "ScanChannels.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace scan {

std::optional<qint32> leadingInteger(const QString& text) {
    static const QRegularExpression startsWithNumber(QStringLiteral("^[ \\t]*[+-]?(\\d|\\.\\d)"));
    if (!startsWithNumber.match(text).hasMatch())
        return std::nullopt;
    return roundHalfEven(report::LeadingNumber(text));
}

qint16 sweepsFromText(const QString& text) {
    const qint32 count = leadingInteger(text).value_or(0);
    if (count < std::numeric_limits<qint16>::min() || count > std::numeric_limits<qint16>::max())
        return qint16(std::clamp<qint32>(count, MIN_SWEEPS, MAX_SWEEPS));
    return qint16(count);
}

} // namespace scan
