// The scan window: its controls, their places, the start-up state and the button, list and menu
// handlers. The scan itself is in ScanProcedure.cpp, the plot's set-up in ScanPlot.cpp and the
// drag-select in ScanDrag.cpp.
#include "Scan.h"

#include "CTreviumCtrl.h"
#include "Conversions.h"
#include "DeviceSequence.h"
#include "Globals.h"
#include "MessageService.h"
#include "PreviewLoader.h"
#include "ScanChannels.h"
#include "ScanPeaks.h"
#include "ScanPlot.h"
#include "ScanReportSource.h"
#include "ScanSpectrumFiles.h"
#include "ScanTexts.h"
#include "UnitSettings.h"
#include "UpDown.h"
#include "YScaleTable.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>

Scan::Scan(UnitSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings),
      engine_(*this, globals::scanCounts, globals::scanRunning, &globals::scanRecorder) {
    setObjectName(QStringLiteral("Scan"));
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads; the next use loads a fresh window
    createControls();
    layOutControls();
    connectHandlers();
    spectrumFiles_ = std::make_unique<ScanSpectrumFiles>(*this, parent);
    peaks_ = new ScanPeaks(*this, settings_);
    connect(cmdPeakWindow_, &QPushButton::clicked, peaks_, [this] {
        peaks_->setMenuChannel(std::nullopt); // the button takes the strongest peak
        peaks_->setWindowOnPeak(peaks_->windowWidth());
    });
    Form_Load();
}

Scan::~Scan() = default;

void Scan::createControls() {
    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    Plot_ = new CTreviumCtrl(this, CTreviumCtrl::Init::Bare);
    named(Plot_, "Plot");
    Plot_->setAccessibleName(tr("Spectrum"));
    scanplot::loadStoredProperties(*Plot_);

    cmdStartStop_ = new QPushButton(this);
    named(cmdStartStop_, "cmdStartStop");
    // A scan and a count share the unit's one window: the button says so, as the count window's do.
    cmdStartStop_->setToolTip(tr("Starts or stops the scan; not while a count runs"));
    cmdStartStop_->setAccessibleDescription(cmdStartStop_->toolTip());
    cmdClear_ = new QPushButton(tr("Clear"), this);
    named(cmdClear_, "cmdClear");

    Frame1_ = new QGroupBox(tr("Channels"), this);
    named(Frame1_, "Frame1");
    cmbChannels_ = new QComboBox(Frame1_);
    named(cmbChannels_, "cmbChannels");
    cmbChannels_->setAccessibleName(tr("Channels"));

    Frame2_ = new QGroupBox(tr("Scale"), this);
    named(Frame2_, "Frame2");
    optLin_ = new QRadioButton(tr("Lin"), Frame2_);
    named(optLin_, "optLin");
    optLog_ = new QRadioButton(tr("Log"), Frame2_);
    named(optLog_, "optLog");
    cmbYScale_ = new QComboBox(Frame2_);
    named(cmbYScale_, "cmbYScale");
    cmbYScale_->setAccessibleName(tr("Full scale"));

    Frame3_ = new QGroupBox(tr("Sweeps"), this);
    named(Frame3_, "Frame3");
    txtSweeps_ = new QLineEdit(Frame3_);
    named(txtSweeps_, "txtSweeps");
    txtSweeps_->setAccessibleName(tr("Sweeps"));
    txtSweeps_->setMaxLength(6);
    spinSweeps_ = new UpDown(Frame3_);
    named(spinSweeps_, "spinSweeps");
    spinSweeps_->setAccessibleName(tr("Sweeps up-down"));

    cmdPrint_ = new QPushButton(tr("&Print..."), this);
    named(cmdPrint_, "cmdPrint");
    cmdClose_ = new QPushButton(tr("&Close"), this);
    named(cmdClose_, "cmdClose");
    // In the free space above Print: the one action a user takes after every scan of a new source.
    cmdPeakWindow_ = new QPushButton(tr("On Pea&k"), this);
    named(cmdPeakWindow_, "cmdPeakWindow");
    cmdPeakWindow_->setToolTip(tr("Set Window on Peak: the unit's window on the strongest photopeak"));
    cmdPeakWindow_->setAccessibleDescription(cmdPeakWindow_->toolTip());

    StatusBar_ = new QStatusBar(this);
    named(StatusBar_, "StatusBar");
    StatusBar_->setSizeGripEnabled(false);
    statusPanel1_ = new QLabel(StatusBar_);
    statusPanel2_ = new QLabel(StatusBar_);
    // A screen reader reads a panel by its text ("Sweep 1 of 10"); the description says what it is.
    statusPanel1_->setAccessibleDescription(tr("Scan state"));
    statusPanel2_->setAccessibleDescription(tr("Channel progress"));
    StatusBar_->addWidget(statusPanel1_, 1);
    StatusBar_->addWidget(statusPanel2_, 1);

    mnuContext_ = new QMenu(tr("Context"), this);
    named(mnuContext_, "mnuContext");
    mnuEntryPrint_ = mnuContext_->addAction(tr("&Print..."));
    mnuEntryPrint_->setObjectName(QStringLiteral("mnuEntryPrint"));
}

