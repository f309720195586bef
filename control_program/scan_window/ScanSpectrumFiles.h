// The scan window's spectrum files: "Save Spectrum..." (N42, SPE or CSV), "Open Reference..." (shown
// as the plot's reference series, placed on the scan's channels) and "Clear Reference", and the
// automatic N42 copy of every scan that ends with a measured channel, kept under the user's data folder
// so that no recorded scan is lost. The scan procedure tells it what happens through the hooks below.
#pragma once

#include "ScanRecord.h"

#include <QObject>
#include <QString>

#include <optional>

class QAction;
class QWidget;
class Scan;

class ScanSpectrumFiles : public QObject {
    Q_OBJECT

public:
    // Adds the menu entries and their shortcuts to `scan`, which must outlive this object. Notices go
    // over `noticeParent` (the main window), which stays when the scan window closes.
    ScanSpectrumFiles(Scan& scan, QWidget* noticeParent);
    // A scan still running when the window goes away (the program ends) is saved as aborted.
    ~ScanSpectrumFiles() override;

    // Hooks of the scan procedure. `quiet`: a failed automatic copy is only logged (the window is going
    // away).
    void scanStopped(bool quiet = false);
    void channelsChanged();

    QAction* mnuEntrySaveSpectrum() const { return save_; }
    QAction* mnuEntryOpenReference() const { return open_; }
    QAction* mnuEntryClearReference() const { return clear_; }

    // The spectrum on screen as a record, with the energy calibration that holds for it.
    spectrum::ScanRecord currentRecord() const;
    // The same without the calibration (what decides which calibration holds).
    spectrum::ScanRecord uncalibratedRecord() const;
    // The reference shown, if any, as read from its file.
    const std::optional<spectrum::ScanRecord>& reference() const { return reference_; }
    // Where the automatic copies go: <user data folder>/KivoPanel/scans.
    static QString scansFolder();
    // The file of the last automatic copy, or "" when it failed or none was made.
    QString lastAutoSave() const { return lastAutoSave_; }

public slots:
    void saveSpectrum();
    void openReference();
    void clearReference();

private:
    void autoSave(bool quiet);
    void showReference();
    QString rememberedFolder() const;
    void rememberFolder(const QString& file) const;

    Scan& scan_;
    QWidget* noticeParent_;
    QAction* save_ = nullptr;
    QAction* open_ = nullptr;
    QAction* clear_ = nullptr;
    std::optional<spectrum::ScanRecord> reference_;
    QString lastAutoSave_;
};
