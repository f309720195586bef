// The scan window's spectrum files through its real widgets: the menu entries and shortcuts, the
// automatic copy of every scan that ends, Save Spectrum in each format, Open and Clear Reference, and
// the reference in the report's spectrum image. File dialogs and notices are answered by scripts.
#include "BrowserTestMain.h"
#include "FileDialogService.h"
#include "NoticeService.h"
#include "PrintPreview.h"
#include "ReportFiles.h"
#include "ScanChannels.h"
#include "ScanFixture.h"
#include "ScanReportSource.h"
#include "ScanSpectrumFiles.h"
#include "SpectrumFile.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QSettings>

#include <algorithm>

using spectrum::Format;
using spectrum::ScanRecord;

Q_DECLARE_METATYPE(spectrum::Format)

namespace {

// Answers the file dialogs from a script and records what they were asked.
class DialogScript : public FileDialogService {
public:
    DialogScript() { install(this); }
    ~DialogScript() override { install(nullptr); }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    struct Asked {
        QString caption;
        QString path;
        QString filters;
        QString filter;
    };
    QList<Asked> saves;
    QList<Asked> opens;
    QString answer;       // the file chosen, "" = cancelled
    QString answerFilter; // the filter chosen in a save dialog; "" keeps the proposed one

    QString saveFileName(QWidget*, const QString& caption, const QString& proposedPath,
                         const QString& filters, QString& selectedFilter) override {
        saves << Asked{caption, proposedPath, filters, selectedFilter};
        if (!answerFilter.isEmpty())
            selectedFilter = answerFilter;
        return answer;
    }
    QString openFileName(QWidget*, const QString& caption, const QString& folder,
                         const QString& filters) override {
        opens << Asked{caption, folder, filters, QString()};
        return answer;
    }
};

QList<qint32> referenceOf(const CTreviumCtrl* plot) {
    return plot->referenceData().value<QList<qint32>>();
}

qint64 total(const QList<qint32>& counts) {
    qint64 sum = 0;
    for (qint32 c : counts)
        sum += c;
    return sum;
}

} // namespace

