// The main window and a running scan together: actions that must not find the device on a scan
// channel's window stop the scan first, and the count-rate timer never talks to the device in the
// middle of another handler's sequence while one of its failure boxes is open.
#include "DeviceSequence.h"
#include "ScanChannels.h"
#include "ScanFixture.h"
#include "ScanSpectrumFiles.h"

#include <QAccessible>
#include <QSignalSpy>

using Op = FakeCall::Op;

class TestScanInterplay : public QObject {
    Q_OBJECT

    std::unique_ptr<ScanFixture> f;

    // The user's window is LLD 300, ULD 1900, window mode, and not yet saved; a scan runs at channel 4.
    Scan* scanningWithUnsavedWindow() {
        Scan* s = f->connectAndOpen();
        f->window->sldLLD()->setValue(300);
        ScanFixture::press(s->cmdStartStop());
        f->tick(4 * 3, 5);
        if (s->channel() != 4 || f->device.numbers[kivo::PARAM_LLD] == 300)
            qFatal("the scan is not on a channel window");
        f->device.calls.clear();
        f->messages.shown.clear();
        return s;
    }
    static QList<FakeCall> restore() {
        return {{Op::Set, kivo::PARAM_LLD, 300, 4},
                {Op::Set, kivo::PARAM_ULD, 1900, 4},
                {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}};
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<ScanFixture>();
    }
    void cleanup() { f.reset(); }

    // Another window or tool changes the unit's settings through the one settings object: the unit
    // gets the calls the main window's own controls make, the controls and the scan plot follow, and
    // the settings become unsaved, with nothing stored in permanent memory.
    void otherWindowsChangeTheSettingsAsTheControlsDo() {
        Scan* s = f->connectAndOpen();
        f->device.calls.clear();
        UnitSettings& settings = f->window->unitSettings();
        settings.setDiscriminatorWindow(512, 1024, false);
        QVERIFY(settings.setHighVoltage(900.0));
        QVERIFY(!settings.setHighVoltage(1.0e12)); // no HV count for it: nothing sent
        QCOMPARE(f->device.calls, (QList<FakeCall>{{Op::Set, kivo::PARAM_LLD, 512, 4},
                                                   {Op::Set, kivo::PARAM_ULD, 1024, 4},
                                                   {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4},
                                                   {Op::Set, kivo::PARAM_HV, 2457, 4}}));
        QCOMPARE(f->window->sldLLD()->value(), 512);
        QCOMPARE(f->window->sldULD()->value(), 1024);
        QCOMPARE(f->window->txtHV()->text(), u"900.0"_qs);
        QVERIFY(f->button("cmdSave")->isEnabled());
        const trevium::RoiInfo& roi = *s->Plot()->roiCollection()->items().front();
        QCOMPARE(roi.firstChannel(), scan::levelToChannel(512, s->channels(), 2047));
        QCOMPARE(roi.lastChannel(), scan::levelToChannel(1024, s->channels(), 2047));
        QVERIFY(f->messages.shown.isEmpty());

        // A failed call is told in the main window's words, once.
        f->device.failingSets << kivo::PARAM_ULD;
        settings.setDiscriminatorWindow(100, 200, false);
        QCOMPARE(f->messages.texts(), QStringList{u"Failed to set ULD."_qs});
        QCOMPARE(f->messages.shown.first().title, u"KivoCP"_qs);
    }

    // A termination signal stops the scan, writing the user's window back and keeping the spectrum,
    // before the unsaved-settings question; and it waits while another handler's device conversation
    // (a failure box open) is still going on.
    void aTerminationSignalStopsTheScanFirst() {
        Scan* s = scanningWithUnsavedWindow();
        {
            const DeviceSequence busy;
            f->window->terminate();
            QTest::qWait(250);
            QVERIFY(globals::scanRunning);
            QVERIFY(f->device.calls.isEmpty()); // not even the timer's: a sequence is in progress
        }
        f->messages.answers = {MsgAnswer::No};
        QTRY_VERIFY_WITH_TIMEOUT(!globals::scanRunning, 5000);
        QList<FakeCall> calls = f->device.calls; // the real count-rate timer ticks while the test waits
        calls.removeIf([](const FakeCall& c) { return c.op == Op::ReadCPS; });
        QCOMPARE(calls, (restore() + QList<FakeCall>{{Op::Close, -1, FakeDevice::HANDLE, 0}}));
        QCOMPARE(f->messages.shown.size(), 1);
        QCOMPARE(f->messages.shown.first().title, u"MorlaCP"_qs);
        QVERIFY(!s->spectrumFiles().lastAutoSave().isEmpty());
    }

