// What the three formats share: reading one count, the messages a refused file gets, times and
// durations, and the "Key: value" lines in which the line-based formats (SPE remarks, CSV comments)
// carry the scan's metadata. Everything is locale-neutral.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace spectrum::detail {

// A count as text: a whole, non-negative number within 32 bits. "12", "+12", "12.0" and "1.2e1" are
// read; anything else gets the reason it was refused.
struct CountValue {
    qint32 value = 0;
    QString problem; // empty when the text is a count
};
CountValue parseCount(QStringView text, qsizetype channel);

// The message a refused file gets: names the file and the reason.
QString readError(const QString& fileName, const QString& reason);
QString notASpectrum(const QString& what);
QString truncated(const QString& what);
QString tooManyChannels(qsizetype count);

// UTC date and time with milliseconds, "2024-03-15T10:20:30.123Z"; invalid times give "".
QString isoTime(const QDateTime& time);
// ISO 8601 date and time with or without zone (none means UTC); invalid when it is none.
QDateTime parseIsoTime(const QString& text);

// Seconds in the shortest decimal form that reads back exactly, never with an exponent.
QString seconds(double value);
// A non-negative decimal number of seconds; nullopt when it is none.
std::optional<double> parseSeconds(QStringView text);

// Text without a leading UTF-8 byte order mark, split into lines at CR LF, LF or CR.
QList<QStringView> splitLines(QStringView text);
QString decodeText(const QByteArray& data);

// The scan's metadata and remarks as "Key: value" lines; with `levels` also the channels' windows.
QStringList metadataLines(const ScanRecord& record, bool levels);
// Reads one "Key: value" line into the record; false when the key is not one of ours (the line is then
// a remark). The note every scan carries is recognised and dropped.
bool applyMetadataLine(ScanRecord& record, QStringView line);

// After the metadata of a line-based file was applied: lists that do not fit the counts are dropped
// with a remark. Returns a truncation message when the file announced more points than it holds.
QString reconcile(ScanRecord& record);

} // namespace spectrum::detail
