#include "CalibrateEnergyDialog.h"

#include "CalibrationModel.h"
#include "Conversions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QString peakText(const analysis::Peak& peak, int number) {
    return QCoreApplication::translate("Scan", "Peak %1 at %2 % (level %3)")
        .arg(number)
        .arg(conv::plainNumber(peak.centroidPercent, 2), conv::plainNumber(peak.centroidLevel, 1));
}

// A typed energy in the user's notation or the plain one ("661,7" and "661.7" in a German locale).
std::optional<double> energyOf(const QString& text) {
    bool ok = false;
    double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

CalibrateEnergyDialog::CalibrateEnergyDialog(const analysis::Analysis& analysis, const analysis::Peak* first,
                                             QWidget* parent)
    : QDialog(parent), analysis_(analysis) {
    setObjectName(QStringLiteral("CalibrateEnergy"));
    setWindowTitle(tr("Calibrate Energy"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("Give a peak the energy of its gamma line. One peak makes the energy "
                                "proportional to the level; a second peak adds an offset."));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    const analysis::Peak* second = nullptr;
    for (const analysis::Peak& peak : analysis.peaks)
        if (&peak != first && !second)
            second = &peak;
    for (int i = 0; i < 2; ++i) {
        auto* box = new QGroupBox(i == 0 ? tr("First point") : tr("Second point"));
        auto* form = new QFormLayout(box);
        points_[i] = makePoint(i, i == 0 ? first : second);
        auto* peakLabel = new QLabel(tr("&Peak:"));
        auto* lineLabel = new QLabel(tr("&Line:"));
        auto* energyLabel = new QLabel(tr("&Energy (keV):"));
        peakLabel->setBuddy(points_[i].peak);
        lineLabel->setBuddy(points_[i].line);
        energyLabel->setBuddy(points_[i].energy);
        form->addRow(peakLabel, points_[i].peak);
        form->addRow(lineLabel, points_[i].line);
        form->addRow(energyLabel, points_[i].energy);
        if (i == 1) {
            chkSecond_ = new QCheckBox(tr("Use a &second peak (a straight line with an offset)"));
            chkSecond_->setObjectName(QStringLiteral("chkSecond"));
            chkSecond_->setEnabled(analysis.peaks.size() > 1);
            layout->addWidget(chkSecond_);
            box->setObjectName(QStringLiteral("frSecond"));
            connect(chkSecond_, &QCheckBox::toggled, this, &CalibrateEnergyDialog::secondToggled);
        }
        layout->addWidget(box);
    }
    secondToggled(false);

    lblError_ = new QLabel;
    lblError_->setObjectName(QStringLiteral("lblError"));
    lblError_->setWordWrap(true);
    lblError_->setStyleSheet(QStringLiteral("QLabel { color: #A00000; }"));
    lblError_->setAccessibleDescription(tr("Why the points give no calibration"));
    layout->addWidget(lblError_);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons_, &QDialogButtonBox::accepted, this, &CalibrateEnergyDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CalibrateEnergyDialog::reject);
    layout->addWidget(buttons_);
}

CalibrateEnergyDialog::PointControls CalibrateEnergyDialog::makePoint(int index,
                                                                      const analysis::Peak* chosen) {
    PointControls c;
    const QString suffix = QString::number(index + 1);
    c.peak = new QComboBox;
    c.peak->setObjectName(QStringLiteral("cmbPeak") + suffix);
    for (qsizetype i = 0; i < analysis_.peaks.size(); ++i) {
        c.peak->addItem(peakText(analysis_.peaks[i], int(i + 1)));
        if (&analysis_.peaks[i] == chosen)
            c.peak->setCurrentIndex(int(i));
    }
    c.line = new QComboBox;
    c.line->setObjectName(QStringLiteral("cmbLine") + suffix);
    for (const analysis::KnownLine& line : analysis::knownLines())
        c.line->addItem(line.label(), line.keV);
    c.line->addItem(tr("Other (type the energy)"));
    c.energy = new QLineEdit;
    c.energy->setObjectName(QStringLiteral("txtEnergy") + suffix);
    // The usual first line is Cs-137's photopeak; a second point more often Co-60's or Na-22's.
    c.line->setCurrentIndex(index == 0 ? 0 : 2);
    lineChosen(index);
    connect(c.line, &QComboBox::currentIndexChanged, this, [this, index] { lineChosen(index); });
    connect(c.energy, &QLineEdit::textEdited, this, [this, index] {
        // A typed energy is no longer the listed line's.
        QComboBox* line = points_[index].line;
        const QSignalBlocker blocker(line);
        line->setCurrentIndex(line->count() - 1);
    });
    return c;
}

void CalibrateEnergyDialog::lineChosen(int index) {
    PointControls& c = points_[index];
    if (!c.energy)
        return;
    const QVariant keV = c.line->currentData();
    if (keV.isValid())
        c.energy->setText(QLocale().toString(keV.toDouble(), 'f', 1));
    else
        c.energy->setFocus();
}

void CalibrateEnergyDialog::secondToggled(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(points_[1].peak), static_cast<QWidget*>(points_[1].line),
                       static_cast<QWidget*>(points_[1].energy)})
        w->setEnabled(on);
}

void CalibrateEnergyDialog::accept() {
    QList<analysis::CalibrationPoint> points;
    const int count = chkSecond_->isChecked() ? 2 : 1;
    for (int i = 0; i < count; ++i) {
        const int peak = points_[i].peak->currentIndex();
        const std::optional<double> keV = energyOf(points_[i].energy->text());
        if (!keV) {
            lblError_->setText(tr("\"%1\" is no energy in keV.").arg(points_[i].energy->text()));
            points_[i].energy->setFocus();
            return;
        }
        if (peak < 0 || peak >= analysis_.peaks.size())
            continue;
        points << analysis::CalibrationPoint{analysis_.peaks[peak].centroidLevel, *keV};
    }
    const analysis::CalibrationResult result = analysis::calibrate(points);
    if (!result.calibration) {
        lblError_->setText(result.error);
        return;
    }
    result_ = result.calibration;
    QDialog::accept();
}
