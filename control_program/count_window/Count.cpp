// The count window: its controls, their places and the wiring of their events. Starting and stopping
// is in CountActions.cpp, what the window shows in CountDisplay.cpp.
#include "Count.h"

#include "CTreviumCtrl.h"
#include "CountRun.h"
#include "CountTexts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* box(QWidget* parent, const char* name, const QString& text) {
    auto* b = named(new QLineEdit(text, parent), name);
    b->setMaxLength(16);
    return b;
}

QLabel* caption(QWidget* parent, const QString& text, const char* name, QWidget* buddy) {
    auto* l = named(new QLabel(text, parent), name);
    l->setBuddy(buddy); // a screen reader names the box by its caption
    return l;
}

// A label that shows a value: a screen reader reads the value (the text is its name) and hears what it
// is from the description.
QLabel* readout(QWidget* parent, const char* name, const QString& description) {
    auto* l = named(new QLabel(parent), name);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAccessibleDescription(description);
    return l;
}

void setUpChart(CTreviumCtrl& chart) {
    chart.setNpoints(Count::CHART_POINTS);
    chart.setFirstPoint(0);
    chart.setLastPoint(Count::CHART_POINTS - 1);
    chart.Clear();
    chart.setRollMode(TreviumCtl::RollLeft);
    chart.setYmode(TreviumCtl::LinScale);
    chart.setYscale(0); // automatic full scale
    chart.setGraphStyle(TreviumCtl::PlotLines);
    chart.setShowAlarm(false);
    chart.setShowCursor(false);
    chart.setXLabel(QCoreApplication::translate("Count", "Readings (newest right)"));
    chart.setYLabel(QCoreApplication::translate("Count", "CPS"));
    chart.setShowLabels(true);
}

} // namespace

Count::Count(UnitSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), run_(new CountRun(settings, this)) {
    setObjectName(QStringLiteral("Count"));
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads; the next use loads a fresh window
    setWindowTitle(tr("Count"));
    createControls();
    layOutControls();
    connectHandlers();
    showRunState();
    showMeasurements();
    showPlateau();
    statusPanel1_->setText(tr("Ready"));
}

Count::~Count() {
    // Nothing of this window may hear the run end: the series is saved without it.
    disconnect(run_, nullptr, this, nullptr);
    run_->abandon();
}