    // The same signal again, later: the program ends at once, without a device call or a question, and
    // the spectrum is still kept.
    void insistingEndsWithoutTheWriteBack() {
        Scan* s = scanningWithUnsavedWindow();
        QSignalSpy unloaded(f->window.get(), &TopLevel::unloaded);
        f->window->terminateNow();
        QVERIFY(!globals::scanRunning);
        QVERIFY(f->device.calls.isEmpty());
        QVERIFY(f->messages.shown.isEmpty());
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(!s->spectrumFiles().lastAutoSave().isEmpty());
    }

    void actionsStopTheScanFirst_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<MsgAnswer>>("answers");
        QTest::addColumn<QList<Op>>("after"); // the device calls that follow the write-back
        QTest::newRow("save") << u"cmdSave"_qs << QList<MsgAnswer>{} << QList<Op>{Op::Save};
        QTest::newRow("refresh") << u"cmdRefresh"_qs << QList<MsgAnswer>{} << QList<Op>{Op::Get};
        QTest::newRow("disconnect, save")
            << u"cmdConnect"_qs << QList<MsgAnswer>{MsgAnswer::Yes} << QList<Op>{Op::Save, Op::Close};
        QTest::newRow("disconnect, don't save")
            << u"cmdConnect"_qs << QList<MsgAnswer>{MsgAnswer::No} << QList<Op>{Op::Close};
        QTest::newRow("exit") << u"cmdExit"_qs << QList<MsgAnswer>{MsgAnswer::No} << QList<Op>{Op::Close};
    }
    void actionsStopTheScanFirst() {
        QFETCH(QString, action);
        QFETCH(QList<MsgAnswer>, answers);
        QFETCH(QList<Op>, after);
        Scan* s = scanningWithUnsavedWindow();
        f->messages.answers = answers;
        f->click(action.toLatin1().constData());

        QVERIFY(!globals::scanRunning);
        QCOMPARE(s->statusPanel1(), u"Scan aborted"_qs);
        QCOMPARE(f->device.calls.mid(0, 3), restore());
        QCOMPARE(f->device.calls.value(3).op, after.front());
        for (Op op : after)
            QVERIFY(!f->device.callsOf(op).isEmpty());
        // The unit holds the user's window, and so does what it saved.
        QCOMPARE(f->device.numbers[kivo::PARAM_LLD], 300);
        QCOMPARE(f->device.numbers[kivo::PARAM_ULD], 1900);
        QCOMPARE(f->device.numbers[kivo::PARAM_INTEGRAL_MODE], 0);
        QCOMPARE(f->window->sldLLD()->value(), 300);
    }

    void cancelledDisconnectLeavesTheScanRunning() {
        Scan* s = scanningWithUnsavedWindow();
        f->messages.answers = {MsgAnswer::Cancel};
        f->click("cmdConnect");
        QVERIFY(globals::scanRunning);
        QVERIFY(f->device.calls.isEmpty());
        f->tick(4, 5);
        QCOMPARE(s->channel(), 5);
    }

    void connectEndsAScanLeftWithoutADevice() {
        Scan* s = scanningWithUnsavedWindow();
        globals::hSCA = 0; // the connection is gone under the running scan
        f->click("cmdConnect");
        QVERIFY(globals::hSCA != 0);
        QVERIFY(!globals::scanRunning);
        QCOMPARE(s->statusPanel1(), u"Scan aborted"_qs);
        QCOMPARE(f->device.calls.front().op, Op::Open); // nothing was written without a device
        f->device.calls.clear();
        f->tick(8, 5);
        QVERIFY(f->device.callsOf(Op::Set).isEmpty());
    }

    // A failure box of a handler's device sequence is open while the timer fires: the tick does
    // nothing, and the scan counts only readings taken on its own channel's window.
    void ticksWaitWhileAFailureBoxIsOpen_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<qint32>("failingSet");
        QTest::newRow("clear, LLD fails") << u"cmdClear"_qs << qint32(kivo::PARAM_LLD);
        QTest::newRow("clear, ULD fails") << u"cmdClear"_qs << qint32(kivo::PARAM_ULD);
        QTest::newRow("stop, restore fails") << u"cmdStartStop"_qs << qint32(kivo::PARAM_LLD);
        QTest::newRow("save after the write-back fails") << u"cmdSave"_qs << qint32(kivo::PARAM_ULD);
    }
    void ticksWaitWhileAFailureBoxIsOpen() {
        QFETCH(QString, button);
        QFETCH(qint32, failingSet);
        Scan* s = scanningWithUnsavedWindow();
        const QList<qint32> before = f->counts(0, 10);
        f->device.failingSets << failingSet;
        int boxes = 0;
        f->messages.whileOpen = [&] {
            ++boxes;
            const qsizetype calls = f->device.calls.size();
            f->tick(3, 1000);
            f->device.cpsReadings.clear(); // readings of the old window that nobody took
            if (f->device.calls.size() != calls)
                QTest::qFail("a tick talked to the device inside a failure box", __FILE__, __LINE__);
        };
        QAbstractButton* pressed = s->findChild<QAbstractButton*>(button);
        QTest::mouseClick(pressed ? pressed : f->button(button.toLatin1().constData()), Qt::LeftButton);
        f->messages.whileOpen = nullptr;
        QVERIFY(boxes > 0);
        if (QTest::currentTestFailed())
            return;
        if (button == u"cmdClear"_qs) {
            // The scan goes on from channel 1 with readings of channel 1's window only.
            QVERIFY(globals::scanRunning);
            QCOMPARE(f->counts(0, 10), QList<qint32>(11, 0));
            f->device.failingSets.clear();
            f->tick(4, 7);
            QCOMPARE(f->counts(0, 3), (QList<qint32>{0, 21, 0, 0}));
        } else {
            QVERIFY(!globals::scanRunning);
            QCOMPARE(f->counts(0, 10), before);
        }
    }

    // Readouts keep their value as what a screen reader reads; the description says what it is.
    void readoutsAreReadByTheirValue_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::newRow("count rate") << u"lblCPS"_qs << u"4668 CPS"_qs << u"Count rate"_qs;
        QTest::newRow("fine gain") << u"lblFineGain"_qs << u"x1.2442"_qs << u"Fine gain factor"_qs;
        QTest::newRow("LLD") << u"lblLLD"_qs << u"4.89%"_qs << u"LLD percent"_qs;
        QTest::newRow("ULD") << u"lblULD"_qs << u"92.82%"_qs << u"ULD percent"_qs;
        QTest::newRow("scan state") << u"scan 1"_qs << u"Sweep 1 of 10"_qs << u"Scan state"_qs;
        QTest::newRow("channel progress") << u"scan 2"_qs << u"Channel 2 of 128"_qs << u"Channel progress"_qs;
    }
    void readoutsAreReadByTheirValue() {
        QFETCH(QString, label);
        QFETCH(QString, text);
        QFETCH(QString, description);
        Scan* s = f->connectAndOpen();
        ScanFixture::press(s->cmdStartStop());
        f->tick(1, 4668);
        QLabel* shown = label.startsWith(u"scan"_qs)
                            ? s->StatusBar()->findChildren<QLabel*>().value(label.back().digitValue() - 1)
                            : f->find<QLabel>(label.toLatin1().constData());
        QVERIFY(shown);
        QCOMPARE(shown->text(), text);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(shown);
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), text);
        QCOMPARE(a->text(QAccessible::Description), description);
    }
};

QTEST_MAIN(TestScanInterplay)
#include "tst_scan_interplay.moc"
