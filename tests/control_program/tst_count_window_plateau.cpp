// The HV plateau in the count window on the fake device: the stop voltage is confirmed, no step is
// larger than the step size, the user's HV goes back to the unit at the end, on Stop, on closing the
// window, before a Save and after a refused step; "Use This HV" sets the main window's HV, unsaved.
#include "Conversions.h"
#include "Count.h"
#include "HvPlateau.h"
#include "ScanFixture.h"
#include "SeriesCsv.h"

#include <QDir>
#include <QLabel>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

using Op = FakeCall::Op;

namespace {

// A detector whose rate climbs steeply up to 750 V and then only slowly: a plateau from 750 V up.
qint32 rateAt(qint32 hvCount) {
    const double volts = conv::countToVolts(hvCount);
    return qint32(volts < 750 ? 100 + (volts - 700) * 20 : 1100 + (volts - 750) * 0.5);
}

constexpr qint32 USER_HV = 2048; // the fake unit's HV count

} // namespace

class TestCountPlateau : public QObject {
    Q_OBJECT

    std::unique_ptr<ScanFixture> f;
    Count* c = nullptr;
    QDateTime clock;

    // 700 V to 900 V in 25 V steps, two readings per step, no settling; confirmed with `answer`.
    void startPlateau(MsgAnswer answer = MsgAnswer::Yes) {
        f->messages.answers = {answer};
        c->optReadings()->setChecked(true);
        c->txtReadings()->setText(u"2"_qs);
        c->txtHvStart()->setText(u"700"_qs);
        c->txtHvStop()->setText(u"900"_qs);
        c->txtHvStep()->setText(u"25"_qs);
        c->txtSettle()->setText(u"0"_qs);
        ScanFixture::press(c->cmdPlateau());
    }
    // Readings at the rate of the unit's present HV until the plateau ends (or `limit` readings).
    void feed(int limit = 1000) {
        for (int i = 0; i < limit && globals::countRunning; ++i) {
            clock = clock.addSecs(1);
            emit f->window->freshReading(rateAt(f->device.numbers[kivo::PARAM_HV]), clock);
        }
    }
    QList<qint32> hvSent() const { return f->device.sent(kivo::PARAM_HV); }
    // No two consecutive HVs on the unit (starting from the user's) further apart than one 25 V step,
    // give or take the one count the unit's setting rounds to.
    bool stepsWithinStepSize() const {
        qint32 last = USER_HV;
        for (const qint32 hv : hvSent()) {
            if (std::abs(hv - last) * counting::HV_VOLTS_PER_COUNT > 25 + counting::HV_VOLTS_PER_COUNT)
                return false;
            last = hv;
        }
        return true;
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<ScanFixture>();
        f->connectAndReset();
        f->window->cmdCount_Click();
        c = f->window->countWindow();
        clock = QDateTime::currentDateTimeUtc();
    }
    void cleanup() { f.reset(); }

    void aPlateauFindsItsOperatingPointAndPutsTheUserHvBack() {
        startPlateau();
        QCOMPARE(f->messages.shown.size(), 1);
        QVERIFY(f->messages.shown.first().text.contains(u"Is 900.0 V safe for the detector?"_qs));
        QVERIFY(globals::countRunning);
        QVERIFY(!c->cmdPlateau()->isEnabled());
        feed();
        QVERIFY(!globals::countRunning);
        QCOMPARE(c->statusPanel1(), u"Series complete"_qs);
        const QList<qint32> sent = hvSent();
        // Never beyond the start and stop voltages (700 V = count 1911, 900 V = 2457), and back at the end.
        QCOMPARE(*std::min_element(sent.begin(), sent.end()), 1911);
        QCOMPARE(*std::max_element(sent.begin(), sent.end()), 2457);
        QCOMPARE(sent.last(), USER_HV);
        QVERIFY(stepsWithinStepSize());
        QCOMPARE(f->device.numbers[kivo::PARAM_HV], USER_HV);
        QCOMPARE(c->tblMeasurements()->rowCount(), 9);
        QVERIFY(c->plateauResult().found);
        QVERIFY(c->plateauResult().operatingVolts >= 750 && c->plateauResult().operatingVolts <= 900);
        QCOMPARE(
            c->lblPlateau()->text(),
            u"Plateau from 800.0 V to 900.0 V, slope 4.35 %/100 V. Proposed operating point: 825.0 V"_qs);
        QCOMPARE(c->PlateauPlot()->npoints(), 9);
        // The plot's axis reads volts; its cursor stands on the operating point.
        QCOMPARE(c->PlateauPlot()->calibrationObject()->offset(), 700.0f);
        QCOMPARE(c->PlateauPlot()->calibrationObject()->slope(), 25.0f);
        QCOMPARE(c->PlateauPlot()->cursorPos(),
                 qint32(std::lround((c->plateauResult().operatingVolts - 700) / 25)));

        // The operating point goes to the unit by the main window's path: shown, unsaved, not stored.
        f->device.calls.clear();
        QVERIFY(c->cmdUseHV()->isEnabled());
        ScanFixture::press(c->cmdUseHV());
        const qint32 operating = *conv::voltsToCount(float(c->plateauResult().operatingVolts));
        QCOMPARE(f->device.calls, (QList<FakeCall>{{Op::Set, kivo::PARAM_HV, operating, 4}}));
        QCOMPARE(f->window->txtHV()->text(), conv::countToVoltsText(operating));
        QVERIFY(f->button("cmdSave")->isEnabled());
    }

