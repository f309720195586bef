// What the count window shows: the live rate and the rate log (every fresh reading), the run's state,
// the table of measurements, the statistics, the plateau curve and its operating point, and where the
// series was saved.
#include "Count.h"

#include "CTreviumCtrl.h"
#include "CountRun.h"
#include "CountTexts.h"
#include "Globals.h"
#include "MessageService.h"
#include "NoticeService.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

void Count::pollTick(const QDateTime& utc) {
    run_->tick(utc);
    // A count and a scan exclude each other: Start and Plateau wait while a scan runs.
    const bool free = !globals::scanRunning || run_->running();
    cmdStartStop_->setEnabled(free);
    cmdPlateau_->setEnabled(!globals::scanRunning && !run_->running());
}

void Count::freshReading(qint32 cps, const QDateTime& utc) {
    Chart_->PushValue(cps);
    logReading(cps, utc);
    run_->reading(cps, utc);
}

void Count::logReading(qint32 cps, const QDateTime& utc) {
    if (!rateLog_.isOpen())
        return;
    QString error;
    if (!rateLog_.append(cps, utc, &error)) {
        // What was written stays on the disk; the log stops instead of losing lines silently.
        closeLog();
        lblLog_->setText(tr("Rate log stopped: %1").arg(error));
        NoticeService::current().notify(this, QStringLiteral("Count"), error);
        return;
    }
    lblLog_->setText(
        tr("Logging to %1: %2 readings")
            .arg(QDir::toNativeSeparators(rateLog_.path()), QString::number(rateLog_.linesWritten())));
}

void Count::closeLog() {
    if (!rateLog_.isOpen())
        return;
    const QString path = rateLog_.path();
    const qint64 lines = rateLog_.linesWritten();
    rateLog_.close();
    cmdLogRate_->setText(tr("&Log Rate..."));
    lblLog_->setText(
        tr("Logged %1 readings to %2").arg(QString::number(lines), QDir::toNativeSeparators(path)));
}

void Count::showRunState() {
    const counting::CountEngine& engine = run_->engine();
    const bool running = engine.running();
    cmdStartStop_->setText(running ? tr("&Stop") : tr("&Start"));
    cmdPlateau_->setEnabled(!running && !globals::scanRunning);
    frSeries_->setEnabled(!running);
    frPlateau_->setEnabled(!running);
    cmdUseHV_->setEnabled(!running && plateau_.found);
    if (!running)
        return;
    const QString of =
        QString::number(engine.measurementIndex() + 1) + u'/' + QString::number(engine.measurementCount());
    switch (engine.phase()) {
    case counting::CountEngine::Phase::Ramping:
        statusPanel1_->setText(tr("Setting the high voltage (%1)").arg(of));
        break;
    case counting::CountEngine::Phase::Settling:
        statusPanel1_->setText(tr("Settling until %1 UTC (%2)")
                                   .arg(engine.waitUntil().toString(QStringLiteral("HH:mm:ss")), of));
        break;
    case counting::CountEngine::Phase::Pausing:
        statusPanel1_->setText(
            tr("Pause until %1 UTC (%2)").arg(engine.waitUntil().toString(QStringLiteral("HH:mm:ss")), of));
        break;
    default:
        statusPanel1_->setText(tr("Measuring %1: %2 readings, %3 %")
                                   .arg(of, QString::number(engine.currentReadings()),
                                        QString::number(std::lround(engine.progress() * 100))));
        break;
    }
}

void Count::showMeasurements() {
    const counting::Series& series = run_->engine().series();
    tblMeasurements_->setRowCount(int(series.measurements.size()));
    for (int row = 0; row < int(series.measurements.size()); ++row) {
        const QStringList cells = counttext::measurementRow(row, series.measurements[row]);
        for (int column = 0; column < int(cells.size()); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(column == 1 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                               : (Qt::AlignRight | Qt::AlignVCenter));
            tblMeasurements_->setItem(row, column, item);
        }
    }
    if (series.kind == counting::SeriesKind::Plateau)
        lblStatistics_->setText(
            tr("Plateau: %1 steps measured").arg(QString::number(series.measurements.size())));
    else
        lblStatistics_->setText(counttext::statistics(series));
    lblStatistics_->setAccessibleName(lblStatistics_->text());
}

void Count::showPlateau() {
    const counting::Series& series = run_->engine().series();
    const QList<counting::PlateauPoint> points = series.kind == counting::SeriesKind::Plateau
                                                     ? counting::plateauCurve(series)
                                                     : QList<counting::PlateauPoint>();
    if (series.kind == counting::SeriesKind::Plateau)
        plateau_ = counting::findPlateau(points, series.plateau->thresholdPercentPer100V);
    lblPlateau_->setText(series.kind == counting::SeriesKind::Plateau
                             ? counttext::plateau(plateau_, int(points.size()))
                             : counttext::plateau(plateau_, plateau_.found ? 1 : 0));
    lblPlateau_->setAccessibleName(lblPlateau_->text());
    cmdUseHV_->setEnabled(!run_->running() && plateau_.found);
    if (series.kind != counting::SeriesKind::Plateau)
        return; // the last plateau stays on show
    if (points.isEmpty()) {
        PlateauPlot_->setNpoints(2);
        PlateauPlot_->Clear();
        return;
    }
    // One point per step in rising HV; the axis reads volts.
    QList<qint32> rates;
    for (const counting::PlateauPoint& p : points)
        rates << qint32(std::lround(std::clamp(p.rate, -2.0e9, 2.0e9)));
    PlateauPlot_->setData(QVariant::fromValue(rates));
    PlateauPlot_->setLastPoint(qint32(rates.size()) - 1);
    const double step =
        points.size() > 1 ? (points.last().volts - points.first().volts) / double(points.size() - 1) : 1;
    auto calibration = PlateauPlot_->calibrationObject();
    calibration->setOffset(float(points.first().volts));
    calibration->setSlope(float(step));
    calibration->setEnable(true);
    PlateauPlot_->setShowCursor(plateau_.found);
    if (plateau_.found)
        for (qsizetype i = 0; i < points.size(); ++i)
            if (points[i].volts == plateau_.operatingVolts)
                PlateauPlot_->setCursorPos(qint32(i));
}

void Count::seriesEnded(counting::SeriesEnd how) {
    showMeasurements();
    showPlateau();
    showRunState();
    const counting::Series& series = run_->engine().series();
    QString end = counttext::endText(how);
    if (series.kind == counting::SeriesKind::Plateau && !series.hvRestored)
        end += tr(": the unit did not take back %1 V").arg(counttext::value(series.plateau->userVolts, 1));
    statusPanel1_->setText(end);
    const countfiles::Saved& saved = run_->lastSaved();
    if (!saved.path.isEmpty()) {
        statusPanel2_->setText(tr("Saved as %1").arg(QFileInfo(saved.path).fileName()));
    } else {
        statusPanel2_->setText(tr("Not saved: %1").arg(saved.error));
        NoticeService::current().notify(this, QStringLiteral("Count"), saved.error);
    }
}

void Count::showStale(qint64 seconds) {
    if (seconds > 0)
        statusPanel2_->setText(tr("No fresh reading for %1 s").arg(QString::number(seconds)));
    else if (statusPanel2_->text().startsWith(tr("No fresh reading")))
        statusPanel2_->clear();
}
