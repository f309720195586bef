#include "RateLog.h"

#include "AtomicFile.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace counting {

namespace {

const QByteArray kSignature = QByteArrayLiteral("# KivoPanel rate log");

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

} // namespace

QByteArray RateLog::header() {
    return kSignature + "\r\nutc_time,cps\r\n";
}

bool RateLog::open(const QString& path, QString* error) {
    close();
    bool endLine = false;
    {
        QFile existing(path);
        if (existing.exists() && existing.size() > 0) {
            if (!existing.open(QIODevice::ReadOnly)) {
                setError(error, u"Could not read "_qs + path + u": "_qs + existing.errorString());
                return false;
            }
            // Appending to any other file would spoil it.
            if (existing.readLine(256).trimmed() != kSignature) {
                setError(error, path + u" is not a KivoPanel rate log: choose a new file or a rate log."_qs);
                return false;
            }
            existing.seek(existing.size() - 1);
            endLine = existing.read(1) != "\n";
        }
    }
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        setError(error, spectrum::notWritten(path, file_.errorString()));
        return false;
    }
    lines_ = 0;
    const QByteArray start = file_.size() == 0 ? header()
                             : endLine         ? QByteArrayLiteral("\r\n")
                                               : QByteArray();
    if (!start.isEmpty() && !writeDurably(start, error)) {
        file_.close();
        return false;
    }
    return true;
}

bool RateLog::append(qint32 cps, const QDateTime& timeUtc, QString* error) {
    if (!file_.isOpen()) {
        setError(error, QStringLiteral("No rate log is open."));
        return false;
    }
    const QByteArray line =
        timeUtc.toUTC().toString(Qt::ISODateWithMs).toLatin1() + ',' + QByteArray::number(cps) + "\r\n";
    if (!writeDurably(line, error))
        return false;
    ++lines_;
    return true;
}

bool RateLog::writeDurably(const QByteArray& bytes, QString* error) {
    // flush() hands the line to the system, which survives a crash of the program; fdatasync() puts it
    // on the disk, which survives a power loss.
    if (file_.write(bytes) != bytes.size() || !file_.flush()) {
        setError(error, spectrum::notWritten(file_.fileName(), file_.errorString()));
        return false;
    }
    if (::fdatasync(file_.handle()) != 0) {
        const int code = errno;
        setError(error, spectrum::notWritten(file_.fileName(), QString::fromLocal8Bit(std::strerror(code))));
        return false;
    }
    return true;
}

void RateLog::close() {
    file_.close();
}

} // namespace counting
