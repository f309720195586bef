#include "Outputs.h"

#include "AtomicFile.h"
#include "CTreviumCtrl.h"
#include "Conversions.h"
#include "DeviceSession.h"
#include "PeakFindings.h"
#include "PeakReport.h"
#include "PreviewLoader.h"
#include "ProgramFolders.h"
#include "ReportValues.h"
#include "ReportWriter.h"
#include "ScanPlot.h"
#include "ScanRecords.h"
#include "ScanRun.h"
#include "SpectrumFile.h"
#include "SpectrumImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace kivoscan {

namespace {

// While the browser engine renders, its start-up diagnostics (no GPU on the offscreen platform, the
// sandbox off as root) would fill the terminal; a real failure comes back as the render's error instead.
class QuietEngine {
public:
    QuietEngine() { previous_ = qInstallMessageHandler(&QuietEngine::filter); }
    ~QuietEngine() { qInstallMessageHandler(previous_); }
    QuietEngine(const QuietEngine&) = delete;
    QuietEngine& operator=(const QuietEngine&) = delete;

private:
    static void filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            previous_(type, context, message);
    }
    static inline QtMessageHandler previous_ = nullptr;
};

QString failed(const QString& path, const QString& reason) {
    return spectrum::notWritten(path, reason);
}

} // namespace

spectrum::ScanRecord scanRecord(const DeviceSession& session, const ScanRun& run) {
    spectrum::ScanRecord r =
        scan::recordOf(run.engine(), session.identity().maxLevel, QDateTime::currentDateTimeUtc());
    r.programName = QStringLiteral("kivoscan");
    r.programVersion = QCoreApplication::applicationVersion();
    return r;
}

Outputs::Outputs(const DeviceSession& session, const ScanRun& run, const Options& options,
                 const PeakFindings* findings)
    : session_(session), run_(run), options_(options), findings_(findings) {}

QString Outputs::write(const Output& output) const {
    switch (output.kind) {
    case OutputKind::N42:
        return writeSpectrum(output.path, spectrum::Format::N42);
    case OutputKind::Spe:
        return writeSpectrum(output.path, spectrum::Format::Spe);
    case OutputKind::Csv:
        return writeSpectrum(output.path, spectrum::Format::Csv);
    case OutputKind::Json:
        return writeJson(output.path);
    case OutputKind::Png:
        return writeImage(output.path);
    case OutputKind::Html:
        return writeReport(output.path);
    case OutputKind::Pdf:
        return writePdf(output.path);
    }
    return failed(output.path, QStringLiteral("unknown kind of output"));
}

spectrum::ScanRecord Outputs::record() const {
    spectrum::ScanRecord r = scanRecord(session_, run_);
    if (findings_)
        r.energyCalibration = findings_->calibration;
    return r;
}

QString Outputs::writeSpectrum(const QString& path, spectrum::Format format) const {
    return spectrum::writeFile(record(), path, format); // names the file when it fails
}

QString Outputs::writeJson(const QString& path) const {
    if (!findings_)
        return failed(path, QStringLiteral("the spectrum was not analysed"));
    const QJsonDocument json(analysis::analysisJson(record(), findings_->analysis));
    if (const QString reason = spectrum::writeAtomically(path, json.toJson(QJsonDocument::Indented));
        !reason.isEmpty())
        return failed(path, reason);
    return {};
}

QString Outputs::writeImage(const QString& path) const {
    const scan::ScanEngine& engine = run_.engine();
    // The plot as the scan window shows it after this scan: log scale, automatic full scale.
    CTreviumCtrl plot(nullptr, CTreviumCtrl::Init::Bare);
    scanplot::loadStoredProperties(plot);
    scanplot::setUpForLoad(plot, run_.counts());
    plot.setYscale(0);
    plot.setYmode(TreviumCtl::LogScale);
    scanplot::setAxis(plot, engine.channels());
    scanplot::showUserWindow(plot, engine.savedLLD(), engine.savedULD(), engine.savedIntegMode() != 0,
                             engine.channels(), session_.identity().maxLevel);
    plot.setCursorPos(engine.channel());
    // A calibrated spectrum is shown in keV, as the report says.
    scanplot::setEnergyAxis(plot, record());

    CTreviumCtrl image(nullptr, CTreviumCtrl::Init::Bare);
    report::CopyPlotForPrint(plot, image);
    // The plot control writes through a temporary file of its own and renames it into place.
    const qint32 status = image.SaveToPNG(path, report::SPECTRUM_IMAGE_WIDTH, report::SPECTRUM_IMAGE_HEIGHT);
    if (status != 0)
        return failed(path, QStringLiteral("the image could not be saved (status %1)").arg(status));
    return {};
}

