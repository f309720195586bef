// The automatic copy of every scan: an N42 file in the user's data folder, so that no measured spectrum
// is lost, whatever happens to the files the user asked for. Shared by the scan window and the
// command-line scan.
#pragma once

#include "ScanRecord.h"

#include <QString>

namespace spectrum {

// <user data folder>/KivoPanel/scans ($XDG_DATA_HOME/KivoPanel/scans).
QString automaticCopyFolder();

struct CopyResult {
    QString path;  // the file written, or "" when it failed
    QString error; // why it failed, one sentence
};

// Writes `record` as N42 into the folder under the name proposedFileName() gives, never over another
// scan's file: scans started in the same second get a number ("-2", "-3" ...).
CopyResult writeAutomaticCopy(const ScanRecord& record);

} // namespace spectrum
