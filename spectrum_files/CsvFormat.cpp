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
const QString kEnergyHeader = QStringLiteral("Energy (keV)");

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
    qsizetype energy = -1;
    double energyToKeV = 1;
    bool energyGuessed = false; // taken for energies by its position only
    qsizetype needed() const { return std::max({counts, lld, uld, energy}) + 1; }
};

// Digits with the signs, separators and exponent numbers are written with; a header has other words.
bool looksNumeric(const QString& field) {
    static const QRegularExpression re(
        QStringLiteral("^[+-]?(\\d|[.,]\\d)[\\d.,' \\x{00A0}\\x{202F}]*([eE][+-]?\\d+)?$"));
    return re.match(field).hasMatch();
}

// One row's fields. Quoted fields may hold the delimiter, and a doubled quote stands for a quote.
QStringList splitRow(QStringView line, QChar delimiter) {
    QStringList fields{QString()};
    bool quoted = false;
    bool pending = false; // a blank ended a field of a blank-separated row
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == u'"')
                fields.last() += line[++i];
            else
                quoted = !quoted;
        } else if (!quoted && (delimiter == u' ' ? c.isSpace() : c == delimiter)) {
            pending = delimiter == u' ';
            if (!pending)
                fields << QString();
        } else {
            if (pending && !fields.last().isEmpty())
                fields << QString();
            pending = false;
            fields.last() += c;
        }
    }
    for (QString& f : fields)
        f = f.trimmed();
    return fields;
}

QChar delimiterOf(QStringView line) {
    for (const QChar d : {QChar(u'\t'), QChar(u';'), QChar(u',')}) {
        bool quoted = false;
        for (const QChar c : line) {
            if (c == u'"')
                quoted = !quoted;
            else if (c == d && !quoted)
                return d;
        }
    }
    return u' ';
}