void Scan::layOutControls() {
    setWindowTitle(tr("Scan"));
    setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
    Plot_->setGeometry(8, 8, 533, 353);
    cmdStartStop_->setGeometry(552, 8, 77, 25);
    cmdClear_->setGeometry(552, 40, 77, 25);
    Frame1_->setGeometry(552, 76, 77, 49);
    cmbChannels_->setGeometry(8, 20, 61, 19);
    Frame2_->setGeometry(552, 132, 77, 89);
    optLin_->setGeometry(12, 20, 49, 13);
    optLog_->setGeometry(12, 40, 49, 13);
    cmbYScale_->setGeometry(8, 60, 61, 19);
    Frame3_->setGeometry(552, 228, 77, 45);
    txtSweeps_->setGeometry(8, 16, 45, 19);
    spinSweeps_->setGeometry(52, 16, 16, 19);
    cmdPeakWindow_->setGeometry(552, 277, 77, 25);
    cmdPrint_->setGeometry(552, 304, 77, 25);
    cmdClose_->setGeometry(552, 336, 77, 25);
    StatusBar_->setGeometry(0, 368, 640, 21);

    QWidget* order[] = {Plot_,      cmdStartStop_, cmdClear_,   cmbChannels_,   optLin_,   optLog_,
                        cmbYScale_, txtSweeps_,    spinSweeps_, cmdPeakWindow_, cmdPrint_, cmdClose_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void Scan::connectHandlers() {
    connect(cmdStartStop_, &QPushButton::clicked, this, &Scan::cmdStartStop_Click);
    connect(cmdClear_, &QPushButton::clicked, this, &Scan::cmdClear_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &Scan::cmdClose_Click);
    connect(cmdPrint_, &QPushButton::clicked, this, &Scan::cmdPrint_Click);
    connect(mnuEntryPrint_, &QAction::triggered, this, &Scan::mnuEntryPrint_Click);
    connect(cmbChannels_, &QComboBox::currentIndexChanged, this, &Scan::cmbChannels_Click);
    connect(cmbYScale_, &QComboBox::currentIndexChanged, this, &Scan::cmbYScale_Click);
    connect(optLin_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optLin_Click();
    });
    connect(optLog_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optLog_Click();
    });
    connect(txtSweeps_, &QLineEdit::textChanged, this, &Scan::txtSweeps_Change);
    connect(spinSweeps_, &UpDown::valueChanged, this, &Scan::spinSweeps_Change);
    connect(Plot_, &CTreviumCtrl::MouseDown, this, &Scan::Plot_MouseDown);
    connect(Plot_, &CTreviumCtrl::MouseMove, this, &Scan::Plot_MouseMove);
    connect(Plot_, &CTreviumCtrl::MouseUp, this, &Scan::Plot_MouseUp);
    connect(&settings_, &UnitSettings::windowChanged, this, &Scan::userWindowChanged);
}

void Scan::Form_Load() {
    // The window as the main window's sliders show it: within the level range.
    engine_.setUserWindow(qBound(0, settings_.lld(), globals::maxLevel),
                          qBound(0, settings_.uld(), globals::maxLevel), settings_.integralMode());

    {
        const QSignalBlocker blocker(cmbChannels_); // filling selects "64"; that is no choice yet
        cmbChannels_->clear();
        cmbChannels_->addItems(
            {QStringLiteral("64"), QStringLiteral("128"), QStringLiteral("256"), QStringLiteral("512")});
        cmbChannels_->setCurrentIndex(-1);
    }
    cmbChannels_->setCurrentIndex(1);
    cmbChannels_->setEnabled(true);

    txtSweeps_->setText(QStringLiteral("10"));
    txtSweeps_->setEnabled(true);
    spinSweeps_->setEnabled(true);
    spinSweeps_->setRange(scan::MIN_SWEEPS, scan::MAX_SWEEPS);
    spinSweeps_->setValue(10);

    // A new window brings a new engine: channel 0, 128 channels, nothing to skip.
    cmdStartStop_->setText(tr("&Start"));
    globals::scanRunning = false;

    scanplot::setUpForLoad(*Plot_, globals::scanCounts);
    // A spectrum kept from before the window was opened keeps the layout it was measured with.
    showLayout();
    peaks_->spectrumChanged(); // counts kept from before show their peaks

    dragging_ = false;

    {
        const QSignalBlocker blocker(cmbYScale_);
        cmbYScale_->clear();
        for (const scan::YScaleEntry& entry : scan::yScaleTable)
            cmbYScale_->addItem(QString::fromLatin1(entry.label));
        cmbYScale_->setCurrentIndex(-1);
    }
    cmbYScale_->setCurrentIndex(0);

    optLin_->setChecked(false);
    optLog_->setChecked(true);

    setStatus(tr("Ready"), layoutNote());
}

