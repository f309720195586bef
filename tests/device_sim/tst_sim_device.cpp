// One simulated unit through its C++ API: power-up from the non-volatile memory file, saving, clamping,
// parameter access rules, configuration and fault injection.
#include "SimTestSupport.h"

#include "FaultPlan.h"
#include "Nvram.h"
#include "Params.h"
#include "SimDevice.h"

#include <QDir>
#include <QFile>

#include <array>
#include <cstring>

using namespace kivo;
using namespace kivo::sim;

class TstSimDevice : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString statePath() const { return dir_.filePath("nvram.ini"); }
    SimConfig config() const {
        SimConfig c;
        c.statePath = statePath().toStdString();
        c.seed = 7;
        return c;
    }
    static int32_t get(const SimDevice& unit, int32_t id) {
        int32_t value = -12345;
        const Status status = unit.getParam(id, &value, 4);
        return status == STATUS_OK ? value : -99999;
    }
    static Status set(SimDevice& unit, int32_t id, int32_t value) { return unit.setParam(id, &value, 4); }
    static QByteArray text(const SimDevice& unit, int32_t id) {
        char buffer[TEXT_PARAM_SIZE + 1];
        std::memset(buffer, 'X', sizeof buffer);
        if (unit.getParam(id, buffer, TEXT_PARAM_SIZE) != STATUS_OK)
            return "<failed>";
        if (buffer[TEXT_PARAM_SIZE] != 'X')
            return "<overrun>";
        return QByteArray(buffer, TEXT_PARAM_SIZE);
    }
    void writeState(const QByteArray& content) {
        QFile f(statePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        simtest::isolateSimulator(dir_);
    }
    void init() {
        QFile::remove(statePath());
        QDir(statePath()).removeRecursively();
    }

    void blankMemoryPowersUpWithFactoryDefaults() {
        SimDevice unit(config());
        QCOMPARE(unit.powerUpState(), NvramLoad::State::Missing);
        QCOMPARE(get(unit, PARAM_HV), 2730);
        QCOMPARE(get(unit, PARAM_GAIN), 0);
        QCOMPARE(get(unit, PARAM_LLD), 41);
        QCOMPARE(get(unit, PARAM_ULD), 2047);
        QCOMPARE(get(unit, PARAM_INTEGRAL_MODE), 0);
        QCOMPARE(get(unit, PARAM_ANALOG_MODE), 0);
        QCOMPARE(get(unit, PARAM_CPS_RANGE), 3);
        QCOMPARE(get(unit, PARAM_RESPONSE_TIME), 2);
        QCOMPARE(get(unit, PARAM_TTL_DURATION), 5);
        QVERIFY(!QFile::exists(statePath())); // powering up never writes
    }

    void savedSettingsSurvivePowerCycleUnsavedOnesDoNot() {
        {
            SimDevice unit(config());
            QCOMPARE(set(unit, PARAM_HV, 3000), STATUS_OK);
            QCOMPARE(set(unit, PARAM_GAIN, 2 * 4096 + 100), STATUS_OK);
            QCOMPARE(set(unit, PARAM_LLD, 300), STATUS_OK);
            QCOMPARE(set(unit, PARAM_ULD, 900), STATUS_OK);
            QCOMPARE(set(unit, PARAM_INTEGRAL_MODE, 1), STATUS_OK);
            QCOMPARE(set(unit, PARAM_ANALOG_MODE, 1), STATUS_OK);
            QCOMPARE(set(unit, PARAM_CPS_RANGE, 20), STATUS_OK);
            QCOMPARE(set(unit, PARAM_RESPONSE_TIME, 9), STATUS_OK);
            QCOMPARE(set(unit, PARAM_TTL_DURATION, 13), STATUS_OK);
            QCOMPARE(unit.saveSettings(), STATUS_OK);
            QCOMPARE(set(unit, PARAM_HV, 100), STATUS_OK); // changed after the save: lost at power-off
            QCOMPARE(get(unit, PARAM_HV), 100);
        }
        SimDevice unit(config());
        QCOMPARE(unit.powerUpState(), NvramLoad::State::Loaded);
        QCOMPARE(get(unit, PARAM_HV), 3000);
        QCOMPARE(get(unit, PARAM_GAIN), 2 * 4096 + 100);
        QCOMPARE(get(unit, PARAM_LLD), 300);
        QCOMPARE(get(unit, PARAM_ULD), 900);
        QCOMPARE(get(unit, PARAM_INTEGRAL_MODE), 1);
        QCOMPARE(get(unit, PARAM_ANALOG_MODE), 1);
        QCOMPARE(get(unit, PARAM_CPS_RANGE), 20);
        QCOMPARE(get(unit, PARAM_RESPONSE_TIME), 9);
        QCOMPARE(get(unit, PARAM_TTL_DURATION), 13);
    }

    void saveIsHumanReadableAndLeavesNoTemporaryFile() {
        SimConfig c = config();
        c.statePath = dir_.filePath("deep/er/nvram.ini").toStdString(); // folders are created
        SimDevice unit(c);
        QCOMPARE(set(unit, PARAM_HV, 2900), STATUS_OK);
        QCOMPARE(unit.saveSettings(), STATUS_OK);
        QCOMPARE(unit.saveSettings(), STATUS_OK); // replacing an existing file works too
        QCOMPARE(QDir(dir_.filePath("deep/er")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"nvram.ini"});
        QFile f(QString::fromStdString(c.statePath));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        QVERIFY(content.contains("hv = 2900\n"));
        QVERIFY(content.contains("lld = 41\n"));
    }

    void failedSaveReportsAndLeavesNothingBehind() {
        // A folder where the file should be: the rename fails, the temporary file must not remain.
        QVERIFY(QDir().mkpath(statePath() + "/blocker"));
        SimDevice unit(config());
        QCOMPARE(unit.powerUpState(), NvramLoad::State::Corrupt);
        const size_t notesBefore = unit.notes().size();
        QCOMPARE(unit.saveSettings(), STATUS_STORAGE_ERROR);
        QCOMPARE(unit.notes().size(), notesBefore + 1);
        QVERIFY(QString::fromStdString(unit.notes().back()).contains("nvram.ini"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }

    void damagedMemoryGivesFactoryDefaults_data() {
        QTest::addColumn<QByteArray>("content");
        const QByteArray good = QByteArray::fromStdString(nvramText(factoryDefaults({2048, true})))
                                    .replace("hv = 2730", "hv = 3100");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x00\xff\x13garbage\x00", 12);
        QTest::newRow("truncated") << good.left(good.indexOf("gain"));
        QTest::newRow("no version") << QByteArray(good).replace("version = 1\n", "");
        QTest::newRow("other version") << QByteArray(good).replace("version = 1", "version = 9");
        QTest::newRow("not a number") << QByteArray(good).replace("hv = 3100", "hv = lots");
        QTest::newRow("number overflow") << QByteArray(good).replace("hv = 3100", "hv = 99999999999999");
        QTest::newRow("no equals sign") << QByteArray(good).replace("hv = 3100", "hv 3100");
        QTest::newRow("huge") << QByteArray(200000, '#');
    }
    void damagedMemoryGivesFactoryDefaults() {
        QFETCH(QByteArray, content);
        writeState(content);
        SimDevice unit(config());
        QCOMPARE(unit.powerUpState(), NvramLoad::State::Corrupt);
        QCOMPARE(unit.settings(), factoryDefaults(unit.limits()));
        QVERIFY(!unit.notes().empty());
        QFile f(statePath()); // the damaged file is kept as it was until the next save
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }

    void storedValuesOutsideTheHardwareRangeAreClamped() {
        writeState(QByteArray::fromStdString(nvramText(factoryDefaults({2048, true})))
                       .replace("hv = 2730", "hv = 9000")
                       .replace("uld = 2047", "uld = -5")
                       .replace("ttl_duration = 5", "ttl_duration = 40"));
        SimConfig c = config();
        c.levels = 1024;
        SimDevice unit(c);
        QCOMPARE(unit.powerUpState(), NvramLoad::State::Loaded);
        QCOMPARE(get(unit, PARAM_HV), 4095);
        QCOMPARE(get(unit, PARAM_ULD), 0);
        QCOMPARE(get(unit, PARAM_TTL_DURATION), 13);
    }

    void writesAreClampedToTheHardwareRange_data() {
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("stored");
        QTest::newRow("HV 1600 V") << "2.0.1" << int(PARAM_HV) << 4368 << 4095;
        QTest::newRow("HV negative") << "2.0.1" << int(PARAM_HV) << -273 << 0;
        QTest::newRow("HV in range") << "2.0.1" << int(PARAM_HV) << 1234 << 1234;
        QTest::newRow("LLD above top") << "2.0.1" << int(PARAM_LLD) << 5000 << 2047;
        QTest::newRow("ULD negative") << "2.0.1" << int(PARAM_ULD) << -1 << 0;
        QTest::newRow("gain beyond x8") << "2.0.1" << int(PARAM_GAIN) << 70000 << 16383;
        QTest::newRow("integral 7") << "2.0.1" << int(PARAM_INTEGRAL_MODE) << 7 << 1;
        QTest::newRow("analog -1") << "2.0.1" << int(PARAM_ANALOG_MODE) << -1 << 1;
        QTest::newRow("CPS range long list") << "2.0.1" << int(PARAM_CPS_RANGE) << 40 << 28;
        QTest::newRow("CPS range short list") << "1.1.9" << int(PARAM_CPS_RANGE) << 20 << 7;
        QTest::newRow("response time") << "2.0.1" << int(PARAM_RESPONSE_TIME) << 14 << 13;
        QTest::newRow("TTL negative") << "2.0.1" << int(PARAM_TTL_DURATION) << INT32_MIN << 0;
    }
    void writesAreClampedToTheHardwareRange() {
        QFETCH(QString, firmware);
        QFETCH(int, id);
        QFETCH(int, written);
        QFETCH(int, stored);
        SimConfig c = config();
        c.firmwareVersion = firmware.toStdString();
        SimDevice unit(c);
        QCOMPARE(set(unit, id, written), STATUS_OK);
        QCOMPARE(get(unit, id), stored);
    }

    void textsFillExactlyThirtyTwoBytes() {
        SimConfig c = config();
        c.productName = "Kivo-VR";
        c.manufacturer = std::string(32, 'M');       // exactly 32: no terminator
        c.serialNumber = std::string(40, 'S') + "!"; // longer: cut to 32
        SimDevice unit(c);
        QCOMPARE(text(unit, PARAM_PRODUCT_NAME), QByteArray("Kivo-VR") + QByteArray(25, '\0'));
        QCOMPARE(text(unit, PARAM_MANUFACTURER), QByteArray(32, 'M'));
        QCOMPARE(text(unit, PARAM_SERIAL_NUMBER), QByteArray(32, 'S'));
        QCOMPARE(text(unit, PARAM_FW_VERSION), QByteArray("2.0.1") + QByteArray(27, '\0'));
        QCOMPARE(text(unit, PARAM_PRODUCTION_DATE), QByteArray("20240315") + QByteArray(24, '\0'));
    }

    void levelInfoReportsTheConfiguredLevelCount() {
        SimConfig c = config();
        c.levels = 4096;
        SimDevice unit(c);
        std::array<int32_t, 3> info{};
        QCOMPARE(unit.getParam(PARAM_LEVEL_INFO, info.data(), 12), STATUS_OK);
        QCOMPARE(info[0], 4096);
        QCOMPARE(info[1], 0);
        QCOMPARE(info[2], 4095);
        QCOMPARE(get(unit, PARAM_ULD), 4095);
        QCOMPARE(get(unit, PARAM_LLD), 82); // 2 % of the range
    }

    void badCallsFailWithoutTouchingAnything() {
        SimDevice unit(config());
        int32_t value = 77;
        char big[64] = {};
        for (const int32_t id : {13, -1, 16, 1000, INT32_MIN}) {
            QCOMPARE(unit.getParam(id, big, 4), STATUS_UNKNOWN_PARAM);
            QCOMPARE(unit.setParam(id, &value, 4), STATUS_UNKNOWN_PARAM);
        }
        for (const int32_t id : {0, 1, 2, 3, 4, 15})
            QCOMPARE(unit.setParam(id, &value, 4), STATUS_READ_ONLY);
        QCOMPARE(unit.getParam(PARAM_HV, nullptr, 4), STATUS_NULL_POINTER);
        QCOMPARE(unit.setParam(PARAM_HV, nullptr, 4), STATUS_NULL_POINTER);
        QCOMPARE(unit.getParam(PARAM_HV, big, 8), STATUS_BAD_SIZE);
        QCOMPARE(unit.getParam(PARAM_HV, big, -4), STATUS_BAD_SIZE);
        QCOMPARE(unit.getParam(PARAM_PRODUCT_NAME, big, 31), STATUS_BAD_SIZE);
        QCOMPARE(unit.getParam(PARAM_LEVEL_INFO, big, 4), STATUS_BAD_SIZE);
        QCOMPARE(unit.setParam(PARAM_HV, &value, 2), STATUS_BAD_SIZE);
        QCOMPARE(unit.setParam(PARAM_HV, &value, 0), STATUS_BAD_SIZE);
        int32_t cps = 0;
        QCOMPARE(unit.readCps(nullptr, &cps), STATUS_NULL_POINTER);
        QCOMPARE(unit.readCps(&cps, nullptr), STATUS_NULL_POINTER);
        QCOMPARE(std::count(big, big + sizeof big, '\0'), long(sizeof big)); // no failed call wrote
        QCOMPARE(unit.settings(), factoryDefaults(unit.limits()));
    }

    void faultPlanSyntax() {
        std::vector<std::string> warnings;
        const FaultPlan plan = FaultPlan::parse(" getparam:5 , SetParam:*,ReadCPS,,SaveSettings:3,Bogus,"
                                                "GetParam:16,GetParam:x,OpenSCA",
                                                &warnings);
        QVERIFY(plan.fails(Operation::GetParam, 5));
        QVERIFY(!plan.fails(Operation::GetParam, 6));
        QVERIFY(plan.fails(Operation::SetParam, 0));
        QVERIFY(plan.fails(Operation::SetParam, 14));
        QVERIFY(plan.fails(Operation::ReadCPS));
        QVERIFY(plan.fails(Operation::OpenSCA));
        QVERIFY(!plan.fails(Operation::SaveSettings)); // "SaveSettings:3" is rejected, takes no id
        QVERIFY(!plan.fails(Operation::CloseSCA));
        QCOMPARE(warnings.size(), size_t(4));
        QVERIFY(QString::fromStdString(warnings[1]).contains("Bogus"));
        QVERIFY(FaultPlan::parse("").empty());
        QVERIFY(FaultPlan::parse(" , ").empty());
    }

    void faultPlanParameterIds_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("0") << "GetParam:0" << 0 << true;
        QTest::newRow("15") << "SetParam:15" << 15 << true;
        QTest::newRow("16") << "GetParam:16" << 16 << false;
        QTest::newRow("-1") << "SetParam:-1" << -1 << false;
    }
    void faultPlanParameterIds() {
        QFETCH(QString, entry);
        QFETCH(int, id);
        QFETCH(bool, accepted);
        std::vector<std::string> warnings;
        const FaultPlan plan = FaultPlan::parse(entry.toStdString(), &warnings);
        const Operation op = entry.startsWith("Get") ? Operation::GetParam : Operation::SetParam;
        QCOMPARE(plan.fails(op, id), accepted);
        QCOMPARE(warnings.size(), size_t(accepted ? 0 : 1));
    }

    void injectedFaultsFailOnlyTheChosenCalls() {
        SimConfig c = config();
        c.faults = FaultPlan::parse("GetParam:5,SetParam:8,ReadCPS,SaveSettings");
        SimDevice unit(c);
        int32_t value = 0;
        QCOMPARE(unit.getParam(PARAM_LLD, &value, 4), STATUS_INJECTED_FAULT);
        QCOMPARE(get(unit, PARAM_ULD), 2047);
        QCOMPARE(set(unit, PARAM_HV, 100), STATUS_INJECTED_FAULT);
        QCOMPARE(get(unit, PARAM_HV), 2730); // a failed write changes nothing
        QCOMPARE(set(unit, PARAM_LLD, 100), STATUS_OK);
        int32_t cps = -1, fresh = -1;
        QCOMPARE(unit.readCps(&cps, &fresh), STATUS_INJECTED_FAULT);
        QCOMPARE(unit.saveSettings(), STATUS_INJECTED_FAULT);
        QVERIFY(!QFile::exists(statePath()));
    }

    void configurationFileAndVariables() {
        const QString file = dir_.filePath("sim.conf");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "# a Kivo unit\n[unit]\nproduct = Kivo\nserial = K-1\nlevels = 1024\nfirmware=1.1.9\n"
            "reading_ms = 40\nlevels = many\nnonsense line\ncolour = blue\nfail = ReadCPS\nlatency_ms = 20\n"
            "latency_ms = 60001\nunplug = /run/a\n");
        f.close();
        qputenv("KIVO_SIM_CONFIG", file.toLocal8Bit());
        qputenv("KIVO_SIM_SERIAL", "K-2");
        qputenv("KIVO_SIM_SEED", "99");
        qputenv("KIVO_SIM_READING_MS", "0"); // out of range: the file's value stays
        qputenv("KIVO_SIM_LEVELS", "");      // empty: as if unset
        qputenv("KIVO_SIM_LATENCY_MS", "0");
        qputenv("KIVO_SIM_UNPLUG", "");  // empty: as if unset
        qputenv("KIVO_SIM_PRODUCT", ""); // an empty text is an (odd) identity
        const SimConfig c = loadSimConfig();
        for (const char* name : {"KIVO_SIM_LATENCY_MS", "KIVO_SIM_UNPLUG", "KIVO_SIM_PRODUCT"})
            qunsetenv(name);
        qunsetenv("KIVO_SIM_CONFIG");
        qunsetenv("KIVO_SIM_SERIAL");
        qunsetenv("KIVO_SIM_SEED");
        qunsetenv("KIVO_SIM_READING_MS");
        qunsetenv("KIVO_SIM_LEVELS");

        QCOMPARE(c.productName, std::string());
        QCOMPARE(c.serialNumber, std::string("K-2"));
        QCOMPARE(c.manufacturer, std::string("Veltrano Instruments"));
        QCOMPARE(c.levels, 1024);
        QCOMPARE(c.readingPeriodMs, 40);
        QVERIFY(c.seed.has_value());
        QCOMPARE(*c.seed, uint64_t(99));
        QVERIFY(c.faults.fails(Operation::ReadCPS));
        QVERIFY(!c.hasExtendedRanges());
        QCOMPARE(c.nvramPath(), statePath().toStdString());
        QCOMPARE(c.latencyMs, 0);
        QCOMPARE(c.unplugPath, std::string("/run/a"));
        // levels = many, nonsense line, colour, latency_ms = 60001, reading_ms 0
        QCOMPARE(c.warnings.size(), size_t(5));
        QCOMPARE(c.warnings[3],
                 std::string("latency_ms = \"60001\" ignored: expected milliseconds from 0 to 60000"));
    }

    void filesAtTheirSizeLimit_data() {
        QTest::addColumn<bool>("memory"); // the non-volatile memory file, else the config file
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("memory at 16 KiB") << true << 16384 << true;
        QTest::newRow("memory one byte over") << true << 16385 << false;
        QTest::newRow("config at 64 KiB") << false << 65536 << true;
        QTest::newRow("config one byte over") << false << 65537 << false;
    }
    void filesAtTheirSizeLimit() {
        QFETCH(bool, memory);
        QFETCH(int, bytes);
        QFETCH(bool, accepted);
        // A comment pads the file; the setting after it counts only when the whole file is read. No
        // newline at the end: there, counting lines instead of bytes would add one.
        const QByteArray tail = memory ? QByteArray::fromStdString(nvramText(factoryDefaults({2048, true})))
                                             .replace("hv = 2730", "hv = 3100")
                                             .chopped(1)
                                       : QByteArray("product = Edge");
        const QByteArray content = "#" + QByteArray(bytes - int(tail.size()) - 2, 'x') + "\n" + tail;
        QCOMPARE(content.size(), bytes);
        if (memory) {
            writeState(content);
            SimDevice unit(config());
            QCOMPARE(get(unit, PARAM_HV), accepted ? 3100 : 2730);
            return;
        }
        const QString file = dir_.filePath("sim.conf");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        qputenv("KIVO_SIM_CONFIG", file.toLocal8Bit());
        const SimConfig c = loadSimConfig();
        qunsetenv("KIVO_SIM_CONFIG");
        QCOMPARE(c.productName, std::string(accepted ? "Edge" : "Kivo-VR"));
        QCOMPARE(c.warnings.size(), size_t(accepted ? 0 : 1));
    }

    void missingConfigFileIsReportedAndDefaultsUsed() {
        qputenv("KIVO_SIM_CONFIG", dir_.filePath("absent.conf").toLocal8Bit());
        const SimConfig c = loadSimConfig();
        qunsetenv("KIVO_SIM_CONFIG");
        QCOMPARE(c.productName, std::string("Kivo-VR"));
        QCOMPARE(c.firmwareVersion, std::string("2.0.1"));
        QCOMPARE(c.levels, 2048);
        QCOMPARE(c.warnings.size(), size_t(1));
    }

    void firmwareVersionDecidesTheCpsRangeList_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("extended");
        QTest::newRow("2.0.1") << "2.0.1" << true;
        QTest::newRow("1.2.0") << "1.2.0" << true;
        QTest::newRow("1.1.9") << "1.1.9" << false;
        QTest::newRow("0.9") << "0.9" << false;
        QTest::newRow("garbage") << "abc" << false;
        QTest::newRow("3") << "3" << true;
    }
    void firmwareVersionDecidesTheCpsRangeList() {
        QFETCH(QString, version);
        QFETCH(bool, extended);
        SimConfig c;
        c.firmwareVersion = version.toStdString();
        QCOMPARE(c.hasExtendedRanges(), extended);
    }

    void defaultMemoryFileFollowsTheXdgStateFolder() {
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("XDG_STATE_HOME", "/var/xdg-state");
        QCOMPARE(defaultStatePath(), std::string("/var/xdg-state/kivo-sim/nvram.ini"));
        qputenv("XDG_STATE_HOME", "relative/ignored");
        qputenv("HOME", "/home/someone");
        QCOMPARE(defaultStatePath(), std::string("/home/someone/.local/state/kivo-sim/nvram.ini"));
        qputenv("HOME", oldHome);
        simtest::isolateSimulator(dir_);
    }
};

QTEST_GUILESS_MAIN(TstSimDevice)
#include "tst_sim_device.moc"
