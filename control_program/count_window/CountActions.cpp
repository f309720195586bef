// Starting and stopping counts and plateaus, the operating point, export, the rate log and the help:
// the count window's buttons. Bad input is told in a box and changes nothing.
#include "Count.h"

#include "CTreviumCtrl.h"
#include "Conversions.h"
#include "CountFiles.h"
#include "CountRun.h"
#include "CountTexts.h"
#include "CountingHelp.h"
#include "FileDialogService.h"
#include "Globals.h"
#include "MessageService.h"
#include "SeriesCsv.h"
#include "UnitSettings.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace {
const QString kTitle = QStringLiteral("Count");
const QString kCsvFilter = QStringLiteral("CSV (*.csv)");
} // namespace

void Count::failure(const QString& text) {
    showMessage(this, kTitle, text, MsgIcon::Critical);
}

bool Count::readNumber(QLineEdit* box, const QString& what, double& value) {
    if (const auto number = counttext::number(box->text())) {
        value = *number;
        return true;
    }
    showMessage(this, kTitle, tr("%1 \"%2\" is not a number.").arg(what, box->text()), MsgIcon::Warning);
    box->setFocus();
    return false;
}

std::optional<counting::SeriesPlan> Count::seriesPlan() {
    counting::SeriesPlan plan;
    plan.kind =
        chkBackground_->isChecked() ? counting::SeriesKind::Background : counting::SeriesKind::Measurement;
    plan.preset = optReadings_->isChecked() ? counting::Preset::Readings : counting::Preset::Duration;
    double readings = plan.readings;
    double measurements = 0;
    // Only the preset in use is read: a half-typed box of the other one does not stop a start.
    const bool byTime = plan.preset == counting::Preset::Duration;
    if ((byTime && !readNumber(txtTime_, tr("The time"), plan.durationSeconds)) ||
        (!byTime && !readNumber(txtReadings_, tr("The number of readings"), readings)) ||
        !readNumber(txtMeasurements_, tr("The number of measurements"), measurements) ||
        !readNumber(txtPause_, tr("The pause"), plan.pauseSeconds))
        return std::nullopt;
    // Whole numbers only: "2.5 measurements" is refused by the range check rather than rounded.
    plan.readings = readings == std::floor(readings) && std::abs(readings) < 1e9 ? int(readings) : -1;
    plan.measurements =
        measurements == std::floor(measurements) && std::abs(measurements) < 1e9 ? int(measurements) : -1;
    return plan;
}

std::optional<counting::PlateauPlan> Count::plateauPlan() {
    counting::PlateauPlan plan;
    if (!readNumber(txtHvStart_, tr("The start voltage"), plan.startVolts) ||
        !readNumber(txtHvStop_, tr("The stop voltage"), plan.stopVolts) ||
        !readNumber(txtHvStep_, tr("The step"), plan.stepVolts) ||
        !readNumber(txtSettle_, tr("The settling time"), plan.settleSeconds) ||
        !readNumber(txtThreshold_, tr("The threshold"), plan.thresholdPercentPer100V))
        return std::nullopt;
    return plan;
}

bool Count::mayStart() {
    if (globals::hSCA == 0) {
        showMessage(this, kTitle, tr("Not connected."), MsgIcon::Warning);
        return false;
    }
    if (globals::scanRunning) {
        showMessage(this, kTitle, tr("A scan is running: stop it before starting a count."),
                    MsgIcon::Warning);
        return false;
    }
    return true;
}

void Count::cmdStartStop_Click() {
    if (run_->running()) {
        stopCount();
        return;
    }
    if (!mayStart())
        return;
    const auto plan = seriesPlan();
    if (!plan)
        return;
    if (const QString problem = run_->start(*plan, QDateTime::currentDateTimeUtc()); !problem.isEmpty()) {
        showMessage(this, kTitle, problem, MsgIcon::Warning);
        return;
    }
    statusPanel2_->clear();
    showMeasurements();
    showRunState();
}

