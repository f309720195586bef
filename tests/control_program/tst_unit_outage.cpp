// A unit that goes away and comes back, through real widgets over the simulated detector unplugged by
// its control file: the count readout keeps its number but says it is stale, a running scan waits and
// goes on, a scan stopped meanwhile puts the user's window back once the unit answers, all without a
// storm of boxes.
#include "DeviceLink.h"
#include "FakeDevice.h" // the message and notice recorders
#include "Globals.h"
#include "Params.h"
#include "Scan.h"
#include "ScanChannels.h"
#include "TopLevel.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// The main window connected to the simulated unit, its stale limit short; boxes and notices recorded.
struct Session {
    MessageRecorder messages;
    NoticeRecorder notices;
    TopLevel window;
    Session() {
        messages.answers = {MsgAnswer::No};
        globals::scanCounts.fill(0);
        window.readingWatch().setLimitMs(40);
        window.show();
        window.findChild<QPushButton*>(u"cmdConnect"_qs)->click();
    }
    ~Session() {
        if (globals::hSCA != 0)
            window.findChild<QPushButton*>(u"cmdConnect"_qs)->click();
    }
};

class TestUnitOutage : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString plugFile() const { return dir.filePath(u"unplugged"_qs); }
    void unplug() { QFile(plugFile()).open(QIODevice::WriteOnly); }
    void plugIn() { QFile::remove(plugFile()); }

    // Ticks of the main window's timer, each after the simulated reading period.
    static void ticks(TopLevel& window, int count) {
        for (int i = 0; i < count; ++i) {
            QThread::msleep(3);
            window.Timer1_Timer();
        }
    }
    static qint32 param(qint32 id) {
        qint32 value = -1;
        return kivo::DeviceLink::instance().GetParam(globals::hSCA, id, &value, 4) == 0 ? value : -1;
    }

private slots:
    void initTestCase() {
        const QByteArray binDir = qgetenv("KIVO_BIN_DIR");
        QVERIFY2(!binDir.isEmpty(), "KIVO_BIN_DIR names the program folder");
        qputenv("KIVOLIB_LIBRARY", binDir + "/libKivoLib.so");
        qputenv("KIVO_SIM_STATE", dir.filePath(u"nvram.ini"_qs).toUtf8());
        qputenv("KIVO_SIM_READING_MS", "1");
        qputenv("KIVO_SIM_UNPLUG", plugFile().toUtf8());
        qputenv("XDG_DATA_HOME", dir.filePath(u"data"_qs).toUtf8());
        kivo::DeviceLink::instance().overrideFunctions(nullptr);
    }
    void cleanup() { plugIn(); }

    void readoutSaysItIsStale() {
        MessageRecorder messages;
        TopLevel window;
        window.readingWatch().setLimitMs(40);
        window.show();
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
        QVERIFY(globals::hSCA != 0);
        ticks(window, 5);
        const QString shown = window.lblCPS()->text();
        QVERIFY(shown.endsWith(u" CPS"_qs));
        QVERIFY(window.lblCPS()->toolTip().isEmpty());

        unplug();
        ticks(window, 30);
        // The last number stays, read as it is; what it is and why it is stale are in the description.
        QCOMPARE(window.lblCPS()->text(), shown);
        QCOMPARE(window.lblCPS()->accessibleName(), QString());
        QVERIFY(window.lblCPS()->accessibleDescription().contains(u"Stale"_qs));
        QVERIFY(window.lblCPS()->toolTip().contains(u"no fresh reading"_qs));
        QVERIFY(messages.shown.isEmpty()); // no box from the timer

        plugIn();
        ticks(window, 5);
        QVERIFY(window.lblCPS()->toolTip().isEmpty());
        QCOMPARE(window.lblCPS()->accessibleDescription(), u"Count rate"_qs);
        // Disconnect and Connect work with the unit back.
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
        QCOMPARE(globals::hSCA, 0);
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
        QVERIFY(globals::hSCA != 0);
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(u'\n')));
        window.findChild<QPushButton*>(u"cmdConnect"_qs)->click();
    }

    void scanWaitsAndGoesOn() {
        Session session;
        TopLevel& window = session.window;
        const MessageRecorder& messages = session.messages;
        window.cmdScan_Click();
        Scan* scan = window.scanWindow();
        QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
        ticks(window, 12);
        const qint32 channel = scan->channel();
        QVERIFY(globals::scanRunning && channel > 0);

        unplug();
        ticks(window, 30);
        QVERIFY(globals::scanRunning);
        QCOMPARE(scan->channel(), channel);
        QCOMPARE(scan->statusPanel1(), u"Paused: no fresh reading from the unit"_qs);

        plugIn();
        ticks(window, 12);
        QVERIFY(scan->channel() > channel);
        QVERIFY(scan->statusPanel1().startsWith(u"Sweep 1 of"_qs));
        // The channel's window was sent again: the unit holds the scan's current one.
        QCOMPARE(param(kivo::PARAM_LLD),
                 scan::channelWindow(scan->channel(), scan->channels(), globals::maxLevel).lld);
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(u'\n')));
        scan->abortScan();
    }

    void stoppedWhileAwayRestoresOnReturn() {
        Session session;
        TopLevel& window = session.window;
        const MessageRecorder& messages = session.messages;
        const NoticeRecorder& notices = session.notices;
        window.sldLLD()->setValue(200);
        window.sldULD()->setValue(900);
        window.cmdScan_Click();
        Scan* scan = window.scanWindow();
        QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
        ticks(window, 12);
        unplug();
        ticks(window, 30);
        QTest::mouseClick(scan->cmdStartStop(), Qt::LeftButton);
        QVERIFY(!globals::scanRunning);
        QCOMPARE(scan->statusPanel1(), u"Scan aborted"_qs);
        QVERIFY(scan->restorePending());
        QVERIFY(messages.shown.isEmpty()); // no box per unanswered call
        QCOMPARE(notices.texts.size(), 1);
        QVERIFY(notices.texts.front().contains(u"goes back to it when it answers again"_qs));

        plugIn();
        ticks(window, 3);
        QVERIFY(!scan->restorePending());
        QCOMPARE(param(kivo::PARAM_LLD), 200);
        QCOMPARE(param(kivo::PARAM_ULD), 900);
        QCOMPARE(notices.texts.size(), 2);
        QVERIFY(notices.texts.back().contains(u"LLD 200, ULD 900"_qs));
    }
};

QTEST_MAIN(TestUnitOutage)
#include "tst_unit_outage.moc"
