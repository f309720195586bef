// Counts over the simulated detector library, loaded by name as the program loads it and driven by
// the main window's own timer handler: a short series and a plateau, with the unit's HV read back.
#include "Count.h"
#include "DeviceLink.h"
#include "FakeDevice.h" // the message recorder
#include "Globals.h"
#include "Params.h"
#include "SeriesCsv.h"
#include "TopLevel.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

class TestCountSim : public QObject {
    Q_OBJECT

    QTemporaryDir stateDir;
    QTemporaryDir dataHome;

    static qint32 unitHv() {
        qint32 hv = -1;
        kivo::DeviceLink::instance().GetParam(globals::hSCA, kivo::PARAM_HV, &hv, 4);
        return hv;
    }
    static int tickWhileCounting(TopLevel& window, int limit) {
        int ticks = 0;
        for (; globals::countRunning && ticks < limit; ++ticks) {
            QThread::msleep(2); // longer than the simulated reading period: every tick is fresh
            window.Timer1_Timer();
        }
        return ticks;
    }
    static Count* connectAndOpen(TopLevel& window) {
        window.show();
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdConnect"_qs), Qt::LeftButton);
        window.cmdCount_Click();
        Count* c = window.countWindow();
        c->optReadings()->setChecked(true);
        c->txtReadings()->setText(u"4"_qs);
        return c;
    }

private slots:
    void initTestCase() {
        const QByteArray binDir = qgetenv("KIVO_BIN_DIR");
        QVERIFY2(!binDir.isEmpty(), "KIVO_BIN_DIR names the program folder");
        qputenv("KIVOLIB_LIBRARY", binDir + "/libKivoLib.so");
        qputenv("KIVO_SIM_STATE", stateDir.filePath(u"nvram.ini"_qs).toUtf8());
        qputenv("KIVO_SIM_READING_MS", "1");
        qputenv("KIVO_SIM_SEED", "20240315");
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        kivo::DeviceLink::instance().overrideFunctions(nullptr); // bind the library named above
    }

    void aShortSeriesOverTheSimulatedDetector() {
        MessageRecorder messages;
        TopLevel window;
        Count* c = connectAndOpen(window);
        QVERIFY2(globals::hSCA != 0, qPrintable(messages.texts().join(u'\n')));
        c->txtMeasurements()->setText(u"3"_qs);
        QTest::mouseClick(c->cmdStartStop(), Qt::LeftButton);
        QVERIFY(globals::countRunning);
        const int ticks = tickWhileCounting(window, 1000);
        QVERIFY(!globals::countRunning);
        QCOMPARE(ticks, 3 * 4); // every tick one fresh reading, each counted
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(u'\n')));
        QCOMPARE(c->tblMeasurements()->rowCount(), 3);
        for (int row = 0; row < 3; ++row)
            QVERIFY(c->tblMeasurements()->item(row, 4)->text().toDouble() > 0);
        QVERIFY(c->lblStatistics()->text().contains(u"Verdict: "_qs));
        const QStringList files =
            QDir(dataHome.filePath(u"KivoPanel/counts"_qs)).entryList({u"measurement_*.csv"_qs}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QString error;
        const auto saved =
            counting::readSeriesCsv(dataHome.filePath(u"KivoPanel/counts/"_qs + files.first()), &error);
        QVERIFY2(saved && saved->measurements.size() == 3, qPrintable(error));
        window.close();
    }

    void aPlateauOverTheSimulatedDetectorLeavesTheUserHv_data() {
        QTest::addColumn<bool>("stopEarly");
        QTest::newRow("to the end") << false;
        QTest::newRow("stopped") << true;
    }
    void aPlateauOverTheSimulatedDetectorLeavesTheUserHv() {
        QFETCH(bool, stopEarly);
        MessageRecorder messages;
        messages.answers = {MsgAnswer::Yes, MsgAnswer::No}; // the stop voltage; no save at exit
        TopLevel window;
        Count* c = connectAndOpen(window);
        const qint32 userHv = unitHv();
        c->txtReadings()->setText(u"2"_qs);
        c->txtHvStart()->setText(u"600"_qs);
        c->txtHvStop()->setText(u"1000"_qs);
        c->txtHvStep()->setText(u"50"_qs);
        c->txtSettle()->setText(u"0"_qs);
        QTest::mouseClick(c->cmdPlateau(), Qt::LeftButton);
        QVERIFY(globals::countRunning);
        tickWhileCounting(window, stopEarly ? 8 : 1000);
        if (stopEarly)
            QTest::mouseClick(c->cmdStartStop(), Qt::LeftButton);
        QVERIFY(!globals::countRunning);
        QCOMPARE(unitHv(), userHv);
        QCOMPARE(c->tblMeasurements()->rowCount() == 9, !stopEarly);
        QVERIFY(!c->lblPlateau()->text().isEmpty());
        window.close();
    }
};

QTEST_MAIN(TestCountSim)
#include "tst_count_window_sim.moc"
