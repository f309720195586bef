#include "CsvFormat.h"

#include "FormatSupport.h"

#include <QRegularExpression>

#include <algorithm>

namespace spectrum::detail {

namespace {

const QString kEol = QStringLiteral("\r\n");
const QStringList kHeader = {QStringLiteral("Channel"),   QStringLiteral("LLD level"),
                             QStringLiteral("ULD level"), QStringLiteral("LLD %"),
                             QStringLiteral("ULD %"),     QStringLiteral("Counts")};

// A level in percent of the highest level, as the main window shows it.
QString percent(qint32 level, qint32 levelCount) {
    if (levelCount < 2)
        return {};
    return QString::number(double(level) * 100.0 / double(levelCount - 1), 'f', 2);
}

// Where the columns of a spectrum table are; -1 when the table has no such column.
struct Columns {
    qsizetype counts = -1;
    qsizetype lld = -1;
    qsizetype uld = -1;
    qsizetype needed() const { return std::max({counts, lld, uld}) + 1; }
};

bool isNumber(QStringView field) {
    bool ok = false;
    field.toString().toDouble(&ok);
    return ok;
}

QList<QStringView> splitRow(QStringView line, QChar delimiter) {
    QList<QStringView> fields =
        delimiter == u' ' ? line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)
                          : line.split(delimiter);
    for (QStringView& f : fields) {
        f = f.trimmed();
        if (f.size() >= 2 && f.startsWith(u'"') && f.endsWith(u'"'))
            f = f.mid(1, f.size() - 2).trimmed();
    }
    return fields;
}

QChar delimiterOf(QStringView line) {
    for (const QChar c : {QChar(u'\t'), QChar(u';'), QChar(u',')})
        if (line.contains(c))
            return c;
    return u' ';
}

Columns columnsFromHeader(const QList<QStringView>& header) {
    static const QRegularExpression counts(QStringLiteral("^(counts?|cnts|data|values?|intensity|y)$|count"),
                                           QRegularExpression::CaseInsensitiveOption);
    Columns c;
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString name = header[i].toString().simplified();
        if (c.counts < 0 && counts.match(name).hasMatch())
            c.counts = i;
        else if (name.compare(u"LLD level", Qt::CaseInsensitive) == 0)
            c.lld = i;
        else if (name.compare(u"ULD level", Qt::CaseInsensitive) == 0)
            c.uld = i;
    }
    if (c.counts < 0)
        c.counts = header.size() - 1;
    return c;
}

Columns columnsFromRow(qsizetype fieldCount) {
    Columns c;
    c.counts = fieldCount == 2 ? 1 : fieldCount - 1;
    if (fieldCount == kHeader.size()) {
        c.lld = 1;
        c.uld = 2;
    }
    return c;
}

} // namespace

QByteArray writeCsv(const ScanRecord& r) {
    QString out;
    for (const QString& line : metadataLines(r, false))
        out += QStringLiteral("# ") + line + kEol;
    out += kHeader.join(u',') + kEol;
    const bool levels = r.levels.size() == r.counts.size();
    for (qsizetype i = 0; i < r.counts.size(); ++i) {
        QStringList row{QString::number(i)};
        if (levels) {
            const LevelWindow& w = r.levels[i];
            row << QString::number(w.lld) << QString::number(w.uld) << percent(w.lld, r.levelCount)
                << percent(w.uld, r.levelCount);
        } else {
            row << QString() << QString() << QString() << QString();
        }
        row << QString::number(r.counts[i]);
        out += row.join(u',') + kEol;
    }
    return out.toUtf8();
}

QString readCsv(const QString& text, ScanRecord& out) {
    ScanRecord r;
    QChar delimiter;
    Columns columns;
    bool haveColumns = false;
    bool levelsUsable = true;
    QList<LevelWindow> levels;
    const QList<QStringView> lines = splitLines(text);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QStringView line = lines[n].trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'#')) {
            const QStringView comment = line.mid(1).trimmed();
            if (!comment.isEmpty() && !applyMetadataLine(r, comment))
                r.remarks << comment.toString();
            continue;
        }
        if (!haveColumns) {
            delimiter = delimiterOf(line);
            const QList<QStringView> fields = splitRow(line, delimiter);
            haveColumns = true;
            if (!std::all_of(fields.begin(), fields.end(), isNumber)) {
                columns = columnsFromHeader(fields);
                continue;
            }
            columns = columnsFromRow(fields.size());
        }
        QList<QStringView> fields = splitRow(line, delimiter);
        if (fields.size() < columns.needed()) {
            if (n == lines.size() - 1 && !fields.isEmpty() && isNumber(fields.first()))
                return truncated(QStringLiteral("the last row has %1 of %2 fields")
                                     .arg(fields.size())
                                     .arg(columns.needed()));
            return notASpectrum(QStringLiteral("line %1 has %2 fields where %3 are needed")
                                    .arg(n + 1)
                                    .arg(fields.size())
                                    .arg(columns.needed()));
        }
        if (r.counts.size() >= MAX_CHANNELS)
            return tooManyChannels(r.counts.size() + 1);
        QString count = fields[columns.counts].toString();
        if (delimiter != u',')
            count.replace(u',', u'.'); // a decimal comma
        const CountValue v = parseCount(count, r.counts.size());
        if (!v.problem.isEmpty())
            return v.problem;
        r.counts << v.value;
        if (columns.lld >= 0 && columns.uld >= 0 && levelsUsable) {
            bool lldOk = false, uldOk = false;
            const LevelWindow w{fields[columns.lld].toInt(&lldOk), fields[columns.uld].toInt(&uldOk)};
            levelsUsable = lldOk && uldOk;
            levels << w;
        }
    }
    if (r.counts.isEmpty())
        return notASpectrum(QStringLiteral("it holds no rows of channel data"));
    if (columns.lld >= 0 && columns.uld >= 0 && levelsUsable)
        r.levels = levels;
    if (const QString problem = reconcile(r); !problem.isEmpty())
        return problem;
    out = r;
    return {};
}

} // namespace spectrum::detail
