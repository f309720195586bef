#include "ScanSpectrumFiles.h"

#include "AutomaticCopy.h"
#include "CTreviumCtrl.h"
#include "FileDialogService.h"
#include "Globals.h"
#include "MessageService.h"
#include "NoticeService.h"
#include "Rebin.h"
#include "Scan.h"
#include "ScanPeaks.h"
#include "ScanRecords.h"
#include "SpectrumFile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("Morla");
const QString kFolderKey = QStringLiteral("SpectrumFiles/Folder");

struct FormatFilter {
    spectrum::Format format;
    const char* filter;
};
const FormatFilter kFilters[] = {
    {spectrum::Format::N42, "N42-2012 XML (*.n42)"},
    {spectrum::Format::Spe, "IAEA SPE (*.spe)"},
    {spectrum::Format::Csv, "CSV (*.csv)"},
};

QSettings settings() {
    return QSettings(QStringLiteral("KivoPanel"), QStringLiteral("KivoPanel"));
}

} // namespace

ScanSpectrumFiles::ScanSpectrumFiles(Scan& scan, QWidget* noticeParent)
    : scan_(scan), noticeParent_(noticeParent) {
    QMenu* menu = scan.mnuContext();
    auto entry = [&](const QString& text, const char* name, const QKeySequence& keys) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            scan.addAction(action); // the shortcut works anywhere in the scan window
        }
        return action;
    };
    save_ = entry(tr("&Save Spectrum..."), "mnuEntrySaveSpectrum", QKeySequence(Qt::CTRL | Qt::Key_S));
    open_ = entry(tr("&Open Reference..."), "mnuEntryOpenReference", QKeySequence(Qt::CTRL | Qt::Key_O));
    clear_ = entry(tr("C&lear Reference"), "mnuEntryClearReference", QKeySequence());
    connect(save_, &QAction::triggered, this, &ScanSpectrumFiles::saveSpectrum);
    connect(open_, &QAction::triggered, this, &ScanSpectrumFiles::openReference);
    connect(clear_, &QAction::triggered, this, &ScanSpectrumFiles::clearReference);
}

ScanSpectrumFiles::~ScanSpectrumFiles() {
    // The program ends while a scan runs: the spectrum would be gone with it. Only the scan window's
    // own state is used here; the main window may already be half destroyed.
    if (globals::scanRunning && globals::scanRecorder.running()) {
        globals::scanRecorder.scanEnded(false, QDateTime::currentDateTimeUtc());
        scanStopped(true);
    }
}

QString ScanSpectrumFiles::scansFolder() {
    return spectrum::automaticCopyFolder();
}

// ---- Hooks of the scan procedure ----

void ScanSpectrumFiles::scanStopped(bool quiet) {
    autoSave(quiet);
}

void ScanSpectrumFiles::channelsChanged() {
    if (reference_)
        showReference();
}

spectrum::ScanRecord ScanSpectrumFiles::currentRecord() const {
    spectrum::ScanRecord r = uncalibratedRecord();
    if (scan_.hasPeaks())
        r.energyCalibration = scan_.peaks().calibration();
    return r;
}

spectrum::ScanRecord ScanSpectrumFiles::uncalibratedRecord() const {
    spectrum::ScanRecord r =
        scan::recordOf(scan_.engine(), globals::maxLevel, QDateTime::currentDateTimeUtc());
    r.programName = QStringLiteral("KivoPanel");
    r.programVersion =
        QStringLiteral("%1.%2.%3").arg(KIVO_VERSION_MAJOR).arg(KIVO_VERSION_MINOR).arg(KIVO_VERSION_PATCH);
    return r;
}

// ---- The automatic copy ----

