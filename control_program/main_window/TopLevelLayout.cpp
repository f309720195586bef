// Builds the main window's controls, lays them out as an instrument panel and wires their events to
// the handlers.
#include "TopLevel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* label(const QString& text, const char* name, QWidget* buddy = nullptr) {
    auto* l = named(new QLabel(text), name);
    l->setTextFormat(Qt::PlainText);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QSlider* slider(const char* name) {
    auto* s = named(new QSlider(Qt::Horizontal), name);
    s->setTickPosition(QSlider::TicksBelow);
    // Without tracking a drag raises sliderMoved for every step (the Scroll event) and valueChanged
    // once, when the thumb is released (the Change event); keyboard, wheel and page steps raise
    // valueChanged only. So a drag sends each intermediate level exactly once and the final level
    // once more on release, and no step is sent twice over two signals.
    s->setTracking(false);
    return s;
}

QComboBox* list(const char* name) {
    auto* c = named(new QComboBox, name);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

// A percentage or factor readout: fixed width so the slider beside it does not jump. A screen reader
// reads its value (the label's text is its name); the description says what the value is.
QLabel* readout(const QString& text, const char* name, const QString& description) {
    auto* l = label(text, name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("100.00%")) + 8);
    l->setAccessibleDescription(description);
    return l;
}

} // namespace

void TopLevel::createControls() {
    cmdConnect_ = named(new QPushButton(tr("&Connect")), "cmdConnect");
    cmdInfo_ = named(new QPushButton(tr("&Device Info...")), "cmdInfo");
    cmdRefresh_ = named(new QPushButton(tr("&Refresh")), "cmdRefresh");
    cmdSave_ = named(new QPushButton(tr("&Save")), "cmdSave");
    cmdScan_ = named(new QPushButton(tr("S&can...")), "cmdScan");
    cmdCount_ = named(new QPushButton(tr("C&ount...")), "cmdCount");
    cmdExit_ = named(new QPushButton(tr("E&xit")), "cmdExit");

    lblCPS_ = label(tr("0 CPS"), "lblCPS");
    lblCPS_->setAccessibleDescription(tr("Count rate"));
    lblCPS_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCPS_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblCPS_->setMargin(6);
    QFont big = lblCPS_->font();
    big.setPointSizeF(big.pointSizeF() * 2.0);
    big.setBold(true);
    lblCPS_->setFont(big);

    frHV_ = named(new QGroupBox(tr("High Voltage")), "frHV");
    txtHV_ = named(new QLineEdit, "txtHV");
    txtHV_->setMaxLength(32);
    lblHV_ = label(tr("Volts:"), "lblHV", txtHV_);
    cmdApplyHV_ = named(new QPushButton(tr("&Set")), "cmdApplyHV");

    frGain_ = named(new QGroupBox(tr("Gain")), "frGain");
    cmbCoarseGain_ = list("cmbCoarseGain");
    lblCoarseGain_ = label(tr("Coarse:"), "lblCoarseGain", cmbCoarseGain_);
    sldFineGain_ = slider("sldFineGain");
    sldFineGain_->setSingleStep(1);
    sldFineGain_->setPageStep(32);
    lblFine_ = label(tr("Fine:"), "lblFine", sldFineGain_);
    lblFineGain_ = readout(tr("1.0"), "lblFineGain", tr("Fine gain factor"));

    frDiscriminator_ = named(new QGroupBox(tr("Discriminator")), "frDiscriminator");
    sldLLD_ = slider("sldLLD");
    sldULD_ = slider("sldULD");
    for (QSlider* s : {sldLLD_, sldULD_}) {
        s->setSingleStep(1);
        s->setPageStep(5);
    }
    lblLLDsld_ = label(tr("LLD:"), "lblLLDsld", sldLLD_);
    lblULDsld_ = label(tr("ULD:"), "lblULDsld", sldULD_);
    lblLLD_ = readout(tr("0%"), "lblLLD", tr("LLD percent"));
    lblULD_ = readout(tr("0%"), "lblULD", tr("ULD percent"));
    chkIntegMode_ = named(new QCheckBox(tr("&Integral mode")), "chkIntegMode");

    frTTL_ = named(new QGroupBox(tr("TTL output")), "frTTL");
    cmbTTL_ = list("cmbTTL");
    lblTTL_ = label(tr("Pulse duration:"), "lblTTL", cmbTTL_);

    frVR_ = named(new QGroupBox(tr("Analog Output")), "frVR");
    rbPulse_ = named(new QRadioButton(tr("Amplifier pulse")), "rbPulse");
    rbDC_ = named(new QRadioButton(tr("CPS level")), "rbDC");
    cmbCPSRange_ = list("cmbCPSRange");
    lblCPSRange_ = label(tr("Range:"), "lblCPSRange", cmbCPSRange_);
    cmbRespTime_ = list("cmbRespTime");
    lblRespTime_ = label(tr("Response time:"), "lblRespTime", cmbRespTime_);

    auto* status = named(new QStatusBar, "StatusBar");
    statusPanel1_ = label(QString(), "StatusBarPanel1");
    status->addWidget(statusPanel1_, 1);
    // Beside the connection state, never in place of it: the unit on the line is no real hardware.
    lblSimulated_ = label(tr("Simulated detector"), "lblSimulated");
    lblSimulated_->setStyleSheet(QStringLiteral("QLabel { color: #A00000; font-weight: bold; }"));
    lblSimulated_->setAccessibleDescription(
        tr("The connected unit is the simulated detector built into the program, not real hardware"));
    lblSimulated_->setVisible(false);
    status->addPermanentWidget(lblSimulated_);
    setStatusBar(status);
}

