// Where the report files "print.html" and "spect.png" are written: the program folder when it can be
// written (the logo "vtlogo.png" is installed there), otherwise the user's data folder for the program,
// with the logo copied beside the files so the document's bare image names resolve.
#pragma once

#include <QString>

namespace report {

class ReportFiles {
public:
    // The program's own folders: the executable's folder and the user's data folder.
    ReportFiles();
    ReportFiles(QString programFolder, QString dataFolder);

    // Picks the folder for this report. Returns false when neither folder can be written; errorText()
    // then says so in a sentence for the user.
    bool Prepare();

    QString folder() const { return folder_; } // empty until Prepare succeeded
    QString reportPath() const;                // folder()/print.html
    QString imagePath() const;                 // folder()/spect.png
    QString errorText() const { return error_; }

    QString programFolder() const { return programFolder_; }
    QString dataFolder() const { return dataFolder_; }

private:
    QString programFolder_;
    QString dataFolder_;
    QString folder_;
    QString error_;
};

// True when a file can be created in `folder` (made first if it does not exist). Tries for real: file
// permissions alone do not tell (root, read-only mounts, network shares).
bool IsWritableFolder(const QString& folder);

} // namespace report