void ScanSpectrumFiles::autoSave(bool quiet) {
    const spectrum::ScanRecord record = currentRecord();
    lastAutoSave_.clear();
    if (!record.hasMeasuredChannel())
        return;
    const spectrum::CopyResult copy = spectrum::writeAutomaticCopy(record);
    lastAutoSave_ = copy.path;
    const QString problem = copy.error;
    if (problem.isEmpty())
        return;
    if (quiet) {
        qWarning("%s", qPrintable(problem));
        return;
    }
    // Reported without a modal box, so the step that stopped the scan goes on as always; over the main
    // window, which stays when Close takes the scan window away.
    NoticeService::current().notify(noticeParent_, kTitle,
                                    tr("The scan was not saved automatically. %1\nThe spectrum is still "
                                       "shown; use Save Spectrum... to keep it.")
                                        .arg(problem));
}

// ---- Save, open and clear ----

QString ScanSpectrumFiles::rememberedFolder() const {
    const QString folder = settings().value(kFolderKey).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return QFileInfo(scansFolder()).isDir() ? scansFolder() : QDir::homePath();
}

void ScanSpectrumFiles::rememberFolder(const QString& file) const {
    settings().setValue(kFolderKey, QFileInfo(file).absolutePath());
}

void ScanSpectrumFiles::saveSpectrum() {
    const spectrum::ScanRecord record = currentRecord();
    QStringList filters;
    for (const FormatFilter& f : kFilters)
        filters << QString::fromLatin1(f.filter);
    QString selected = filters.first();
    const QString proposed =
        QDir(rememberedFolder()).filePath(spectrum::proposedFileName(record, spectrum::Format::N42));
    QString path = FileDialogService::current().saveFileName(&scan_, tr("Save Spectrum"), proposed,
                                                             filters.join(QStringLiteral(";;")), selected);
    if (path.isEmpty())
        return;
    // A suffix the user typed decides the format; without one the chosen filter does, and adds it.
    std::optional<spectrum::Format> format = spectrum::formatOfName(path);
    if (!format) {
        format = spectrum::Format::N42;
        for (const FormatFilter& f : kFilters)
            if (selected == QLatin1String(f.filter))
                format = f.format;
        path += u'.' + spectrum::suffix(*format);
        // The dialog checked the name without the suffix: the file really written may exist.
        if (QFileInfo::exists(path) &&
            askQuestion(
                &scan_, kTitle,
                tr("\"%1\" already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName())) !=
                MsgAnswer::Yes)
            return;
    }
    const QString problem = spectrum::writeFile(record, path, *format);
    if (!problem.isEmpty()) {
        showMessage(&scan_, kTitle, problem, MsgIcon::Critical);
        return;
    }
    rememberFolder(path);
}

void ScanSpectrumFiles::openReference() {
    const QString path = FileDialogService::current().openFileName(
        &scan_, tr("Open Reference"), rememberedFolder(),
        tr("Spectra (*.n42 *.xml *.spe *.csv *.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    rememberFolder(path);
    const spectrum::ReadResult read = spectrum::readFile(path);
    if (!read.ok()) {
        showMessage(&scan_, kTitle, read.error, MsgIcon::Critical); // the reference shown stays
        return;
    }
    reference_ = read.record;
    showReference();
}

void ScanSpectrumFiles::showReference() {
    const spectrum::ScanRecord layout = scan::channelLayout(scan_.shownChannels(), globals::maxLevel);
    QList<qint32> placed = spectrum::rebinOnto(*reference_, layout);
    // The plot may hold more points than the scan's channels (the whole count array): zeros there, so no
    // earlier reference is left beyond them to enter the automatic full scale.
    if (placed.size() < scan_.Plot()->npoints())
        placed.resize(scan_.Plot()->npoints(), 0);
    scan_.Plot()->setReferenceData(QVariant::fromValue(placed));
    scan_.Plot()->setCompareMode(true);
}

void ScanSpectrumFiles::clearReference() {
    reference_.reset();
    CTreviumCtrl* plot = scan_.Plot();
    // The property keeps what was last assigned, and the report copies it: assign an empty series.
    plot->setReferenceData(QVariant::fromValue(QList<qint32>(plot->npoints(), 0)));
    plot->ClearReference();
    plot->setCompareMode(false);
}
