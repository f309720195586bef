// Where the report files "print.html" and "spect.png" are written: the program folder when it can be
// written (in the build folder the logo "vtlogo.png" sits there), otherwise the user's data folder for
// the program. Wherever they go, the logo is copied beside them from where it is installed, so the
// document's bare image names resolve.
//
// An installed program's folder (bin/) is a system folder: the report never goes there, even for root
// who could write it, and the logo is not there either (it is in share/kivopanel).
#pragma once

#include <QString>

namespace kivo::folders {
struct Layout;
}

namespace report {

class ReportFiles {
public:
    // No folder: Prepare() fails until real folders are given.
    ReportFiles() = default;
    // The logo is taken from `programFolder`.
    ReportFiles(QString programFolder, QString dataFolder);
    // An empty `programFolder` leaves only the data folder.
    ReportFiles(QString programFolder, QString dataFolder, QString logoFolder);

    // For a program in `layout`: its folder and logo when it runs from the build folder; only
    // `dataFolder`, with the installed logo, when it is installed.
    static ReportFiles forLayout(const kivo::folders::Layout& layout, const QString& dataFolder);

    // Picks the folder for this report. Returns false when neither folder can be written; errorText()
    // then says so in a sentence for the user.
    bool Prepare();

    QString folder() const { return folder_; } // empty until Prepare succeeded
    QString reportPath() const;                // folder()/print.html
    QString imagePath() const;                 // folder()/spect.png
    QString errorText() const { return error_; }

    QString programFolder() const { return programFolder_; }
    QString dataFolder() const { return dataFolder_; }
    QString logoFolder() const { return logoFolder_; }

private:
    QString programFolder_;
    QString dataFolder_;
    QString logoFolder_;
    QString folder_;
    QString error_;
};

// True when a file can be created in `folder` (made first if it does not exist). Tries for real: file
// permissions alone do not tell (root, read-only mounts, network shares).
bool IsWritableFolder(const QString& folder);

} // namespace report
