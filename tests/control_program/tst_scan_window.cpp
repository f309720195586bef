// The scan window as the user meets it: its start-up state and layout, the scale and channel lists,
// the sweeps box with its up-down control, drag-select with real mouse events on the plot, the
// context menu and the print preview it opens.
#include "PreviewLoader.h"
#include "ScanFixture.h"
#include "ScanSpectrumFiles.h"

#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

using Op = FakeCall::Op;

class TestScanWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ScanFixture> f;

    // A point on the plot whose channel is `channel`, from the rectangle of the last drawing.
    static QPoint pointOf(CTreviumCtrl* plot, int channel) {
        const QRect r = plot->plotRect();
        const int span = plot->lastPoint() - plot->firstPoint();
        return {r.left() + (channel * r.width() + span - 1) / span, r.center().y()};
    }
    // Shows the window and has the plot drawn, so it knows where its graph is.
    static void drawn(Scan* s) {
        QVERIFY(QTest::qWaitForWindowExposed(s));
        s->Plot()->repaint();
        QVERIFY(s->Plot()->plotRect().width() > 100);
    }
    static void drag(CTreviumCtrl* plot, int fromChannel, QList<int> through) {
        QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, pointOf(plot, fromChannel));
        for (int c : through)
            QTest::mouseMove(plot, pointOf(plot, c));
        QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier,
                            pointOf(plot, through.isEmpty() ? fromChannel : through.last()));
    }
    std::shared_ptr<trevium::RoiInfo> roi(Scan* s) const {
        return s->Plot()->roiCollection()->items().front();
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f = std::make_unique<ScanFixture>();
    }
    void cleanup() { f.reset(); }

    void freshWindow() {
        Scan* s = f->connectAndOpen();
        QCOMPARE(s->windowTitle(), u"Scan"_qs);
        QCOMPARE(s->size(), QSize(640, 389));
        QCOMPARE(s->minimumSize(), s->maximumSize());
        QCOMPARE(s->statusPanel1(), u"Ready"_qs);
        QCOMPARE(s->statusPanel2(), QString());
        QCOMPARE(s->cmbChannels()->currentText(), u"128"_qs);
        QCOMPARE(s->cmbYScale()->currentText(), u"Auto"_qs);
        QVERIFY(s->optLog()->isChecked());
        QVERIFY(!s->optLin()->isChecked());
        QCOMPARE(s->txtSweeps()->text(), u"10"_qs);
        QCOMPARE(s->spinSweeps()->value(), 10);
        QCOMPARE(s->spinSweeps()->minimum(), 1);
        QCOMPARE(s->spinSweeps()->maximum(), 200);
        QCOMPARE(s->cmdStartStop()->text(), u"&Start"_qs);

        CTreviumCtrl* plot = s->Plot();
        QCOMPARE(plot->firstPoint(), 0);
        QCOMPARE(plot->lastPoint(), 128);
        QCOMPARE(plot->yscale(), 0);
        QCOMPARE(plot->ymode(), TreviumCtl::LogScale);
        QCOMPARE(plot->xLabel(), u"Discriminator level (%)"_qs);
        QCOMPARE(plot->yLabel(), u"Counts"_qs);
        QVERIFY(plot->showLabels() && plot->plotFilled() && plot->showCursor() && plot->showROIs());
        QCOMPARE(plot->cursorType(), TreviumCtl::CursorLine);
        QCOMPARE(plot->cursorPos(), 0);
        auto cal = plot->calibrationObject();
        QVERIFY(cal->enable());
        QCOMPARE(cal->offset(), 0.0f);
        QCOMPARE(cal->slope(), 100.0f / 128.0f);
        QCOMPARE(cal->value(128), 100.0); // the X axis ends at 100 %
        // Stored look of the plot.
        QCOMPARE(plot->backColor(), 0x00FFFFFFu);
        QCOMPARE(plot->graphColor(), 0x00A08040u);
        QCOMPARE(plot->gridColor(), 0x00C0C0C0u);
        QCOMPARE(plot->axisColor(), 0u);
        QCOMPARE(plot->labelColor(), 0x00800000u);
        QCOMPARE(plot->cursorColor(), 255u);
        QCOMPARE(plot->alarmColor(), 255u);
        QCOMPARE(plot->appearance(), TreviumCtl::vb3D);
        QCOMPARE(plot->borderStyle(), qint16(0));
        QVERIFY(plot->showGrid() && plot->showAxes() && plot->showFrame() && plot->showTicks() &&
                plot->fastDraw());
        QVERIFY(!plot->showAlarm() && !plot->showWaterfall() && !plot->gridOnTop() && !plot->compareMode());
        // The user's window from the readback (LLD 100, ULD 1900) is ROI 1.
        QCOMPARE(roi(s)->firstChannel(), 6);
        QCOMPARE(roi(s)->lastChannel(), 119);
        QCOMPARE(roi(s)->color(), 255u);
    }

    void windowExistsHiddenFromTheReadback() {
        f->connectAndReset();
        Scan* s = f->window->findChild<Scan*>();
        QVERIFY(s);
        QVERIFY(!s->isVisible());
        QCOMPARE(f->window->scanWindow(), s);
        QCOMPARE(s->savedLLD(), 100);
        QCOMPARE(s->savedULD(), 1900);
        f->window->cmdScan_Click();
        QVERIFY(s->isVisible());
        QCOMPARE(s->parentWidget(), f->window.get());
        QVERIFY(s->isWindow());
        QVERIFY(!s->isModal());
    }

    void layout() {
        Scan* s = f->connectAndOpen();
        QCOMPARE(s->Plot()->geometry(), QRect(8, 8, 533, 353));
        QCOMPARE(s->cmdStartStop()->geometry(), QRect(552, 8, 77, 25));
        QCOMPARE(s->cmdClear()->geometry(), QRect(552, 40, 77, 25));
        QCOMPARE(s->cmbChannels()->parentWidget()->geometry(), QRect(552, 76, 77, 49));
        QCOMPARE(s->cmbChannels()->geometry(), QRect(8, 20, 61, 19));
        QCOMPARE(s->optLin()->parentWidget()->geometry(), QRect(552, 132, 77, 89));
        QCOMPARE(s->optLin()->geometry(), QRect(12, 20, 49, 13));
        QCOMPARE(s->optLog()->geometry(), QRect(12, 40, 49, 13));
        QCOMPARE(s->cmbYScale()->geometry(), QRect(8, 60, 61, 19));
        QCOMPARE(s->txtSweeps()->parentWidget()->geometry(), QRect(552, 228, 77, 45));
        QCOMPARE(s->txtSweeps()->geometry(), QRect(8, 16, 45, 19));
        QCOMPARE(s->spinSweeps()->geometry(), QRect(52, 16, 16, 19));
        QCOMPARE(s->cmdPrint()->geometry(), QRect(552, 304, 77, 25));
        QCOMPARE(s->cmdClose()->geometry(), QRect(552, 336, 77, 25));
        QCOMPARE(s->StatusBar()->geometry(), QRect(0, 368, 640, 21));
        QCOMPARE(s->cmdPrint()->text(), u"&Print..."_qs);
        QCOMPARE(s->cmdClose()->text(), u"&Close"_qs);
        QCOMPARE(s->cmdClear()->text(), u"Clear"_qs);
        QCOMPARE(qobject_cast<QGroupBox*>(s->cmbChannels()->parentWidget())->title(), u"Channels"_qs);
        QCOMPARE(qobject_cast<QGroupBox*>(s->optLin()->parentWidget())->title(), u"Scale"_qs);
        QCOMPARE(qobject_cast<QGroupBox*>(s->txtSweeps()->parentWidget())->title(), u"Sweeps"_qs);
    }

    void tabOrderAndNames() {
        Scan* s = f->connectAndOpen();
        QList<QWidget*> chain;
        QWidget* w = s->Plot();
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                chain << w;
            w = w->nextInFocusChain();
        } while (w != s->Plot() && chain.size() < 50);
        const QList<QWidget*> expected{s->Plot(),       s->cmdStartStop(),  s->cmdClear(),  s->cmbChannels(),
                                       s->optLin(),     s->optLog(),        s->cmbYScale(), s->txtSweeps(),
                                       s->spinSweeps(), s->cmdPeakWindow(), s->cmdPrint(),  s->cmdClose()};
        QCOMPARE(chain.mid(0, expected.size()), expected);
        for (QWidget* named : {static_cast<QWidget*>(s->Plot()), static_cast<QWidget*>(s->cmbChannels()),
                               static_cast<QWidget*>(s->cmbYScale()), static_cast<QWidget*>(s->txtSweeps()),
                               static_cast<QWidget*>(s->spinSweeps())})
            QVERIFY2(!named->accessibleName().isEmpty(), named->objectName().toLatin1());
    }

    void yScaleChoices() {
        Scan* s = f->connectAndOpen();
        QStringList labels;
        for (int i = 0; i < s->cmbYScale()->count(); ++i)
            labels << s->cmbYScale()->itemText(i);
        QCOMPARE(labels, (QStringList{u"Auto"_qs, u"10"_qs,   u"20"_qs,   u"50"_qs,   u"100"_qs, u"200"_qs,
                                      u"500"_qs,  u"1K"_qs,   u"2K"_qs,   u"5K"_qs,   u"10K"_qs, u"20K"_qs,
                                      u"50K"_qs,  u"100K"_qs, u"200K"_qs, u"500K"_qs, u"1M"_qs,  u"2M"_qs,
                                      u"5M"_qs,   u"10M"_qs,  u"20M"_qs,  u"50M"_qs,  u"100M"_qs}));
        f->choose(s->cmbYScale(), u"100M"_qs);
        QCOMPARE(s->Plot()->yscale(), 100000000);
        f->choose(s->cmbYScale(), u"5K"_qs);
        QCOMPARE(s->Plot()->yscale(), 5000);
        f->choose(s->cmbYScale(), u"Auto"_qs);
        QCOMPARE(s->Plot()->yscale(), 0);
        QTest::mouseClick(s->optLin(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
        QCOMPARE(s->Plot()->ymode(), TreviumCtl::LinScale);
        QTest::mouseClick(s->optLog(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
        QCOMPARE(s->Plot()->ymode(), TreviumCtl::LogScale);
    }

    // Counts are shown, saved and reported only under the windows they were measured with: a channel
    // count chosen after a scan is the next scan's, and that scan starts from zero (the one before is
    // in its automatic copy). A window opened again shows the spectrum on its own layout too.
    void anotherChannelCountIsTheNextScans() {
        Scan* s = f->connectAndOpen();
        f->typeSweeps(s, u"1"_qs);
        ScanFixture::press(s->cmdStartStop());
        f->tickToEnd(5);
        QCOMPARE(globals::scanCounts[100], 15);
        f->choose(s->cmbChannels(), u"64"_qs);
        QCOMPARE(s->channels(), 64);
        QCOMPARE(s->shownChannels(), 128);
        QCOMPARE(s->Plot()->lastPoint(), 128);
        QCOMPARE(s->statusPanel2(), u"Shown: 128 channels (next scan: 64)"_qs);
        QCOMPARE(s->spectrumFiles().currentRecord().channels, 128);
        QCOMPARE(s->spectrumFiles().currentRecord().counts[100], 15);

        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(globals::scanCounts[100], 0);
        QCOMPARE(s->Plot()->lastPoint(), 64);
        QCOMPARE(s->Plot()->calibrationObject()->slope(), 100.0f / 64.0f);
        // ROI 1 is drawn again for the new axis.
        QCOMPARE(roi(s)->firstChannel(), 3);
        QCOMPARE(roi(s)->lastChannel(), 59);
        f->tickToEnd(5);
        QCOMPARE(s->spectrumFiles().currentRecord().channels, 64);

        s->close(); // opened again, the list says 128 but the spectrum is the 64-channel one
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        s = f->window->scanWindow();
        QCOMPARE(s->channels(), 128);
        QCOMPARE(s->shownChannels(), 64);
        QCOMPARE(s->Plot()->lastPoint(), 64);
        QCOMPARE(s->spectrumFiles().currentRecord().channels, 64);
    }

    void sweepsBoxAndUpDownGoTogether() {
        Scan* s = f->connectAndOpen();
        QTest::mouseClick(s->spinSweeps()->upButton(), Qt::LeftButton);
        QCOMPARE(s->txtSweeps()->text(), u"11"_qs);
        f->typeSweeps(s, u"57"_qs);
        QCOMPARE(s->spinSweeps()->value(), 57);
        f->typeSweeps(s, u"abc"_qs);
        QCOMPARE(s->spinSweeps()->value(), 57);
        QTest::mouseClick(s->spinSweeps()->downButton(), Qt::LeftButton);
        QCOMPARE(s->txtSweeps()->text(), u"56"_qs);
        s->spinSweeps()->setFocus();
        QTest::keyClick(s->spinSweeps(), Qt::Key_Up);
        QCOMPARE(s->txtSweeps()->text(), u"57"_qs);
        f->typeSweeps(s, u"200"_qs);
        QVERIFY(!s->spinSweeps()->upButton()->isEnabled());
        ScanFixture::press(s->cmdStartStop());
        QVERIFY(!s->spinSweeps()->isEnabled());
        QVERIFY(!s->spinSweeps()->downButton()->isEnabled());
    }

    void dragInWindowModeChoosesAWindow() {
        Scan* s = f->connectAndOpen();
        drawn(s);
        drag(s->Plot(), 80, {70, 55, 40});
        QCOMPARE(roi(s)->firstChannel(), 40);
        QCOMPARE(roi(s)->lastChannel(), 80);
        QCOMPARE(f->window->sldLLD()->value(), 640);
        QCOMPARE(f->window->sldULD()->value(), 1279);
        QCOMPARE(f->text("lblLLD"), u"31.27%"_qs);
        QCOMPARE(f->text("lblULD"), u"62.48%"_qs);
        QCOMPARE(f->device.sent(kivo::PARAM_LLD).last(), 640);
        QCOMPARE(f->device.sent(kivo::PARAM_ULD).last(), 1279);
        QCOMPARE(f->device.sent(kivo::PARAM_INTEGRAL_MODE).last(), 0);
        QVERIFY(!s->isDragging());
        // After the release the pointer no longer drags.
        f->device.calls.clear();
        QTest::mouseMove(s->Plot(), pointOf(s->Plot(), 20));
        QVERIFY(f->device.calls.isEmpty());
    }

    void clickWithoutMovingGivesOneChannel() {
        Scan* s = f->connectAndOpen();
        drawn(s);
        drag(s->Plot(), 70, {});
        QCOMPARE(roi(s)->firstChannel(), 70);
        QCOMPARE(roi(s)->lastChannel(), 70);
        QCOMPARE(f->device.sent(kivo::PARAM_LLD).last(), 1119);
        QCOMPARE(f->device.sent(kivo::PARAM_ULD).last(), 1119);
    }

    // Only the left button on the graph moves the cursor, so only it starts a window; the context
    // menu's right button, the middle button and presses beside the graph leave the window alone.
    void onlyALeftPressOnTheGraphDrags_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("onGraph");
        QTest::newRow("right on the graph") << int(Qt::RightButton) << true;
        QTest::newRow("middle on the graph") << int(Qt::MiddleButton) << true;
        QTest::newRow("left on the axis labels") << int(Qt::LeftButton) << false;
    }
    void onlyALeftPressOnTheGraphDrags() {
        QFETCH(int, button);
        QFETCH(bool, onGraph);
        Scan* s = f->connectAndOpen();
        drawn(s);
        const QPoint at = onGraph ? pointOf(s->Plot(), 60) : QPoint(s->Plot()->plotRect().left() - 4, 20);
        QVERIFY(onGraph == s->Plot()->plotRect().contains(at));
        const qint32 first = roi(s)->firstChannel();
        const qint32 last = roi(s)->lastChannel();
        f->device.calls.clear();
        QTest::mousePress(s->Plot(), Qt::MouseButton(button), Qt::NoModifier, at);
        QTest::mouseMove(s->Plot(), pointOf(s->Plot(), 30));
        QTest::mouseRelease(s->Plot(), Qt::MouseButton(button), Qt::NoModifier, pointOf(s->Plot(), 30));
        QVERIFY(!s->isDragging());
        QCOMPARE(roi(s)->firstChannel(), first);
        QCOMPARE(roi(s)->lastChannel(), last);
        QCOMPARE(f->window->sldLLD()->value(), 100);
        QVERIFY(f->device.calls.isEmpty());
    }

    void dragInIntegralModeMovesOnlyTheLLD() {
        Scan* s = f->connectAndOpen();
        QTest::mouseClick(f->window->chkIntegMode(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(6, f->window->chkIntegMode()->height() / 2));
        QVERIFY(s->savedIntegMode() != 0);
        QCOMPARE(roi(s)->lastChannel(), 128);
        drawn(s);
        f->device.calls.clear();
        drag(s->Plot(), 90, {60, 50});
        QCOMPARE(roi(s)->firstChannel(), 50);
        QCOMPARE(roi(s)->lastChannel(), 128);
        QCOMPARE(f->device.sent(kivo::PARAM_LLD).last(), 800);
        QCOMPARE(f->device.sent(kivo::PARAM_ULD).last(), 1900);
        QCOMPARE(f->device.sent(kivo::PARAM_INTEGRAL_MODE).last(), 1);
        QVERIFY(f->window->chkIntegMode()->isChecked());
    }

    void dragDuringAScanBecomesTheRestoredWindow() {
        Scan* s = f->connectAndOpen();
        drawn(s);
        ScanFixture::press(s->cmdStartStop());
        f->tick(4 * 3, 1); // measuring channel 4
        QCOMPARE(s->Plot()->cursorPos(), 4);
        f->device.calls.clear();
        QTest::mousePress(s->Plot(), Qt::LeftButton, Qt::NoModifier, pointOf(s->Plot(), 80));
        QTest::mouseMove(s->Plot(), pointOf(s->Plot(), 40));
        f->tick(4, 1); // the scan moves on, the cursor stays with the pointer
        QCOMPARE(s->channel(), 5);
        QCOMPARE(s->Plot()->cursorPos(), 40);
        QTest::mouseRelease(s->Plot(), Qt::LeftButton, Qt::NoModifier, pointOf(s->Plot(), 40));
        QCOMPARE(s->Plot()->cursorPos(), 5);
        QCOMPARE(f->window->sldLLD()->value(), 640);
        // Only the scan's own windows went to the device.
        QCOMPARE(f->device.sent(kivo::PARAM_LLD), QList<qint32>{76});
        ScanFixture::press(s->cmdStartStop());
        QCOMPARE(f->device.sent(kivo::PARAM_LLD).last(), 640);
        QCOMPARE(f->device.sent(kivo::PARAM_ULD).last(), 1279);
    }

    void rightClickOverTheBackgroundOrTheSpectrumOpensTheMenu() {
        Scan* s = f->connectAndOpen();
        QMenu* menu = s->mnuContext();
        QCOMPARE(menu->actions().size(), 10); // then the spectrum-file and the peak entries
        QCOMPARE(menu->actions().front(), s->mnuEntryPrint());
        QCOMPARE(s->mnuEntryPrint()->text(), u"&Print..."_qs);

        QTest::mouseClick(s->cmdClear(), Qt::RightButton);
        QVERIFY(!menu->isVisible());
        QTest::mouseClick(s->cmbChannels()->parentWidget(), Qt::RightButton, Qt::NoModifier, QPoint(70, 44));
        QVERIFY(!menu->isVisible());
        QTest::mouseClick(s->StatusBar(), Qt::RightButton);
        QVERIFY(!menu->isVisible());
        QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, QPoint(546, 290));
        QVERIFY(!menu->isVisible());

        QTest::mouseClick(s, Qt::RightButton, Qt::NoModifier, QPoint(546, 290));
        QVERIFY(menu->isVisible());
        menu->close();

        // On the spectrum too, leaving the user's window as it is.
        const qint32 first = roi(s)->firstChannel();
        f->device.calls.clear();
        QTest::mouseClick(s->Plot(), Qt::RightButton, Qt::NoModifier, pointOf(s->Plot(), 60));
        QVERIFY(menu->isVisible());
        menu->close();
        QCOMPARE(roi(s)->firstChannel(), first);
        QVERIFY(f->device.calls.isEmpty());
    }

    void printOpensTheModalPreview_data() {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("button") << false;
        QTest::newRow("menu") << true;
    }
    void printOpensTheModalPreview() {
        QFETCH(bool, fromMenu);
        Scan* s = f->connectAndOpen();
        // The preview is a module of the program folder, loaded at the first Print.
        preview::PreviewLoader::instance().setModulePath(qEnvironmentVariable("KIVO_BIN_DIR") +
                                                         QStringLiteral("/libKivoPreview.so"));
        bool seen = false;
        bool modal = false;
        CTreviumCtrl* sourcePlot = nullptr;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            seen = dialog && dialog->inherits("PrintPreview");
            if (seen) {
                modal = dialog->isModal();
                sourcePlot = dialog->findChild<CTreviumCtrl*>() ? s->Plot() : nullptr;
                dialog->reject();
            }
        });
        if (fromMenu)
            s->mnuEntryPrint()->trigger();
        else
            ScanFixture::press(s->cmdPrint());
        QVERIFY2(seen, qPrintable(f->messages.shown.value(0).text));
        QVERIFY(modal);
        QCOMPARE(sourcePlot, s->Plot());
    }
};

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the preview's browser needs it
    QApplication app(argc, argv);
    TestScanWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scan_window.moc"
