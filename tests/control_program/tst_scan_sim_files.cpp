// A short scan over the simulated detector library ends, and its automatic N42 copy holds the
// spectrum on screen: the same counts, the photopeak in the plot's channel, the device's identity.
#include "CTreviumCtrl.h"
#include "DeviceLink.h"
#include "FakeDevice.h" // the message recorder
#include "Globals.h"
#include "Scan.h"
#include "ScanSpectrumFiles.h"
#include "SpectrumFile.h"
#include "TopLevel.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>

class TestScanSimFiles : public QObject {
    Q_OBJECT

    QTemporaryDir stateDir;
    QTemporaryDir dataHome;

private slots:
    void initTestCase() {
        const QByteArray binDir = qgetenv("KIVO_BIN_DIR");
        QVERIFY2(!binDir.isEmpty(), "KIVO_BIN_DIR names the program folder");
        QVERIFY(stateDir.isValid() && dataHome.isValid());
        qputenv("KIVOLIB_LIBRARY", binDir + "/libKivoLib.so");
        qputenv("KIVO_SIM_STATE", stateDir.filePath(u"nvram.ini"_qs).toUtf8());
        qputenv("KIVO_SIM_READING_MS", "1");
        qputenv("KIVO_SIM_SEED", "20240316");
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        kivo::DeviceLink::instance().overrideFunctions(nullptr); // bind the library named above
    }

    void theAutomaticCopyHoldsThePlottedPhotopeak() {
        MessageRecorder messages;
        globals::scanCounts.fill(0);
        globals::scanRecorder = scan::ScanRecorder(); // what the counts were goes with them
        TopLevel window;
        window.show();
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
        QVERIFY2(globals::hSCA != 0, qPrintable(messages.texts().join(u'\n')));

        window.cmdScan_Click();
        Scan* scan = window.scanWindow();
        scan->cmbChannels()->setCurrentIndex(scan->cmbChannels()->findText(u"64"_qs));
        scan->txtSweeps()->setText(u"1"_qs);
        QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
        for (int ticks = 0; globals::scanRunning && ticks < 20000; ++ticks) {
            QThread::msleep(2); // longer than the simulated reading period: every tick is fresh
            window.Timer1_Timer();
        }
        QVERIFY(!globals::scanRunning);
        QCOMPARE(scan->statusPanel1(), u"Scan complete"_qs);
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(u'\n')));

        const QString folder = dataHome.filePath(u"KivoPanel/scans"_qs);
        const QStringList saved = QDir(folder).entryList({u"*.n42"_qs}, QDir::Files);
        QCOMPARE(saved.size(), 1);
        QCOMPARE(QDir(folder).filePath(saved.first()), scan->spectrumFiles().lastAutoSave());
        const spectrum::ReadResult read = spectrum::readFile(scan->spectrumFiles().lastAutoSave());
        QVERIFY2(read.ok(), qPrintable(read.error));

        const QList<qint32> plotted = scan->Plot()->data().value<QList<qint32>>().mid(0, 65);
        QCOMPARE(read.record.counts, plotted);
        auto peakOf = [](const QList<qint32>& counts) { // above the X-rays
            return int(std::max_element(counts.begin() + 16, counts.end()) - counts.begin());
        };
        QCOMPARE(peakOf(read.record.counts), peakOf(plotted));
        QVERIFY(read.record.counts[peakOf(plotted)] > 0);
        QCOMPARE(read.record.serialNumber, globals::serialNumber);
        QCOMPARE(read.record.product, globals::productName);
        QCOMPARE(read.record.levelCount, globals::maxLevel + 1);
        QCOMPARE(read.record.state, spectrum::ScanState::Complete);
        QCOMPARE(read.record.liveTimeSeconds, 3.0);
        QVERIFY(read.record.realTimeSeconds > 0);
    }
};

QTEST_MAIN(TestScanSimFiles)
#include "tst_scan_sim_files.moc"
