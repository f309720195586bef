// The soak run of the windows: the real main window and scan window over the simulated detector, a
// 512-channel scan of many sweeps with the main window's tick driven as fast as the simulated reading
// period allows, the plot repainted as it is on screen. Prints the resident set after every sweep so
// bench/soak.sh can tell growth from warm-up.
// Usage: bench_soak_panel SWEEPS   (KIVOLIB_LIBRARY, KIVO_SIM_READING_MS set by the script)
#include "Globals.h"
#include "Scan.h"
#include "TopLevel.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int sweeps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    TopLevel window;
    window.show();
    window.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click();
    if (globals::hSCA == 0) {
        std::fputs("bench_soak_panel: the simulated detector did not connect\n", stderr);
        return 1;
    }
    window.cmdScan_Click();
    Scan* scan = window.scanWindow();
    scan->cmbChannels()->setCurrentIndex(scan->cmbChannels()->findText(QStringLiteral("512")));
    scan->txtSweeps()->setText(QString::number(sweeps));
    scan->cmdStartStop()->click();

    int reported = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        window.Timer1_Timer();
        const int done = scan->engine().sweepsCompleted();
        for (; reported < done; ++reported)
            std::printf("sweep %d rss_kb %ld\n", reported + 1, residentKb());
        std::fflush(stdout);
        if (!globals::scanRunning) {
            tick.stop();
            window.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click();
            scan->close();
            QTimer::singleShot(0, &app, &QApplication::quit);
        }
    });
    tick.start();
    const int rc = app.exec();
    std::printf("final rss_kb %ld\n", residentKb());
    return rc;
}