void Count::createControls() {
    Chart_ = named(new CTreviumCtrl(this), "Chart");
    Chart_->setAccessibleName(tr("Rate history"));
    Chart_->setMinimumSize(420, 160);
    setUpChart(*Chart_);
    chkAlarm_ = named(new QCheckBox(tr("&Alarm line at (CPS):"), this), "chkAlarm");
    txtAlarm_ = box(this, "txtAlarm", QStringLiteral("1000"));
    txtAlarm_->setAccessibleName(tr("Alarm line at (CPS)"));

    frSeries_ = named(new QGroupBox(tr("Measurement"), this), "frSeries");
    optTime_ = named(new QRadioButton(tr("&Time (s):"), frSeries_), "optTime");
    txtTime_ = box(frSeries_, "txtTime", QStringLiteral("10"));
    txtTime_->setAccessibleName(tr("Time (s)"));
    optReadings_ = named(new QRadioButton(tr("&Readings:"), frSeries_), "optReadings");
    txtReadings_ = box(frSeries_, "txtReadings", QStringLiteral("10"));
    txtReadings_->setAccessibleName(tr("Readings"));
    optTime_->setChecked(true);
    txtMeasurements_ = box(frSeries_, "txtMeasurements", QStringLiteral("1"));
    lblMeasurements_ = caption(frSeries_, tr("&Measurements:"), "lblMeasurements", txtMeasurements_);
    txtPause_ = box(frSeries_, "txtPause", QStringLiteral("0"));
    lblPause_ = caption(frSeries_, tr("Pa&use (s):"), "lblPause", txtPause_);
    chkBackground_ = named(new QCheckBox(tr("&Background (source removed)"), frSeries_), "chkBackground");

    frPlateau_ = named(new QGroupBox(tr("HV plateau"), this), "frPlateau");
    txtHvStart_ = box(frPlateau_, "txtHvStart", QStringLiteral("800"));
    lblHvStart_ = caption(frPlateau_, tr("Start (V):"), "lblHvStart", txtHvStart_);
    txtHvStop_ = box(frPlateau_, "txtHvStop", QStringLiteral("1200"));
    lblHvStop_ = caption(frPlateau_, tr("Stop (V):"), "lblHvStop", txtHvStop_);
    txtHvStep_ = box(frPlateau_, "txtHvStep", QStringLiteral("25"));
    lblHvStep_ = caption(frPlateau_, tr("Step (V):"), "lblHvStep", txtHvStep_);
    txtSettle_ = box(frPlateau_, "txtSettle", QStringLiteral("5"));
    lblSettle_ = caption(frPlateau_, tr("Settle (s):"), "lblSettle", txtSettle_);
    txtThreshold_ = box(frPlateau_, "txtThreshold", QStringLiteral("10"));
    lblThreshold_ = caption(frPlateau_, tr("Threshold (%/100 V):"), "lblThreshold", txtThreshold_);

    cmdStartStop_ = named(new QPushButton(tr("&Start"), this), "cmdStartStop");
    cmdPlateau_ = named(new QPushButton(tr("&Plateau..."), this), "cmdPlateau");
    // A count and a scan take the same readings; the buttons say that they exclude each other.
    cmdStartStop_->setAccessibleDescription(tr("Starts or stops a series; not while a scan runs"));
    cmdPlateau_->setAccessibleDescription(tr("Starts an HV plateau; not while a scan runs"));
    cmdExport_ = named(new QPushButton(tr("&Export..."), this), "cmdExport");
    cmdLogRate_ = named(new QPushButton(tr("&Log Rate..."), this), "cmdLogRate");
    cmdHelp_ = named(new QPushButton(tr("&Help"), this), "cmdHelp");
    cmdClose_ = named(new QPushButton(tr("&Close"), this), "cmdClose");

    tblMeasurements_ =
        named(new QTableWidget(0, int(counttext::columnTitles().size()), this), "tblMeasurements");
    tblMeasurements_->setAccessibleName(tr("Measurements"));
    tblMeasurements_->setHorizontalHeaderLabels(counttext::columnTitles());
    tblMeasurements_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblMeasurements_->verticalHeader()->setVisible(false);
    tblMeasurements_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lblStatistics_ = readout(this, "lblStatistics", tr("Series statistics"));

    PlateauPlot_ = named(new CTreviumCtrl(this), "PlateauPlot");
    PlateauPlot_->setAccessibleName(tr("Rate against high voltage"));
    PlateauPlot_->setMinimumSize(300, 140);
    PlateauPlot_->setYmode(TreviumCtl::LinScale);
    PlateauPlot_->setYscale(0);
    PlateauPlot_->setXLabel(tr("High voltage (V)"));
    PlateauPlot_->setYLabel(tr("CPS"));
    PlateauPlot_->setShowLabels(true);
    PlateauPlot_->setCursorType(TreviumCtl::CursorLine);
    PlateauPlot_->Clear(); // a new control holds a test data set: nothing is measured yet
    lblPlateau_ = readout(this, "lblPlateau", tr("Plateau and proposed operating point"));
    cmdUseHV_ = named(new QPushButton(tr("&Use This HV"), this), "cmdUseHV");
    cmdUseHV_->setAccessibleDescription(tr("Sets the proposed operating point as the unit's high voltage"));
    lblLog_ = readout(this, "lblLog", tr("Rate log"));

    StatusBar_ = named(new QStatusBar(this), "StatusBar");
    StatusBar_->setSizeGripEnabled(false);
    statusPanel1_ = readout(StatusBar_, "StatusBarPanel1", tr("Count state"));
    statusPanel2_ = readout(StatusBar_, "StatusBarPanel2", tr("Reading state and saved file"));
    StatusBar_->addWidget(statusPanel1_, 1);
    StatusBar_->addWidget(statusPanel2_, 2);
}

