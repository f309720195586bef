// The settings readback: what each device value shows as, the limits applied, which groups the
// variant and firmware enable, and that showing values never sends or marks them unsaved.
#include "PanelFixture.h"

using Op = FakeCall::Op;

class TestReadback : public QObject {
    Q_OBJECT

    std::unique_ptr<PanelFixture> f;

    void connectTo(const QByteArray& name, const QByteArray& firmware) {
        f->device.texts[kivo::PARAM_PRODUCT_NAME] = name;
        f->device.texts[kivo::PARAM_FW_VERSION] = firmware;
        f->connectAndReset();
    }
    bool enabled(const char* name) const { return f->find(name)->isEnabled(); }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<PanelFixture>();
    }
    void cleanup() { f.reset(); }

    void notConnectedTouchesNothing() {
        f->window->txtHV()->setText(u"123"_qs);
        f->window->cmdRefresh_Click();
        QCOMPARE(f->messages.shown.size(), 1);
        QCOMPARE(f->messages.shown[0].title, u"KivoCP"_qs);
        QCOMPARE(f->messages.shown[0].text, u"Not connected."_qs);
        QCOMPARE(f->messages.shown[0].icon, MsgIcon::Warning);
        QVERIFY(f->device.calls.isEmpty());
        QCOMPARE(f->window->txtHV()->text(), u"123"_qs);
        QCOMPARE(f->text("lblFineGain"), u"1.0"_qs);
    }

    void showsEveryValue() {
        f->device.numbers[kivo::PARAM_INTEGRAL_MODE] = 1;
        connectTo("Kivo-VR 1000", "2.0.1");
        f->click("cmdRefresh");
        QCOMPARE(f->device.readIds(),
                 (QList<qint32>{kivo::PARAM_HV, kivo::PARAM_GAIN, kivo::PARAM_LLD, kivo::PARAM_ULD,
                                kivo::PARAM_INTEGRAL_MODE, kivo::PARAM_TTL_DURATION, kivo::PARAM_ANALOG_MODE,
                                kivo::PARAM_CPS_RANGE, kivo::PARAM_RESPONSE_TIME}));
        QVERIFY(f->device.callsOf(Op::Set).isEmpty());
        QVERIFY(f->messages.shown.isEmpty());
        TopLevel& w = *f->window;
        QCOMPARE(w.txtHV()->text(), u"750.2"_qs);
        QCOMPARE(w.cmbCoarseGain()->currentIndex(), 1);
        QCOMPARE(w.sldFineGain()->value(), 1000);
        QCOMPARE(f->text("lblFineGain"), u"x1.2442"_qs);
        QCOMPARE(w.sldLLD()->value(), 100);
        QCOMPARE(f->text("lblLLD"), u"4.89%"_qs);
        QCOMPARE(w.sldULD()->value(), 1900);
        QCOMPARE(f->text("lblULD"), u"92.82%"_qs);
        QVERIFY(w.chkIntegMode()->isChecked());
        for (const char* name : {"sldULD", "lblULD", "lblULDsld"})
            QVERIFY2(!enabled(name), name);
        QCOMPARE(w.cmbTTL()->currentText(), u"7.5 \u00B5sec"_qs);
        QVERIFY(w.rbDC()->isChecked());
        QCOMPARE(w.cmbCPSRange()->currentText(), u"200"_qs);
        QCOMPARE(w.cmbRespTime()->currentText(), u"1 sec"_qs);
        for (const char* name : {"frTTL", "lblTTL", "cmbTTL", "frVR", "rbPulse", "rbDC", "lblCPSRange",
                                 "cmbCPSRange", "lblRespTime", "cmbRespTime"})
            QVERIFY2(enabled(name), name);

        // Integral mode off again enables the ULD controls.
        f->device.numbers[kivo::PARAM_INTEGRAL_MODE] = 0;
        f->click("cmdRefresh");
        QVERIFY(!w.chkIntegMode()->isChecked());
        for (const char* name : {"sldULD", "lblULD", "lblULDsld"})
            QVERIFY2(enabled(name), name);
    }

    void valuesAreLimitedToTheLists_data() {
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<int>("ttl");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("response");
        QTest::addColumn<QString>("ttlText");
        QTest::addColumn<QString>("rangeText");
        QTest::addColumn<int>("responsePosition");
        QTest::newRow("TTL 20, range 40 long list")
            << QByteArray("2.0.1") << 20 << 40 << 99 << u"20 \u00B5sec"_qs << u"60000"_qs << 13;
        QTest::newRow("TTL -1, range -3")
            << QByteArray("2.0.1") << -1 << -3 << -1 << u"0.25 \u00B5sec"_qs << u"50"_qs << 0;
        QTest::newRow("range 12 short list")
            << QByteArray("1.1.5") << 0 << 12 << 0 << u"2.5 \u00B5sec"_qs << u"50000"_qs << -1;
    }
    void valuesAreLimitedToTheLists() {
        QFETCH(QByteArray, firmware);
        QFETCH(int, ttl);
        QFETCH(int, range);
        QFETCH(int, response);
        QFETCH(QString, ttlText);
        QFETCH(QString, rangeText);
        QFETCH(int, responsePosition);
        f->device.numbers[kivo::PARAM_TTL_DURATION] = ttl;
        f->device.numbers[kivo::PARAM_CPS_RANGE] = range;
        f->device.numbers[kivo::PARAM_RESPONSE_TIME] = response;
        f->device.texts[kivo::PARAM_FW_VERSION] = firmware;
        f->click("cmdConnect");
        QCOMPARE(f->window->cmbTTL()->currentText(), ttlText);
        QCOMPARE(f->window->cmbCPSRange()->currentText(), rangeText);
        QCOMPARE(f->window->cmbRespTime()->currentIndex(), responsePosition);
        QVERIFY(f->device.callsOf(Op::Set).isEmpty());
    }

    void basicVariantDisablesAnalogueOutput() {
        connectTo("Kivo-VR 1000", "2.0.1");
        QVERIFY(enabled("frVR"));
        f->click("cmdConnect");
        connectTo("Kivo 500", "2.0.1");
        f->click("cmdRefresh");
        QVERIFY(!f->device.readIds().contains(kivo::PARAM_ANALOG_MODE));
        QVERIFY(!f->device.readIds().contains(kivo::PARAM_CPS_RANGE));
        QVERIFY(!f->device.readIds().contains(kivo::PARAM_RESPONSE_TIME));
        for (const char* name :
             {"frVR", "rbPulse", "rbDC", "lblCPSRange", "cmbCPSRange", "lblRespTime", "cmbRespTime"})
            QVERIFY2(!enabled(name), name);
    }

    void oldFirmwareKeepsResponseTimeDisabled() {
        connectTo("Kivo-VR 1000", "1.1.5");
        QVERIFY(f->window->rbDC()->isChecked());
        QVERIFY(enabled("lblCPSRange"));
        QVERIFY(enabled("cmbCPSRange"));
        QVERIFY(!enabled("lblRespTime"));
        QVERIFY(!enabled("cmbRespTime"));
        // Without the adjustable pulse duration the TTL group shows the default and reads nothing.
        QVERIFY(!enabled("frTTL"));
        QCOMPARE(f->window->cmbTTL()->currentIndex(), 5);
        f->click("cmdRefresh");
        QVERIFY(!f->device.readIds().contains(kivo::PARAM_RESPONSE_TIME));
        QVERIFY(!f->device.readIds().contains(kivo::PARAM_TTL_DURATION));
    }

    void pulseModeDisablesRangeControls() {
        f->device.numbers[kivo::PARAM_ANALOG_MODE] = 0;
        connectTo("Kivo-VR 1000", "2.0.1");
        QVERIFY(f->find<QRadioButton>("rbPulse")->isChecked());
        for (const char* name : {"lblCPSRange", "cmbCPSRange", "lblRespTime", "cmbRespTime"})
            QVERIFY2(!enabled(name), name);
    }

    void showingValuesMarksNothingUnsaved() {
        connectTo("Kivo-VR 1000", "2.0.1");
        QVERIFY(!f->button("cmdSave")->isEnabled());
        QVERIFY(!f->button("cmdApplyHV")->isEnabled());
        f->device.numbers[kivo::PARAM_HV] = 100;
        f->device.numbers[kivo::PARAM_GAIN] = 3 * 4096 + 7;
        f->device.numbers[kivo::PARAM_LLD] = 700;
        f->device.numbers[kivo::PARAM_TTL_DURATION] = 1;
        f->device.numbers[kivo::PARAM_ANALOG_MODE] = 0;
        f->click("cmdRefresh");
        QVERIFY(f->device.callsOf(Op::Set).isEmpty());
        QVERIFY(!f->button("cmdSave")->isEnabled());
        QVERIFY(!f->button("cmdApplyHV")->isEnabled());
        QCOMPARE(f->window->cmbCoarseGain()->currentText(), u"x8"_qs);
    }

    void levelsOutsideTheRange() {
        f->device.numbers[kivo::PARAM_LLD] = 3000;
        f->device.numbers[kivo::PARAM_ULD] = -20;
        connectTo("Kivo-VR 1000", "2.0.1");
        QCOMPARE(f->window->sldLLD()->value(), 2047);
        QCOMPARE(f->text("lblLLD"), u"100.00%"_qs);
        QCOMPARE(f->window->sldULD()->value(), 0);
        QCOMPARE(f->text("lblULD"), u"0.00%"_qs);
        QCOMPARE(f->device.numbers[kivo::PARAM_LLD], 3000);
    }

    void coarseGainWithoutEntryKeepsDeviceBits() {
        f->device.numbers[kivo::PARAM_GAIN] = 5 * 4096 + 100;
        connectTo("Kivo-VR 1000", "2.0.1");
        QCOMPARE(f->window->cmbCoarseGain()->currentIndex(), -1);
        QCOMPARE(f->window->sldFineGain()->value(), 100);
        // Moving the fine gain keeps the device's coarse index rather than sending a broken value.
        QSlider* fine = f->window->sldFineGain();
        fine->setFocus();
        QTest::keyClick(fine, Qt::Key_Right);
        QCOMPARE(f->device.sent(kivo::PARAM_GAIN), QList<qint32>{5 * 4096 + 101});
    }

    void failedReadsKeepControls() {
        connectTo("Kivo-VR 1000", "2.0.1");
        f->device.failingGets = {kivo::PARAM_HV, kivo::PARAM_ANALOG_MODE, kivo::PARAM_TTL_DURATION};
        f->device.numbers[kivo::PARAM_LLD] = 1024;
        f->click("cmdRefresh");
        QCOMPARE(f->messages.texts(), (QStringList{u"Failed to read High Voltage level."_qs,
                                                   u"Failed to read TTL pulse duration."_qs,
                                                   u"Failed to read analogue output mode."_qs}));
        QCOMPARE(f->window->txtHV()->text(), u"750.2"_qs);
        QCOMPARE(f->text("lblLLD"), u"50.02%"_qs);
        QVERIFY(f->window->rbDC()->isChecked());
        QCOMPARE(globals::hSCA, FakeDevice::HANDLE);
    }
};

QTEST_MAIN(TestReadback)
#include "tst_readback.moc"