QString Outputs::writePdf(const QString& path) const {
    // The PDF is the report as the preview prints it: the HTML report and its images are written into a
    // private folder, the preview module renders that page, and only the finished PDF reaches `path`.
    QTemporaryDir work;
    if (!work.isValid())
        return failed(path, QStringLiteral("no temporary folder for the report: %1").arg(work.errorString()));
    const QString html = QDir(work.path()).filePath(QStringLiteral("report.html"));
    if (QString error = writeReport(html); !error.isEmpty())
        return failed(path, QStringLiteral("the report for it could not be prepared"));
    QString reason;
    bool rendered = false;
    {
        // The module writes the PDF as every output is written: through a temporary file that stays
        // open until it is renamed into place.
        const QuietEngine quiet;
        rendered = preview::PreviewLoader::instance().writeReportPdf(html, path, &reason);
    }
    if (rendered)
        return {};
    // The report page is this program's own temporary file: its name means nothing to the user.
    if (reason.contains(work.path()) || reason.contains(QDir::toNativeSeparators(work.path())))
        reason = QStringLiteral("the browser engine could not render the report");
    else if (reason.contains(QDir::toNativeSeparators(path)))
        reason = QStringLiteral("the PDF could not be saved there");
    return failed(path, reason);
}

QString Outputs::writeReport(const QString& path) const {
    const QFileInfo info(path);
    const QString base = info.completeBaseName();
    const QDir folder = info.absoluteDir();

    ReportValues v;
    const cli::UnitIdentity& id = session_.identity();
    const cli::UnitSettings& s = session_.settings();
    const scan::ScanEngine& engine = run_.engine();
    v.serialNumber = id.serial;
    v.firmwareVersion = id.firmware;
    v.productionDate = id.productionDate;
    v.isVR = id.isVR;
    v.coarseGainIndex = s.gain ? conv::coarseFromGain(*s.gain) : 0;
    v.fineGainPosition = s.gain ? conv::fineFromGain(*s.gain) : 0;
    v.lldPosition = engine.savedLLD();
    v.uldPosition = engine.savedULD();
    v.maxLevel = id.maxLevel;
    v.highVoltageText =
        s.highVoltage ? QString::number(conv::countToVolts(*s.highVoltage), 'f', 1) : QString();
    v.channelsIndex = qMax(0, QList<int>{64, 128, 256, 512}.indexOf(engine.channels()));
    v.sweepsText = QString::number(engine.sweeps());
    if (const spectrum::ScanRecord scan = record(); scan.hasMeasuredChannel())
        v.scan = scan;
    v.energyAxis = findings_ && findings_->calibration;
    if (findings_ && options_.asksForPeaks())
        v.peakTable = analysis::peakTable(findings_->analysis);
    v.spectrumImage = base + QStringLiteral("-spectrum.png");
    v.logoImage = base + QStringLiteral("-logo.png");

    if (QString error = writeImage(folder.filePath(v.spectrumImage)); !error.isEmpty())
        return error;
    // The logo of the layout the command runs from: beside it in the build folder, share/ installed.
    const QString logo = QDir(QString::fromStdString(kivo::folders::current().dataFolder.string()))
                             .filePath(QStringLiteral("vtlogo.png"));
    const QString logoCopy = folder.filePath(v.logoImage);
    QFile::remove(logoCopy);
    if (!QFile::copy(logo, logoCopy))
        return failed(logoCopy, QStringLiteral("the logo \"%1\" could not be copied").arg(logo));
    QString reason;
    if (!report::WriteReport(path, v, &reason))
        return failed(path, reason);
    return {};
}

} // namespace kivoscan