void Count::layOutControls() {
    auto* series = new QGridLayout(frSeries_);
    series->addWidget(optTime_, 0, 0);
    series->addWidget(txtTime_, 0, 1);
    series->addWidget(optReadings_, 1, 0);
    series->addWidget(txtReadings_, 1, 1);
    series->addWidget(lblMeasurements_, 2, 0);
    series->addWidget(txtMeasurements_, 2, 1);
    series->addWidget(lblPause_, 3, 0);
    series->addWidget(txtPause_, 3, 1);
    series->addWidget(chkBackground_, 4, 0, 1, 2);

    auto* plateau = new QGridLayout(frPlateau_);
    const std::pair<QLabel*, QLineEdit*> rows[] = {{lblHvStart_, txtHvStart_},
                                                   {lblHvStop_, txtHvStop_},
                                                   {lblHvStep_, txtHvStep_},
                                                   {lblSettle_, txtSettle_},
                                                   {lblThreshold_, txtThreshold_}};
    int row = 0;
    for (const auto& [label, edit] : rows) {
        // Room for a voltage of four digits and a decimal.
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000.00")) + 12);
        plateau->addWidget(label, row, 0);
        plateau->addWidget(edit, row++, 1);
    }

    auto* alarm = new QHBoxLayout;
    alarm->addWidget(chkAlarm_);
    alarm->addWidget(txtAlarm_);
    alarm->addStretch(1);
    alarm->addWidget(lblLog_, 2);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {cmdStartStop_, cmdPlateau_, cmdExport_, cmdLogRate_, cmdHelp_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose_);

    auto* top = new QHBoxLayout;
    top->addWidget(Chart_, 3);
    top->addWidget(frSeries_);
    top->addWidget(frPlateau_);
    top->addLayout(buttons);

    auto* plateauResult = new QVBoxLayout;
    plateauResult->addWidget(lblPlateau_);
    plateauResult->addWidget(cmdUseHV_, 0, Qt::AlignLeft);
    plateauResult->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(PlateauPlot_, 1);
    bottom->addLayout(plateauResult, 1);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top, 2);
    main->addLayout(alarm);
    main->addWidget(tblMeasurements_, 2);
    main->addWidget(lblStatistics_);
    main->addLayout(bottom, 1);
    main->addWidget(StatusBar_);

    // Reading order: what to measure, the buttons, then the results.
    QWidget* order[] = {txtTime_,         optTime_,       optReadings_,  txtReadings_, txtMeasurements_,
                        txtPause_,        chkBackground_, txtHvStart_,   txtHvStop_,   txtHvStep_,
                        txtSettle_,       txtThreshold_,  cmdStartStop_, cmdPlateau_,  cmdExport_,
                        cmdLogRate_,      cmdHelp_,       cmdClose_,     chkAlarm_,    txtAlarm_,
                        tblMeasurements_, cmdUseHV_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void Count::connectHandlers() {
    connect(cmdStartStop_, &QPushButton::clicked, this, &Count::cmdStartStop_Click);
    connect(cmdPlateau_, &QPushButton::clicked, this, &Count::cmdPlateau_Click);
    connect(cmdUseHV_, &QPushButton::clicked, this, &Count::cmdUseHV_Click);
    connect(cmdExport_, &QPushButton::clicked, this, &Count::cmdExport_Click);
    connect(cmdLogRate_, &QPushButton::clicked, this, &Count::cmdLogRate_Click);
    connect(cmdHelp_, &QPushButton::clicked, this, &Count::cmdHelp_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &Count::cmdClose_Click);
    connect(chkAlarm_, &QCheckBox::toggled, this, &Count::chkAlarm_Click);
    connect(txtAlarm_, &QLineEdit::textChanged, this, &Count::txtAlarm_Change);

    connect(run_, &CountRun::progressed, this, &Count::showRunState);
    connect(run_, &CountRun::measurementDone, this, [this] {
        showMeasurements();
        showPlateau();
    });
    connect(run_, &CountRun::ended, this, &Count::seriesEnded);
    connect(run_, &CountRun::staleFor, this, &Count::showStale);
}

QString Count::statusPanel1() const {
    return statusPanel1_->text();
}

QString Count::statusPanel2() const {
    return statusPanel2_->text();
}

void Count::cmdClose_Click() {
    close();
}

void Count::closeEvent(QCloseEvent* event) {
    // Closing by the frame ends a count as the Close button does: a plateau's HV goes back first.
    stopCount();
    closeLog();
    event->accept();
}
