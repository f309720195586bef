// What a host sets is what a saved control loads back: random values (fixed seed) of each persisted
// property's type, set by DISPID as a late-binding host sets them, saved, and loaded into a new control.
#include "CTreviumCtrl.h"
#include "Dispatch.h"
#include "PropertyBag.h"

#include <QFontDatabase>
#include <QMetaProperty>
#include <QTest>

#include <bit>
#include <limits>
#include <random>

using namespace trevium;

namespace {

// Half the time a value from `edges`, else any value of the type (for floats any bit pattern).
template <typename T> QVariant random(std::mt19937& rng, std::initializer_list<T> edges) {
    if (rng() & 1)
        return QVariant::fromValue(edges.begin()[rng() % edges.size()]);
    if constexpr (std::is_same_v<T, float>)
        return QVariant::fromValue(std::bit_cast<float>(quint32(rng())));
    else
        return QVariant::fromValue(T(rng()));
}

QString randomText(std::mt19937& rng) {
    static const char16_t pool[] = {u'a',  u' ', u'"', u'\\',  u'=',   u'[',   u'\n',  u'\r',  u'\t',
                                    u'\0', 0x7F, u'ä', 0x2622, 0x2028, 0xD800, 0xDC00, 0xD83D, 0xFFFF};
    QString s;
    for (int n = int(rng() % 12); n > 0; --n)
        s += QChar(pool[rng() % std::size(pool)]);
    return s;
}

// A value of the type the dispatch interface takes for `property`.
QVariant randomValue(std::mt19937& rng, const QMetaProperty& property) {
    using F = std::numeric_limits<float>;
    switch (property.metaType().sizeOf() == 2 ? int(QMetaType::Short) : property.metaType().id()) {
    case QMetaType::Bool:
        return bool(rng() & 1);
    case QMetaType::Short: // also the 16-bit enumerations
        return random<qint16>(rng, {0, 1, 2, -1, -32768, 32767});
    case QMetaType::Int:
        return random<qint32>(rng, {0, 1, -1, std::numeric_limits<qint32>::min()});
    case QMetaType::UInt: // colours
        return random<quint32>(rng, {0x00FFFFFF, 0x80000005, 0x80FFFFFF, 0x01000000, 0xFF000000, 0xFFFFFFFF});
    case QMetaType::Float:
        return random<float>(rng, {-0.0f, 0.1f, F::max(), F::lowest(), F::min(), F::denorm_min(),
                                   F::infinity(), F::quiet_NaN(), 3.4e38f});
    case QMetaType::QString:
        return randomText(rng);
    case QMetaType::QFont: {
        const QStringList families = QFontDatabase::families();
        QFont f(families.value(int(rng() % std::max<qsizetype>(families.size(), 1))), int(rng() % 72) + 1);
        f.setBold(rng() & 1);
        f.setItalic(rng() & 2);
        return f;
    }
    }
    return {};
}

// The meta-property behind a DISPID (persisted names may differ from property names in letter case).
QMetaProperty propertyOf(const CTreviumCtrl& c, qint32 dispid) {
    for (const DispEntry& e : c.dispatchTable())
        if (e.dispid == dispid)
            return c.metaObject()->property(c.metaObject()->indexOfProperty(e.name));
    return {};
}

} // namespace

class TstCoreRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void randomValuesSurviveSaveAndLoad() {
        std::mt19937 rng(20240611);
        const QStringList names = persistedPropertyNames();
        for (int round = 0; round < 400; ++round) {
            CTreviumCtrl a;
            for (int k = int(rng() % (3 * names.size())); k >= 0; --k) {
                const QString& name = names[int(rng() % names.size())];
                if (name.startsWith(u'_')) { // the extent: a host sizes the control
                    const int pixels = int(rng() % 40000) + 1;
                    name.endsWith(u'X') ? a.resize(pixels, a.height()) : a.resize(a.width(), pixels);
                    continue;
                }
                const qint32 dispid = dispIdOfName(&a, name);
                QVERIFY2(dispid != DISPID_UNKNOWN, qPrintable(name));
                const QVariant value = randomValue(rng, propertyOf(a, dispid));
                QVERIFY2(value.isValid() && dispatch(&a, dispid, DispKind::Put, {value}).ok(),
                         qPrintable(name));
            }
            const QString bag = a.savePropertyBag();
            CTreviumCtrl b;
            const QStringList warnings = b.loadPropertyBag(bag);
            QVERIFY2(warnings.isEmpty(),
                     qPrintable(QString::number(round) + warnings.join(u'\n') + u'\n' + bag));
            QVERIFY2(b.persistedProperties() == a.persistedProperties(), qPrintable(bag));
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
        QVERIFY(dispatch(&c, dispid, DispKind::Put, {value}).ok()); // sets never fail
        QCOMPARE(dispatch(&c, dispid, DispKind::Get).value, before);
        QVERIFY(!c.isModified());
    }
};

QTEST_MAIN(TstCoreRoundTrip)
#include "tst_core_roundtrip.moc"
