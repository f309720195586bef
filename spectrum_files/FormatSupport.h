// What the three formats share: reading one count, the messages a refused file gets, times and
// durations, the "Key: value" lines in which the line-based formats (SPE remarks, CSV comments) carry
// the scan's metadata, the remarks that say in words what the record's flags mean, and the energy
// calibration as the channel-based formats give it. Everything is locale-neutral.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace spectrum::detail {

// A count as text: a whole, non-negative number within 32 bits. "12", "+12", "12.0" and "1.2e1" are
// read; anything else gets the reason it was refused, quoting `shown` (the file's own text, when the
// caller rewrote it) or else the text.
struct CountValue {
    qint32 value = 0;
    QString problem; // empty when the text is a count
};
CountValue parseCount(QStringView text, qsizetype channel, QStringView shown = {});

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

// Any finite number in the shortest form that reads back exactly ("0.328125", "-3.5", "1e-05").
QString number(double value);
// The factor from an energy unit to keV ("keV" or none: 1, "MeV": 1000, "eV": 0.001); 0 for others.
double unitToKeV(QStringView unit);

// Text without a leading UTF-8 byte order mark, split into lines at CR LF, LF or CR.
QList<QStringView> splitLines(QStringView text);
QString decodeText(const QByteArray& data);

// The scan's metadata and remarks as "Key: value" lines; with `levels` also the channels' windows.
QStringList metadataLines(const ScanRecord& record, bool levels);
// Reads one "Key: value" line (or one of the flag remarks below) into the record; false when it is
// neither (the line is then a remark). The note every scan carries is recognised and dropped.
bool applyMetadataLine(ScanRecord& record, QStringView line);

// The text a metadata field of the record has in those lines ("" for an unknown key), and reading one
// field back by its key: false when the key is not one of ours; an unusable value leaves the field as
// it was and adds a remark saying so.
QString fieldText(const ScanRecord& record, QStringView key);
bool applyField(ScanRecord& record, QStringView key, const QString& value);

// Remarks that say in words what the record's flags mean, so that a person reading the file sees them:
// a simulated unit, the warning that the spectrum is not trustworthy, each device failure and the
// number of channels whose window could not be set. Written as they are in every format.
QStringList flagRemarks(const ScanRecord& record);
// Takes one remark into the record when it is one of those (the warning, which follows from the
// failures, and the scan's note are dropped); false for any other remark.
bool applyFlagRemark(ScanRecord& record, QStringView remark);

// After the metadata of a line-based file was applied: lists that do not fit the counts are dropped
// with a remark. Returns a truncation message when the file announced more points than it holds.
QString reconcile(ScanRecord& record);

// The channel-based formats give an energy calibration per channel (per point index k of the file).
// A scan's points lie on the discriminator scale as the line level(k) = first + step x k: taken from
// the centres of the first and last windows that the ends of the level range did not cut (the scan's
// layout is uniform, so every uncut window lies on it). A record without windows (another program's
// spectrum) has level = k.
struct LevelLine {
    double first = 0;
    double step = 1;
};
LevelLine levelLine(const ScanRecord& record);
// A point's level: the centre of its window, (lld + uld) / 2, or its index without windows.
double pointLevel(const ScanRecord& record, qsizetype k);

// The record's calibration per channel index: E = t0 + t1 x k keV, with
// t0 = offset + slope x first and t1 = slope x step. The record must have a calibration.
struct ChannelCalibration {
    double t0 = 0;
    double t1 = 0;
};
ChannelCalibration channelCalibration(const ScanRecord& record);
// A file's polynomial per channel, E = c0 + c1 x k + c2 x k^2 ... in keV, back onto the record's levels
// (after its windows were read): slope = c1 / step, offset = c0 - slope x first. Coefficients that are
// all zero mean no calibration; a polynomial that is not linear, or a layout without steps, is not
// taken and a remark says so.
void applyChannelCoefficients(ScanRecord& record, const QList<double>& coefficients);
// An energy per point (a CSV column), back onto the points' levels through the first and last point,
// provided every point lies on that line (within 0.1 % of the energy range, as printed values allow).
// With `guessed` (a column taken for energies by its position only) a column that does not fit is
// left without a remark.
void applyPointEnergies(ScanRecord& record, const QList<double>& energies, bool guessed);

} // namespace spectrum::detail
