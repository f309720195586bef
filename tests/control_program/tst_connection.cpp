// The main window's start-up, connecting and disconnecting, the count-rate poll and closing.
#include "PanelFixture.h"

#include <QSignalSpy>
#include <QStatusBar>

#include <cstdlib>

using Op = FakeCall::Op;

namespace {
const QString kUnsavedPrompt = u"The latest device settings are not yet saved into permanent memory.\r\n"
                               "They will be lost after power to the device is removed.\r\n\r\n"
                               "Do you want to save them now?"_qs;
}

class TestConnection : public QObject {
    Q_OBJECT

    std::unique_ptr<PanelFixture> f;

    // Marks a setting unsaved the way a user does: picks another coarse gain.
    void makeUnsaved() {
        auto* coarse = f->find<QComboBox>("cmbCoarseGain");
        coarse->setFocus();
        QTest::keyClick(coarse, Qt::Key_Down);
        QVERIFY(f->button("cmdSave")->isEnabled());
        f->device.calls.clear();
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<PanelFixture>();
    }
    void cleanup() { f.reset(); }

    void startUpState() {
        TopLevel& w = *f->window;
        QCOMPARE(w.windowTitle(), u"Kivo+ Control Program V1.0.0"_qs);
        QVERIFY(f->device.calls.isEmpty());
        QCOMPARE(globals::hSCA, 0);
        QCOMPARE(f->button("cmdConnect")->text(), u"&Connect"_qs);
        QCOMPARE(f->button("cmdInfo")->text(), u"&Device Info..."_qs);
        QCOMPARE(f->button("cmdScan")->text(), u"S&can..."_qs);
        QCOMPARE(f->button("cmdExit")->text(), u"E&xit"_qs);
        QCOMPARE(f->button("cmdApplyHV")->text(), u"&Set"_qs);
        QCOMPARE(f->find<QCheckBox>("chkIntegMode")->text(), u"&Integral mode"_qs);
        QCOMPARE(f->text("lblCPS"), u"0 CPS"_qs);
        QCOMPARE(f->text("lblFineGain"), u"1.0"_qs);
        QCOMPARE(f->text("lblLLD"), u"0%"_qs);
        QCOMPARE(f->text("lblULD"), u"0%"_qs);
        QCOMPARE(w.statusText(), u"Not connected"_qs);
        QCOMPARE(f->find<QStatusBar>("StatusBar")->findChild<QLabel*>()->text(), u"Not connected"_qs);
        QVERIFY(!w.timer1().isActive());
        QCOMPARE(w.timer1().interval(), 250);

        QCOMPARE(w.cmbCoarseGain()->currentText(), u"x1"_qs);
        QCOMPARE(w.cmbCoarseGain()->count(), 4);
        QCOMPARE(w.cmbTTL()->count(), 14);
        QCOMPARE(w.cmbTTL()->currentText(), u"2.5 \u00B5sec"_qs);
        QCOMPARE(w.cmbRespTime()->count(), 14);
        QCOMPARE(w.cmbRespTime()->currentIndex(), -1);
        QCOMPARE(w.cmbCPSRange()->count(), 8);
        QCOMPARE(w.cmbCPSRange()->currentIndex(), -1);
        QVERIFY(f->find<QRadioButton>("rbPulse")->isChecked());
        QVERIFY(!w.chkIntegMode()->isChecked());

        QCOMPARE(w.sldFineGain()->maximum(), 4095);
        QCOMPARE(w.sldFineGain()->tickInterval(), 256);
        for (QSlider* s : {w.sldLLD(), w.sldULD()}) {
            QCOMPARE(s->minimum(), 0);
            QCOMPARE(s->maximum(), 2047);
            QCOMPARE(s->tickInterval(), 128);
            QVERIFY(s->tickPosition() != QSlider::NoTicks);
        }

        for (const char* name :
             {"frTTL", "lblTTL", "cmbTTL", "lblCPSRange", "cmbCPSRange", "lblRespTime", "cmbRespTime", "frVR",
              "rbPulse", "rbDC", "cmdApplyHV", "cmdRefresh", "cmdSave"})
            QVERIFY2(!f->find(name)->isEnabled(), name);
        for (const char* name : {"txtHV", "cmbCoarseGain", "sldFineGain", "sldLLD", "sldULD", "chkIntegMode",
                                 "cmdConnect", "cmdInfo", "cmdScan", "cmdExit"})
            QVERIFY2(f->find(name)->isEnabled(), name);

        // Every setting is named by its label.
        QCOMPARE(f->find<QLabel>("lblHV")->buddy(), w.txtHV());
        QCOMPARE(f->find<QLabel>("lblULDsld")->buddy(), w.sldULD());
        QCOMPARE(f->find<QLabel>("lblCPSRange")->buddy(), w.cmbCPSRange());
    }

