// The scan procedure without a window: what it sends to the device, what it sums, and what it tells
// the one who runs it, on a fake device.
#include "FakeKivoLib.h"
#include "ScanEngine.h"
#include "ScanRecords.h"

#include <QTest>

#include <algorithm>

using Op = FakeCall::Op;

namespace {

// Records what the engine reports, in order.
struct RecordingHost : scan::ScanHost {
    qint32 handle = FakeDevice::HANDLE;
    QStringList events;
    const scan::ScanEngine* engine = nullptr;

    qint32 deviceHandle() const override { return handle; }
    qint32 maxLevel() const override { return 2047; }
    bool levelsKnown = true;
    bool levelCountKnown() const override { return levelsKnown; }
    bool insisted = false; // the user insists on ending at once
    bool abandonDevice() const override { return insisted; }
    void scanFailure(const QString& text) override { events << u"failure "_qs + text; }
    void channelStarted() override {
        events << u"channel %1 of sweep %2"_qs.arg(engine->channel()).arg(engine->sweep());
    }
    void readingAdded(qint32) override {}
    void countsCleared() override {}
    void movedOn(qint32 channel) override { events << u"moved on to %1"_qs.arg(channel); }
    void scanEnded(bool complete) override { events << (complete ? u"complete"_qs : u"stopped"_qs); }
    std::optional<spectrum::LevelWindow> leave; // the window the host wants left on the unit
    std::optional<spectrum::LevelWindow> windowToLeave(bool complete) override {
        events << u"window asked, %1"_qs.arg(complete ? u"complete"_qs : u"stopped"_qs);
        return leave;
    }
};

} // namespace

class TestScanEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDevice> device;
    RecordingHost host;
    scan::Counts counts{};
    bool running = false;
    std::unique_ptr<scan::ScanEngine> engine;

    void feed(int readings, qint32 cps) {
        for (int i = 0; i < readings; ++i)
            engine->update(cps);
    }

