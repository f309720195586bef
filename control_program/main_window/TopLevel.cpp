// Start-up, connecting and disconnecting, the count-rate poll and closing of the main window.
#include "TopLevel.h"

#include "Conversions.h"
#include "Count.h"
#include "DeviceLink.h"
#include "DeviceParams.h"
#include "DeviceSequence.h"
#include "Globals.h"
#include "ListContents.h"
#include "MessageService.h"
#include "Params.h"
#include "Scan.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <cstdio>

namespace {
const QString kTitle = QStringLiteral("KivoCP");
}

TopLevel::TopLevel(QWidget* parent)
    : QMainWindow(parent), settings_([this](const QString& text) { failure(text); }, this) {
    createControls();
    layOutControls();
    connectHandlers();
    // A missing device library is told once, in the window's style; the call then fails like a
    // device failure and the handler reports that as well.
    kivo::DeviceLink::instance().setErrorReporter([this](const std::string& message) {
        showMessage(this, kTitle, QString::fromStdString(message), MsgIcon::Critical);
    });
    Form_Load();
}

TopLevel::~TopLevel() {
    kivo::DeviceLink::instance().setErrorReporter(nullptr);
    closeConnection();
}

void TopLevel::failure(const QString& text) {
    showMessage(this, kTitle, text, MsgIcon::Critical);
}

void TopLevel::notConnected() {
    showMessage(this, kTitle, tr("Not connected."), MsgIcon::Warning);
}

QString TopLevel::statusText() const {
    return statusPanel1_->text();
}

void TopLevel::Form_Load() {
    setWindowTitle(QStringLiteral("Kivo+ Control Program V%1.%2.%3")
                       .arg(QString::number(KIVO_VERSION_MAJOR), QString::number(KIVO_VERSION_MINOR),
                            QString::number(KIVO_VERSION_PATCH)));

    globals::hSCA = 0;
    globals::scanRunning = false;
    globals::countRunning = false;
    globals::isVR = false;
    globals::fwExtRanges = false;
    globals::fwTTLDuration = false;

    cmdConnect_->setText(tr("&Connect"));

    {
        UpdatingGuard guard(*this);
        cmbCoarseGain_->clear();
        cmbCoarseGain_->addItems(lists::coarseGain());
        cmbCoarseGain_->setCurrentIndex(0);
        globals::maxLevel = conv::DEFAULT_MAX_LEVEL;
        sldFineGain_->setRange(0, 4095);
        sldFineGain_->setTickInterval(256);
        rangeLevelSliders();
    }

    chkIntegMode_->setChecked(false);
    {
        // Filling a list selects its first entry; that is not a user's choice.
        UpdatingGuard guard(*this);
        cmbTTL_->clear();
        cmbTTL_->addItems(lists::ttlDuration());
    }
    cmbTTL_->setCurrentIndex(lists::TTL_DEFAULT_POSITION);
    rbPulse_->setChecked(true);

    FillCPSRangeList();

    {
        UpdatingGuard guard(*this);
        cmbRespTime_->clear();
        cmbRespTime_->addItems(lists::responseTime());
        cmbRespTime_->setCurrentIndex(-1);
    }

    for (QWidget* w : std::initializer_list<QWidget*>{frTTL_, lblTTL_, cmbTTL_, lblCPSRange_, cmbCPSRange_,
                                                      lblRespTime_, cmbRespTime_, frVR_, rbPulse_, rbDC_,
                                                      cmdApplyHV_, cmdRefresh_, cmdSave_})
        w->setEnabled(false);

    Timer1.stop();
    Timer1.setInterval(250);

    statusPanel1_->setText(tr("Not connected"));
}

// Gives both level sliders the range 0..maxLevel with sixteen tick intervals.
void TopLevel::rangeLevelSliders() {
    UpdatingGuard guard(*this);
    for (QSlider* s : {sldLLD_, sldULD_}) {
        s->setRange(0, globals::maxLevel);
        s->setTickInterval(qMax(1, static_cast<int>((static_cast<qint64>(globals::maxLevel) + 1) / 16)));
    }
}

void TopLevel::FillCPSRangeList() {
    UpdatingGuard guard(*this);
    cmbCPSRange_->clear();
    cmbCPSRange_->addItems(globals::fwExtRanges ? lists::cpsRangeExtended() : lists::cpsRangeShort());
    cmbCPSRange_->setCurrentIndex(-1);
}

