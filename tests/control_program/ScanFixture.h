// The main window on a fake device with its scan window, plus the steps the scan tests repeat:
// choosing list entries, typing the sweep count and handing count-rate readings to the timer.
#pragma once

#include "CTreviumCtrl.h"
#include "PanelFixture.h"
#include "Scan.h"
#include "UpDown.h"

#include <QStatusBar>
#include <QTemporaryDir>

struct ScanFixture : PanelFixture {
    QTemporaryDir dataHome; // where every scan that ends is saved automatically

    ScanFixture() {
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        globals::scanCounts.fill(0);
        globals::scanRecorder = scan::ScanRecorder(); // what the counts were goes with them
        globals::maxLevel = 2047;
    }
    ~ScanFixture() { globals::scanRunning = false; }

    // Connects (which creates the scan window hidden), then opens the scan window.
    Scan* connectAndOpen() {
        connectAndReset();
        window->cmdScan_Click();
        Scan* s = window->scanWindow();
        if (!s || !s->isVisible())
            qFatal("scan window did not open");
        return s;
    }

    static void press(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    static void choose(QComboBox* list, const QString& text) {
        const int index = list->findText(text);
        if (index < 0)
            qFatal("no list entry %s", qPrintable(text));
        list->setCurrentIndex(index);
    }

    static void typeSweeps(Scan* s, const QString& text) {
        QLineEdit* box = s->txtSweeps();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }

    // `count` ticks of the count-rate timer, each with a fresh reading of `cps`.
    void tick(int count, qint32 cps) {
        for (int i = 0; i < count; ++i) {
            device.cpsReadings << std::array<qint32, 3>{0, cps, 1};
            window->Timer1_Timer();
        }
    }
    // Ticks until the scan ends (at most `limit` ticks); returns how many it took.
    int tickToEnd(qint32 cps, int limit = 5000) {
        int n = 0;
        while (globals::scanRunning && n < limit) {
            tick(1, cps);
            ++n;
        }
        return n;
    }

    QList<qint32> counts(int from, int to) const {
        return QList<qint32>(globals::scanCounts.begin() + from, globals::scanCounts.begin() + to + 1);
    }
};