    void noAnswerNoHighVoltage() {
        startPlateau(MsgAnswer::No);
        QVERIFY(!globals::countRunning);
        QVERIFY(hvSent().isEmpty());
    }

    void aBadPlateauBoxIsRefusedBeforeTheQuestion() {
        c->txtHvStop()->setText(u"abc"_qs);
        ScanFixture::press(c->cmdPlateau());
        QCOMPARE(f->messages.texts(), QStringList{u"The stop voltage \"abc\" is not a number."_qs});
        QVERIFY(!globals::countRunning);
        QVERIFY(hvSent().isEmpty());
    }

    // Stop, closing the window and Save in the middle of the plateau: the user's HV goes back first.
    void theUserHvGoesBackWhenThePlateauIsCutShort_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Stop") << 0;
        QTest::newRow("closing the window") << 1;
        QTest::newRow("Save") << 2;
    }
    void theUserHvGoesBackWhenThePlateauIsCutShort() {
        QFETCH(int, how);
        startPlateau();
        feed(10);
        QVERIFY(globals::countRunning && f->device.numbers[kivo::PARAM_HV] != USER_HV);
        f->messages.shown.clear();
        if (how == 0)
            ScanFixture::press(c->cmdStartStop());
        else if (how == 1)
            c->close();
        else
            f->click("cmdSave");
        QVERIFY(!globals::countRunning);
        QCOMPARE(hvSent().last(), USER_HV);
        QVERIFY(stepsWithinStepSize());
        if (how == 2) { // the HV back on the unit before its settings are stored
            QCOMPARE(f->device.calls.last().op, Op::Save);
            QCOMPARE(f->device.numbers[kivo::PARAM_HV], USER_HV);
        }
    }

    // A second termination signal ends the program at once: no device call, the series still saved.
    void endingAtOnceKeepsThePlateauWithoutADeviceCall() {
        startPlateau();
        feed(5);
        f->device.calls.clear();
        f->window->terminateNow();
        QVERIFY(!globals::countRunning);
        QVERIFY(f->device.calls.isEmpty());
        const QDir counts(f->dataHome.filePath(u"KivoPanel/counts"_qs));
        const QStringList files = counts.entryList({u"plateau_*.csv"_qs}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const auto saved = counting::readSeriesCsv(counts.filePath(files.first()), nullptr);
        QVERIFY(saved && saved->end == counting::SeriesEnd::Aborted && !saved->hvRestored);
    }

    void aRefusedStepEndsThePlateauAndStillAsksForTheUserHv() {
        startPlateau();
        feed(4);
        f->device.failingSets << kivo::PARAM_HV;
        feed();
        QVERIFY(!globals::countRunning);
        QVERIFY(c->statusPanel1().startsWith(u"Series failed: the unit did not take back 750.2 V"_qs));
        QVERIFY(f->messages.texts().contains(u"Failed to set High Voltage level."_qs));
        QCOMPARE(f->device.calls.last(), (FakeCall{Op::Set, kivo::PARAM_HV, USER_HV, 4}));
    }
};

QTEST_MAIN(TestCountPlateau)
#include "tst_count_window_plateau.moc"
