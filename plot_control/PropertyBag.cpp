#include "PropertyBag.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <limits>
#include <variant>

namespace trevium {

namespace {

using P = PersistedProperties;

struct ColorField {
    quint32 P::*member;
};
struct BoolField {
    bool P::*member;
};
struct ShortField {
    qint16 P::*member;
    qint16 lo, hi;
};
struct LongField {
    qint32 P::*member;
    qint32 lo, hi;
};
struct FloatField {
    float P::*member;
};
struct TextField {
    QString P::*member;
};
using Field = std::variant<ColorField, BoolField, ShortField, LongField, FloatField, TextField>;

struct Entry {
    const char* name;
    Field field;
};

constexpr qint16 kShortMin = std::numeric_limits<qint16>::min();
constexpr qint16 kShortMax = std::numeric_limits<qint16>::max();
constexpr qint32 kLongMin = std::numeric_limits<qint32>::min();
constexpr qint32 kLongMax = std::numeric_limits<qint32>::max();

// Exchange order: the stock set and the extent, then the control's own properties.
const Entry kEntries[] = {
    {"Enabled", BoolField{&P::enabled}},
    {"Font", TextField{&P::font}},
    {"BorderStyle", ShortField{&P::borderStyle, 0, kBorderStyleMax}},
    {"Appearance", ShortField{&P::appearance, 0, kAppearanceMax}},
    {"_ExtentX", LongField{&P::extentX, 0, kMaxExtent}},
    {"_ExtentY", LongField{&P::extentY, 0, kMaxExtent}},
    {"BackColor", ColorField{&P::backColor}},
    {"GraphColor", ColorField{&P::graphColor}},
    {"GridColor", ColorField{&P::gridColor}},
    {"AxisColor", ColorField{&P::axisColor}},
    {"LabelColor", ColorField{&P::labelColor}},
    {"ReferenceColor", ColorField{&P::referenceColor}},
    {"AlarmColor", ColorField{&P::alarmColor}},
    {"CursorColor", ColorField{&P::cursorColor}},
    {"XMin", ShortField{&P::xMin, kShortMin, kShortMax}},
    {"XMax", ShortField{&P::xMax, kShortMin, kShortMax}},
    {"YMin", FloatField{&P::yMin}},
    {"YMax", FloatField{&P::yMax}},
    {"YScale", LongField{&P::yScale, kLongMin, kLongMax}},
    {"AlarmLevel", LongField{&P::alarmLevel, kLongMin, kLongMax}},
    {"CursorType", ShortField{&P::cursorType, 0, kCursorTypeMax}},
    {"ShowGrid", BoolField{&P::showGrid}},
    {"ShowAxes", BoolField{&P::showAxes}},
    {"ShowFrame", BoolField{&P::showFrame}},
    {"ShowTicks", BoolField{&P::showTicks}},
    {"ShowAlarm", BoolField{&P::showAlarm}},
    {"ShowLabels", BoolField{&P::showLabels}},
    {"ShowROIs", BoolField{&P::showROIs}},
    {"ShowWaterfall", BoolField{&P::showWaterfall}},
    {"ShowCursor", BoolField{&P::showCursor}},
    {"PlotFilled", BoolField{&P::plotFilled}},
    {"GridOnTop", BoolField{&P::gridOnTop}},
    {"CompareMode", BoolField{&P::compareMode}},
    {"FastDraw", BoolField{&P::fastDraw}},
    {"XLabel", TextField{&P::xLabel}},
    {"YLabel", TextField{&P::yLabel}},
};
constexpr qsizetype kEntryCount = qsizetype(sizeof(kEntries) / sizeof(kEntries[0]));
constexpr qsizetype kMaxWarnings = 50;
const QString kBagName = QStringLiteral("Trevium");

// Integers: decimal, or hexadecimal with a 0x prefix.
std::optional<qlonglong> parseInteger(QStringView text) {
    bool ok = false;
    qlonglong v = 0;
    if (text.startsWith(u"0x", Qt::CaseInsensitive) || text.startsWith(u"-0x", Qt::CaseInsensitive)) {
        const bool negative = text.startsWith(u'-');
        const QStringView digits = text.mid(negative ? 3 : 2);
        const qulonglong u = digits.toULongLong(&ok, 16);
        if (!ok || u > qulonglong(std::numeric_limits<qlonglong>::max()))
            return std::nullopt;
        v = negative ? -qlonglong(u) : qlonglong(u);
    } else {
        v = QLocale::c().toLongLong(text, &ok);
    }
    return ok ? std::optional<qlonglong>(v) : std::nullopt;
}

// Single precision, read and written directly (no detour through double, which could round a value
// written for the largest float past it). Written in the shortest form that reads back exactly.
std::optional<float> parseFloat(QStringView text) {
    if (text.startsWith(u'+') && !text.mid(1).startsWith(u'-'))
        text = text.mid(1);
    QByteArray ascii;
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            return std::nullopt;
        ascii.append(char(c.unicode()));
    }
    float v = 0;
    const char* end = ascii.constData() + ascii.size();
    const auto [ptr, ec] = std::from_chars(ascii.constData(), end, v);
    if (ascii.isEmpty() || ec != std::errc() || ptr != end || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString formatFloat(float v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

std::optional<bool> parseBool(QStringView text) {
    static const char* const yes[] = {"true", "yes", "on", "1", "-1"};
    static const char* const no[] = {"false", "no", "off", "0"};
    for (const char* s : yes)
        if (text.compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
            return true;
    for (const char* s : no)
        if (text.compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
            return false;
    return std::nullopt;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// A quoted string with backslash escapes, or the bare text. `clean` is false when the quoting was
// broken (no closing quote, text after it); what could be read is still returned.
QString parseText(QStringView text, bool& clean) {
    clean = true;
    if (!text.startsWith(u'"'))
        return text.toString();
    QString out;
    qsizetype i = 1;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"')
            break;
        if (c != u'\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar e = text[++i];
        switch (e.unicode()) {
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u't':
            out += u'\t';
            break;
        case u'u': {
            int code = 0;
            bool good = i + 4 < text.size();
            for (int k = 1; good && k <= 4; ++k) {
                const int d = hexDigit(text[i + k]);
                good = d >= 0;
                code = code * 16 + d;
            }
            if (good) {
                out += QChar(char16_t(code));
                i += 4;
            } else {
                out += e;
                clean = false;
            }
            break;
        }
        default:
            out += e; // \" and \\ and anything else stand for themselves
        }
    }
    if (i >= text.size() || i + 1 != text.size())
        clean = false;
    return out;
}

QString quoteText(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate())
                out += QStringLiteral("\\u%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

// Stores `value` into the field; returns an explanation when it cannot be used.
QString assign(P& p, const Field& field, QStringView value) {
    return std::visit(
        [&](const auto& f) -> QString {
            using F = std::decay_t<decltype(f)>;
            if constexpr (std::is_same_v<F, TextField>) {
                bool clean = true;
                p.*f.member = parseText(value, clean);
                return clean ? QString() : QStringLiteral("broken quoting (read as far as possible)");
            } else if constexpr (std::is_same_v<F, BoolField>) {
                const auto b = parseBool(value);
                if (!b)
                    return QStringLiteral("not a Boolean");
                p.*f.member = *b;
            } else if constexpr (std::is_same_v<F, FloatField>) {
                const auto v = parseFloat(value);
                if (!v)
                    return QStringLiteral("not a finite single-precision number");
                p.*f.member = *v;
            } else if constexpr (std::is_same_v<F, ColorField>) {
                const auto v = parseInteger(value);
                if (!v || *v < 0 || *v > qlonglong(std::numeric_limits<quint32>::max()))
                    return QStringLiteral("not a colour value");
                const auto c = static_cast<quint32>(*v);
                if (!isOleColor(c))
                    return QStringLiteral("not an RGB value or system colour index");
                p.*f.member = c;
            } else {
                const auto v = parseInteger(value);
                if (!v)
                    return QStringLiteral("not an integer");
                if (*v < f.lo || *v > f.hi)
                    return QStringLiteral("out of range %1..%2").arg(f.lo).arg(f.hi);
                p.*f.member = static_cast<std::remove_reference_t<decltype(p.*f.member)>>(*v);
            }
            return QString();
        },
        field);
}

QString formatValue(const P& p, const Field& field) {
    return std::visit(
        [&](const auto& f) -> QString {
            using F = std::decay_t<decltype(f)>;
            if constexpr (std::is_same_v<F, TextField>)
                return quoteText(p.*f.member);
            else if constexpr (std::is_same_v<F, BoolField>)
                return p.*f.member ? QStringLiteral("true") : QStringLiteral("false");
            else if constexpr (std::is_same_v<F, FloatField>)
                return formatFloat(p.*f.member);
            else if constexpr (std::is_same_v<F, ColorField>)
                return QStringLiteral("0x") +
                       QStringLiteral("%1").arg(p.*f.member, 8, 16, QLatin1Char('0')).toUpper();
            else
                return QLocale::c().toString(qlonglong(p.*f.member));
        },
        field);
}

class WarningList {
public:
    explicit WarningList(QStringList& out) : out_(out) {}
    void add(qsizetype line, const QString& text) {
        if (out_.size() < kMaxWarnings)
            out_ << QStringLiteral("line %1: %2").arg(line).arg(text);
        else if (out_.size() == kMaxWarnings)
            out_ << QStringLiteral("further problems not listed");
    }

private:
    QStringList& out_;
};

// The header "[Trevium <major>.<minor>]": true when its major version is ours.
bool readHeader(QStringView line, qsizetype lineNo, WarningList& warnings) {
    QStringView inner = line.mid(1);
    if (!inner.endsWith(u']')) {
        warnings.add(lineNo, QStringLiteral("malformed header"));
        return false;
    }
    inner.chop(1);
    const auto parts = inner.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 2 || parts[0].compare(kBagName, Qt::CaseInsensitive) != 0) {
        warnings.add(lineNo, QStringLiteral("not a Trevium property bag header"));
        return false;
    }
    const auto version = parts[1].split(u'.');
    bool okMajor = false, okMinor = version.size() == 2;
    const int major = QLocale::c().toInt(version[0], &okMajor);
    if (okMinor)
        QLocale::c().toInt(version[1], &okMinor);
    if (!okMajor || !okMinor) {
        warnings.add(lineNo, QStringLiteral("unreadable version"));
        return false;
    }
    if (major != kPropertyBagVersionMajor) {
        warnings.add(lineNo, QStringLiteral("version %1 is not supported").arg(parts[1].toString()));
        return false;
    }
    return true;
}

} // namespace

QStringList persistedPropertyNames() {
    QStringList names;
    for (const Entry& e : kEntries)
        names << QLatin1String(e.name);
    return names;
}

PropertyBagLoad parsePropertyBag(QStringView text) {
    PropertyBagLoad result;
    WarningList warnings(result.warnings);
    bool headerSeen = false;
    bool seen[kEntryCount] = {};
    qsizetype lineNo = 0;
    for (QStringView raw : text.split(u'\n')) {
        ++lineNo;
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (headerSeen) {
                warnings.add(lineNo, QStringLiteral("second header ignored"));
                continue;
            }
            headerSeen = true;
            if (!readHeader(line, lineNo, warnings)) {
                // Values written for another format are not guessed at: everything keeps its default.
                result.properties = PersistedProperties{};
                result.versionAccepted = false;
                return result;
            }
            result.versionAccepted = true;
            continue;
        }
        if (!headerSeen) {
            warnings.add(lineNo, QStringLiteral("no version header, read as version 1.0"));
            headerSeen = true;
            result.versionAccepted = true;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) {
            warnings.add(lineNo, QStringLiteral("not a Name=Value line"));
            continue;
        }
        const QStringView name = line.left(eq).trimmed();
        const QStringView value = line.mid(eq + 1).trimmed();
        qsizetype index = -1;
        for (qsizetype i = 0; i < kEntryCount; ++i)
            if (name.compare(QLatin1String(kEntries[i].name), Qt::CaseInsensitive) == 0)
                index = i;
        if (index < 0) {
            warnings.add(lineNo, QStringLiteral("unknown property %1").arg(name.left(40).toString()));
            continue;
        }
        const QString problem = assign(result.properties, kEntries[index].field, value);
        if (!problem.isEmpty())
            warnings.add(lineNo, QStringLiteral("%1: %2").arg(QLatin1String(kEntries[index].name), problem));
        else if (seen[index])
            warnings.add(lineNo, QStringLiteral("%1 given again; the later value is used")
                                     .arg(QLatin1String(kEntries[index].name)));
        seen[index] = true;
    }
    if (!headerSeen)
        result.versionAccepted = true; // an empty bag: every property at its default
    return result;
}

QString writePropertyBag(const PersistedProperties& properties) {
    QString out = QStringLiteral("[%1 %2.%3]\n")
                      .arg(kBagName)
                      .arg(kPropertyBagVersionMajor)
                      .arg(kPropertyBagVersionMinor);
    for (const Entry& e : kEntries)
        out += QLatin1String(e.name) + u'=' + formatValue(properties, e.field) + u'\n';
    return out;
}

} // namespace trevium