void TopLevel::cmdConnect_Click() {
    const DeviceSequence sequence;
    if (globals::hSCA == 0) {
        // A scan left running by a lost connection must not go on over the new one.
        abortRunningScan();
        connectDevice();
    } else {
        disconnectDevice();
    }
}

void TopLevel::abortRunningScan() {
    if (globals::scanRunning && scan_)
        scan_->abortScan();
    if (globals::countRunning && count_)
        count_->stopCount();
}

void TopLevel::connectDevice() {
    globals::hSCA = kivo::DeviceLink::instance().OpenSCA(0);
    if (globals::hSCA == 0) {
        failure(tr("Failed to connect to SCA."));
        return;
    }
    cmdConnect_->setText(tr("&Disconnect"));
    globals::simulatedUnit = kivo::DeviceLink::instance().isSimulator();
    lblSimulated_->setVisible(globals::simulatedUnit);
    readIdentity();
    readLevelInfo();
    FillCPSRangeList();
    cmdRefresh_Click();
    cmdRefresh_->setEnabled(true);
    readingWatch_.start();
    Timer1.start();
}

// Product name, firmware, production date and serial number decide the variant, the firmware
// features and the status text. Every failed read is reported and the sequence goes on.
void TopLevel::readIdentity() {
    device::TextParam param;
    if (!device::readText(globals::hSCA, kivo::PARAM_PRODUCT_NAME, param)) {
        failure(tr("Failed to read device info."));
        globals::isVR = false;
        globals::fwExtRanges = false;
    } else {
        globals::productName = param.text;
        globals::isVR = conv::isVariantVR(globals::productName);
    }

    if (!device::readText(globals::hSCA, kivo::PARAM_FW_VERSION, param)) {
        failure(tr("Failed to read firmware version."));
        globals::isVR = false;
        globals::fwExtRanges = false;
        globals::fwTTLDuration = false; // an unknown firmware has no known features
    } else {
        globals::fwVersion = param.text;
        if (const auto features = conv::firmwareFeatures(globals::fwVersion)) {
            globals::fwExtRanges = features->extRanges;
            globals::fwTTLDuration = features->ttlDuration;
        } else {
            failure(tr("Invalid firmware version."));
            globals::fwExtRanges = false;
            globals::fwTTLDuration = false;
        }
    }

    if (!device::readText(globals::hSCA, kivo::PARAM_PRODUCTION_DATE, param))
        failure(tr("Failed to read production date."));
    else
        globals::productionDate = param.text;

    if (!device::readText(globals::hSCA, kivo::PARAM_SERIAL_NUMBER, param)) {
        failure(tr("Failed to read serial number."));
        statusPanel1_->setText(tr("Connected to Kivo with unknown S/N"));
    } else {
        globals::serialNumber = param.text;
        statusPanel1_->setText(
            (globals::isVR ? tr("Connected to Kivo-VR with S/N ") : tr("Connected to Kivo with S/N ")) +
            globals::serialNumber);
    }
}

void TopLevel::readLevelInfo() {
    qint32 count = 0;
    const bool ok = device::readLevelCount(globals::hSCA, count);
    globals::maxLevel = conv::maxLevelFromCount(ok, count);
    globals::levelCountKnown = ok && count > 1;
    // The sliders follow the device's level count so every level can be shown and chosen.
    rangeLevelSliders();
}

bool TopLevel::confirmUnsavedSettings() {
    if (!settings_.unsaved())
        return true;
    const MsgAnswer answer =
        askQuestion(this, QStringLiteral("MorlaCP"),
                    tr("The latest device settings are not yet saved into permanent memory.\r\n"
                       "They will be lost after power to the device is removed.\r\n\r\n"
                       "Do you want to save them now?"));
    if (answer == MsgAnswer::Cancel)
        return false;
    if (answer == MsgAnswer::Yes)
        cmdSave_Click(); // whatever its outcome, the user chose to go on
    return true;
}

void TopLevel::disconnectDevice() {
    if (!confirmUnsavedSettings())
        return;
    abortRunningScan(); // the device is left with the user's window, not a scan channel's
    kivo::DeviceLink::instance().CloseSCA(globals::hSCA); // disconnected whatever it answers
    globals::hSCA = 0;
    cmdConnect_->setText(tr("&Connect"));
    cmdApplyHV_->setEnabled(false);
    cmdRefresh_->setEnabled(false);
    settings_.markSaved(); // what was not saved is the unit's business now
    statusPanel1_->setText(tr("Not connected"));
    lblSimulated_->setVisible(false);
    Timer1.stop();
    if (readingWatch_.stale())
        showStale(false);
    readingWatch_ = ReadingWatch{};
}

