// The program's binding to the device library: the real simulator loaded by name and known as the
// simulator, a missing library and a library that lacks functions, each reported once, and the test
// seam that replaces the functions.
#include "SimTestSupport.h"

#include "Params.h"

#include <QStringList>

using namespace kivo;

namespace {

int32_t fakeOpen(int32_t) {
    return 77;
}
int32_t fakeClose(int32_t handle) {
    return handle == 77 ? 0 : 5;
}
const char* fakeIdentity() {
    return "fake simulator";
}

} // namespace

class TstDeviceLink : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList reports_;
    DeviceLink& link_ = DeviceLink::instance();

    void useLibrary(const QString& path) {
        qputenv(DeviceLink::LIBRARY_ENV, path.toLocal8Bit());
        link_.overrideFunctions(nullptr);
        reports_.clear();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        simtest::isolateSimulator(dir_);
        link_.setErrorReporter(
            [this](const std::string& message) { reports_ << QString::fromStdString(message); });
    }

    void bindsAllSixFunctionsOfTheSimulator() {
        useLibrary(simtest::builtLibrary());
        QCOMPARE(QString::fromStdString(DeviceLink::libraryPath()), simtest::builtLibrary());
        QVERIFY(!link_.isSimulator()); // nothing loaded yet
        QCOMPARE(link_.libraryOrigin(), LibraryOrigin::None);
        const int32_t h = link_.OpenSCA(0);
        QVERIFY(h != 0);
        QVERIFY(link_.isSimulator());
        QCOMPARE(QString::fromStdString(link_.simulatorIdentity()),
                 "KivoPanel simulated detector " KIVO_VERSION);
        QCOMPARE(link_.libraryOrigin(), LibraryOrigin::Environment);
        char name[32];
        QCOMPARE(link_.GetParam(h, PARAM_PRODUCT_NAME, name, 32), 0);
        QCOMPARE(QByteArray(name, int(qstrnlen(name, 32))), QByteArray("Kivo-VR"));
        QCOMPARE(link_.SetParam(h, PARAM_HV, 4368), 0); // 1600 V: the unit clamps
        int32_t hv = 0;
        QCOMPARE(link_.GetParam(h, PARAM_HV, &hv, 4), 0);
        QCOMPARE(hv, 4095);
        int32_t cps = -1, fresh = -1;
        QCOMPARE(link_.ReadCPS(h, &cps, &fresh), 0);
        QVERIFY(fresh == 0 || fresh == 1);
        QCOMPARE(link_.SaveSettings(h), 0);
        QCOMPARE(link_.CloseSCA(h), 0);
        QVERIFY(link_.CloseSCA(h) != 0);
        QVERIFY(reports_.isEmpty());
    }

    void missingLibraryIsReportedOnceAndEveryCallFails() {
        useLibrary("/nonexistent/libX.so");
        QCOMPARE(link_.OpenSCA(0), 0);
        QCOMPARE(reports_.size(), 1);
        QVERIFY(reports_[0].contains("/nonexistent/libX.so"));
        QVERIFY2(reports_[0].contains("cannot open shared object file"), qPrintable(reports_[0]));
        int32_t value = 0;
        QCOMPARE(link_.OpenSCA(0), 0);
        QCOMPARE(link_.CloseSCA(1), DeviceLink::LINK_FAILURE);
        QCOMPARE(link_.GetParam(1, PARAM_HV, &value, 4), DeviceLink::LINK_FAILURE);
        QCOMPARE(link_.SetParam(1, PARAM_HV, 1), DeviceLink::LINK_FAILURE);
        QCOMPARE(link_.ReadCPS(1, &value, &value), DeviceLink::LINK_FAILURE);
        QCOMPARE(link_.SaveSettings(1), DeviceLink::LINK_FAILURE);
        QCOMPARE(reports_.size(), 1);
    }

    void missingFunctionIsReportedOncePerFunction() {
        useLibrary(KIVO_PARTIAL_LIBRARY);
        QCOMPARE(link_.OpenSCA(0), 42); // what the partial library answers
        QVERIFY(!link_.isSimulator());
        QCOMPARE(link_.CloseSCA(42), 0);
        QVERIFY(reports_.isEmpty());
        int32_t cps = 0, fresh = 0;
        QCOMPARE(link_.ReadCPS(42, &cps, &fresh), DeviceLink::LINK_FAILURE);
        QCOMPARE(link_.ReadCPS(42, &cps, &fresh), DeviceLink::LINK_FAILURE);
        QCOMPARE(reports_.size(), 1);
        QVERIFY(reports_[0].contains("\"ReadCPS\""));
        QVERIFY(reports_[0].contains(KIVO_PARTIAL_LIBRARY));
        QCOMPARE(link_.SaveSettings(42), DeviceLink::LINK_FAILURE);
        QCOMPARE(link_.SaveSettings(42), DeviceLink::LINK_FAILURE);
        QCOMPARE(reports_.size(), 2);
        QVERIFY(reports_[1].contains("\"SaveSettings\""));
        QCOMPARE(link_.OpenSCA(0), 42); // functions that exist keep working
    }

    void overrideReplacesTheLibraryAndNullResetsEverything() {
        useLibrary("/nonexistent/libX.so");
        QCOMPARE(link_.OpenSCA(0), 0);
        QCOMPARE(reports_.size(), 1);

        KivoFunctions fake;
        fake.openSCA = &fakeOpen;
        fake.closeSCA = &fakeClose;
        link_.overrideFunctions(&fake);
        QCOMPARE(link_.OpenSCA(0), 77);
        QVERIFY(!link_.isSimulator());
        fake.simulatorIdentity = &fakeIdentity; // a test table may pose as the simulator
        QVERIFY(link_.isSimulator());
        QCOMPARE(link_.CloseSCA(77), 0);
        QCOMPARE(link_.SaveSettings(77), DeviceLink::LINK_FAILURE); // not in the table, nothing bound
        QCOMPARE(reports_.size(), 1);

        // Back to binding by name: the earlier failure is forgotten and a new report would come again.
        useLibrary("/nonexistent/libX.so");
        QCOMPARE(link_.OpenSCA(0), 0);
        QCOMPARE(reports_.size(), 1);
    }

    void resetBindsTheLibraryNamedNow() {
        useLibrary(simtest::builtLibrary());
        QVERIFY(link_.OpenSCA(0) != 0);
        useLibrary(KIVO_PARTIAL_LIBRARY);
        QVERIFY(!link_.isSimulator()); // the simulator's identity went with it
        QCOMPARE(link_.OpenSCA(0), 42);
        useLibrary(simtest::builtLibrary()); // the partial library must not stay bound
        const int32_t h = link_.OpenSCA(0);
        QVERIFY(h != 0);
        int32_t cps = 0, fresh = 0;
        QCOMPARE(link_.ReadCPS(h, &cps, &fresh), 0);
        QCOMPARE(link_.CloseSCA(h), 0);
        QVERIFY(reports_.isEmpty());
    }

    void cleanupTestCase() {
        link_.overrideFunctions(nullptr);
        link_.setErrorReporter({});
    }
};

QTEST_GUILESS_MAIN(TstDeviceLink)
#include "tst_device_link.moc"
