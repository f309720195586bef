// The scan procedure on a fake device: the windows it sends and the readings it sums, sweeps, Stop,
// Clear and Close, slider moves during a scan, the user's window as ROI 1, and device failures.
#include "ScanFixture.h"

#include <limits>

using Op = FakeCall::Op;

class TestScanProcedure : public QObject {
    Q_OBJECT

    std::unique_ptr<ScanFixture> f;

    // The Set calls among the recorded calls.
    QList<FakeCall> sets() const { return f->device.callsOf(Op::Set); }
    QStringList morlaTexts() const {
        QStringList out;
        for (const ShownMessage& m : f->messages.shown) {
            if (m.title != u"Morla"_qs || m.icon != MsgIcon::Critical || m.buttons != MsgButtons::Ok)
                out << u"unexpected box: "_qs + m.title + u": "_qs + m.text;
            else
                out << m.text;
        }
        return out;
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<ScanFixture>();
    }
    void cleanup() { f.reset(); }

    void fullSweepSendsEveryWindowInOrderAndSumsThreeOfFourReadings() {
        Scan* s = f->connectAndOpen();
        f->typeSweeps(s, u"1"_qs);
        f->device.calls.clear();
        ScanFixture::press(s->cmdStartStop());
        QVERIFY(globals::scanRunning);
        QCOMPARE(s->cmdStartStop()->text(), u"&Stop"_qs);

        // Reading i carries the value i, so the sums show which readings were used.
        int reading = 0;
        while (globals::scanRunning && reading < 1000) {
            f->device.cpsReadings << std::array<qint32, 3>{0, reading++, 1};
            f->window->Timer1_Timer();
        }
        QCOMPARE(reading, 127 * 4);

        QList<FakeCall> expected{{Op::Get, kivo::PARAM_LLD, 0, 4},
                                 {Op::Get, kivo::PARAM_ULD, 0, 4},
                                 {Op::Get, kivo::PARAM_INTEGRAL_MODE, 0, 4},
                                 {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}};
        for (int k = 1; k <= 127; ++k) {
            expected << FakeCall{Op::Set, kivo::PARAM_LLD, 16 * k - 4, 4}
                     << FakeCall{Op::Set, kivo::PARAM_ULD, qMin(2047, 16 * k + 20), 4};
            for (int r = 0; r < 4; ++r)
                expected << FakeCall{Op::ReadCPS, -1, 0, 0};
        }
        expected << FakeCall{Op::Set, kivo::PARAM_LLD, 100, 4} << FakeCall{Op::Set, kivo::PARAM_ULD, 1900, 4}
                 << FakeCall{Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4};
        QCOMPARE(f->device.calls, expected);

        for (int k = 1; k <= 127; ++k) {
            const int first = 4 * (k - 1); // discarded
            QCOMPARE(globals::scanCounts[size_t(k)], (first + 1) + (first + 2) + (first + 3));
        }
        QCOMPARE(globals::scanCounts[0], 0);
        QCOMPARE(globals::scanCounts[128], 0);
        QCOMPARE(globals::scanCounts[512], 0);
        QCOMPARE(s->Plot()->data().value<QList<qint32>>(), f->counts(0, 512));
        QCOMPARE(s->statusPanel1(), u"Scan complete"_qs);
        QCOMPARE(s->statusPanel2(), QString());
        QCOMPARE(s->cmdStartStop()->text(), u"&Start"_qs);
        QVERIFY(s->cmbChannels()->isEnabled() && s->txtSweeps()->isEnabled() && s->spinSweeps()->isEnabled());
        QCOMPARE(s->Plot()->cursorPos(), 128);
        QVERIFY(f->messages.shown.isEmpty());
    }

    void progressShowsSweepAndChannel() {
        Scan* s = f->connectAndOpen();
        f->choose(s->cmbChannels(), u"64"_qs);
        f->typeSweeps(s, u"2"_qs);
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(s->statusPanel1(), u"Sweep 1 of 2"_qs);
        QCOMPARE(s->statusPanel2(), u"Channel 2 of 64"_qs);
        QVERIFY(!s->cmbChannels()->isEnabled() && !s->txtSweeps()->isEnabled() &&
                !s->spinSweeps()->isEnabled());
        f->tick(63 * 4, 5);
        QCOMPARE(s->statusPanel1(), u"Sweep 2 of 2"_qs);
        QCOMPARE(s->statusPanel2(), u"Channel 2 of 64"_qs);
        QCOMPARE(s->Plot()->cursorPos(), 64); // not moved at the start of a sweep
        f->tick(4, 5);
        QCOMPARE(s->Plot()->cursorPos(), 2);
        QCOMPARE(f->tickToEnd(5), 62 * 4);
        QCOMPARE(globals::scanCounts[1], 30);
        QCOMPARE(globals::scanCounts[63], 30);
        QCOMPARE(globals::scanCounts[64], 0);
    }

