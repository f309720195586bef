// The pure conversions behind the main window: variant and firmware decisions, level information,
// high-voltage counts, percent, gain and date texts, each under the default and another locale.
#include "Conversions.h"

#include <QTest>

#include <limits>

class TestConversions : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void variantFromProductName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("vr");
        QTest::newRow("Kivo-VR 1000") << "Kivo-VR 1000" << true;
        QTest::newRow("Kivo/VR") << "Kivo/VR" << true;
        QTest::newRow("Kivo* anything") << "Kivo*plus" << true;
        QTest::newRow("Kivo* alone") << "Kivo*" << true;
        QTest::newRow("lower case") << "kivo-vr" << false;
        QTest::newRow("blank instead of hyphen") << "Kivo VR" << false;
        QTest::newRow("Kivo alone") << "Kivo" << false;
        QTest::newRow("shorter than pattern") << "Kivo-V" << false;
        QTest::newRow("asterisk is no wildcard") << "KivoX" << false;
        QTest::newRow("empty") << "" << false;
    }
    void variantFromProductName() {
        QFETCH(QString, name);
        QFETCH(bool, vr);
        QCOMPARE(conv::isVariantVR(name), vr);
    }

    void firmwareFeatures_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("extRanges");
        QTest::addColumn<bool>("ttl");
        QTest::newRow("1.2.0") << "1.2.0" << true << true << false;
        QTest::newRow("1.1.5") << "1.1.5" << true << false << false;
        QTest::newRow("1.1.9") << "1.1.9" << true << false << false;
        QTest::newRow("2.0.0") << "2.0.0" << true << true << false;
        QTest::newRow("2.0.1") << "2.0.1" << true << true << true;
        QTest::newRow("2.1.0") << "2.1.0" << true << true << false;
        QTest::newRow("3.0.0") << "3.0.0" << true << true << false;
        QTest::newRow("3.1.4") << "3.1.4" << true << true << true;
        QTest::newRow("trailing text in parts") << "2.0.1-rc" << true << true << true;
        QTest::newRow("part without number counts 0") << "v2.0.1" << true << false << false;
        QTest::newRow("two parts") << "1.2" << false << false << false;
        QTest::newRow("four parts") << "1.2.0.0" << false << false << false;
        QTest::newRow("empty") << "" << false << false << false;
    }
    void firmwareFeatures() {
        QFETCH(QString, version);
        QFETCH(bool, valid);
        QFETCH(bool, extRanges);
        QFETCH(bool, ttl);
        const auto f = conv::firmwareFeatures(version);
        QCOMPARE(f.has_value(), valid);
        if (f) {
            QCOMPARE(f->extRanges, extRanges);
            QCOMPARE(f->ttlDuration, ttl);
        }
    }

    void leadingNumberSaturates() {
        QCOMPARE(conv::leadingNumber(u" 12ab"_qs), 12);
        QCOMPARE(conv::leadingNumber(u"-7"_qs), -7);
        QCOMPARE(conv::leadingNumber(u"99999999999999"_qs), std::numeric_limits<qint32>::max());
    }

    void maxLevelFromLevelCount_data() {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("maxLevel");
        QTest::newRow("4096 levels") << true << 4096 << 4095;
        QTest::newRow("one level") << true << 1 << 2047;
        QTest::newRow("read failed") << false << 4096 << 2047;
        QTest::newRow("zero") << true << 0 << 2047;
        QTest::newRow("negative") << true << -5 << 2047;
        QTest::newRow("most negative") << true << std::numeric_limits<int>::min() << 2047;
    }
    void maxLevelFromLevelCount() {
        QFETCH(bool, ok);
        QFETCH(int, count);
        QFETCH(int, maxLevel);
        QCOMPARE(conv::maxLevelFromCount(ok, count), maxLevel);
    }

    void voltsToCount_data() {
        QTest::addColumn<float>("volts");
        QTest::addColumn<int>("count");
        QTest::newRow("50 V ties to even") << 50.0f << 136;
        QTest::newRow("150 V ties to even") << 150.0f << 410;
        QTest::newRow("1000 V") << 1000.0f << 2730;
        QTest::newRow("1500 V") << 1500.0f << 4095;
        QTest::newRow("1600 V beyond range") << 1600.0f << 4368;
        QTest::newRow("1000.5 V") << 1000.5f << 2731;
        QTest::newRow("negative") << -50.0f << -136;
    }
    void voltsToCount() {
        QFETCH(float, volts);
        QFETCH(int, count);
        QCOMPARE(conv::voltsToCount(volts), std::optional<qint32>(count));
    }
    void voltsBeyondInt32AreRefused() {
        QVERIFY(!conv::voltsToCount(1e30f));
        QVERIFY(!conv::voltsToCount(-1e12f));
        QVERIFY(conv::voltsToCount(7e8f));  // 1.911e9 counts still fit
        QVERIFY(!conv::voltsToCount(8e8f)); // 2.184e9 counts do not
    }

    void textToSingle() {
        QCOMPARE(conv::TextToSingle(QString()), 0.0f);
        QCOMPARE(conv::TextToSingle(u"abc"_qs), 0.0f);
        QCOMPARE(conv::TextToSingle(u"1e3"_qs), 1000.0f);
        QCOMPARE(conv::TextToSingle(u" 50 "_qs), 50.0f);
        QCOMPARE(conv::TextToSingle(u"1e39"_qs), 0.0f); // outside single precision
        QCOMPARE(conv::TextToSingle(u"inf"_qs), 0.0f);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(conv::TextToSingle(u"1000,5"_qs), 1000.5f);
    }

    void levelPercent() {
        QCOMPARE(conv::levelPercentText(1024, 2047), u"50.02%"_qs);
        QCOMPARE(conv::levelPercentText(2047, 2047), u"100.00%"_qs);
        QCOMPARE(conv::levelPercentText(0, 2047), u"0.00%"_qs);
        QCOMPARE(conv::levelPercentText(2047, 4095), u"49.99%"_qs);
        QCOMPARE(conv::levelPercentText(3000, 2047), u"100.00%"_qs);
        QCOMPARE(conv::levelPercentText(-3, 2047), u"0.00%"_qs);
        // Plain percentage also for a level count that is no power of two.
        QCOMPARE(conv::levelPercentText(500, 999), u"50.05%"_qs);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(conv::levelPercentText(1024, 2047), u"50,02%"_qs);
    }

    void fineGainAndVolts() {
        QCOMPARE(conv::fineGainText(0), u"x1.0000"_qs);
        QCOMPARE(conv::fineGainText(2048), u"x1.5001"_qs);
        QCOMPARE(conv::fineGainText(4095), u"x2.0000"_qs);
        QCOMPARE(conv::countToVoltsText(2048), u"750.2"_qs);
        QCOMPARE(conv::countToVoltsText(4095), u"1500.0"_qs); // no digit grouping
        QCOMPARE(conv::gainValue(2, 1000), 9192);
        QCOMPARE(conv::coarseFromGain(9192), 2);
        QCOMPARE(conv::fineFromGain(9192), 1000);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(conv::countToVoltsText(2048), u"750,2"_qs);
    }

    void countRateText() {
        QCOMPARE(conv::cpsText(1234), u"1234 CPS"_qs);
        QCOMPARE(conv::cpsText(123456), u"123456 CPS"_qs);
        QCOMPARE(conv::cpsText(-56), u"-56 CPS"_qs);
    }

    // Readouts write ASCII digits and minus in every locale; only the decimal separator is the user's.
    void plainDigits_data() {
        QTest::addColumn<int>("readout");
        QTest::addColumn<QString>("expected"); // "," stands for the locale's decimal separator
        QTest::newRow("rate") << 0 << u"-4668 CPS"_qs;
        QTest::newRow("percent") << 1 << u"50,02%"_qs;
        QTest::newRow("factor") << 2 << u"x1,5001"_qs;
        QTest::newRow("volts") << 3 << u"1500,0"_qs;
    }
    void plainDigits() {
        QFETCH(int, readout);
        QFETCH(QString, expected);
        const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
        QVERIFY(arabic.zeroDigit() != u"0"_qs); // the locale has digits of its own
        QLocale::setDefault(arabic);
        const QString texts[] = {conv::cpsText(-4668), conv::levelPercentText(1024, 2047),
                                 conv::fineGainText(2048), conv::countToVoltsText(4095)};
        QCOMPARE(texts[readout], expected.replace(u',', arabic.decimalPoint()));
    }
    void plainDigitsReadBack() {
        QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
        QCOMPARE(conv::TextToSingle(conv::countToVoltsText(2048)), 750.2f);
    }

    void productionDate() {
        QCOMPARE(conv::productionDate(u"20120315"_qs), QDate(2012, 3, 15));
        QCOMPARE(conv::productionDate(u"20120315xyz"_qs), QDate(2012, 3, 15));
        QVERIFY(!conv::productionDate(u"20121345"_qs).isValid());
        QVERIFY(!conv::productionDate(u"abcdefgh"_qs).isValid());
        QVERIFY(!conv::productionDate(u"20130229"_qs).isValid());
        QVERIFY(!conv::productionDate(QString()).isValid());
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