void TopLevel::closeConnection() {
    Timer1.stop();
    if (globals::hSCA != 0) {
        kivo::DeviceLink::instance().CloseSCA(globals::hSCA);
        globals::hSCA = 0;
    }
}

void TopLevel::Timer1_Timer() {
    // A tick inside another handler's failure box waits for the next one.
    if (globals::hSCA == 0 || DeviceSequence::inProgress())
        return;
    const DeviceSequence sequence;
    emit pollTick(QDateTime::currentDateTimeUtc());
    qint32 cps = 0;
    qint32 fresh = 0;
    if (kivo::DeviceLink::instance().ReadCPS(globals::hSCA, &cps, &fresh) != 0 || fresh == 0) {
        if (readingWatch_.missed())
            showStale(true);
        return;
    }
    if (readingWatch_.fresh())
        showStale(false);
    lblCPS_->setText(conv::cpsText(cps));
    if (globals::scanRunning && scan_)
        scan_->Update(cps);
    emit freshReading(cps, QDateTime::currentDateTimeUtc());
}

void TopLevel::showStale(bool stale) {
    // Greyed, never boxed: a box per tick would be a storm, and the last number is still worth seeing.
    QPalette palette = lblCPS_->palette();
    palette.setColor(QPalette::WindowText, stale ? palette.color(QPalette::Disabled, QPalette::WindowText)
                                                 : QPalette().color(QPalette::WindowText));
    lblCPS_->setPalette(palette);
    const QString why =
        stale ? tr("Stale: no fresh reading from the unit since %1 (UTC). The number is the last one read.")
                    .arg(readingWatch_.lastFreshUtc().toString(QStringLiteral("HH:mm:ss")))
              : QString();
    lblCPS_->setToolTip(why);
    lblCPS_->setAccessibleDescription(stale ? tr("Count rate. %1").arg(why) : tr("Count rate"));
    if (scan_)
        scan_->readingsStalled(stale);
    emit readingsStalled(stale);
}

Scan* TopLevel::scanWindow() {
    if (!scan_)
        scan_ = new Scan(settings_, this);
    return scan_;
}

Count* TopLevel::countWindow() {
    if (!count_) {
        count_ = new Count(settings_, this);
        connect(this, &TopLevel::pollTick, count_, &Count::pollTick);
        connect(this, &TopLevel::freshReading, count_, &Count::freshReading);
    }
    return count_;
}

void TopLevel::cmdCount_Click() {
    Count* count = countWindow();
    count->show();
    count->raise();
    count->activateWindow();
}

void TopLevel::cmdScan_Click() {
    Scan* scan = scanWindow();
    scan->show();
    scan->raise();
    scan->activateWindow();
}

void TopLevel::terminate() {
    if (DeviceSequence::inProgress()) {
        QTimer::singleShot(100, this, &TopLevel::terminate);
        return;
    }
    {
        const DeviceSequence sequence;
        abortRunningScan(); // the user's window goes back and the spectrum is saved first
    }
    close();
}

void TopLevel::terminateNow() {
    if (globals::scanRunning && scan_) {
        scan_->abandonScan();
        std::fprintf(
            stderr, "%s\n",
            qPrintable(tr("KivoPanel: ended at once; the unit may still hold a scan channel's window.")));
    }
    if (globals::countRunning && count_ && count_->abandonCount()) { // its series is saved
        std::fprintf(
            stderr, "%s\n",
            qPrintable(tr("KivoPanel: ended at once; the unit may still hold a plateau's high voltage.")));
    }
    emit unloaded(); // the program ends; the connection is closed with the window
}

void TopLevel::cmdExit_Click() {
    close();
}

void TopLevel::Form_QueryUnload(bool& cancel) {
    cancel = !confirmUnsavedSettings();
}

void TopLevel::Form_Unload() {
    // The device is left closed rather than with a dangling connection.
    closeConnection();
    emit unloaded();
}

void TopLevel::closeEvent(QCloseEvent* event) {
    const DeviceSequence sequence;
    bool cancel = false;
    Form_QueryUnload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    abortRunningScan(); // the user's window goes back before the program ends
    event->accept();
    Form_Unload();
}
