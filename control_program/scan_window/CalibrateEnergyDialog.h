// "Calibrate Energy...": the user gives a found peak its energy, picked from the usual calibration lines
// or typed, and optionally a second peak. One point gives a proportional calibration, two a straight
// line. The dialog stays open with the reason when the points give no calibration.
#pragma once

#include "Peak.h"
#include "ScanRecord.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

class CalibrateEnergyDialog : public QDialog {
    Q_OBJECT

public:
    // `analysis` must hold at least one peak; `first` (may be null) is the peak chosen first.
    CalibrateEnergyDialog(const analysis::Analysis& analysis, const analysis::Peak* first, QWidget* parent);

    // The calibration the user accepted.
    std::optional<spectrum::EnergyCalibration> calibration() const { return result_; }

    // One calibration point's controls: the peak, the known line and the energy.
    struct PointControls {
        QComboBox* peak = nullptr;
        QComboBox* line = nullptr;
        QLineEdit* energy = nullptr;
    };
    const PointControls& point(int index) const { return points_[index]; }
    QCheckBox* chkSecond() const { return chkSecond_; }
    QLabel* lblError() const { return lblError_; }
    QDialogButtonBox* buttons() const { return buttons_; }

    void accept() override;

private:
    PointControls makePoint(int index, const analysis::Peak* chosen);
    void lineChosen(int index);
    void secondToggled(bool on);

    const analysis::Analysis& analysis_;
    PointControls points_[2];
    QCheckBox* chkSecond_ = nullptr;
    QLabel* lblError_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    std::optional<spectrum::EnergyCalibration> result_;
};
