// Spectrum files of a scan: N42-2012 XML, IAEA SPE and CSV. A record in, a file out; a file in, a
// record or the reason it was refused out. Files are written to a temporary file and renamed, so a
// failed write leaves nothing behind; reading a refused file changes nothing.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace spectrum {

enum class Format { N42, Spe, Csv };

// The largest file a reader takes.
constexpr qint64 MAX_FILE_BYTES = 16 * 1024 * 1024;

// "n42", "spe", "csv".
QString suffix(Format format);
// The format a file name's suffix names (case-insensitive; ".xml" is N42); nullopt for others.
std::optional<Format> formatOfName(const QString& fileName);
// The format of a file's contents: XML is N42, a leading "$" line is SPE, anything else CSV.
Format formatOfContents(const QByteArray& data);

// The file's bytes; the record must pass validate().
QByteArray serialize(const ScanRecord& record, Format format);

struct ReadResult {
    ScanRecord record;
    QString error; // empty when the file was read
    bool ok() const { return error.isEmpty(); }
};

// Reads a spectrum from bytes in the format its contents show; `fileName` names it in messages.
ReadResult parse(const QByteArray& data, const QString& fileName);

// Reads the file at `path`.
ReadResult readFile(const QString& path);

// Writes `record` to `path` atomically; returns "" on success, otherwise the message saying why
// nothing was written.
QString writeFile(const ScanRecord& record, const QString& path, Format format);

// A file name for the record: the serial number and the scan's start time (UTC), made safe for any
// file system, e.g. "SN1234_20240315T102030Z.n42".
QString proposedFileName(const ScanRecord& record, Format format);

} // namespace spectrum