QString Scan::statusPanel1() const {
    return statusPanel1_->text();
}

QString Scan::statusPanel2() const {
    return statusPanel2_->text();
}

void Scan::setStatus(const QString& panel1, const QString& panel2) {
    statusPanel1_->setText(panel1);
    statusPanel2_->setText(panel2);
}

// ---- Buttons, lists and menu ----

void Scan::cmdStartStop_Click() {
    if (globals::scanRunning)
        abortScan();
    else
        StartScan();
}

void Scan::abortScan() {
    if (!globals::scanRunning)
        return;
    StopScan();
    statusPanel1_->setText(tr("Scan aborted"));
}

void Scan::abandonScan() {
    if (!globals::scanRunning)
        return;
    engine_.abandon();
    statusPanel1_->setText(tr("Scan aborted"));
}

void Scan::cmdClear_Click() {
    const DeviceSequence sequence;
    engine_.clear();
}

void Scan::cmdClose_Click() {
    if (globals::scanRunning)
        StopScan();
    close();
}

void Scan::closeEvent(QCloseEvent* event) {
    // Closing by the frame restores the user's window just as the Close button does.
    if (globals::scanRunning)
        StopScan();
    event->accept();
}

void Scan::cmdPrint_Click() {
    ScanReportSource source(settings_, *this);
    QString error;
    if (!preview::PreviewLoader::instance().runPreview(source, this, &error))
        showMessage(this, QStringLiteral("Morla"), tr("The print preview is not available.\n\n%1").arg(error),
                    MsgIcon::Critical);
}

void Scan::mnuEntryPrint_Click() {
    cmdPrint_Click();
}

void Scan::cmbChannels_Click() {
    const auto count = scan::leadingInteger(cmbChannels_->currentText());
    if (!count || *count < 1)
        return;
    // The list chooses the next scan's layout; counts measured with another one stay on their own.
    engine_.setChannels(*count);
    showLayout();
}

qint32 Scan::shownChannels() const {
    const scan::ScanRecorder& recorded = engine_.recorder();
    return recorded.hasReadings() && recorded.channels() > 0 ? recorded.channels() : engine_.channels();
}

void Scan::showLayout() {
    scanplot::setAxis(*Plot_, shownChannels());
    spectrumFiles_->channelsChanged();
    ShowUserROI(scan::toLevel16(savedLLD()), scan::toLevel16(savedULD()), savedIntegMode() != 0);
    if (!globals::scanRunning)
        statusPanel2_->setText(layoutNote());
    if (peaks_)
        peaks_->axisReset();
}

QString Scan::layoutNote() const {
    if (shownChannels() == channels())
        return {};
    return tr("Shown: %1 channels (next scan: %2)")
        .arg(conv::plainNumber(shownChannels()), conv::plainNumber(channels()));
}

void Scan::cmbYScale_Click() {
    const int index = cmbYScale_->currentIndex();
    if (index < 0 || index >= int(scan::yScaleTable.size()))
        return;
    Plot_->setYscale(scan::yScaleTable[size_t(index)].value);
}

void Scan::optLin_Click() {
    Plot_->setYmode(TreviumCtl::LinScale);
}

void Scan::optLog_Click() {
    Plot_->setYmode(TreviumCtl::LogScale);
}

// ---- Sweeps box and its up-down control ----

void Scan::txtSweeps_Change() {
    const auto count = scan::leadingInteger(txtSweeps_->text());
    if (count && *count >= scan::MIN_SWEEPS && *count <= scan::MAX_SWEEPS) {
        const QSignalBlocker blocker(spinSweeps_);
        spinSweeps_->setValue(*count);
    }
}

void Scan::spinSweeps_Change(int value) {
    txtSweeps_->setText(QString::number(value));
}

// ---- Context menu ----

void Scan::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    // Releases that controls pass on arrive here too; only the bare background counts.
    if (childAt(pos) == nullptr)
        Form_MouseUp(event->button(), pos);
    event->accept();
}

void Scan::Form_MouseUp(Qt::MouseButton button, QPoint pos) {
    if (button == Qt::RightButton)
        mnuContext_->popup(mapToGlobal(pos));
}