Columns columnsFromHeader(const QStringList& header) {
    static const QRegularExpression counts(QStringLiteral("^(counts?|cnts|data|values?|intensity|y)$|count"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression energy(QStringLiteral("energ|^e$|^e ?\\(|^[mk]?ev$"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression unit(QStringLiteral("\\(\\s*(\\w+)\\s*\\)|^([mk]?ev)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    Columns c;
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString name = header[i].simplified();
        if (c.counts < 0 && counts.match(name).hasMatch())
            c.counts = i;
        else if (name.compare(u"LLD level", Qt::CaseInsensitive) == 0)
            c.lld = i;
        else if (name.compare(u"ULD level", Qt::CaseInsensitive) == 0)
            c.uld = i;
        else if (c.energy < 0 && energy.match(name).hasMatch()) {
            c.energy = i;
            const QRegularExpressionMatch m = unit.match(name);
            c.energyToKeV = m.hasMatch() ? unitToKeV(m.captured(1) + m.captured(2)) : 1;
        }
    }
    if (c.counts < 0)
        c.counts = header.size() - 1;
    if (c.energy == c.counts || c.energyToKeV == 0)
        c.energy = -1;
    return c;
}

// Without a header: the counts are last; two columns are channel and counts, three are channel,
// energy and counts as other programs write them; six or seven are this program's own layout.
Columns columnsFromRow(qsizetype fieldCount) {
    Columns c;
    c.counts = fieldCount - 1;
    if (fieldCount == 3) {
        c.energy = 1;
        c.energyGuessed = true;
    } else if (fieldCount == kHeader.size() || fieldCount == kHeader.size() + 1) {
        c.lld = 1;
        c.uld = 2;
        if (fieldCount > kHeader.size())
            c.energy = 5;
    }
    return c;
}

// Which of ',' and '.' the file uses as its decimal separator (the other one, and blanks, group
// thousands); a null QChar when nothing in the file tells. A comma-separated file has decimal points.
// Otherwise the numbers tell: a separator with other than three digits after it, with more than three
// digits or a lone 0 before it, or after the other separator, is a decimal one; one that occurs twice
// in a number groups. Without such a number a ';'-separated file has decimal commas, as the programs
// that write ';' do because their decimal separator is the comma.
QChar decimalSeparatorOf(QChar delimiter, const QList<QStringList>& rows) {
    if (delimiter == u',')
        return u'.';
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d*)([.,])(\\d*)$"));
    bool comma = false, point = false;
    for (const QStringList& row : rows)
        for (const QString& field : row) {
            const qsizetype commas = field.count(u','), points = field.count(u'.');
            if (commas > 0 && points > 0) {
                (field.lastIndexOf(u',') > field.lastIndexOf(u'.') ? comma : point) = true;
            } else if (commas > 1 || points > 1) {
                (commas > 1 ? point : comma) = true;
            } else if (const QRegularExpressionMatch m = number.match(field); m.hasMatch()) {
                const QString before = m.captured(1);
                if (m.capturedLength(3) != 3 || before.size() > 3 || before == u"0" || before.isEmpty())
                    (m.captured(2) == u"," ? comma : point) = true;
            }
        }
    if (comma != point)
        return comma ? u',' : u'.';
    return delimiter == u';' ? u',' : QChar();
}

// A field as the C locale writes the number: blanks and the grouping separator between groups of
// three digits removed, the decimal separator a point. `ambiguous` when the file does not tell
// whether a single ',' or '.' before three digits groups or separates decimals.
QString plainNumber(const QString& field, QChar decimal, bool& ambiguous) {
    static const QRegularExpression blanks(QStringLiteral("^[+-]?\\d{1,3}([' \\x{00A0}\\x{202F}]\\d{3})+([.,]\\d*)?$"));
    static const QRegularExpression single(QStringLiteral("^[+-]?[1-9]\\d{0,2}[.,]\\d{3}$"));
    ambiguous = false;
    QString s = field;
    if (blanks.match(s).hasMatch())
        s.remove(QRegularExpression(QStringLiteral("[' \\x{00A0}\\x{202F}]")));
    if (decimal.isNull()) {
        if (s.contains(u',') && s.contains(u'.'))
            decimal = s.lastIndexOf(u',') > s.lastIndexOf(u'.') ? u',' : u'.';
        else if (s.count(u',') > 1)
            decimal = u'.';
        else if (s.count(u'.') > 1)
            decimal = u',';
        else if (single.match(s).hasMatch()) {
            ambiguous = true;
            return {};
        } else
            decimal = s.contains(u',') ? u',' : u'.';
    }
    const QChar grouping = decimal == u',' ? u'.' : u',';
    if (s.contains(grouping)) {
        const QString g = QRegularExpression::escape(QString(grouping));
        const QString d = QRegularExpression::escape(QString(decimal));
        const QRegularExpression grouped(QStringLiteral("^[+-]?\\d{1,3}(%1\\d{3})+(%2\\d*)?$").arg(g, d));
        if (!grouped.match(s).hasMatch())
            return field; // not a number: the caller says so with the field as it is
        s.remove(grouping);
    }
    return s.replace(decimal, u'.');
}

} // namespace

QByteArray writeCsv(const ScanRecord& r) {
    QString out;
    for (const QString& line : metadataLines(r, false))
        out += QStringLiteral("# ") + line + kEol;
    QStringList header = kHeader;
    if (r.energyCalibration)
        header.insert(header.size() - 1, kEnergyHeader);
    out += header.join(u',') + kEol;
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
        if (r.energyCalibration)
            row << number(r.energyCalibration->energyOfLevel(pointLevel(r, i)));
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
    QList<QStringList> rows;
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
            const QStringList fields = splitRow(line, delimiter);
            haveColumns = true;
            if (!std::all_of(fields.begin(), fields.end(), looksNumeric)) {
                columns = columnsFromHeader(fields);
                continue;
            }
            columns = columnsFromRow(fields.size());
        }
        const QStringList fields = splitRow(line, delimiter);
        if (fields.size() < columns.needed()) {
            if (n == lines.size() - 1 && !fields.isEmpty() && looksNumeric(fields.first()))
                return truncated(QStringLiteral("the last row has %1 of %2 fields")
                                     .arg(fields.size())
                                     .arg(columns.needed()));
            return notASpectrum(QStringLiteral("line %1 has %2 fields where %3 are needed")
                                    .arg(n + 1)
                                    .arg(fields.size())
                                    .arg(columns.needed()));
        }
        if (rows.size() >= MAX_CHANNELS)
            return tooManyChannels(rows.size() + 1);
        rows << fields;
    }
    if (rows.isEmpty())
        return notASpectrum(QStringLiteral("it holds no rows of channel data"));

    const QChar decimal = decimalSeparatorOf(delimiter, rows);
    QList<LevelWindow> levels;
    bool levelsUsable = columns.lld >= 0 && columns.uld >= 0;
    QList<double> energies;
    bool energyUsable = columns.energy >= 0;
    for (const QStringList& fields : rows) {
        const qsizetype channel = r.counts.size();
        bool ambiguous = false;
        const QString count = plainNumber(fields[columns.counts], decimal, ambiguous);
        if (ambiguous)
            return QStringLiteral("channel %1 holds \"%2\", and the file does not show whether \"%3\" separates "
                                  "thousands or decimals")
                .arg(channel)
                .arg(fields[columns.counts], fields[columns.counts].contains(u',') ? u","_qs : u"."_qs);
        const CountValue v = parseCount(count, channel, fields[columns.counts]);
        if (!v.problem.isEmpty())
            return v.problem;
        r.counts << v.value;
        if (levelsUsable) {
            bool lldOk = false, uldOk = false;
            levels << LevelWindow{fields[columns.lld].toInt(&lldOk), fields[columns.uld].toInt(&uldOk)};
            levelsUsable = lldOk && uldOk;
        }
        if (energyUsable) {
            bool ok = false;
            energies << plainNumber(fields[columns.energy], decimal, ambiguous).toDouble(&ok) * columns.energyToKeV;
            energyUsable = ok && !ambiguous;
        }
    }
    if (levelsUsable)
        r.levels = levels;
    if (const QString problem = reconcile(r); !problem.isEmpty())
        return problem;
    if (energyUsable)
        applyPointEnergies(r, energies, columns.energyGuessed);
    else if (columns.energy >= 0 && !columns.energyGuessed)
        r.remarks << QStringLiteral("The file's energy column holds values that are not numbers and was not "
                                    "used.");
    out = r;
    return {};
}

} // namespace spectrum::detail
