// The built libKivoLib.so through its six C functions, as any caller would use it: handles, identity and
// persistence across connections, configuration read at each open, a unit unplugged and plugged back, a
// slow link, and calls no real caller should make.
#include "SimTestSupport.h"

#include "Params.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <array>
#include <cstring>

using namespace kivo;

class TstKivoLib : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    simtest::LoadedLibrary lib_;

    int32_t open() { return lib_.fn.openSCA(0); }
    int32_t get(int32_t h, int32_t id) {
        int32_t v = -12345;
        return lib_.fn.getParam(h, id, &v, 4) == 0 ? v : -99999;
    }
    int32_t set(int32_t h, int32_t id, int32_t v) { return lib_.fn.setParam(h, id, &v, 4); }
    // Polls until a fresh reading arrives (false after 5 s without one).
    bool waitForFreshReading(int32_t h, int32_t& cps) {
        QDeadlineTimer deadline(5000);
        int32_t fresh = 0;
        while (!deadline.hasExpired()) {
            if (lib_.fn.readCPS(h, &cps, &fresh) == 0 && fresh == 1)
                return true;
            QTest::qWait(2);
        }
        return false;
    }
    static bool writeFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    }
    QByteArray text(int32_t h, int32_t id) {
        char buffer[32];
        if (lib_.fn.getParam(h, id, buffer, 32) != 0)
            return "<failed>";
        return QByteArray(buffer, int(qstrnlen(buffer, 32)));
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY2(lib_.load(), qPrintable(simtest::builtLibrary() + ": " + dlerror()));
    }
    void init() {
        simtest::isolateSimulator(dir_);
        QFile::remove(dir_.filePath("nvram.ini"));
    }

    void handlesAreNonZeroAndDieWithClose() {
        const int32_t a = open();
        const int32_t b = open();
        QVERIFY(a != 0);
        QVERIFY(b != 0);
        QVERIFY(a != b);
        QCOMPARE(lib_.fn.closeSCA(a), 0);
        QVERIFY(lib_.fn.closeSCA(a) != 0); // already closed
        QCOMPARE(get(a, PARAM_HV), -99999);
        int32_t cps = 0, fresh = 0;
        QVERIFY(lib_.fn.readCPS(a, &cps, &fresh) != 0);
        QVERIFY(lib_.fn.saveSettings(a) != 0);
        QVERIFY(set(a, PARAM_HV, 1) != 0);
        QCOMPARE(get(b, PARAM_HV), 2730); // the other connection is unaffected
        QCOMPARE(lib_.fn.closeSCA(b), 0);
        for (const int32_t bogus : {0, -1, 999999, INT32_MIN})
            QCOMPARE(get(bogus, PARAM_HV), -99999);
    }

    void reportsAKivoVrUnitByDefault() {
        const int32_t h = open();
        QCOMPARE(text(h, PARAM_PRODUCT_NAME), QByteArray("Kivo-VR"));
        QCOMPARE(text(h, PARAM_MANUFACTURER), QByteArray("Veltrano Instruments"));
        QVERIFY(!text(h, PARAM_SERIAL_NUMBER).isEmpty());
        QCOMPARE(text(h, PARAM_FW_VERSION), QByteArray("2.0.1"));
        QCOMPARE(text(h, PARAM_PRODUCTION_DATE), QByteArray("20240315"));
        std::array<int32_t, 3> info{};
        QCOMPARE(lib_.fn.getParam(h, PARAM_LEVEL_INFO, info.data(), 12), 0);
        QCOMPARE(info[0], 2048);
        lib_.fn.closeSCA(h);
    }

    void identityIsReadAtEachOpen() {
        qputenv("KIVO_SIM_PRODUCT", "Kivo");
        qputenv("KIVO_SIM_FIRMWARE", "1.1.9");
        qputenv("KIVO_SIM_LEVELS", "1024");
        const int32_t h = open();
        QCOMPARE(text(h, PARAM_PRODUCT_NAME), QByteArray("Kivo"));
        QCOMPARE(text(h, PARAM_FW_VERSION), QByteArray("1.1.9"));
        QCOMPARE(get(h, PARAM_ULD), 1023);
        QCOMPARE(set(h, PARAM_CPS_RANGE, 20), 0);
        QCOMPARE(get(h, PARAM_CPS_RANGE), 7); // the old firmware's short list
        lib_.fn.closeSCA(h);
    }

    void savedSettingsSurviveReconnectUnsavedOnesDoNot() {
        int32_t h = open();
        QCOMPARE(set(h, PARAM_HV, 3100), 0);
        QCOMPARE(set(h, PARAM_LLD, 500), 0);
        QCOMPARE(lib_.fn.saveSettings(h), 0);
        QCOMPARE(set(h, PARAM_LLD, 600), 0);
        QCOMPARE(lib_.fn.closeSCA(h), 0);
        h = open();
        QCOMPARE(get(h, PARAM_HV), 3100);
        QCOMPARE(get(h, PARAM_LLD), 500);
        QCOMPARE(lib_.fn.closeSCA(h), 0);
        QVERIFY(QFile::exists(dir_.filePath("nvram.ini")));
        QVERIFY(!QDir(dir_.filePath("xdg")).exists()); // the default location was never used
    }

    void injectedFaultsPerOperationAndParameter() {
        qputenv("KIVO_SIM_FAIL", "OpenSCA");
        QCOMPARE(open(), 0);
        qputenv("KIVO_SIM_FAIL", "GetParam:5,SetParam:*,ReadCPS,SaveSettings,CloseSCA");
        const int32_t h = open();
        QVERIFY(h != 0);
        QVERIFY(get(h, PARAM_LLD) == -99999);
        QCOMPARE(get(h, PARAM_ULD), 2047);
        QVERIFY(set(h, PARAM_ULD, 10) != 0);
        QCOMPARE(get(h, PARAM_ULD), 2047);
        int32_t cps = 0, fresh = 0;
        QVERIFY(lib_.fn.readCPS(h, &cps, &fresh) != 0);
        QVERIFY(lib_.fn.saveSettings(h) != 0);
        QVERIFY(lib_.fn.closeSCA(h) != 0);
        QCOMPARE(get(h, PARAM_HV), 2730); // a failed close leaves the connection usable
        qunsetenv("KIVO_SIM_FAIL");       // faults belong to the connection that was opened with them
        QVERIFY(lib_.fn.closeSCA(h) != 0);
        const int32_t clean = open();
        QCOMPARE(get(clean, PARAM_LLD), 41);
        QCOMPARE(lib_.fn.closeSCA(clean), 0);
    }

    void unpluggedUnitFailsEveryCallAndKeepsItsSettings() {
        const QString cable = dir_.filePath("unplugged");
        qputenv("KIVO_SIM_UNPLUG", cable.toLocal8Bit());
        const int32_t h = open();
        QCOMPARE(set(h, PARAM_HV, 3000), 0); // live, never saved
        QVERIFY(writeFile(cable));

        constexpr int32_t LINK_LOST = 9;
        int32_t v = -1, cps = -1, fresh = -1;
        QCOMPARE(lib_.fn.getParam(h, PARAM_HV, &v, 4), LINK_LOST);
        QCOMPARE(v, -1);
        QCOMPARE(set(h, PARAM_LLD, 100), LINK_LOST);
        QCOMPARE(lib_.fn.readCPS(h, &cps, &fresh), LINK_LOST);
        QCOMPARE(lib_.fn.saveSettings(h), LINK_LOST);
        QCOMPARE(open(), 0);
        QCOMPARE(lib_.fn.getParam(999999, PARAM_HV, &v, 4), 1); // an unknown handle is still just that
        QVERIFY(!QFile::exists(dir_.filePath("nvram.ini")));

        QVERIFY(QFile::remove(cable)); // plugged back: the same handle works, the live settings are kept
        QCOMPARE(get(h, PARAM_HV), 3000);
        QCOMPARE(get(h, PARAM_LLD), 41);
        QVERIFY(waitForFreshReading(h, cps));

        QVERIFY(writeFile(cable)); // a program that disconnects meanwhile can connect again later
        QCOMPARE(lib_.fn.closeSCA(h), LINK_LOST);
        QVERIFY(QFile::remove(cable));
        QVERIFY(get(h, PARAM_HV) == -99999); // the handle was given up with the lost connection
        const int32_t again = open();
        QVERIFY(again != 0);
        QCOMPARE(get(again, PARAM_HV), 2730); // a fresh connection powers up from the saved settings
        QCOMPARE(lib_.fn.closeSCA(again), 0);
    }

    void everyCallTakesTheLinkLatency() {
        qputenv("KIVO_SIM_LATENCY_MS", "30");
        QElapsedTimer timer;
        timer.start();
        const int32_t h = open();
        QVERIFY(timer.elapsed() >= 30);
        QCOMPARE(set(h, PARAM_HV, 100), 0);
        QVERIFY(timer.elapsed() >= 60);
        QCOMPARE(lib_.fn.closeSCA(h), 0);
        QVERIFY(timer.elapsed() >= 90);
    }

    void anyCallerGetsAStatusNotACrash() {
        const int32_t h = open();
        char buffer[64];
        int32_t v = 1;
        enum { UNKNOWN_PARAM = 2, BAD_SIZE = 3, NULL_POINTER = 4, READ_ONLY = 5 }; // the documented codes
        for (const int32_t id : {13, -1, 16, INT32_MAX}) {
            QCOMPARE(lib_.fn.getParam(h, id, buffer, 4), UNKNOWN_PARAM);
            QCOMPARE(lib_.fn.setParam(h, id, &v, 4), UNKNOWN_PARAM);
        }
        for (const int32_t id : {0, 1, 2, 3, 4, 15})
            QCOMPARE(lib_.fn.setParam(h, id, &v, 4), READ_ONLY);
        QCOMPARE(lib_.fn.getParam(h, PARAM_PRODUCT_NAME, nullptr, 32), NULL_POINTER);
        QCOMPARE(lib_.fn.getParam(h, PARAM_PRODUCT_NAME, buffer, 64), BAD_SIZE);
        QCOMPARE(lib_.fn.getParam(h, PARAM_LEVEL_INFO, buffer, 4), BAD_SIZE);
        QCOMPARE(lib_.fn.setParam(h, PARAM_HV, nullptr, 4), NULL_POINTER);
        QCOMPARE(lib_.fn.setParam(h, PARAM_HV, &v, 8), BAD_SIZE);
        QCOMPARE(lib_.fn.readCPS(h, nullptr, nullptr), NULL_POINTER);
        QCOMPARE(get(h, PARAM_HV), 2730);
        QCOMPARE(lib_.fn.closeSCA(h), 0);
    }

    void freshReadingsArriveWithTheReadingPeriod() {
        qputenv("KIVO_SIM_READING_MS", "60000");
        int32_t h = open();
        int32_t cps = -1, fresh = -1;
        QCOMPARE(lib_.fn.readCPS(h, &cps, &fresh), 0);
        QCOMPARE(fresh, 0); // nothing measured yet
        QCOMPARE(cps, 0);
        lib_.fn.closeSCA(h);

        qputenv("KIVO_SIM_READING_MS", "5");
        h = open();
        QVERIFY(waitForFreshReading(h, cps));
        QVERIFY(cps > 1000); // the factory settings count a few thousand per second
        QCOMPARE(set(h, PARAM_HV, 0), 0);
        QVERIFY(waitForFreshReading(h, cps));
        QCOMPARE(cps, 0); // the next reading follows the new settings
        lib_.fn.closeSCA(h);
    }
};

QTEST_GUILESS_MAIN(TstKivoLib)
#include "tst_kivolib.moc"