    void connectShowsVariantAndSerial_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("status");
        QTest::newRow("Kivo-VR") << QByteArray("Kivo-VR 1000") << u"Connected to Kivo-VR with S/N SN1234"_qs;
        QTest::newRow("Kivo/VR") << QByteArray("Kivo/VR") << u"Connected to Kivo-VR with S/N SN1234"_qs;
        QTest::newRow("Kivo*") << QByteArray("Kivo*2") << u"Connected to Kivo-VR with S/N SN1234"_qs;
        QTest::newRow("kivo-vr") << QByteArray("kivo-vr") << u"Connected to Kivo with S/N SN1234"_qs;
        QTest::newRow("Kivo VR") << QByteArray("Kivo VR") << u"Connected to Kivo with S/N SN1234"_qs;
        QTest::newRow("Kivo") << QByteArray("Kivo") << u"Connected to Kivo with S/N SN1234"_qs;
    }
    void connectShowsVariantAndSerial() {
        QFETCH(QByteArray, name);
        QFETCH(QString, status);
        f->device.texts[kivo::PARAM_PRODUCT_NAME] = name;
        f->click("cmdConnect");
        QCOMPARE(f->messages.shown.size(), 0);
        QCOMPARE(globals::hSCA, FakeDevice::HANDLE);
        QCOMPARE(f->window->statusText(), status);
        QCOMPARE(f->button("cmdConnect")->text(), u"&Disconnect"_qs);
        QVERIFY(f->window->timer1().isActive());
        QVERIFY(f->button("cmdRefresh")->isEnabled());
        QVERIFY(!f->button("cmdSave")->isEnabled());
        QVERIFY(!f->button("cmdApplyHV")->isEnabled());
        QCOMPARE(globals::productName, QString::fromLatin1(name));
        QCOMPARE(f->find("frVR")->isEnabled(), status.contains(u"Kivo-VR"_qs));
        QVERIFY(!f->window->lblSimulated()->isVisible()); // a library without the simulator's mark
    }

    void firmwareDecidesFeatures_data() {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<int>("rangeEntries");
        QTest::addColumn<bool>("ttl");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("1.2.0") << QByteArray("1.2.0") << 29 << false << QStringList{};
        QTest::newRow("1.1.5") << QByteArray("1.1.5") << 8 << false << QStringList{};
        QTest::newRow("1.2") << QByteArray("1.2") << 8 << false
                             << QStringList{u"Invalid firmware version."_qs};
        QTest::newRow("2.0.0") << QByteArray("2.0.0") << 29 << false << QStringList{};
        QTest::newRow("2.0.1") << QByteArray("2.0.1") << 29 << true << QStringList{};
    }
    void firmwareDecidesFeatures() {
        QFETCH(QByteArray, version);
        QFETCH(int, rangeEntries);
        QFETCH(bool, ttl);
        QFETCH(QStringList, messages);
        f->device.texts[kivo::PARAM_FW_VERSION] = version;
        f->click("cmdConnect");
        QCOMPARE(f->messages.texts(), messages);
        QCOMPARE(f->window->cmbCPSRange()->count(), rangeEntries);
        QCOMPARE(globals::fwTTLDuration, ttl);
        QCOMPARE(f->find("cmbTTL")->isEnabled(), ttl);
        QCOMPARE(globals::fwVersion, QString::fromLatin1(version));
    }

    void unreadableFirmwareForgetsFeaturesOfLastDevice() {
        f->click("cmdConnect");
        QVERIFY(globals::fwTTLDuration);
        f->click("cmdConnect"); // nothing unsaved: no prompt
        f->device.texts[kivo::PARAM_FW_VERSION] = "2.0";
        f->click("cmdConnect");
        QVERIFY(!globals::fwTTLDuration);
        QVERIFY(!f->find("cmbTTL")->isEnabled());

        f->click("cmdConnect");
        f->device.texts[kivo::PARAM_FW_VERSION] = "2.0.1";
        f->click("cmdConnect");
        QVERIFY(globals::fwTTLDuration);
        f->click("cmdConnect");
        f->device.failingGets << kivo::PARAM_FW_VERSION;
        f->click("cmdConnect");
        QVERIFY(!globals::fwTTLDuration);
        QVERIFY(!globals::isVR); // an unknown firmware gives the basic variant
        QVERIFY(!globals::fwExtRanges);
    }

    void everyReadFailing() {
        f->device.failAllGets = true;
        f->click("cmdConnect");
        const QList<FakeCall> expected{
            {Op::Open, -1, 0, 0},
            {Op::Get, kivo::PARAM_PRODUCT_NAME, 0, 32},
            {Op::Get, kivo::PARAM_FW_VERSION, 0, 32},
            {Op::Get, kivo::PARAM_PRODUCTION_DATE, 0, 32},
            {Op::Get, kivo::PARAM_SERIAL_NUMBER, 0, 32},
            {Op::Get, kivo::PARAM_LEVEL_INFO, 0, 12},
            {Op::Get, kivo::PARAM_HV, 0, 4},
            {Op::Get, kivo::PARAM_GAIN, 0, 4},
            {Op::Get, kivo::PARAM_LLD, 0, 4},
            {Op::Get, kivo::PARAM_ULD, 0, 4},
            {Op::Get, kivo::PARAM_INTEGRAL_MODE, 0, 4},
        };
        QCOMPARE(f->device.calls, expected);
        QCOMPARE(f->messages.texts(), (QStringList{
                                          u"Failed to read device info."_qs,
                                          u"Failed to read firmware version."_qs,
                                          u"Failed to read production date."_qs,
                                          u"Failed to read serial number."_qs,
                                          u"Failed to read High Voltage level."_qs,
                                          u"Failed to read Amplifier Gain."_qs,
                                          u"Failed to read LLD."_qs,
                                          u"Failed to read ULD."_qs,
                                          u"Failed to read integral mode."_qs,
                                      }));
        for (const ShownMessage& m : f->messages.shown) {
            QCOMPARE(m.title, u"KivoCP"_qs);
            QCOMPARE(m.icon, MsgIcon::Critical);
            QCOMPARE(m.buttons, MsgButtons::Ok);
        }
        // Still connected, with what could be decided.
        QCOMPARE(globals::hSCA, FakeDevice::HANDLE);
        QCOMPARE(f->window->statusText(), u"Connected to Kivo with unknown S/N"_qs);
        QCOMPARE(globals::maxLevel, 2047);
        QVERIFY(f->window->timer1().isActive());
        QVERIFY(!f->find("frVR")->isEnabled());
    }

    void failedOpenChangesNothing() {
        f->device.openResult = 0;
        f->click("cmdConnect");
        QCOMPARE(f->messages.texts(), QStringList{u"Failed to connect to SCA."_qs});
        QCOMPARE(f->messages.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(f->device.calls.size(), 1);
        QCOMPARE(globals::hSCA, 0);
        QCOMPARE(f->button("cmdConnect")->text(), u"&Connect"_qs);
        QCOMPARE(f->window->statusText(), u"Not connected"_qs);
        QVERIFY(!f->window->timer1().isActive());
    }

    void levelInformation_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<int>("maxLevel");
        QTest::addColumn<int>("tick");
        QTest::newRow("4096") << 4096 << false << 4095 << 256;
        QTest::newRow("1") << 1 << false << 2047 << 128;
        QTest::newRow("failed") << 4096 << true << 2047 << 128;
        QTest::newRow("0") << 0 << false << 2047 << 128;
        QTest::newRow("negative") << -4096 << false << 2047 << 128;
    }
    void levelInformation() {
        QFETCH(int, count);
        QFETCH(bool, fails);
        QFETCH(int, maxLevel);
        QFETCH(int, tick);
        f->device.levelCount = count;
        if (fails)
            f->device.failingGets << kivo::PARAM_LEVEL_INFO;
        f->click("cmdConnect");
        QVERIFY(f->messages.shown.isEmpty()); // no message for the level information
        QCOMPARE(globals::maxLevel, maxLevel);
        // The level sliders reach every level the device has.
        QCOMPARE(f->window->sldLLD()->maximum(), maxLevel);
        QCOMPARE(f->window->sldULD()->tickInterval(), tick);
    }

    void labelsUseTheDevicesLevelCount() {
        f->device.levelCount = 4096;
        f->device.numbers[kivo::PARAM_LLD] = 2047;
        f->device.numbers[kivo::PARAM_ULD] = 4095;
        f->click("cmdConnect");
        QCOMPARE(f->window->sldLLD()->value(), 2047);
        QCOMPARE(f->text("lblLLD"), u"49.99%"_qs);
        QCOMPARE(f->window->sldULD()->value(), 4095);
        QCOMPARE(f->text("lblULD"), u"100.00%"_qs);
        QVERIFY(f->device.sent(kivo::PARAM_LLD).isEmpty());
    }

    void disconnectPrompt_data() {
        QTest::addColumn<MsgAnswer>("answer");
        QTest::addColumn<bool>("disconnects");
        QTest::addColumn<bool>("saves");
        QTest::newRow("Cancel") << MsgAnswer::Cancel << false << false;
        QTest::newRow("Yes") << MsgAnswer::Yes << true << true;
        QTest::newRow("No") << MsgAnswer::No << true << false;
    }
    void disconnectPrompt() {
        QFETCH(MsgAnswer, answer);
        QFETCH(bool, disconnects);
        QFETCH(bool, saves);
        f->connectAndReset();
        makeUnsaved();
        f->messages.answers << answer;
        f->click("cmdConnect");

        QVERIFY(!f->messages.shown.isEmpty());
        const ShownMessage& prompt = f->messages.shown.first();
        QCOMPARE(prompt.title, u"MorlaCP"_qs);
        QCOMPARE(prompt.text, kUnsavedPrompt);
        QCOMPARE(prompt.icon, MsgIcon::Question);
        QCOMPARE(prompt.buttons, MsgButtons::YesNoCancel);

        QCOMPARE(f->device.callsOf(Op::Save).size(), saves ? 1 : 0);
        QCOMPARE(f->device.callsOf(Op::Close).size(), disconnects ? 1 : 0);
        if (disconnects) {
            QCOMPARE(f->device.calls.last().op, Op::Close);
            QCOMPARE(globals::hSCA, 0);
            QCOMPARE(f->button("cmdConnect")->text(), u"&Connect"_qs);
            QCOMPARE(f->window->statusText(), u"Not connected"_qs);
            QVERIFY(!f->window->timer1().isActive());
            for (const char* name : {"cmdApplyHV", "cmdRefresh", "cmdSave"})
                QVERIFY2(!f->find(name)->isEnabled(), name);
            // The settings shown stay as they were.
            QCOMPARE(f->window->cmbCoarseGain()->currentText(), u"x4"_qs);
        } else {
            QCOMPARE(f->messages.shown.size(), 1);
            QCOMPARE(globals::hSCA, FakeDevice::HANDLE);
            QCOMPARE(f->button("cmdConnect")->text(), u"&Disconnect"_qs);
            QVERIFY(f->window->timer1().isActive());
            QVERIFY(f->button("cmdSave")->isEnabled());
        }
    }

    void disconnectWithNothingUnsavedAsksNothing() {
        f->connectAndReset();
        f->click("cmdConnect");
        QVERIFY(f->messages.shown.isEmpty());
        QCOMPARE(f->device.calls, (QList<FakeCall>{{Op::Close, -1, FakeDevice::HANDLE, 0}}));
    }

    void exitWithoutConnectionClosesAtOnce() {
        QSignalSpy unloaded(f->window.get(), &TopLevel::unloaded);
        f->click("cmdExit");
        QVERIFY(f->messages.shown.isEmpty());
        QVERIFY(!f->window->isVisible());
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(f->device.calls.isEmpty());
    }

    void exitWithFailedSaveStillCloses() {
        f->connectAndReset();
        makeUnsaved();
        f->device.saveResult = 3;
        f->messages.answers << MsgAnswer::Yes;
        QSignalSpy unloaded(f->window.get(), &TopLevel::unloaded);
        f->click("cmdExit");
        QCOMPARE(f->messages.texts(), (QStringList{kUnsavedPrompt, u"Failed to save settings."_qs}));
        QVERIFY(!f->window->isVisible());
        QCOMPARE(unloaded.size(), 1);
        // The connection is closed on the way out.
        QCOMPARE(f->device.calls.last(), (FakeCall{Op::Close, -1, FakeDevice::HANDLE, 0}));
        QCOMPARE(globals::hSCA, 0);
    }

    void exitCancelledKeepsWindow() {
        f->connectAndReset();
        makeUnsaved();
        f->messages.answers << MsgAnswer::Cancel;
        QSignalSpy unloaded(f->window.get(), &TopLevel::unloaded);
        f->window->close(); // the window's close box takes the same way
        QVERIFY(f->window->isVisible());
        QCOMPARE(unloaded.size(), 0);
        QCOMPARE(f->messages.shown.size(), 1);
        QCOMPARE(globals::hSCA, FakeDevice::HANDLE);
    }

    void countRateLabel() {
        f->window->Timer1_Timer();
        QVERIFY(f->device.calls.isEmpty());

        f->connectAndReset();
        f->device.cpsReadings = {{0, 1234, 1}};
        f->window->Timer1_Timer();
        QCOMPARE(f->text("lblCPS"), u"1234 CPS"_qs);

        f->device.cpsReadings = {{0, 999, 0}}; // stale
        f->window->Timer1_Timer();
        QCOMPARE(f->text("lblCPS"), u"1234 CPS"_qs);

        f->device.cpsReadings = {{4, 999, 1}}; // failed read
        f->window->Timer1_Timer();
        QCOMPARE(f->text("lblCPS"), u"1234 CPS"_qs);

        f->device.cpsReadings = {{0, -56, 1}};
        f->window->Timer1_Timer();
        QCOMPARE(f->text("lblCPS"), u"-56 CPS"_qs);
        QVERIFY(f->messages.shown.isEmpty());
        QCOMPARE(f->device.callsOf(Op::ReadCPS).size(), 4);
    }

    void neverFreshNeverChanges() {
        f->connectAndReset();
        for (int i = 0; i < 5; ++i)
            f->window->Timer1_Timer();
        QCOMPARE(f->text("lblCPS"), u"0 CPS"_qs);
    }

    void missingLibraryIsToldOnce() {
        f.reset();
        qputenv("KIVOLIB_LIBRARY", "/nonexistent/libKivoLib.so");
        MessageRecorder messages;
        TopLevel window; // on the real binding, without a fake table
        auto* connect = window.findChild<QPushButton*>(u"cmdConnect"_qs);
        QTest::mouseClick(connect, Qt::LeftButton);
        QTest::mouseClick(connect, Qt::LeftButton);
        qunsetenv("KIVOLIB_LIBRARY");
        QCOMPARE(messages.shown.size(), 3);
        QCOMPARE(messages.shown[0].title, u"KivoCP"_qs);
        QCOMPARE(messages.shown[0].icon, MsgIcon::Critical);
        QVERIFY(messages.shown[0].text.contains(u"/nonexistent/libKivoLib.so"_qs));
        QCOMPARE(messages.shown[1].text, u"Failed to connect to SCA."_qs);
        QCOMPARE(messages.shown[2].text, u"Failed to connect to SCA."_qs);
        QCOMPARE(globals::hSCA, 0);
        kivo::DeviceLink::instance().overrideFunctions(nullptr); // forget the failed load
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
