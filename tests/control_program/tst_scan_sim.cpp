// A whole scan over the simulated detector library, loaded by name as the program loads it: the
// spectrum's photopeak appears in the channel the detector model puts it, and the user's window is
// back on the device afterwards.
#include "CTreviumCtrl.h"
#include "DetectorModel.h"
#include "DeviceLink.h"
#include "DeviceSettings.h"
#include "FakeDevice.h" // the message recorder
#include "Globals.h"
#include "Params.h"
#include "Scan.h"
#include "ScanChannels.h"
#include "TopLevel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <memory>

#include <dlfcn.h>

namespace {

// The simulated library's functions, called through a recorder: every call in order, with whether a
// message box was open at the time and, for readings, what the unit answered.
struct LoggedCall {
    enum Op { Get, Set, Read, Other } op;
    qint32 id = -1;
    qint32 value = 0;
    bool fresh = false;
    bool inBox = false;
};

struct RecordingLink {
    static inline kivo::KivoFunctions real;
    static inline QList<LoggedCall> log;
    static inline bool boxOpen = false;
    kivo::KivoFunctions table;

    explicit RecordingLink(void* library) {
        real.openSCA = reinterpret_cast<decltype(real.openSCA)>(dlsym(library, "OpenSCA"));
        real.closeSCA = reinterpret_cast<decltype(real.closeSCA)>(dlsym(library, "CloseSCA"));
        real.getParam = reinterpret_cast<decltype(real.getParam)>(dlsym(library, "GetParam"));
        real.setParam = reinterpret_cast<decltype(real.setParam)>(dlsym(library, "SetParam"));
        real.readCPS = reinterpret_cast<decltype(real.readCPS)>(dlsym(library, "ReadCPS"));
        real.saveSettings = reinterpret_cast<decltype(real.saveSettings)>(dlsym(library, "SaveSettings"));
        table.openSCA = [](int32_t port) { return other(real.openSCA(port)); };
        table.closeSCA = [](int32_t h) { return other(real.closeSCA(h)); };
        table.saveSettings = [](int32_t h) { return other(real.saveSettings(h)); };
        table.getParam = [](int32_t h, int32_t id, void* buffer, int32_t size) {
            log << LoggedCall{LoggedCall::Get, id, 0, false, boxOpen};
            return real.getParam(h, id, buffer, size);
        };
        table.setParam = [](int32_t h, int32_t id, const void* value, int32_t size) {
            const int32_t status = real.setParam(h, id, value, size);
            log << LoggedCall{LoggedCall::Set, id, status == 0 ? *static_cast<const qint32*>(value) : -1,
                              false, boxOpen};
            return status;
        };
        table.readCPS = [](int32_t h, int32_t* cps, int32_t* fresh) {
            const int32_t status = real.readCPS(h, cps, fresh);
            log << LoggedCall{LoggedCall::Read, -1, *cps, status == 0 && *fresh != 0, boxOpen};
            return status;
        };
        log.clear();
        kivo::DeviceLink::instance().overrideFunctions(&table);
    }
    ~RecordingLink() { kivo::DeviceLink::instance().overrideFunctions(nullptr); }
    static int32_t other(int32_t result) {
        log << LoggedCall{LoggedCall::Other, -1, result, false, boxOpen};
        return result;
    }
};

} // namespace

class TestScanSim : public QObject {
    Q_OBJECT

    QTemporaryDir stateDir;

private slots:
    void initTestCase() {
        const QByteArray binDir = qgetenv("KIVO_BIN_DIR");
        QVERIFY2(!binDir.isEmpty(), "KIVO_BIN_DIR names the program folder");
        QVERIFY(stateDir.isValid());
        qputenv("KIVOLIB_LIBRARY", binDir + "/libKivoLib.so");
        qputenv("KIVO_SIM_STATE", stateDir.filePath(u"nvram.ini"_qs).toUtf8());
        qputenv("KIVO_SIM_READING_MS", "1");
        qputenv("KIVO_SIM_SEED", "20240315");
        kivo::DeviceLink::instance().overrideFunctions(nullptr); // bind the library named above
    }
    void cleanup() { qunsetenv("KIVO_SIM_FAIL"); }