private slots:
    void init() {
        device = std::make_unique<FakeDevice>();
        counts.fill(0);
        running = false;
        engine = std::make_unique<scan::ScanEngine>(host, counts, running);
        host.engine = engine.get();
        host.events.clear();
        host.handle = FakeDevice::HANDLE;
        host.levelsKnown = true;
        host.insisted = false;
        host.leave.reset();
    }
    void cleanup() {
        engine.reset();
        device.reset();
    }

    void aScanFromStartToEnd() {
        engine->start(64, 2);
        QVERIFY(running);
        QCOMPARE(device->calls.mid(0, 6), (QList<FakeCall>{{Op::Get, kivo::PARAM_LLD, 0, 4},
                                                           {Op::Get, kivo::PARAM_ULD, 0, 4},
                                                           {Op::Get, kivo::PARAM_INTEGRAL_MODE, 0, 4},
                                                           {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4},
                                                           {Op::Set, kivo::PARAM_LLD, 24, 4},
                                                           {Op::Set, kivo::PARAM_ULD, 72, 4}}));
        feed(4, 10); // one discarded, three summed
        QCOMPARE(counts[1], 30);
        QCOMPARE(host.events,
                 (QStringList{u"channel 1 of sweep 1"_qs, u"moved on to 2"_qs, u"channel 2 of sweep 1"_qs}));
        feed(62 * 4, 10);
        QCOMPARE(engine->sweep(), qint16(2));
        QCOMPARE(engine->channel(), 1);
        QCOMPARE(engine->sweepsCompleted(), qint16(1));
        device->calls.clear();
        feed(63 * 4, 10);
        QVERIFY(!running);
        QVERIFY(engine->completed());
        QCOMPARE(host.events.last(), u"complete"_qs);
        QCOMPARE(device->calls.mid(device->calls.size() - 3),
                 (QList<FakeCall>{{Op::Set, kivo::PARAM_LLD, 100, 4},
                                  {Op::Set, kivo::PARAM_ULD, 1900, 4},
                                  {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}}));
        QCOMPARE(counts[0], 0);
        QCOMPARE(counts[63], 60);
        QCOMPARE(counts[64], 0);
        QCOMPARE(engine->readings()[63], 6);
        QCOMPARE(engine->sweepsCompleted(), qint16(2));
        QVERIFY(engine->startTime().isValid() && engine->endTime() >= engine->startTime());
        feed(4, 10); // nothing after the end
        QCOMPARE(counts[1], 60);
    }

    // Cleared in the second of three sweeps, the record asks for the two sweeps left; cleared when
    // stopped, it asks for none.
    void stopAndClear() {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        engine->start(128, 3);
        feed(127 * 4 + 4 * 3 + 2, 5); // channel 4 of sweep 2 has two readings
        engine->clear();
        QCOMPARE(counts[1] + counts[2] + counts[3], 0);
        QCOMPARE(engine->channel(), 1);
        QCOMPARE(device->sent(kivo::PARAM_LLD).last(), 12); // the sweep restarts at channel 1
        QCOMPARE(scan::recordOf(*engine, 2047, now).sweepsRequested, 2);
        feed(2, 7); // the first reading is discarded again
        QCOMPARE(counts[1], 7);
        engine->stop();
        QVERIFY(!running && !engine->completed());
        QCOMPARE(host.events.last(), u"stopped"_qs);
        QCOMPARE(engine->readings()[1], 1);
        QCOMPARE(engine->sweepsCompleted(), qint16(0));
        engine->clear();
        QCOMPARE(scan::recordOf(*engine, 2047, now).sweepsRequested, 0);
    }

    // What the counts are, as the files carry it: scans of one layout add up into one record; a scan of
    // another layout starts a new one, whose windows are its own; a running scan is recorded up to now.
    void theRecordFollowsTheCountsAcrossScans() {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        engine->start(32, 1);
        engine->stop(); // before a reading: nothing recorded, so the layout asked for is shown
        QCOMPARE(engine->recorder().record(engine->counts(), now, 64, 2047).channels, 64);
        engine->start(64, 1);
        feed(63 * 4, 10);
        const QDateTime firstStart = engine->startTime();
        engine->start(64, 2);
        feed(4, 10);
        spectrum::ScanRecord r = scan::recordOf(*engine, 2047, now.addSecs(60));
        QCOMPARE(r.state, spectrum::ScanState::Running);
        QCOMPARE(r.endTime, now.addSecs(60));
        QCOMPARE(r.startTime, firstStart);
        QCOMPARE(r.sweepsRequested, 3);
        QCOMPARE(r.sweepsCompleted, 1);
        QCOMPARE(r.readings[1], 6);
        QCOMPARE(r.counts[1], 60);
        engine->stop();
        r = scan::recordOf(*engine, 2047, now);
        QCOMPARE(r.state, spectrum::ScanState::Aborted);
        QCOMPARE(r.channels, 64);
        QCOMPARE(r.levels[1], (spectrum::LevelWindow{24, 72}));
        QCOMPARE((QList<qint32>{r.userLLD, r.userULD, r.userIntegralMode}), (QList<qint32>{100, 1900, 0}));

        // Another layout: its counts start from zero under its own windows, and so does its record.
        engine->start(256, 1);
        QVERIFY(std::all_of(counts.begin(), counts.end(), [](qint32 c) { return c == 0; }));
        feed(4, 10);
        r = scan::recordOf(*engine, 2047, now);
        QCOMPARE(r.channels, 256);
        QCOMPARE(r.levels[1], (spectrum::LevelWindow{6, 18}));
        QCOMPARE(r.sweepsRequested, 1);
        QCOMPARE(r.readings[1], 3);
        QCOMPARE(r.counts[1], 30);
        QVERIFY(r.startTime >= firstStart);
        // The widest layout's last channel too.
        engine->start(512, 1);
        feed(511 * 4, 10);
        QCOMPARE(counts[511], 30);
        engine->start(64, 1);
        QVERIFY(std::all_of(counts.begin(), counts.end(), [](qint32 c) { return c == 0; }));
    }

    // Calls that leave the counts doubtful are in the record, which is then not trustworthy.
    void failuresThatSpoilTheCountsAreRecorded_data() {
        QTest::addColumn<qint32>("failingSet");
        QTest::addColumn<bool>("levelCountKnown");
        QTest::addColumn<QStringList>("failures");
        QTest::addColumn<qint32>("failedChannels");
        QTest::newRow("none") << qint32(-1) << true << QStringList() << 0;
        QTest::newRow("ULD on every channel")
            << qint32(kivo::PARAM_ULD) << true << QStringList{u"Failed to set ULD. (on 63 of 63 channels)"_qs}
            << 63;
        QTest::newRow("integral mode stays on") << qint32(kivo::PARAM_INTEGRAL_MODE) << true
                                                << QStringList{u"Failed to disable integral mode."_qs} << 0;
        QTest::newRow("level count unknown")
            << qint32(-1) << false
            << QStringList{u"The level count could not be read; the windows assume 2048 levels."_qs} << 0;
    }
    void failuresThatSpoilTheCountsAreRecorded() {
        QFETCH(qint32, failingSet);
        QFETCH(bool, levelCountKnown);
        QFETCH(QStringList, failures);
        QFETCH(qint32, failedChannels);
        if (failingSet >= 0)
            device->failingSets << failingSet;
        host.levelsKnown = levelCountKnown;
        engine->start(64, 2);
        feed(63 * 4 * 2, 10);
        QVERIFY(!running);
        const spectrum::ScanRecord r = scan::recordOf(*engine, 2047, QDateTime::currentDateTimeUtc());
        QCOMPARE(r.deviceFailures, failures);
        QCOMPARE(r.failedChannels, failedChannels);
        QCOMPARE(r.trustworthy(), failures.isEmpty());
        engine->clear(); // the counts they spoiled are gone, and so are they
        QVERIFY(scan::recordOf(*engine, 2047, QDateTime::currentDateTimeUtc()).deviceFailures.isEmpty());
    }

    void aFailureOnSomeChannelsSaysHowMany() {
        engine->start(64, 1);
        feed(10 * 4, 10);
        device->failingSets << qint32(kivo::PARAM_ULD);
        feed(63 * 4, 10);
        QVERIFY(!running);
        const spectrum::ScanRecord r = scan::recordOf(*engine, 2047, QDateTime::currentDateTimeUtc());
        QVERIFY2(r.failedChannels > 40 && r.failedChannels < 63,
                 qPrintable(QString::number(r.failedChannels)));
        QCOMPARE(r.deviceFailures,
                 QStringList{u"Failed to set ULD. (on %1 of 63 channels)"_qs.arg(r.failedChannels)});
    }

    void withoutADeviceNothingIsWrittenBack() {
        engine->start(64, 1);
        host.handle = 0; // the connection is gone
        device->calls.clear();
        engine->stop();
        QVERIFY(device->calls.isEmpty());
        QCOMPARE(host.events.last(), u"stopped"_qs);
    }

    // A user who insists on ending at once gets no more device calls, and is told what the unit holds.
    void anInsistedStopLeavesTheUnitAlone() {
        engine->start(64, 1);
        host.insisted = true;
        device->calls.clear();
        engine->stop();
        QVERIFY(device->calls.isEmpty());
        QVERIFY(
            host.events.contains(u"failure The user's window was not written back: the unit may still hold a "
                                 u"scan channel's window."_qs));
        QCOMPARE(host.events.last(), u"stopped"_qs);
    }

    // The host's window replaces the write-back whole, or the user's window goes back after all.
    void theHostsWindowIsLeftOnTheUnit_data() {
        QTest::addColumn<qint32>("failingSet");
        QTest::addColumn<QList<FakeCall>>("ending"); // the sets after the last channel's window
        QTest::addColumn<bool>("left");
        using W = QList<FakeCall>;
        QTest::newRow("left") << qint32(-1)
                              << W{{Op::Set, kivo::PARAM_LLD, 900, 4},
                                   {Op::Set, kivo::PARAM_ULD, 1100, 4},
                                   {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}}
                              << true;
        QTest::newRow("integral mode fails")
            << qint32(kivo::PARAM_INTEGRAL_MODE)
            << W{{Op::Set, kivo::PARAM_LLD, 900, 4},         {Op::Set, kivo::PARAM_ULD, 1100, 4},
                 {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}, {Op::Set, kivo::PARAM_LLD, 100, 4},
                 {Op::Set, kivo::PARAM_ULD, 1900, 4},        {Op::Set, kivo::PARAM_INTEGRAL_MODE, 0, 4}}
            << false;
    }
    void theHostsWindowIsLeftOnTheUnit() {
        QFETCH(qint32, failingSet);
        QFETCH(QList<FakeCall>, ending);
        QFETCH(bool, left);
        engine->start(64, 1);
        host.leave = spectrum::LevelWindow{900, 1100};
        device->failingSets << failingSet;
        feed(62 * 4, 10);
        device->calls.clear();
        feed(4, 10);
        QVERIFY(!running);
        QCOMPARE(device->calls, ending);
        QCOMPARE(engine->windowLeft(), left);
        QVERIFY(host.events.contains(u"window asked, complete"_qs));
        QCOMPARE(host.events.last(), u"complete"_qs);
    }

    void everyFailureIsReportedAndTheScanGoesOn_data() {
        QTest::addColumn<bool>("get");
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QStringList>("failures");
        // A value never read is not written back: the user's window is not known.
        QTest::newRow("read LLD")
            << true << qint32(kivo::PARAM_LLD)
            << QStringList{u"Failed to read LLD."_qs,
                           u"The LLD was not restored: it could not be read before the scan."_qs};
        QTest::newRow("read ULD")
            << true << qint32(kivo::PARAM_ULD)
            << QStringList{u"Failed to read ULD."_qs,
                           u"The ULD was not restored: it could not be read before the scan."_qs};
        QTest::newRow("read integral")
            << true << qint32(kivo::PARAM_INTEGRAL_MODE)
            << QStringList{u"Failed to read integral mode."_qs,
                           u"Integral mode was not restored: it could not be read before the scan."_qs};
        QTest::newRow("set ULD") << false << qint32(kivo::PARAM_ULD)
                                 << QStringList{u"Failed to set ULD."_qs, u"Failed to restore ULD."_qs};
        QTest::newRow("set integral")
            << false << qint32(kivo::PARAM_INTEGRAL_MODE)
            << QStringList{u"Failed to disable integral mode."_qs, u"Failed to restore integral mode."_qs};
    }
    void everyFailureIsReportedAndTheScanGoesOn() {
        QFETCH(bool, get);
        QFETCH(qint32, id);
        QFETCH(QStringList, failures);
        (get ? device->failingGets : device->failingSets) << id;
        engine->start(64, 1);
        feed(4, 1);
        QCOMPARE(engine->channel(), 2);
        engine->stop();
        QStringList reported;
        for (const QString& e : host.events)
            if (e.startsWith(u"failure "_qs))
                reported << e.mid(8);
        reported.removeDuplicates();
        QCOMPARE(reported, failures);
        // Nothing skipped but the write-back of what was never read.
        QCOMPARE(device->callsOf(Op::Set).size(), 1 + 2 * 2 + 3 - (get ? 1 : 0));
        if (get) { // what was never read the record leaves unknown, 0
            const spectrum::ScanRecord r = scan::recordOf(*engine, 2047, QDateTime::currentDateTimeUtc());
            const QMap<qint32, qint32> user{{kivo::PARAM_LLD, r.userLLD},
                                            {kivo::PARAM_ULD, r.userULD},
                                            {kivo::PARAM_INTEGRAL_MODE, qint32(r.userIntegralMode)}};
            QCOMPARE(user.value(id, -1), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestScanEngine)
#include "tst_scan_engine.moc"