    // The typed text stays as typed; the status bar shows the count scanned. A count below 1 still
    // makes one complete sweep.
    void sweepCountAsTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("sweeps");
        QTest::newRow("0") << u"0"_qs << 0;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("text") << u"many"_qs << 0;
        QTest::newRow("negative") << u"-3"_qs << -3;
        QTest::newRow("above the up-down range") << u"500"_qs << 500;
        QTest::newRow("beyond 16 bits") << u"70000"_qs << 200;
        QTest::newRow("fraction") << u"2.5"_qs << 2;
    }
    void sweepCountAsTyped() {
        QFETCH(QString, typed);
        QFETCH(int, sweeps);
        Scan* s = f->connectAndOpen();
        f->choose(s->cmbChannels(), u"64"_qs);
        f->typeSweeps(s, typed);
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(s->txtSweeps()->text(), typed);
        QCOMPARE(int(s->sweeps()), sweeps);
        QCOMPARE(s->statusPanel1(), u"Sweep 1 of %1"_qs.arg(sweeps));
        if (sweeps <= 1) {
            QCOMPARE(f->tickToEnd(7), 63 * 4);
            QCOMPARE(s->statusPanel1(), u"Scan complete"_qs);
            QCOMPARE(globals::scanCounts[10], 21);
        } else {
            f->tick(63 * 4, 7);
            QVERIFY(globals::scanRunning);
            QCOMPARE(s->statusPanel1(), u"Sweep 2 of %1"_qs.arg(sweeps));
        }
    }

    void startShowsTheAxisInPercent() {
        Scan* s = f->connectAndOpen();
        f->choose(s->cmbChannels(), u"256"_qs);
        s->Plot()->calibrationObject()->setEnable(false);
        ScanFixture::press(s->cmdStartStop());
        const auto calibration = s->Plot()->calibrationObject();
        QVERIFY(calibration->enable());
        QCOMPARE(calibration->offset(), 0.0f);
        QCOMPARE(calibration->slope(), 100.0f / 256.0f);
    }

    // Status panels count in ASCII digits whatever digits the user's locale writes.
    void progressInPlainDigits() {
        QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
        Scan* s = f->connectAndOpen();
        f->typeSweeps(s, u"12"_qs);
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(s->statusPanel1(), u"Sweep 1 of 12"_qs);
        QCOMPARE(s->statusPanel2(), u"Channel 2 of 128"_qs);
    }

    void secondScanAddsToTheFirst() {
        Scan* s = f->connectAndOpen();
        f->choose(s->cmbChannels(), u"64"_qs);
        f->typeSweeps(s, u"1"_qs);
        ScanFixture::press(s->cmdStartStop());
        f->tickToEnd(10);
        QCOMPARE(globals::scanCounts[1], 30);
        ScanFixture::press(s->cmdStartStop());
        f->tickToEnd(10);
        QCOMPARE(f->counts(1, 63), QList<qint32>(63, 60));
        QCOMPARE(globals::scanCounts[0], 0);
        QCOMPARE(f->counts(64, 512), QList<qint32>(449, 0));
    }

    void sumsHoldAtTheLimit() {
        Scan* s = f->connectAndOpen();
        f->choose(s->cmbChannels(), u"64"_qs);
        ScanFixture::press(s->cmdStartStop());
        f->tick(1, 0);
        f->tick(3, 0x7FFFFFFF);
        QCOMPARE(globals::scanCounts[1], 0x7FFFFFFF);
        f->tick(1, 0);
        f->tick(3, -0x7FFFFFFF);
        QCOMPARE(globals::scanCounts[2], std::numeric_limits<qint32>::min());
    }

    void sliderMovesDuringAScanAreRestoredAtTheEnd() {
        Scan* s = f->connectAndOpen();
        f->choose(s->cmbChannels(), u"64"_qs);
        f->typeSweeps(s, u"1"_qs);
        ScanFixture::press(s->cmdStartStop());
        f->tick(10, 3);
        const qsizetype before = f->device.calls.size();
        QSlider* lld = f->window->sldLLD();
        const int old = lld->value();
        PanelFixture::dragThumb(lld, 60, 4);
        QVERIFY(lld->value() > old);
        for (qsizetype i = before; i < f->device.calls.size(); ++i)
            QVERIFY(f->device.calls[i].op != Op::Set);
        QVERIFY(f->button("cmdSave")->isEnabled());
        const auto roi = s->Plot()->roiCollection()->items().front();
        QCOMPARE(roi->firstChannel(), qRound(lld->value() * 64 / 2047.0));

        f->tickToEnd(3);
        const QList<FakeCall> all = sets();
        QCOMPARE(all.mid(all.size() - 3), (QList<FakeCall>{{Op::Set, kivo::PARAM_LLD, lld->value(), 4},
                                                           {Op::Set, kivo::PARAM_ULD, 1900, 4},
                                                           {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}}));
    }

    void stopInTheMiddleRestoresAndKeepsThePartialSpectrum() {
        Scan* s = f->connectAndOpen();
        ScanFixture::press(s->cmdStartStop());
        f->tick(4 * 5 + 2, 9);
        f->device.calls.clear();
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(f->device.calls, (QList<FakeCall>{{Op::Set, kivo::PARAM_LLD, 100, 4},
                                                   {Op::Set, kivo::PARAM_ULD, 1900, 4},
                                                   {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}}));
        QVERIFY(!globals::scanRunning);
        QCOMPARE(s->statusPanel1(), u"Scan aborted"_qs);
        QCOMPARE(s->statusPanel2(), QString());
        QCOMPARE(s->cmdStartStop()->text(), u"&Start"_qs);
        QCOMPARE(f->counts(0, 7), (QList<qint32>{0, 27, 27, 27, 27, 27, 9, 0}));
        QCOMPARE(s->Plot()->data().value<QList<qint32>>(), f->counts(0, 512));
        // No more readings reach the scan.
        f->tick(4, 9);
        QCOMPARE(globals::scanCounts[6], 9);
    }

    void integralModeIsSwitchedOffAndWrittenBackAsOne() {
        f->device.numbers[kivo::PARAM_INTEGRAL_MODE] = 1;
        Scan* s = f->connectAndOpen();
        f->choose(s->cmbChannels(), u"64"_qs);
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(f->device.sent(kivo::PARAM_INTEGRAL_MODE), QList<qint32>{0});
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(f->device.sent(kivo::PARAM_INTEGRAL_MODE), (QList<qint32>{0, 1}));
    }

    void startWithoutADeviceDoesNothing() {
        f->window->cmdScan_Click();
        Scan* s = f->window->scanWindow();
        ScanFixture::press(s->cmdStartStop());
        QVERIFY(!globals::scanRunning);
        QCOMPARE(s->cmdStartStop()->text(), u"&Start"_qs);
        QCOMPARE(s->statusPanel1(), u"Ready"_qs);
        QVERIFY(f->device.calls.isEmpty());
    }

    void userWindowBecomesRoiOne() {
        Scan* s = f->connectAndOpen();
        auto rois = s->Plot()->roiCollection();
        QCOMPARE(rois->count(), 1);
        s->ShowUserROI(1024, 2047, false);
        QCOMPARE(rois->count(), 1);
        auto roi = rois->items().front();
        QCOMPARE(roi->firstChannel(), 64);
        QCOMPARE(roi->lastChannel(), 128);
        QCOMPARE(roi->color(), 255u);
        QVERIFY(roi->visible());
        QVERIFY(s->Plot()->showROIs());
        s->ShowUserROI(1024, 500, true);
        QCOMPARE(roi->firstChannel(), 64);
        QCOMPARE(roi->lastChannel(), 128);
        QCOMPARE(s->savedLLD(), 1024);
        QCOMPARE(s->savedULD(), 500);
        QVERIFY(s->savedIntegMode() != 0);
        // A colour the user gave the item stays.
        roi->setColor(0x00FF00);
        s->ShowUserROI(0, 1023, false);
        QCOMPARE(roi->color(), 0x00FF00u);
        QCOMPARE(roi->lastChannel(), 64);
    }

    void clearDuringAScanRestartsTheSweep() {
        Scan* s = f->connectAndOpen();
        f->choose(s->cmbChannels(), u"64"_qs);
        f->typeSweeps(s, u"2"_qs);
        ScanFixture::press(s->cmdStartStop());
        f->tick(63 * 4 + 4 * 10, 4); // into sweep 2, channel 11
        QCOMPARE(s->channel(), 11);
        f->device.calls.clear();
        ScanFixture::press(s->cmdClear());
        QCOMPARE(f->counts(0, 512), QList<qint32>(513, 0));
        QCOMPARE(s->Plot()->data().value<QList<qint32>>(), QList<qint32>(513, 0));
        QCOMPARE(s->channel(), 1);
        QCOMPARE(f->device.calls,
                 (QList<FakeCall>{{Op::Set, kivo::PARAM_LLD, 24, 4}, {Op::Set, kivo::PARAM_ULD, 72, 4}}));
        QCOMPARE(s->statusPanel1(), u"Sweep 2 of 2"_qs);
        QCOMPARE(s->statusPanel2(), u"Channel 2 of 64"_qs);
        f->tick(4, 4);
        QCOMPARE(f->counts(0, 3), (QList<qint32>{0, 12, 0, 0}));
    }

    void clearWithoutAScanOnlyZeroes() {
        Scan* s = f->connectAndOpen();
        globals::scanCounts[5] = 7;
        globals::scanCounts[512] = 3; // no scan writes it; Clear leaves it too
        f->device.calls.clear();
        ScanFixture::press(s->cmdClear());
        QCOMPARE(globals::scanCounts[5], 0);
        QCOMPARE(globals::scanCounts[512], 3);
        QVERIFY(f->device.calls.isEmpty());
        QCOMPARE(s->channel(), 1);
    }

    void failuresAreReportedAndTheScanGoesOn_data() {
        QTest::addColumn<QList<qint32>>("failingGets");
        QTest::addColumn<QList<qint32>>("failingSets");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("reads") << QList<qint32>{kivo::PARAM_LLD, kivo::PARAM_ULD, kivo::PARAM_INTEGRAL_MODE}
                               << QList<qint32>{}
                               << QStringList{u"Failed to read LLD."_qs, u"Failed to read ULD."_qs,
                                              u"Failed to read integral mode."_qs};
        QTest::newRow("integral mode")
            << QList<qint32>{} << QList<qint32>{kivo::PARAM_INTEGRAL_MODE}
            << QStringList{u"Failed to disable integral mode."_qs, u"Failed to restore integral mode."_qs};
        QTest::newRow("LLD") << QList<qint32>{} << QList<qint32>{kivo::PARAM_LLD}
                             << QStringList{u"Failed to set LLD."_qs, u"Failed to set LLD."_qs,
                                            u"Failed to restore LLD."_qs};
        QTest::newRow("ULD") << QList<qint32>{} << QList<qint32>{kivo::PARAM_ULD}
                             << QStringList{u"Failed to set ULD."_qs, u"Failed to set ULD."_qs,
                                            u"Failed to restore ULD."_qs};
    }
    void failuresAreReportedAndTheScanGoesOn() {
        QFETCH(QList<qint32>, failingGets);
        QFETCH(QList<qint32>, failingSets);
        QFETCH(QStringList, texts);
        Scan* s = f->connectAndOpen();
        f->device.failingGets = QSet<qint32>(failingGets.begin(), failingGets.end());
        f->device.failingSets = QSet<qint32>(failingSets.begin(), failingSets.end());
        ScanFixture::press(s->cmdStartStop());
        QVERIFY(globals::scanRunning);
        f->tick(4, 1); // one channel: the next window is sent
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(morlaTexts(), texts);
        QCOMPARE(s->statusPanel1(), u"Scan aborted"_qs);
        // Every write was still attempted.
        QCOMPARE(f->device.sent(kivo::PARAM_ULD).size(), 3);
        QCOMPARE(f->device.sent(kivo::PARAM_INTEGRAL_MODE).size(), 2);
    }

    void closeDuringAScanRestoresTheWindow() {
        Scan* s = f->connectAndOpen();
        QPointer<Scan> guard(s);
        ScanFixture::press(s->cmdStartStop());
        f->tick(9, 2);
        f->device.calls.clear();
        ScanFixture::press(s->cmdClose());
        QCOMPARE(f->device.calls, (QList<FakeCall>{{Op::Set, kivo::PARAM_LLD, 100, 4},
                                                   {Op::Set, kivo::PARAM_ULD, 1900, 4},
                                                   {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}}));
        QVERIFY(!globals::scanRunning);
        QTRY_VERIFY(guard.isNull());
        // The counts survive and the next opening shows them again.
        const QList<qint32> kept = f->counts(0, 512);
        f->window->cmdScan_Click();
        Scan* again = f->window->scanWindow();
        QVERIFY(again->isVisible());
        QCOMPARE(again->Plot()->data().value<QList<qint32>>(), kept);
        QCOMPARE(again->statusPanel1(), u"Ready"_qs);
    }

    void frameCloseDuringAScanRestoresTheWindow() {
        Scan* s = f->connectAndOpen();
        QPointer<Scan> guard(s);
        ScanFixture::press(s->cmdStartStop());
        f->tick(5, 2);
        f->device.calls.clear();
        QVERIFY(s->windowHandle());
        s->windowHandle()->close();
        QCOMPARE(f->device.calls, (QList<FakeCall>{{Op::Set, kivo::PARAM_LLD, 100, 4},
                                                   {Op::Set, kivo::PARAM_ULD, 1900, 4},
                                                   {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}}));
        QVERIFY(!globals::scanRunning);
        QTRY_VERIFY(guard.isNull());
    }
};

QTEST_MAIN(TestScanProcedure)
#include "tst_scan_procedure.moc"
