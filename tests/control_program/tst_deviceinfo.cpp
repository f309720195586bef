// The device information box: fresh reads of the five identification texts, one box per failure,
// and the summary with the production date in the user's long date format.
#include "PanelFixture.h"

using Op = FakeCall::Op;

class TestDeviceInfo : public QObject {
    Q_OBJECT

    std::unique_ptr<PanelFixture> f;

    QString summary() const {
        if (f->messages.shown.isEmpty())
            return {};
        const ShownMessage& m = f->messages.shown.last();
        return m.icon == MsgIcon::Information ? m.text : QString();
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<PanelFixture>();
    }
    void cleanup() { f.reset(); }

    void notConnected() {
        f->click("cmdInfo");
        QCOMPARE(f->messages.shown.size(), 1);
        QCOMPARE(f->messages.shown[0].title, u"Vantoll"_qs);
        QCOMPARE(f->messages.shown[0].text, u"Not connected"_qs);
        QCOMPARE(f->messages.shown[0].icon, MsgIcon::Critical);
        QVERIFY(f->device.calls.isEmpty());
    }

    void summaryOfAllFive() {
        f->connectAndReset();
        f->click("cmdInfo");
        QCOMPARE(f->device.calls, (QList<FakeCall>{{Op::Get, kivo::PARAM_PRODUCT_NAME, 0, 32},
                                                   {Op::Get, kivo::PARAM_MANUFACTURER, 0, 32},
                                                   {Op::Get, kivo::PARAM_SERIAL_NUMBER, 0, 32},
                                                   {Op::Get, kivo::PARAM_FW_VERSION, 0, 32},
                                                   {Op::Get, kivo::PARAM_PRODUCTION_DATE, 0, 32}}));
        QCOMPARE(f->messages.shown.size(), 1);
        QCOMPARE(f->messages.shown[0].title, u"Vantoll"_qs);
        QCOMPARE(summary(), u"Product name:\tKivo-VR 1000\r\n"
                            "Manufacturer:\tVantoll Instruments\r\n"
                            "Serial number:\tSN1234\r\n"
                            "Firmware version:\t2.0.1\r\n"
                            "Production date:\tThursday, March 15, 2012"_qs);
    }

    void longDateFollowsTheLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        f->connectAndReset();
        f->click("cmdInfo");
        QVERIFY2(summary().endsWith(u"Production date:\tDonnerstag, 15. März 2012"_qs),
                 qPrintable(summary()));
    }

    void everyReadFailing() {
        f->connectAndReset();
        f->device.failAllGets = true;
        f->click("cmdInfo");
        QCOMPARE(f->messages.texts(),
                 (QStringList{
                     u"Failed to read product name."_qs,
                     u"Failed to read manufacturer name."_qs,
                     u"Failed to read serial number."_qs,
                     u"Failed to read firmware version."_qs,
                     u"Failed to read production date."_qs,
                     u"Product name:\tUnknown\r\nManufacturer:\tUnknown\r\nSerial number:\tUnknown\r\n"
                     "Firmware version:\tUnknown\r\nProduction date:\tUnknown"_qs,
                 }));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(f->messages.shown[i].title, u"Vantoll"_qs);
            QCOMPARE(f->messages.shown[i].icon, MsgIcon::Critical);
        }
        QCOMPARE(f->messages.shown[5].icon, MsgIcon::Information);
        QCOMPARE(globals::hSCA, FakeDevice::HANDLE);
    }

    void textsAsTheDeviceHasThem() {
        const QByteArray full32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ<b>12</";
        f->device.texts[kivo::PARAM_PRODUCT_NAME] = full32.left(32); // no NUL in the buffer
        f->device.texts[kivo::PARAM_MANUFACTURER] = "Veltr";         // shorter than the name before it
        f->connectAndReset();
        const QString nameAtConnect = globals::productName;
        f->click("cmdInfo");
        QVERIFY(summary().startsWith(
            u"Product name:\tABCDEFGHIJKLMNOPQRSTUVWXYZ<b>12<\r\nManufacturer:\tVeltr\r\n"_qs));
        QCOMPARE(globals::productName, nameAtConnect); // the box reads afresh and keeps nothing
    }

    void productionDateThatIsNoDate_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("month 13") << QByteArray("20121315") << u"20121315 (invalid date)"_qs;
        QTest::newRow("letters") << QByteArray("someday") << u"someday (invalid date)"_qs;
        QTest::newRow("empty") << QByteArray() << u"(invalid date)"_qs;
    }
    void productionDateThatIsNoDate() {
        QFETCH(QByteArray, raw);
        QFETCH(QString, shown);
        f->device.texts[kivo::PARAM_PRODUCTION_DATE] = raw;
        f->connectAndReset();
        f->click("cmdInfo");
        QVERIFY2(summary().endsWith(u"Production date:\t"_qs + shown), qPrintable(summary()));
    }
};

QTEST_MAIN(TestDeviceInfo)
#include "tst_deviceinfo.moc"