    void photopeakLandsWhereTheModelPutsIt() {
        MessageRecorder messages;
        globals::scanCounts.fill(0);
        globals::scanRecorder = scan::ScanRecorder(); // what the counts were goes with them
        TopLevel window;
        window.show();
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
        QVERIFY2(globals::hSCA != 0, qPrintable(messages.texts().join(u'\n')));
        QVERIFY(window.lblSimulated()->isVisible()); // the simulator is never taken for a unit
        const qint32 levels = globals::maxLevel + 1;

        window.cmdScan_Click();
        Scan* scan = window.scanWindow();
        scan->cmbChannels()->setCurrentIndex(scan->cmbChannels()->findText(u"64"_qs));
        scan->txtSweeps()->setText(u"1"_qs);
        QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
        QVERIFY(globals::scanRunning);

        int ticks = 0;
        while (globals::scanRunning && ticks < 20000) {
            QThread::msleep(2); // longer than the simulated reading period: every tick is fresh
            window.Timer1_Timer();
            ++ticks;
        }
        QVERIFY(!globals::scanRunning);
        QCOMPARE(scan->statusPanel1(), u"Scan complete"_qs);
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(u'\n')));
        QVERIFY(globals::scanRecorder
                    .record(globals::scanCounts, QDateTime::currentDateTimeUtc(), 64, globals::maxLevel)
                    .simulatedUnit);

        kivo::sim::SettingLimits limits;
        limits.levels = levels;
        const double peakLevel = kivo::sim::photopeakLevel(kivo::sim::factoryDefaults(limits), levels);
        QVERIFY(peakLevel > 0 && peakLevel < levels);
        // Channel k is measured around the levels of its bin's centre, (k + 1/2) x levels / 64.
        const double expectedChannel = peakLevel * 64.0 / levels - 0.5;
        const auto peak = std::max_element(globals::scanCounts.begin() + 16,
                                           globals::scanCounts.begin() + 64); // above the X-rays
        const int peakChannel = int(peak - globals::scanCounts.begin());
        qInfo("photopeak at channel %d, model %.2f, %d ticks", peakChannel, expectedChannel, ticks);
        QVERIFY2(std::abs(peakChannel - expectedChannel) <= 2.0,
                 qPrintable(u"peak at channel %1, model says %2"_qs.arg(peakChannel).arg(expectedChannel)));
        QVERIFY(*peak > 0);
        QCOMPARE(scan->Plot()->data().value<QList<qint32>>().mid(0, 65),
                 QList<qint32>(globals::scanCounts.begin(), globals::scanCounts.begin() + 65));

        // The factory window is back on the device.
        qint32 lld = -1, uld = -1, integral = -1;
        kivo::DeviceLink& link = kivo::DeviceLink::instance();
        QCOMPARE(link.GetParam(globals::hSCA, kivo::PARAM_LLD, &lld, 4), 0);
        QCOMPARE(link.GetParam(globals::hSCA, kivo::PARAM_ULD, &uld, 4), 0);
        QCOMPARE(link.GetParam(globals::hSCA, kivo::PARAM_INTEGRAL_MODE, &integral, 4), 0);
        QCOMPARE(lld, window.sldLLD()->value());
        QCOMPARE(uld, window.sldULD()->value());
        QCOMPARE(integral, 0);
    }

    // Clear during a scan on a unit whose LLD cannot be set: each "Failed to set LLD." box stays open
    // for several periods of the real count-rate timer. No tick talks to the unit while a box is open,
    // and every channel holds exactly the readings taken on its own window (the first after each
    // window change left out).
    void clearWithAFailingLLDCountsOnlyItsOwnWindows() {
        qputenv("KIVO_SIM_FAIL", "SetParam:5");
        const std::unique_ptr<void, int (*)(void*)> library(
            dlopen(qgetenv("KIVOLIB_LIBRARY").constData(), RTLD_NOW | RTLD_LOCAL), &dlclose);
        QVERIFY(library);
        MessageRecorder messages;
        bool hold = false;
        messages.whileOpen = [&] {
            RecordingLink::boxOpen = true;
            if (hold)
                QTest::qWait(3 * 250 + 100);
            RecordingLink::boxOpen = false;
        };
        globals::scanCounts.fill(0);
        globals::scanRecorder = scan::ScanRecorder(); // what the counts were goes with them
        {
            RecordingLink link(library.get());
            TopLevel window;
            window.show();
            QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
            QVERIFY(globals::hSCA != 0);
            QVERIFY(window.timer1().isActive());
            window.cmdScan_Click();
            Scan* scan = window.scanWindow();
            scan->cmbChannels()->setCurrentIndex(scan->cmbChannels()->findText(u"64"_qs));
            scan->txtSweeps()->setText(u"1"_qs);
            QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
            auto tickUntil = [&](auto done) {
                for (int ticks = 0; !done() && ticks < 5000; ++ticks) {
                    QThread::msleep(2);
                    window.Timer1_Timer();
                }
            };
            tickUntil([&] { return scan->channel() >= 6; });
            const qsizetype clearedAt = RecordingLink::log.size();
            hold = true;
            QTest::mouseClick(scan->cmdClear(), Qt::LeftButton);
            hold = false;
            tickUntil([] { return !globals::scanRunning; });
            QCOMPARE(scan->statusPanel1(), u"Scan complete"_qs);

            for (const LoggedCall& c : RecordingLink::log)
                QVERIFY2(!c.inBox, "a device call was made while a failure box was open");
            // Expected sums from the unit's side: the window it had for each fresh reading.
            QList<qint32> expected(65, 0);
            qint32 onChannel = -1;
            bool first = true;
            for (qsizetype i = clearedAt; i < RecordingLink::log.size(); ++i) {
                const LoggedCall& c = RecordingLink::log[i];
                if (c.op == LoggedCall::Set && c.id == kivo::PARAM_ULD) {
                    onChannel = -1;
                    for (qint32 k = 1; k < 64; ++k)
                        if (scan::channelWindow(k, 64, globals::maxLevel).uld == c.value)
                            onChannel = k;
                    first = true;
                } else if (c.op == LoggedCall::Read && c.fresh && onChannel > 0 &&
                           !std::exchange(first, false)) {
                    expected[onChannel] += c.value;
                }
            }
            QCOMPARE(QList<qint32>(globals::scanCounts.begin(), globals::scanCounts.begin() + 65), expected);
            QVERIFY(std::all_of(expected.begin() + 1, expected.begin() + 64, [](qint32 v) { return v > 0; }));
            window.close();
        }
    }

    // Save while a scan runs stores the user's window in the unit's permanent memory, not a channel's.
    void saveDuringAScanStoresTheUserWindow() {
        MessageRecorder messages;
        messages.answers = {MsgAnswer::No};
        TopLevel window;
        window.show();
        QPushButton* connect = window.findChild<QPushButton*>(u"cmdConnect"_qs);
        QTest::mouseClick(connect, Qt::LeftButton);
        QVERIFY(globals::hSCA != 0);
        window.sldLLD()->setValue(300);
        window.cmdScan_Click();
        Scan* scan = window.scanWindow();
        QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
        for (int i = 0; i < 30; ++i) {
            QThread::msleep(2);
            window.Timer1_Timer();
        }
        QVERIFY(globals::scanRunning && scan->channel() > 1);
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdSave"_qs), Qt::LeftButton);
        QVERIFY(!globals::scanRunning);
        // Power the unit up again from what it stored.
        QTest::mouseClick(connect, Qt::LeftButton);
        QCOMPARE(globals::hSCA, 0);
        window.sldLLD()->setValue(0);
        QTest::mouseClick(connect, Qt::LeftButton);
        QVERIFY(globals::hSCA != 0);
        QCOMPARE(window.sldLLD()->value(), 300);
        QCOMPARE(window.sldULD()->value(), globals::maxLevel);
        QVERIFY(!window.chkIntegMode()->isChecked());
        QVERIFY2(messages.texts() == QStringList{u"Settings successfully saved into permanent memory."_qs},
                 qPrintable(messages.texts().join(u'\n')));
    }
};

QTEST_MAIN(TestScanSim)
#include "tst_scan_sim.moc"