class TestScanSpectrumFiles : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;
    QTemporaryDir files;
    std::unique_ptr<ScanFixture> f;
    std::unique_ptr<DialogScript> dialogs;
    std::unique_ptr<NoticeRecorder> notices;

    QString scansFolder() const { return f->dataHome.filePath(u"KivoPanel/scans"_qs); }
    QStringList savedScans() const {
        return QDir(scansFolder()).entryList({u"*.n42"_qs}, QDir::Files, QDir::Name);
    }

    // A scan of 64 channels and one sweep, every reading `cps`, run to its end.
    Scan* completeScan(qint32 cps) {
        Scan* s = f->connectAndOpen();
        ScanFixture::choose(s->cmbChannels(), u"64"_qs);
        ScanFixture::typeSweeps(s, u"1"_qs);
        ScanFixture::press(s->cmdStartStop());
        f->tickToEnd(cps);
        return s;
    }

    // A reference file of `channels` channels with its peak at 40 % of the range.
    QString referenceFile(qint32 channels, Format format) {
        ScanRecord r;
        r.channels = channels;
        r.levelCount = 2048;
        for (qint32 k = 0; k <= channels; ++k) {
            r.counts << (k == channels * 2 / 5 ? 5000 : 10);
            const scan::ChannelWindow w = scan::channelWindow(k, channels, 2047);
            r.levels << spectrum::LevelWindow{w.lld, w.uld};
        }
        const QString path = files.filePath(u"reference%1.%2"_qs.arg(channels).arg(spectrum::suffix(format)));
        if (!spectrum::writeFile(r, path, format).isEmpty())
            qFatal("reference not written");
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(settingsDir.isValid() && files.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    }
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QSettings(u"KivoPanel"_qs, u"KivoPanel"_qs).clear();
        f = std::make_unique<ScanFixture>();
        dialogs = std::make_unique<DialogScript>();
        notices = std::make_unique<NoticeRecorder>();
    }
    void cleanup() {
        notices.reset();
        dialogs.reset();
        f.reset();
    }

    // ---- Menu and shortcuts ----

    void menuHoldsTheEntriesAfterPrint() {
        Scan* s = f->connectAndOpen();
        QStringList texts;
        for (QAction* a : s->mnuContext()->actions())
            texts << a->text();
        QCOMPARE(texts.mid(0, 4), (QStringList{u"&Print..."_qs, u"&Save Spectrum..."_qs,
                                               u"&Open Reference..."_qs, u"C&lear Reference"_qs}));
        QCOMPARE(s->spectrumFiles().mnuEntrySaveSpectrum()->shortcut(), QKeySequence(u"Ctrl+S"_qs));
        QCOMPARE(s->spectrumFiles().mnuEntryOpenReference()->shortcut(), QKeySequence(u"Ctrl+O"_qs));
    }

    void shortcutsOpenTheDialogs_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << u"Save Spectrum"_qs;
        QTest::newRow("Ctrl+O") << int(Qt::Key_O) << u"Open Reference"_qs;
    }
    void shortcutsOpenTheDialogs() {
        QFETCH(int, key);
        QFETCH(QString, caption);
        Scan* s = f->connectAndOpen();
        s->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s));
        QTest::keyClick(s->cmdClear(), Qt::Key(key), Qt::ControlModifier);
        const QList<DialogScript::Asked> asked = key == Qt::Key_S ? dialogs->saves : dialogs->opens;
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().caption, caption);
    }

    // ---- The automatic copy ----

    void aCompleteScanIsSavedAutomatically() {
        Scan* s = completeScan(100);
        QCOMPARE(s->statusPanel1(), u"Scan complete"_qs);
        QCOMPARE(savedScans().size(), 1);
        QCOMPARE(s->spectrumFiles().lastAutoSave(), QDir(scansFolder()).filePath(savedScans().first()));
        QVERIFY(savedScans().first().startsWith(u"SN1234_"_qs));
        const spectrum::ReadResult read = spectrum::readFile(s->spectrumFiles().lastAutoSave());
        QVERIFY2(read.ok(), qPrintable(read.error));
        const ScanRecord& r = read.record;
        QCOMPARE(r.counts, f->counts(0, 64));
        QCOMPARE(r.counts[1], 300); // three readings of 100
        QCOMPARE(r.channels, 64);
        QCOMPARE(r.levelCount, 2048);
        QCOMPARE(r.levels[1], (spectrum::LevelWindow{24, 72}));
        QCOMPARE(r.readings.mid(0, 3), (QList<qint32>{0, 3, 3}));
        QCOMPARE(r.readings.last(), 0);
        QCOMPARE(r.state, spectrum::ScanState::Complete);
        QCOMPARE(r.sweepsRequested, 1);
        QCOMPARE(r.sweepsCompleted, 1);
        QCOMPARE(r.liveTimeSeconds, 3.0);
        QVERIFY(r.startTime.isValid() && r.endTime >= r.startTime);
        QCOMPARE(r.product, u"Kivo-VR 1000"_qs);
        QCOMPARE(r.serialNumber, u"SN1234"_qs);
        QCOMPARE(r.firmware, u"2.0.1"_qs);
        QCOMPARE(r.highVoltageText, f->window->txtHV()->text());
        QCOMPARE(r.highVoltageCount, std::optional<qint32>(2048));
        QCOMPARE(r.coarseGainIndex, 1);
        QCOMPARE(r.fineGain, 1000);
        QCOMPARE(r.userLLD, 100);
        QCOMPARE(r.userULD, 1900);
        QCOMPARE(r.programName, u"KivoPanel"_qs);
        QVERIFY(f->messages.shown.isEmpty());
        QVERIFY(notices->texts.isEmpty());
    }

    void anAbortedScanIsSavedAsAborted() {
        Scan* s = f->connectAndOpen();
        ScanFixture::press(s->cmdStartStop());
        f->tick(4 * 10, 7); // ten channels
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(s->statusPanel1(), u"Scan aborted"_qs);
        QCOMPARE(s->statusPanel2(), QString());
        QCOMPARE(savedScans().size(), 1);
        const spectrum::ReadResult read = spectrum::readFile(s->spectrumFiles().lastAutoSave());
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.record.state, spectrum::ScanState::Aborted);
        QCOMPARE(read.record.sweepsRequested, 10);
        QCOMPARE(read.record.sweepsCompleted, 0);
        QCOMPARE(std::count(read.record.readings.begin(), read.record.readings.end(), 3), 10);
        QCOMPARE(read.record.counts, f->counts(0, 128));
    }

    void nothingMeasuredNothingSaved() {
        Scan* s = f->connectAndOpen();
        ScanFixture::press(s->cmdStartStop());
        f->tick(1, 5); // the reading after the window change is discarded
        ScanFixture::press(s->cmdStartStop());
        QVERIFY(savedScans().isEmpty());
        QCOMPARE(s->spectrumFiles().lastAutoSave(), QString());
    }

    void aScanThatAddsToTheLastKeepsItsRecord() {
        completeScan(100);
        Scan* s = f->window->scanWindow();
        ScanFixture::press(s->cmdStartStop()); // no Clear: the sums add up
        f->tickToEnd(50);
        QCOMPARE(savedScans().size(), 2);
        // The same start, so the same name: the second copy is numbered, and sorts first.
        QCOMPARE(savedScans().first(), QFileInfo(savedScans().last()).completeBaseName() + u"-2.n42"_qs);
        const ScanRecord r = s->spectrumFiles().currentRecord();
        QCOMPARE(r.counts[1], 450);
        QCOMPARE(r.readings[1], 6);
        QCOMPARE(r.sweepsRequested, 2);
        QCOMPARE(r.sweepsCompleted, 2);
        ScanFixture::press(s->cmdClear());
        QVERIFY(!s->spectrumFiles().currentRecord().hasMeasuredChannel());
    }

    void aFailedAutomaticSaveIsANoticeNotABox() {
        QFile blocker(f->dataHome.filePath(u"KivoPanel"_qs)); // a file where the folder should go
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Scan* s = completeScan(100);
        QCOMPARE(s->statusPanel1(), u"Scan complete"_qs);
        QVERIFY(f->messages.shown.isEmpty()); // no modal box during Stop
        QCOMPARE(notices->titles, QStringList{u"Morla"_qs});
        QVERIFY2(notices->texts.first().contains(u"not saved automatically"_qs),
                 qPrintable(notices->texts.first()));
        QVERIFY(notices->texts.first().contains(QDir::toNativeSeparators(scansFolder())));
        QCOMPARE(s->Plot()->data().value<QList<qint32>>().mid(0, 65), f->counts(0, 64)); // still shown
        // Save Spectrum still keeps it.
        dialogs->answer = files.filePath(u"kept.n42"_qs);
        s->spectrumFiles().saveSpectrum();
        QVERIFY(spectrum::readFile(dialogs->answer).ok());
    }

    // ---- Save Spectrum ----

    void saveWritesTheChosenFormat_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<Format>("format");
        QTest::newRow("N42 by default") << u"a"_qs << QString() << u"a.n42"_qs << Format::N42;
        QTest::newRow("SPE filter") << u"b"_qs << u"IAEA SPE (*.spe)"_qs << u"b.spe"_qs << Format::Spe;
        QTest::newRow("CSV filter") << u"c"_qs << u"CSV (*.csv)"_qs << u"c.csv"_qs << Format::Csv;
        QTest::newRow("typed suffix wins")
            << u"d.csv"_qs << u"IAEA SPE (*.spe)"_qs << u"d.csv"_qs << Format::Csv;
    }
    void saveWritesTheChosenFormat() {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, written);
        QFETCH(Format, format);
        Scan* s = completeScan(100);
        dialogs->answer = files.filePath(typed);
        dialogs->answerFilter = filter;
        s->spectrumFiles().mnuEntrySaveSpectrum()->trigger();
        QCOMPARE(dialogs->saves.size(), 1);
        const DialogScript::Asked asked = dialogs->saves.first();
        QCOMPARE(asked.caption, u"Save Spectrum"_qs);
        QCOMPARE(asked.filters, u"N42-2012 XML (*.n42);;IAEA SPE (*.spe);;CSV (*.csv)"_qs);
        QCOMPARE(asked.filter, u"N42-2012 XML (*.n42)"_qs);
        // Proposed: the serial number and the start time, in the folder of the automatic copies.
        QCOMPARE(QFileInfo(asked.path).absolutePath(), scansFolder());
        QCOMPARE(QFileInfo(asked.path).fileName(), savedScans().first());
        const QString path = files.filePath(written);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(spectrum::formatOfContents(file.readAll()), format);
        const spectrum::ReadResult read = spectrum::readFile(path);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.record.counts, f->counts(0, 64));
        QVERIFY(f->messages.shown.isEmpty());

        // The folder is remembered for the next dialog.
        s->spectrumFiles().saveSpectrum();
        QCOMPARE(QFileInfo(dialogs->saves.last().path).absolutePath(), QFileInfo(path).absolutePath());
    }

    // The suffix added to a name typed without one makes another file than the dialog checked: the
    // user is asked before it replaces yesterday's.
    void aSuffixAddedNeverReplacesAFileUnasked() {
        Scan* s = completeScan(100);
        const QString existing = files.filePath(u"run1.n42"_qs);
        QFile old(existing);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("yesterday") == 9);
        old.close();
        dialogs->answer = files.filePath(u"run1"_qs);
        f->messages.answers = {MsgAnswer::No};
        s->spectrumFiles().saveSpectrum();
        QCOMPARE(f->messages.texts(),
                 QStringList{u"\"run1.n42\" already exists.\nDo you want to replace it?"_qs});
        QCOMPARE(f->messages.shown.first().title, u"Morla"_qs);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("yesterday"));
        old.close();
        f->messages.answers = {MsgAnswer::Yes};
        s->spectrumFiles().saveSpectrum();
        QCOMPARE(spectrum::readFile(existing).record.counts, f->counts(0, 64));
    }

    void cancelledOrFailedSave() {
        Scan* s = completeScan(100);
        dialogs->answer.clear();
        s->spectrumFiles().saveSpectrum();
        QVERIFY(f->messages.shown.isEmpty());
        dialogs->answer = files.filePath(u"missing/folder/x.n42"_qs);
        s->spectrumFiles().saveSpectrum();
        QCOMPARE(f->messages.shown.size(), 1);
        QCOMPARE(f->messages.shown.first().title, u"Morla"_qs);
        QCOMPARE(f->messages.shown.first().icon, MsgIcon::Critical);
        QVERIFY(f->messages.shown.first().text.contains(u"could not be written"_qs));
        QVERIFY(!QFile::exists(dialogs->answer));
    }

    // ---- Open and Clear Reference ----

    void openReferenceShowsItOnTheScansChannels_data() {
        QTest::addColumn<Format>("format");
        QTest::newRow("N42") << Format::N42;
        QTest::newRow("SPE") << Format::Spe;
        QTest::newRow("CSV") << Format::Csv;
    }
    void openReferenceShowsItOnTheScansChannels() {
        QFETCH(Format, format);
        Scan* s = f->connectAndOpen();
        dialogs->answer = referenceFile(256, format);
        QTest::mouseClick(s, Qt::RightButton, Qt::NoModifier, QPoint(546, 290));
        QVERIFY(s->mnuContext()->isVisible());
        s->spectrumFiles().mnuEntryOpenReference()->trigger();
        s->mnuContext()->close();
        QCOMPARE(dialogs->opens.first().caption, u"Open Reference"_qs);
        QVERIFY(f->messages.shown.isEmpty());
        QVERIFY(s->Plot()->compareMode());
        QList<qint32> shown = referenceOf(s->Plot());
        QCOMPARE(shown.size(), int(s->Plot()->npoints())); // the scan's 129 points, zeros beyond
        QCOMPARE(total(shown), 5000 + 10 * 256);
        QCOMPARE(int(std::max_element(shown.begin(), shown.end()) - shown.begin()), 51); // 102 of 256

        // Another channel count: placed again on the new channels.
        ScanFixture::choose(s->cmbChannels(), u"64"_qs);
        shown = referenceOf(s->Plot());
        QCOMPARE(shown.size(), int(s->Plot()->npoints()));
        QVERIFY(std::all_of(shown.begin() + 65, shown.end(), [](qint32 c) { return c == 0; }));
        QCOMPARE(total(shown), 5000 + 10 * 256);
        QCOMPARE(int(std::max_element(shown.begin(), shown.end()) - shown.begin()), 25);

        s->spectrumFiles().mnuEntryClearReference()->trigger();
        QVERIFY(!s->Plot()->compareMode());
        QCOMPARE(total(referenceOf(s->Plot())), 0);
        QVERIFY(!s->spectrumFiles().reference());
    }

    void aBadReferenceChangesNothing() {
        Scan* s = f->connectAndOpen();
        dialogs->answer = referenceFile(128, Format::N42);
        s->spectrumFiles().openReference();
        const QList<qint32> before = referenceOf(s->Plot());
        QFile bad(files.filePath(u"letter.csv"_qs));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("Dear user,\nthis is a letter.\n");
        bad.close();
        dialogs->answer = bad.fileName();
        s->spectrumFiles().openReference();
        QCOMPARE(f->messages.shown.size(), 1);
        QCOMPARE(f->messages.shown.first().icon, MsgIcon::Critical);
        QVERIFY(
            f->messages.shown.first().text.startsWith(u"\"letter.csv\" cannot be read as a spectrum: "_qs));
        QCOMPARE(referenceOf(s->Plot()), before);
        QVERIFY(s->Plot()->compareMode());
    }

    void theReportImageShowsTheReference() {
        Scan* s = completeScan(100);
        dialogs->answer = referenceFile(64, Format::Csv);
        s->spectrumFiles().openReference();
        ScanReportSource source(f->window->unitSettings(), *s);
        PrintPreview preview(source);
        preview.setReportFiles(report::ReportFiles(files.filePath(u"bin"_qs), files.filePath(u"data"_qs)));
        preview.StartTimer_Timer();
        const CTreviumCtrl& img = *preview.SpectImg();
        QVERIFY(img.compareMode());
        QCOMPARE(referenceOf(&img), referenceOf(s->Plot()));
        const std::vector<qint32> drawn = img.model().referenceValues(); // what the image is drawn from
        QCOMPARE(QList<qint32>(drawn.begin(), drawn.begin() + 65), referenceOf(s->Plot()).mid(0, 65));
        QCOMPARE(total(referenceOf(s->Plot()).mid(0, 65)), 5000 + 10 * 64);
    }
};

KIVO_BROWSER_TEST_MAIN(TestScanSpectrumFiles)
#include "tst_scan_spectrum_files.moc"
