// The count window on the fake device, driven through its widgets and the main window's timer
// signals: a series fills the table, the statistics and the automatic CSV copy; the strip chart rolls
// once per fresh reading; the rate log and the export write their files; a count and a scan exclude
// each other, and the main window's actions stop a count first.
#include "CTreviumCtrl.h"
#include "Count.h"
#include "CountRun.h"
#include "RateLog.h"
#include "ScanFixture.h"
#include "SeriesCsv.h"

#include "FileDialogService.h"
#include "NoticeService.h"

#include <QDir>
#include <QLabel>
#include <QTableWidget>
#include <algorithm>

using Op = FakeCall::Op;
using Fixture = ScanFixture;

namespace {

class SaveAnswer : public FileDialogService {
public:
    explicit SaveAnswer(QString answer) : answer_(std::move(answer)) { install(this); }
    ~SaveAnswer() override { install(nullptr); }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, QString&) override {
        return answer_;
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }

private:
    QString answer_;
};

class NoticeLog : public NoticeService {
public:
    NoticeLog() { install(this); }
    ~NoticeLog() override { install(nullptr); }
    QStringList texts;
    void notify(QWidget*, const QString&, const QString& text) override { texts << text; }
};

} // namespace

struct CountFixture : ScanFixture {
    QDateTime clock = QDateTime::currentDateTimeUtc();