void Count::cmdPlateau_Click() {
    if (run_->running() || !mayStart())
        return;
    auto plan = seriesPlan();
    auto plateau = plateauPlan();
    if (!plan || !plateau)
        return;
    const auto userCount = settings_.highVoltageCount();
    if (!userCount) {
        showMessage(this, kTitle, tr("The unit's high voltage is not known: refresh the settings first."),
                    MsgIcon::Warning);
        return;
    }
    plateau->userVolts = conv::countToVolts(*userCount);
    plan->kind = counting::SeriesKind::Plateau;
    // Checked before the question, so the user confirms only a plateau that can run.
    if (QString problem = counting::checkPlateauPlan(*plateau); !problem.isEmpty()) {
        showMessage(this, kTitle, problem, MsgIcon::Warning);
        return;
    }
    const QString question =
        tr("The high voltage will go from %1 V to %2 V in steps of at most %3 V, and back to %4 V at the "
           "end.\r\n\r\n"
           "Is %2 V safe for the detector?")
            .arg(counttext::value(plateau->startVolts, 1), counttext::value(plateau->stopVolts, 1),
                 counttext::value(plateau->stepVolts, 1), counttext::value(plateau->userVolts, 1));
    if (askQuestion(this, kTitle, question) != MsgAnswer::Yes)
        return;
    statusPanel2_->clear();
    const QString problem = run_->startPlateau(*plan, *plateau, QDateTime::currentDateTimeUtc());
    if (!problem.isEmpty())
        showMessage(this, kTitle, problem, MsgIcon::Warning);
    showMeasurements();
    showPlateau();
    showRunState();
}

void Count::stopCount() {
    if (run_->running())
        run_->stop();
}

bool Count::abandonCount() {
    const bool plateau = run_->running() && run_->engine().series().kind == counting::SeriesKind::Plateau;
    run_->abandon();
    return plateau;
}

void Count::cmdUseHV_Click() {
    if (!plateau_.found || run_->running())
        return;
    if (globals::hSCA == 0) {
        showMessage(this, kTitle, tr("Not connected."), MsgIcon::Warning);
        return;
    }
    // The main window's own path: sent at once, shown there, unsaved until Save.
    settings_.setHighVoltage(plateau_.operatingVolts);
}

void Count::cmdExport_Click() {
    const counting::Series& series = run_->engine().series();
    if (series.measurements.isEmpty()) {
        showMessage(this, kTitle, tr("There is no measurement to export."), MsgIcon::Warning);
        return;
    }
    QString filter = kCsvFilter;
    const QString path = FileDialogService::current().saveFileName(
        this, tr("Export Series"), QDir(QDir::homePath()).filePath(counting::seriesFileName(series)),
        kCsvFilter, filter);
    if (path.isEmpty())
        return;
    QString error;
    if (!counting::writeSeriesCsv(path, series, &error))
        failure(error);
}

void Count::cmdLogRate_Click() {
    if (rateLog_.isOpen()) {
        closeLog();
        return;
    }
    QString filter = kCsvFilter;
    const QString path = FileDialogService::current().saveFileName(
        this, tr("Log Rate"), QDir(QDir::homePath()).filePath(QStringLiteral("rate_log.csv")), kCsvFilter,
        filter);
    if (path.isEmpty())
        return;
    QString error;
    if (!rateLog_.open(path, &error)) {
        failure(error);
        return;
    }
    cmdLogRate_->setText(tr("Stop &Log"));
    lblLog_->setText(tr("Logging to %1").arg(QDir::toNativeSeparators(path)));
}

void Count::cmdHelp_Click() {
    showMessage(this, kTitle, counting::countingHelpText(), MsgIcon::Information);
}

void Count::chkAlarm_Click() {
    Chart_->setShowAlarm(chkAlarm_->isChecked());
    txtAlarm_Change();
}

void Count::txtAlarm_Change() {
    if (const auto level = counttext::number(txtAlarm_->text()); level && std::abs(*level) < 2e9)
        Chart_->setAlarmLevel(qint32(std::lround(*level)));
}