void TopLevel::layOutControls() {
    auto* hv = new QHBoxLayout(frHV_);
    hv->addWidget(lblHV_);
    hv->addWidget(txtHV_, 1);
    hv->addWidget(cmdApplyHV_);

    auto* gain = new QGridLayout(frGain_);
    gain->addWidget(lblCoarseGain_, 0, 0);
    gain->addWidget(cmbCoarseGain_, 0, 1, Qt::AlignLeft);
    gain->addWidget(lblFine_, 1, 0);
    gain->addWidget(sldFineGain_, 1, 1);
    gain->addWidget(lblFineGain_, 1, 2);
    gain->setColumnStretch(1, 1);

    auto* disc = new QGridLayout(frDiscriminator_);
    disc->addWidget(lblLLDsld_, 0, 0);
    disc->addWidget(sldLLD_, 0, 1);
    disc->addWidget(lblLLD_, 0, 2);
    disc->addWidget(lblULDsld_, 1, 0);
    disc->addWidget(sldULD_, 1, 1);
    disc->addWidget(lblULD_, 1, 2);
    disc->addWidget(chkIntegMode_, 2, 1);
    disc->setColumnStretch(1, 1);

    auto* ttl = new QHBoxLayout(frTTL_);
    ttl->addWidget(lblTTL_);
    ttl->addWidget(cmbTTL_);
    ttl->addStretch(1);

    auto* vr = new QGridLayout(frVR_);
    vr->addWidget(rbPulse_, 0, 0, 1, 2);
    vr->addWidget(rbDC_, 1, 0, 1, 2);
    vr->addWidget(lblCPSRange_, 0, 2);
    vr->addWidget(cmbCPSRange_, 0, 3);
    vr->addWidget(lblRespTime_, 1, 2);
    vr->addWidget(cmbRespTime_, 1, 3);
    vr->setColumnStretch(1, 1);

    auto* settings = new QGridLayout;
    settings->addWidget(lblCPS_, 0, 0, 1, 2);
    settings->addWidget(frHV_, 1, 0);
    settings->addWidget(frGain_, 1, 1);
    settings->addWidget(frDiscriminator_, 2, 0, 1, 2);
    settings->addWidget(frTTL_, 3, 0);
    settings->addWidget(frVR_, 3, 1);
    settings->setColumnStretch(0, 2);
    settings->setColumnStretch(1, 3);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {cmdConnect_, cmdInfo_, cmdRefresh_, cmdSave_, cmdScan_, cmdCount_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdExit_);

    auto* central = new QWidget;
    auto* main = new QHBoxLayout(central);
    main->addLayout(settings, 1);
    main->addLayout(buttons);
    setCentralWidget(central);

    // Reading order: the settings top to bottom, then the buttons.
    QWidget* order[] = {txtHV_,        cmdApplyHV_, cmbCoarseGain_, sldFineGain_, sldLLD_,      sldULD_,
                        chkIntegMode_, cmbTTL_,     rbPulse_,       rbDC_,        cmbCPSRange_, cmbRespTime_,
                        cmdConnect_,   cmdInfo_,    cmdRefresh_,    cmdSave_,     cmdScan_,     cmdCount_,
                        cmdExit_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    cmdConnect_->setFocus();
}

void TopLevel::connectHandlers() {
    connect(cmdConnect_, &QPushButton::clicked, this, &TopLevel::cmdConnect_Click);
    connect(cmdInfo_, &QPushButton::clicked, this, &TopLevel::cmdInfo_Click);
    connect(cmdRefresh_, &QPushButton::clicked, this, &TopLevel::cmdRefresh_Click);
    connect(cmdSave_, &QPushButton::clicked, this, &TopLevel::cmdSave_Click);
    connect(cmdScan_, &QPushButton::clicked, this, &TopLevel::cmdScan_Click);
    connect(cmdCount_, &QPushButton::clicked, this, &TopLevel::cmdCount_Click);
    connect(cmdExit_, &QPushButton::clicked, this, &TopLevel::cmdExit_Click);
    connect(&Timer1, &QTimer::timeout, this, &TopLevel::Timer1_Timer);

    connect(&settings_, &UnitSettings::windowChanged, this, &TopLevel::showWindowSettings);
    connect(&settings_, &UnitSettings::gainChanged, this, &TopLevel::showGainSettings);
    connect(&settings_, &UnitSettings::highVoltageChanged, this, &TopLevel::showHighVoltage);
    connect(&settings_, &UnitSettings::unsavedChanged, cmdSave_, &QPushButton::setEnabled);

    connect(txtHV_, &QLineEdit::textChanged, this, &TopLevel::txtHV_Change);
    connect(txtHV_, &QLineEdit::textChanged, &settings_, &UnitSettings::setHighVoltageEntry);
    connect(txtHV_, &QLineEdit::returnPressed, this, [this] {
        if (cmdApplyHV_->isEnabled())
            cmdApplyHV_Click();
    });
    connect(cmdApplyHV_, &QPushButton::clicked, this, &TopLevel::cmdApplyHV_Click);

    connect(cmbCoarseGain_, &QComboBox::currentIndexChanged, this, &TopLevel::cmbCoarseGain_Click);
    connect(sldFineGain_, &QSlider::valueChanged, this, &TopLevel::sldFineGain_Change);
    connect(sldFineGain_, &QSlider::sliderMoved, this, &TopLevel::sldFineGain_Scroll);

    connect(sldLLD_, &QSlider::valueChanged, this, &TopLevel::sldLLD_Change);
    connect(sldLLD_, &QSlider::sliderMoved, this, &TopLevel::sldLLD_Scroll);
    connect(sldULD_, &QSlider::valueChanged, this, &TopLevel::sldULD_Change);
    connect(sldULD_, &QSlider::sliderMoved, this, &TopLevel::sldULD_Scroll);
    connect(chkIntegMode_, &QCheckBox::toggled, this, &TopLevel::chkIntegMode_Click);

    connect(cmbTTL_, &QComboBox::currentIndexChanged, this, &TopLevel::cmbTTL_Click);
    connect(cmbCPSRange_, &QComboBox::currentIndexChanged, this, &TopLevel::cmbCPSRange_Click);
    connect(cmbRespTime_, &QComboBox::currentIndexChanged, this, &TopLevel::cmbRespTime_Click);
    connect(rbPulse_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rbPulse_Click();
    });
    connect(rbDC_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rbDC_Click();
    });
}
