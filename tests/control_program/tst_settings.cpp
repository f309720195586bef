// The settings handlers: high voltage and save, gain, discriminator window with UpdateControls, and
// the output settings, driven through the widgets as a user drives them.
#include "Conversions.h"
#include "PanelFixture.h"

#include <QSignalSpy>

using Op = FakeCall::Op;

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<PanelFixture> f;

    void applyVolts(const QString& text) {
        QLineEdit* hv = f->window->txtHV();
        hv->selectAll();
        QTest::keyClick(hv, Qt::Key_Delete);
        QTest::keyClicks(hv, text);
        f->click("cmdApplyHV");
    }
    // Clicks a check box or option button on its indicator, where a user clicks.
    static void clickIndicator(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
    }
    void choose(QComboBox* list, const QString& text) {
        const int index = list->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        list->setCurrentIndex(index);
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<PanelFixture>();
    }
    void cleanup() {
        globals::scanRunning = false;
        f.reset();
    }

    // ---- High voltage and save ----

    void highVoltageCounts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("50") << u"50"_qs << 136;
        QTest::newRow("150") << u"150"_qs << 410;
        QTest::newRow("1500") << u"1500"_qs << 4095;
        QTest::newRow("1600") << u"1600"_qs << 4368;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("abc") << u"abc"_qs << 0;
    }
    void highVoltageCounts() {
        QFETCH(QString, text);
        QFETCH(int, count);
        f->connectAndReset();
        applyVolts(text);
        QCOMPARE(f->device.calls, (QList<FakeCall>{{Op::Set, kivo::PARAM_HV, count, 4}}));
        QVERIFY(f->messages.shown.isEmpty());
        QVERIFY(!f->button("cmdApplyHV")->isEnabled());
        QVERIFY(f->button("cmdSave")->isEnabled());
        QCOMPARE(f->window->txtHV()->text(), text);
    }

    void highVoltageInCommaLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        f->connectAndReset();
        QCOMPARE(f->window->txtHV()->text(), u"750,2"_qs);
        applyVolts(u"1000,5"_qs);
        QCOMPARE(f->device.sent(kivo::PARAM_HV), QList<qint32>{2731});
    }

    void highVoltageBeyondCountRangeIsRefused() {
        f->connectAndReset();
        applyVolts(u"1e30"_qs);
        QVERIFY(f->device.calls.isEmpty());
        QCOMPARE(f->messages.shown.size(), 1);
        QCOMPARE(f->messages.shown[0].title, u"KivoCP"_qs);
        QCOMPARE(f->messages.shown[0].icon, MsgIcon::Warning);
        QVERIFY(f->messages.shown[0].text.contains(u"1e30"_qs));
        QVERIFY(!f->button("cmdSave")->isEnabled());
        QVERIFY(f->button("cmdApplyHV")->isEnabled()); // still pending, for a corrected value
    }

    void applyOnlyAfterEditingWhileConnected() {
        QTest::keyClicks(f->window->txtHV(), u"900"_qs);
        QVERIFY(!f->button("cmdApplyHV")->isEnabled());
        f->window->cmdApplyHV_Click();
        QCOMPARE(f->messages.texts(), QStringList{u"Not connected."_qs});
        QCOMPARE(f->messages.shown[0].icon, MsgIcon::Warning);
        QVERIFY(f->device.calls.isEmpty());

        f->connectAndReset(); // the readback fills the text: still nothing to apply
        QVERIFY(!f->button("cmdApplyHV")->isEnabled());
        QTest::keyClick(f->window->txtHV(), Qt::Key_0);
        QVERIFY(f->button("cmdApplyHV")->isEnabled());
    }

    void failedApplyStillMarksUnsaved() {
        f->connectAndReset();
        f->device.failingSets << kivo::PARAM_HV;
        applyVolts(u"800"_qs);
        QCOMPARE(f->messages.texts(), QStringList{u"Failed to set High Voltage level."_qs});
        QCOMPARE(f->messages.shown[0].icon, MsgIcon::Critical);
        QVERIFY(!f->button("cmdApplyHV")->isEnabled());
        QVERIFY(f->button("cmdSave")->isEnabled());
    }

    void save() {
        f->connectAndReset();
        applyVolts(u"800"_qs);
        f->device.saveResult = 1;
        f->click("cmdSave");
        QCOMPARE(f->messages.texts(), QStringList{u"Failed to save settings."_qs});
        QCOMPARE(f->messages.shown[0].icon, MsgIcon::Critical);
        QVERIFY(f->button("cmdSave")->isEnabled());

        f->device.saveResult = 0;
        f->click("cmdSave");
        QCOMPARE(f->messages.shown.last().text, u"Settings successfully saved into permanent memory."_qs);
        QCOMPARE(f->messages.shown.last().icon, MsgIcon::Information);
        QVERIFY(!f->button("cmdSave")->isEnabled());
        QCOMPARE(f->device.callsOf(Op::Save).size(), 2);
    }

    void saveWhileNotConnected() {
        f->window->cmdSave_Click();
        QCOMPARE(f->messages.texts(), QStringList{u"Not connected."_qs});
        QCOMPARE(f->messages.shown[0].icon, MsgIcon::Warning);
        QVERIFY(!f->button("cmdSave")->isEnabled());
        QVERIFY(f->device.calls.isEmpty());
    }

    // ---- Gain ----

    void gainCombinesBothParts_data() {
        QTest::addColumn<QString>("coarse");
        QTest::addColumn<int>("fine");
        QTest::addColumn<int>("value");
        QTest::newRow("x4 and 1000") << u"x4"_qs << 1000 << 9192;
        QTest::newRow("x8 and 4095") << u"x8"_qs << 4095 << 16383;
        QTest::newRow("x1 and 0") << u"x1"_qs << 0 << 0;
    }
    void gainCombinesBothParts() {
        QFETCH(QString, coarse);
        QFETCH(int, fine);
        QFETCH(int, value);
        f->device.numbers[kivo::PARAM_GAIN] = 2 * 4096 + fine; // coarse differs from every row but x4
        f->connectAndReset();
        if (coarse == u"x4"_qs)
            choose(f->window->cmbCoarseGain(), u"x2"_qs);
        choose(f->window->cmbCoarseGain(), coarse);
        QCOMPARE(f->device.sent(kivo::PARAM_GAIN).last(), value);
        QVERIFY(f->button("cmdSave")->isEnabled());
        QCOMPARE(f->text("lblFineGain"), conv::fineGainText(fine)); // the coarse list leaves the label
    }

    void fineGainDrag() {
        f->connectAndReset();
        choose(f->window->cmbCoarseGain(), u"x2"_qs);
        f->device.calls.clear();
        QSlider* fine = f->window->sldFineGain();
        fine->setSliderDown(true); // the thumb held as by a drag
        fine->setSliderPosition(2048);
        QCOMPARE(f->text("lblFineGain"), u"x1.5001"_qs);
        fine->setSliderDown(false);
        QCOMPARE(f->device.sent(kivo::PARAM_GAIN), (QList<qint32>{4096 + 2048, 4096 + 2048}));
    }

    void gainFailureAndNoDevice() {
        choose(f->window->cmbCoarseGain(), u"x8"_qs);
        f->window->sldFineGain()->setValue(300);
        QVERIFY(f->device.calls.isEmpty());
        QVERIFY(f->messages.shown.isEmpty());
        QVERIFY(!f->button("cmdSave")->isEnabled());
        QCOMPARE(f->text("lblFineGain"), u"1.0"_qs);

        f->connectAndReset();
        f->device.failingSets << kivo::PARAM_GAIN;
        choose(f->window->cmbCoarseGain(), u"x1"_qs);
        QCOMPARE(f->messages.texts(), QStringList{u"Failed to set Amplifier Gain."_qs});
        QVERIFY(f->button("cmdSave")->isEnabled());
        QCOMPARE(f->window->cmbCoarseGain()->currentText(), u"x1"_qs);
    }

    // ---- Discriminator ----

    void levelPercentages() {
        f->connectAndReset();
        QSlider* lld = f->window->sldLLD();
        lld->setFocus();
        QTest::keyClick(lld, Qt::Key_End);
        QCOMPARE(f->text("lblLLD"), u"100.00%"_qs);
        QTest::keyClick(lld, Qt::Key_Home);
        QCOMPARE(f->text("lblLLD"), u"0.00%"_qs);
        lld->setValue(1024);
        QCOMPARE(f->text("lblLLD"), u"50.02%"_qs);
        QCOMPARE(f->device.sent(kivo::PARAM_LLD), (QList<qint32>{2047, 0, 1024}));
        QVERIFY(f->button("cmdSave")->isEnabled());
    }

    void userDragSendsEveryStepOnceAndFinalChange() {
        f->connectAndReset();
        QSlider* uld = f->window->sldULD();
        const int before = uld->value();
        QSignalSpy moved(uld, &QSlider::sliderMoved);
        PanelFixture::dragThumb(uld, -60, 6);
        QVERIFY(moved.size() >= 2);
        QVERIFY(uld->value() < before);
        QList<qint32> expected;
        for (const QList<QVariant>& step : moved)
            expected << step.at(0).toInt();
        expected << uld->value(); // and once more when the thumb is released
        QCOMPARE(f->device.sent(kivo::PARAM_ULD), expected);
        QCOMPARE(f->text("lblULD"), conv::levelPercentText(uld->value(), 2047));
        QVERIFY(f->device.sent(kivo::PARAM_LLD).isEmpty());
    }

    void programmaticFillsSendNothing() {
        f->connectAndReset();
        f->device.numbers[kivo::PARAM_LLD] = 500;
        f->device.numbers[kivo::PARAM_ULD] = 600;
        f->click("cmdRefresh");
        QVERIFY(f->device.callsOf(Op::Set).isEmpty());
        QCOMPARE(f->window->sldLLD()->value(), 500);
        f->window->UpdateControls(10, 20, 0);
        // Only UpdateControls' own three sends, none echoed by the slider handlers.
        QCOMPARE(f->device.callsOf(Op::Set), (QList<FakeCall>{{Op::Set, kivo::PARAM_LLD, 10, 4},
                                                              {Op::Set, kivo::PARAM_ULD, 20, 4},
                                                              {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}}));
    }

    void integralModeTogglesULD() {
        f->connectAndReset();
        const int uld = f->window->sldULD()->value();
        clickIndicator(f->window->chkIntegMode());
        for (const char* name : {"sldULD", "lblULD", "lblULDsld"})
            QVERIFY2(!f->find(name)->isEnabled(), name);
        clickIndicator(f->window->chkIntegMode());
        for (const char* name : {"sldULD", "lblULD", "lblULDsld"})
            QVERIFY2(f->find(name)->isEnabled(), name);
        QCOMPARE(f->device.sent(kivo::PARAM_INTEGRAL_MODE), (QList<qint32>{1, 0}));
        QCOMPARE(f->window->sldULD()->value(), uld);
        QVERIFY(f->device.sent(kivo::PARAM_ULD).isEmpty());
    }

    void scanOwnsTheDiscriminator() {
        f->connectAndReset();
        globals::scanRunning = true;
        f->window->sldLLD()->setValue(700);
        clickIndicator(f->window->chkIntegMode());
        QVERIFY(!f->find("sldULD")->isEnabled()); // the controls stay live
        QCOMPARE(f->text("lblLLD"), u"34.20%"_qs);
        f->window->UpdateControls(30, 40, 0);
        QVERIFY(f->device.calls.isEmpty());
        QVERIFY(f->button("cmdSave")->isEnabled());
        QCOMPARE(f->window->sldLLD()->value(), 30);
    }

    void updateControlsClampsOnlyTheDisplay() {
        f->connectAndReset();
        f->window->UpdateControls(3000, 100, 1);
        QCOMPARE(f->device.sent(kivo::PARAM_LLD), QList<qint32>{3000});
        QCOMPARE(f->device.sent(kivo::PARAM_ULD), QList<qint32>{100}); // below the LLD: accepted
        QCOMPARE(f->device.sent(kivo::PARAM_INTEGRAL_MODE), QList<qint32>{1});
        QCOMPARE(f->window->sldLLD()->value(), 2047);
        QCOMPARE(f->text("lblLLD"), u"100.00%"_qs);
        QCOMPARE(f->window->sldULD()->value(), 100);
        QVERIFY(f->window->chkIntegMode()->isChecked());
        QVERIFY(!f->find("lblULDsld")->isEnabled());
        QVERIFY(f->button("cmdSave")->isEnabled());
        QVERIFY(!f->window->isUpdatingControls());
    }

    void updateControlsReportsRefusals() {
        f->connectAndReset();
        f->device.failingSets = {kivo::PARAM_LLD, kivo::PARAM_ULD, kivo::PARAM_INTEGRAL_MODE};
        f->window->UpdateControls(1, 2, 0);
        QCOMPARE(f->messages.texts(), (QStringList{u"Failed to set LLD."_qs, u"Failed to set ULD."_qs,
                                                   u"Failed to set integral mode."_qs}));
    }

    void updateControlsWithoutDevice() {
        f->window->UpdateControls(1024, 2047, 0);
        QVERIFY(f->device.calls.isEmpty());
        QCOMPARE(f->text("lblLLD"), u"50.02%"_qs);
        QVERIFY(!f->button("cmdSave")->isEnabled());
    }

    void discriminatorWithoutDeviceDoesNothing() {
        PanelFixture::dragThumb(f->window->sldLLD(), 40, 4);
        clickIndicator(f->window->chkIntegMode());
        QVERIFY(f->device.calls.isEmpty());
        QVERIFY(f->messages.shown.isEmpty());
        QCOMPARE(f->text("lblLLD"), u"0%"_qs);
        QVERIFY(f->find("sldULD")->isEnabled());
    }

    void refusedLevelKeepsUsersChoice() {
        f->connectAndReset();
        f->device.failingSets << kivo::PARAM_LLD;
        f->window->sldLLD()->setValue(300);
        QCOMPARE(f->messages.texts(), QStringList{u"Failed to set LLD."_qs});
        QCOMPARE(f->window->sldLLD()->value(), 300);
        QVERIFY(f->button("cmdSave")->isEnabled());
    }

    // ---- Output settings ----

    void listsSendTheirPosition() {
        f->device.numbers[kivo::PARAM_TTL_DURATION] = 2;
        f->connectAndReset(); // Kivo-VR, firmware 2.0.1, "CPS level"
        choose(f->window->cmbTTL(), u"7.5 \u00B5sec"_qs);
        QCOMPARE(f->device.sent(kivo::PARAM_TTL_DURATION), QList<qint32>{9});
        choose(f->window->cmbRespTime(), u"0.1 sec"_qs);
        QCOMPARE(f->device.sent(kivo::PARAM_RESPONSE_TIME), QList<qint32>{0});
        choose(f->window->cmbCPSRange(), u"60000"_qs);
        QCOMPARE(f->device.sent(kivo::PARAM_CPS_RANGE), QList<qint32>{28});
        QVERIFY(f->button("cmdSave")->isEnabled());

        QComboBox* ttl = f->window->cmbTTL();
        ttl->setFocus();
        QTest::keyClick(ttl, Qt::Key_Down);
        QCOMPARE(f->device.sent(kivo::PARAM_TTL_DURATION), (QList<qint32>{9, 10}));
    }

    void shortRangeList() {
        f->device.texts[kivo::PARAM_FW_VERSION] = "1.1.5";
        f->connectAndReset();
        choose(f->window->cmbCPSRange(), u"50000"_qs);
        QCOMPARE(f->device.sent(kivo::PARAM_CPS_RANGE), QList<qint32>{7});
    }

    void listRefusals() {
        f->connectAndReset();
        f->device.failingSets = {kivo::PARAM_TTL_DURATION, kivo::PARAM_CPS_RANGE, kivo::PARAM_RESPONSE_TIME,
                                 kivo::PARAM_ANALOG_MODE};
        choose(f->window->cmbTTL(), u"1 \u00B5sec"_qs);
        choose(f->window->cmbCPSRange(), u"50"_qs);
        choose(f->window->cmbRespTime(), u"20 sec"_qs);
        clickIndicator(f->find<QRadioButton>("rbPulse"));
        QCOMPARE(f->messages.texts(), (QStringList{u"Failed to set TTL pulse duration."_qs,
                                                   u"Failed to set CPS to Voltage Gain."_qs,
                                                   u"Failed to set response time of analogue output."_qs,
                                                   u"Failed to set analogue output mode."_qs}));
    }

    void analogueModeButtons() {
        f->device.texts[kivo::PARAM_FW_VERSION] = "1.1.5";
        f->connectAndReset();
        clickIndicator(f->find<QRadioButton>("rbPulse"));
        for (const char* name : {"lblCPSRange", "cmbCPSRange", "lblRespTime", "cmbRespTime"})
            QVERIFY2(!f->find(name)->isEnabled(), name);
        clickIndicator(f->window->rbDC());
        QVERIFY(f->find("lblCPSRange")->isEnabled());
        QVERIFY(f->find("cmbCPSRange")->isEnabled());
        QVERIFY(!f->find("lblRespTime")->isEnabled()); // no extended ranges on this firmware
        QVERIFY(!f->find("cmbRespTime")->isEnabled());
        QCOMPARE(f->device.sent(kivo::PARAM_ANALOG_MODE), (QList<qint32>{0, 1}));
        // Neither button re-sends the range or the response time.
        QCOMPARE(f->device.callsOf(Op::Set).size(), 2);
        QVERIFY(f->button("cmdSave")->isEnabled());
    }

    void outputSettingsWithoutDevice() {
        choose(f->window->cmbTTL(), u"20 \u00B5sec"_qs);
        choose(f->window->cmbCPSRange(), u"100"_qs);
        f->window->rbDC()->setChecked(true);
        QVERIFY(f->device.calls.isEmpty());
        QVERIFY(f->messages.shown.isEmpty());
        QVERIFY(!f->button("cmdSave")->isEnabled());
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
