// What a host sets is what a saved control loads back: random values (fixed seed) for every persisted
// property, set by DISPID as a late-binding host sets them, then saved and loaded into a new control.
#include "CTreviumCtrl.h"
#include "Dispatch.h"
#include "PropertyBag.h"

#include <QFontDatabase>
#include <QTest>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <random>

using namespace trevium;

namespace {

using Rng = std::mt19937;

template <typename T> T pick(Rng& rng, std::initializer_list<T> values) {
    return values.begin()[std::uniform_int_distribution<size_t>(0, values.size() - 1)(rng)];
}
bool coin(Rng& rng) {
    return rng() & 1;
}

// Half the time a value from the type's edges and the ranges' borders, else any value of the type.
template <typename T> T integer(Rng& rng) {
    using L = std::numeric_limits<T>;
    if (coin(rng))
        return pick<T>(rng, {T(0), T(1), T(2), T(-1), L::min(), L::max(), T(L::max() / 2 + 1)});
    return T(std::uniform_int_distribution<qint64>(L::min(), L::max())(rng));
}

quint32 color(Rng& rng) {
    if (coin(rng))
        return pick<quint32>(rng, {0x00000000, 0x00FFFFFF, 0x80000000, 0x80000005, 0x80FFFFFF, 0x01000000,
                                   0x7F123456, 0xFF000000, 0xFFFFFFFF});
    return quint32(rng());
}

float single(Rng& rng) {
    using L = std::numeric_limits<float>;
    if (coin(rng))
        return pick<float>(rng, {0.0f, -0.0f, 0.1f, -1.5f, L::max(), L::lowest(), L::min(), L::denorm_min(),
                                 L::infinity(), -L::infinity(), L::quiet_NaN(), 3.4e38f, 1e-30f});
    return std::bit_cast<float>(quint32(rng())); // any bit pattern, NaNs and infinities included
}

QString text(Rng& rng) {
    static const char16_t pool[] = {u'a', u'Z', u'0',   u' ',   u'"',   u'\\',  u'=',
                                    u';', u'#', u'[',   u'\n',  u'\r',  u'\t',  u'\0',
                                    0x7F, u'ä', 0x2622, 0x2028, 0xD800, 0xDFFF, 0xFFFF};
    QString s;
    const int n = std::uniform_int_distribution<int>(0, 12)(rng);
    for (int i = 0; i < n; ++i) {
        if (coin(rng) && coin(rng))
            s += QString::fromUtf16(u"\U0001F600"); // a surrogate pair
        else
            s += QChar(pool[std::uniform_int_distribution<size_t>(0, std::size(pool) - 1)(rng)]);
    }
    return s;
}

QFont font(Rng& rng) {
    const QStringList families = QFontDatabase::families();
    QFont f(families.isEmpty() ? QStringLiteral("Sans") : families[int(rng() % families.size())],
            std::uniform_int_distribution<int>(1, 72)(rng));
    f.setBold(coin(rng));
    f.setItalic(coin(rng));
    f.setUnderline(coin(rng));
    return f;
}

using Generator = std::function<QVariant(Rng&)>;

// How a host sets each persisted property: the value's type as the dispatch interface takes it.
const std::map<QString, Generator>& generators() {
    static const Generator boolean = [](Rng& r) { return QVariant(coin(r)); };
    static const Generator shortInt = [](Rng& r) { return QVariant::fromValue(integer<qint16>(r)); };
    static const Generator longInt = [](Rng& r) { return QVariant::fromValue(integer<qint32>(r)); };
    static const Generator colour = [](Rng& r) { return QVariant::fromValue(color(r)); };
    static const Generator floating = [](Rng& r) { return QVariant::fromValue(single(r)); };
    static const Generator string = [](Rng& r) { return QVariant(text(r)); };
    static const std::map<QString, Generator> table = {
        {"Enabled", boolean},       {"Font", [](Rng& r) { return QVariant(font(r)); }},
        {"BorderStyle", shortInt},  {"Appearance", shortInt},
        {"_ExtentX", longInt},      {"_ExtentY", longInt},
        {"BackColor", colour},      {"GraphColor", colour},
        {"GridColor", colour},      {"AxisColor", colour},
        {"LabelColor", colour},     {"ReferenceColor", colour},
        {"AlarmColor", colour},     {"CursorColor", colour},
        {"XMin", shortInt},         {"XMax", shortInt},
        {"YMin", floating},         {"YMax", floating},
        {"YScale", longInt},        {"AlarmLevel", longInt},
        {"CursorType", shortInt},   {"ShowGrid", boolean},
        {"ShowAxes", boolean},      {"ShowFrame", boolean},
        {"ShowTicks", boolean},     {"ShowAlarm", boolean},
        {"ShowLabels", boolean},    {"ShowROIs", boolean},
        {"ShowWaterfall", boolean}, {"ShowCursor", boolean},
        {"PlotFilled", boolean},    {"GridOnTop", boolean},
        {"CompareMode", boolean},   {"FastDraw", boolean},
        {"XLabel", string},         {"YLabel", string},
    };
    return table;
}

// Sets one persisted property as a host does: by DISPID, or for the extent by sizing the control.
void hostSets(CTreviumCtrl& c, const QString& name, const QVariant& value) {
    if (name.startsWith(u'_')) {
        const int pixels = int(std::clamp<qint64>(std::abs(qint64(value.toInt())), 1, 40000));
        c.resize(name == QLatin1String("_ExtentX") ? pixels : c.width(),
                 name == QLatin1String("_ExtentY") ? pixels : c.height());
        return;
    }
    const qint32 dispid = dispIdOfName(&c, name);
    QVERIFY2(dispid != DISPID_UNKNOWN, qPrintable(name));
    QVERIFY2(dispatch(&c, dispid, DispKind::Put, {value}).ok(), qPrintable(name)); // sets never fail
}

} // namespace

class TstCoreRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void everyPersistedPropertyHasAGenerator() {
        QStringList names;
        for (const auto& [name, generator] : generators())
            names << name;
        QStringList persisted = persistedPropertyNames();
        names.sort();
        persisted.sort();
        QCOMPARE(names, persisted);
    }

    void randomValuesSurviveSaveAndLoad() {
        Rng rng(20240611);
        const QStringList names = persistedPropertyNames();
        for (int round = 0; round < 400; ++round) {
            CTreviumCtrl a;
            // Each round sets a random selection, some properties several times, in random order.
            const int puts = std::uniform_int_distribution<int>(1, 3 * int(names.size()))(rng);
            for (int k = 0; k < puts; ++k) {
                const QString& name = names[int(rng() % names.size())];
                hostSets(a, name, generators().at(name)(rng));
            }
            const QString bag = a.savePropertyBag();
            CTreviumCtrl b;
            const QStringList warnings = b.loadPropertyBag(bag);
            QVERIFY2(
                warnings.isEmpty(),
                qPrintable(QStringLiteral("round %1: %2\n%3").arg(round).arg(warnings.join(u'\n'), bag)));
            QVERIFY2(b.persistedProperties() == a.persistedProperties(), qPrintable(bag));
            QCOMPARE(b.savePropertyBag(), bag);
        }
    }

    void outOfRangePutsAreIgnored_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("CursorType 2") << "CursorType" << QVariant(2);
        QTest::newRow("CursorType -1") << "CursorType" << QVariant(-1);
        QTest::newRow("Appearance 7") << "Appearance" << QVariant(7);
        QTest::newRow("BorderStyle 2") << "BorderStyle" << QVariant(2);
        QTest::newRow("colour high byte 0x01") << "GraphColor" << QVariant(0x01FF0000u);
        QTest::newRow("colour high byte 0xFF") << "BackColor" << QVariant(0xFF000000u);
        QTest::newRow("YMin NaN") << "Ymin" << QVariant(std::numeric_limits<float>::quiet_NaN());
        QTest::newRow("YMax infinity") << "Ymax" << QVariant(std::numeric_limits<float>::infinity());
    }
    void outOfRangePutsAreIgnored() {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        CTreviumCtrl c;
        const qint32 dispid = dispIdOfName(&c, name);
        const QVariant before = dispatch(&c, dispid, DispKind::Get).value;
        QVERIFY(dispatch(&c, dispid, DispKind::Put, {value}).ok());
        QCOMPARE(dispatch(&c, dispid, DispKind::Get).value, before);
        QVERIFY(!c.isModified());
    }
};

QTEST_MAIN(TstCoreRoundTrip)
#include "tst_core_roundtrip.moc"
