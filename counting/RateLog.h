// The rate log: every fresh reading with its UTC time, appended to a CSV file one line at a time and
// pushed to the disk at once, so a crash or a power loss keeps everything written before it. Layout:
//
//   # KivoPanel rate log
//   utc_time,cps
//   2024-03-15T10:20:30.250Z,4712
//
// A new or empty file gets the two header lines; an existing file must already be a rate log, and a
// last line that a crash cut short is ended before the next one.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

namespace counting {

class RateLog {
public:
    RateLog() = default;
    RateLog(const RateLog&) = delete;
    RateLog& operator=(const RateLog&) = delete;

    // The lines a new log begins with.
    static QByteArray header();

    // Opens `path` for appending (closing a log already open). False, with the reason in `error`, when
    // it cannot be opened or is not a rate log.
    bool open(const QString& path, QString* error);
    // One reading as one line, on the disk when this returns true.
    bool append(qint32 cps, const QDateTime& timeUtc, QString* error);
    void close();

    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return file_.fileName(); }
    qint64 linesWritten() const { return lines_; }

private:
    bool writeDurably(const QByteArray& bytes, QString* error);

    QFile file_;
    qint64 lines_ = 0;
};

} // namespace counting