    Count* open() {
        connectAndReset();
        click("cmdCount");
        return window->countWindow();
    }
    // Fresh readings one second apart, as the main window's timer hands them on.
    void feed(const QList<qint32>& rates) {
        for (const qint32 cps : rates) {
            clock = clock.addSecs(1);
            emit window->pollTick(clock);
            emit window->freshReading(cps, clock);
        }
    }
    static void type(QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    // Readings preset: `readings` per measurement, `measurements` of them.
    static void startSeries(Count* c, int readings, int measurements) {
        c->optReadings()->setChecked(true);
        type(c->txtReadings(), QString::number(readings));
        type(c->txtMeasurements(), QString::number(measurements));
        Fixture::press(c->cmdStartStop());
    }
};

class TestCountWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<CountFixture> f;

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<CountFixture>();
    }
    void cleanup() { f.reset(); }

    void aSeriesFillsTheTableTheStatisticsAndItsAutomaticCopy() {
        Count* c = f->open();
        CountFixture::startSeries(c, 3, 2);
        QVERIFY(globals::countRunning);
        QCOMPARE(c->cmdStartStop()->text(), u"&Stop"_qs);
        f->feed({100, 110, 120, 200, 200, 200});
        QVERIFY(!globals::countRunning);
        QTableWidget* table = c->tblMeasurements();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 3)->text(), u"3"_qs);
        QCOMPARE(table->item(0, 4)->text(), u"110.00"_qs);
        QCOMPARE(table->item(0, 5)->text(), u"5.77"_qs); // sd 10 / sqrt(3)
        QCOMPARE(table->item(1, 4)->text(), u"200.00"_qs);
        QCOMPARE(
            c->lblStatistics()->text(),
            u"2 measurements, 6 readings: mean 155.00 CPS, standard deviation 63.64 CPS, "
            "error of the mean 2.89 CPS\n"
            "Dispersion index 0.323; reduced chi-square 243.000 with 1 degrees of freedom, p-value 0.000\n"
            "Verdict: more spread than the readings explain: check the set-up"_qs);
        QCOMPARE(c->lblStatistics()->accessibleName(), c->lblStatistics()->text());
        QCOMPARE(c->statusPanel1(), u"Series complete"_qs);

        const QDir counts(f->dataHome.filePath(u"KivoPanel/counts"_qs));
        const QStringList files = counts.entryList({u"*.csv"_qs}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QCOMPARE(c->statusPanel2(), u"Saved as "_qs + files.first());
        QString error;
        const auto saved = counting::readSeriesCsv(counts.filePath(files.first()), &error);
        QVERIFY2(saved, qPrintable(error));
        QCOMPARE(saved->end, counting::SeriesEnd::Completed);
        QCOMPARE(saved->measurements.size(), 2);
        QCOMPARE(saved->measurements[0].mean, 110.0);

        const QString exported = f->dataHome.filePath(u"export.csv"_qs);
        SaveAnswer answer(exported);
        Fixture::press(c->cmdExport());
        const auto copy = counting::readSeriesCsv(exported, &error);
        QVERIFY2(copy, qPrintable(error));
        QCOMPARE(copy->measurements.size(), 2);
        QVERIFY(f->messages.shown.isEmpty());
    }

    void aBackgroundIsSubtractedFromTheSeriesThatFollow() {
        Count* c = f->open();
        Fixture::press(c->chkBackground());
        CountFixture::startSeries(c, 3, 1);
        f->feed({10, 12, 14});
        Fixture::press(c->chkBackground());
        CountFixture::startSeries(c, 3, 1);
        f->feed({110, 112, 114});
        QCOMPARE(c->tblMeasurements()->item(0, 7)->text(), u"100.00"_qs);
        QVERIFY2(c->lblStatistics()->text().endsWith(
                     u"Net rate 100.00 +- 1.63 CPS after a background of 12.00 +- 1.15 CPS"_qs),
                 qPrintable(c->lblStatistics()->text()));
    }

    // A series that cannot be kept says so, without a box that would stop the timer's readings.
    void anUnsavedSeriesIsTold() {
        Count* c = f->open();
        QFile blocker(f->dataHome.filePath(u"KivoPanel"_qs)); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        NoticeLog notices;
        CountFixture::startSeries(c, 2, 1);
        f->feed({1, 2});
        const QString problem = u"The folder \"%1\" could not be created."_qs.arg(
            QDir::toNativeSeparators(f->dataHome.filePath(u"KivoPanel/counts"_qs)));
        QCOMPARE(notices.texts, QStringList{problem});
        QCOMPARE(c->statusPanel2(), u"Not saved: "_qs + problem);
    }

    void stopKeepsTheMeasurementCutShort() {
        Count* c = f->open();
        CountFixture::startSeries(c, 5, 1);
        f->feed({10, 20});
        Fixture::press(c->cmdStartStop());
        QVERIFY(!globals::countRunning);
        QCOMPARE(c->statusPanel1(), u"Series stopped"_qs);
        QCOMPARE(c->tblMeasurements()->rowCount(), 1);
        QCOMPARE(c->tblMeasurements()->item(0, 9)->text(), u"no"_qs);
    }

    void theStripChartRollsOncePerFreshReading() {
        Count* c = f->open();
        CTreviumCtrl* chart = c->Chart();
        QCOMPARE(chart->rollMode(), TreviumCtl::RollLeft);
        f->feed({5, 7, 9});
        const qint32* data = chart->model().data();
        const int n = chart->npoints();
        QCOMPARE((QList<qint32>{data[n - 3], data[n - 2], data[n - 1]}), (QList<qint32>{5, 7, 9}));
        Fixture::press(c->chkAlarm());
        CountFixture::type(c->txtAlarm(), u"1500"_qs);
        QVERIFY(chart->showAlarm());
        QCOMPARE(chart->alarmLevel(), 1500);
    }

    // The count adds no poll: one ReadCPS per tick of the main window's timer, each fresh one counted.
    void oneReadCpsPerTimerTick() {
        Count* c = f->open();
        CountFixture::startSeries(c, 4, 1);
        for (int i = 0; i < 8 && globals::countRunning; ++i) {
            QThread::msleep(2); // readings a little apart in time
            f->tick(1, 300 + i);
        }
        QVERIFY(!globals::countRunning);
        QCOMPARE(f->device.callsOf(Op::ReadCPS).size(), 4);
        QCOMPARE(c->tblMeasurements()->item(0, 4)->text(), u"301.50"_qs);
    }

    void aSilentUnitIsTold() {
        Count* c = f->open();
        CountFixture::startSeries(c, 5, 1);
        const QDateTime started = c->run().engine().series().started;
        emit f->window->pollTick(started.addSecs(CountRun::STALE_SECONDS - 1));
        QCOMPARE(c->statusPanel2(), QString());
        emit f->window->pollTick(started.addSecs(7));
        QCOMPARE(c->statusPanel2(), u"No fresh reading for 7 s"_qs);
        f->clock = started.addSecs(7);
        f->feed({1});
        QCOMPARE(c->statusPanel2(), QString());
    }

    void badInputIsRefusedWithoutStarting_data() {
        QTest::addColumn<QString>("measurements");
        QTest::addColumn<QString>("message");
        QTest::newRow("text") << u"abc"_qs << u"The number of measurements \"abc\" is not a number."_qs;
        QTest::newRow("zero") << u"0"_qs << u"The number of measurements must be from 1 to 100000."_qs;
        QTest::newRow("fraction") << u"2.5"_qs << u"The number of measurements must be from 1 to 100000."_qs;
    }
    void badInputIsRefusedWithoutStarting() {
        QFETCH(QString, measurements);
        QFETCH(QString, message);
        Count* c = f->open();
        CountFixture::type(c->txtMeasurements(), measurements);
        Fixture::press(c->cmdStartStop());
        QVERIFY(!globals::countRunning);
        QCOMPARE(f->messages.texts(), QStringList{message});
    }

    void aCountAndAScanExcludeEachOther() {
        Count* c = f->open();
        f->window->cmdScan_Click();
        Scan* s = f->window->scanWindow();
        CountFixture::startSeries(c, 5, 1);
        Fixture::press(s->cmdStartStop());
        QVERIFY(!globals::scanRunning);
        QCOMPARE(f->messages.texts(), QStringList{u"A count is running: stop it before starting a scan."_qs});
        Fixture::press(c->cmdStartStop()); // stop the count
        Fixture::press(s->cmdStartStop());
        QVERIFY(globals::scanRunning);
        f->messages.shown.clear();
        emit f->window->pollTick(f->clock);
        QVERIFY(!c->cmdStartStop()->isEnabled());
        QVERIFY(!c->cmdPlateau()->isEnabled());
        c->cmdStartStop_Click();
        QVERIFY(!globals::countRunning);
        QCOMPARE(f->messages.texts(), QStringList{u"A scan is running: stop it before starting a count."_qs});
    }

    // Save, Refresh, Disconnect and Exit stop a running count before they act; the series is kept.
    void theMainWindowsActionsStopACountFirst_data() {
        QTest::addColumn<QString>("button");
        for (const char* name : {"cmdSave", "cmdRefresh", "cmdConnect", "cmdExit"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void theMainWindowsActionsStopACountFirst() {
        QFETCH(QString, button);
        Count* c = f->open();
        f->window->sldLLD()->setValue(300);    // unsaved, so Save is enabled
        f->messages.answers = {MsgAnswer::No}; // and not saved on the way out
        CountFixture::startSeries(c, 5, 1);
        f->feed({42});
        f->click(button.toLatin1().constData());
        QVERIFY(!globals::countRunning);
        const QStringList files =
            QDir(f->dataHome.filePath(u"KivoPanel/counts"_qs)).entryList({u"*.csv"_qs}, QDir::Files);
        QCOMPARE(files.size(), 1);
    }

    void theRateLogKeepsEveryFreshReading() {
        Count* c = f->open();
        const QString path = f->dataHome.filePath(u"rates.csv"_qs);
        SaveAnswer answer(path);
        Fixture::press(c->cmdLogRate());
        QVERIFY(c->rateLog().isOpen());
        QCOMPARE(c->cmdLogRate()->text(), u"Stop &Log"_qs);
        const QDateTime first = f->clock.addSecs(1);
        f->feed({12, 34});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly)); // on the disk while the log is still open
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 5); // two header lines, two readings, the empty rest
        QCOMPARE(lines[2].trimmed(), first.toString(Qt::ISODateWithMs).toLatin1() + ",12");
        QCOMPARE(lines[3].trimmed().split(',').last(), QByteArray("34"));
        Fixture::press(c->cmdLogRate());
        QVERIFY(!c->rateLog().isOpen());
        QCOMPARE(c->lblLog()->text(), u"Logged 2 readings to "_qs + QDir::toNativeSeparators(path));
    }

    void labelsAndBoxesAreNamedForAssistiveTechnology() {
        Count* c = f->open();
        for (QLabel* label : c->findChildren<QLabel*>()) {
            if (label->buddy())
                continue;
            QVERIFY2(!label->accessibleDescription().isEmpty(), qPrintable(label->objectName()));
        }
        QCOMPARE(c->findChild<QLabel*>(u"lblMeasurements"_qs)->buddy(), c->txtMeasurements());
        QCOMPARE(c->findChild<QLabel*>(u"lblHvStop"_qs)->buddy(), c->txtHvStop());
        QVERIFY(!c->txtTime()->accessibleName().isEmpty());
        // The buttons say that a count and a scan exclude each other.
        QVERIFY(c->cmdStartStop()->accessibleDescription().contains(u"not while a scan runs"_qs));
        QVERIFY(c->cmdPlateau()->accessibleDescription().contains(u"not while a scan runs"_qs));
        f->window->cmdScan_Click();
        QVERIFY(f->window->scanWindow()->cmdStartStop()->accessibleDescription().contains(
            u"not while a count runs"_qs));
    }

    // A window just opened shows nothing it did not measure: no test data set on the plateau plot, and
    // room for a four-digit voltage in its boxes.
    void aNewWindowShowsNothingUnmeasured() {
        Count* c = f->open();
        const auto* plot = c->findChild<CTreviumCtrl*>(u"PlateauPlot"_qs);
        const QList<qint32> shown = plot->data().value<QList<qint32>>();
        QVERIFY(std::all_of(shown.begin(), shown.end(), [](qint32 v) { return v == 0; }));
        c->show();
        QVERIFY(c->txtHvStop()->width() >= c->txtHvStop()->fontMetrics().horizontalAdvance(u"1200.0"_qs));
    }

    void helpSaysNoPoissonUncertaintyIsGiven() {
        Count* c = f->open();
        Fixture::press(c->cmdHelp());
        QCOMPARE(f->messages.shown.size(), 1);
        QVERIFY(f->messages.shown.first().text.contains(u"no Poisson uncertainty"_qs));
    }
};

QTEST_MAIN(TestCountWindow)
#include "tst_count_window.moc"
