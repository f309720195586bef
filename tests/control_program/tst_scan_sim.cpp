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
#include "TopLevel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>

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

    void photopeakLandsWhereTheModelPutsIt() {
        MessageRecorder messages;
        globals::scanCounts.fill(0);
        TopLevel window;
        window.show();
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
        QVERIFY2(globals::hSCA != 0, qPrintable(messages.texts().join(u'\n')));
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
};

QTEST_MAIN(TestScanSim)
#include "tst_scan_sim.moc"
