#include "SpectrumFile.h"

#include "AtomicFile.h"
#include "CsvFormat.h"
#include "FormatSupport.h"
#include "N42Format.h"
#include "SpeFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace spectrum {

QString suffix(Format format) {
    switch (format) {
    case Format::N42:
        return QStringLiteral("n42");
    case Format::Spe:
        return QStringLiteral("spe");
    case Format::Csv:
        return QStringLiteral("csv");
    }
    return {};
}

std::optional<Format> formatOfName(const QString& fileName) {
    const QString s = QFileInfo(fileName).suffix().toLower();
    if (s == u"n42" || s == u"xml")
        return Format::N42;
    if (s == u"spe")
        return Format::Spe;
    if (s == u"csv" || s == u"txt")
        return Format::Csv;
    return std::nullopt;
}

Format formatOfContents(const QByteArray& data) {
    QByteArray head = data.left(4096);
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    head = head.trimmed();
    if (head.startsWith('<'))
        return Format::N42;
    if (head.startsWith('$'))
        return Format::Spe;
    return Format::Csv;
}

QByteArray serialize(const ScanRecord& record, Format format) {
    switch (format) {
    case Format::N42:
        return detail::writeN42(record);
    case Format::Spe:
        return detail::writeSpe(record);
    case Format::Csv:
        return detail::writeCsv(record);
    }
    return {};
}

ReadResult parse(const QByteArray& data, const QString& fileName) {
    ReadResult result;
    QString problem;
    if (data.size() > MAX_FILE_BYTES)
        problem = QStringLiteral("it is larger than 16 MiB (%1 bytes)").arg(data.size());
    else if (data.trimmed().isEmpty())
        problem = detail::notASpectrum(QStringLiteral("it is empty"));
    else if (data.contains('\0'))
        problem = detail::notASpectrum(QStringLiteral("it holds binary data"));
    else {
        switch (formatOfContents(data)) {
        case Format::N42:
            problem = detail::readN42(data, result.record);
            break;
        case Format::Spe:
            problem = detail::readSpe(detail::decodeText(data), result.record);
            break;
        case Format::Csv:
            problem = detail::readCsv(detail::decodeText(data), result.record);
            break;
        }
    }
    if (!problem.isEmpty()) {
        result.record = ScanRecord();
        result.error = detail::readError(fileName, problem);
    }
    return result;
}

ReadResult readFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    ReadResult result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = detail::readError(name, file.errorString());
        return result;
    }
    if (file.size() > MAX_FILE_BYTES) {
        result.error =
            detail::readError(name, QStringLiteral("it is larger than 16 MiB (%1 bytes)").arg(file.size()));
        return result;
    }
    const QByteArray data = file.read(MAX_FILE_BYTES + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = detail::readError(name, file.errorString());
        return result;
    }
    return parse(data, name);
}

QString writeFile(const ScanRecord& record, const QString& path, Format format) {
    const QString shown = QDir::toNativeSeparators(path);
    if (const QString problem = validate(record); !problem.isEmpty())
        return QStringLiteral("\"%1\" was not written: %2.").arg(shown, problem);
    if (const QString reason = writeAtomically(path, serialize(record, format)); !reason.isEmpty())
        return notWritten(path, reason);
    return {};
}

QString proposedFileName(const ScanRecord& record, Format format) {
    QString serial = fileNamePart(record.serialNumber.trimmed());
    if (serial.isEmpty())
        serial = QStringLiteral("scan");
    const QDateTime start = record.startTime.isValid() ? record.startTime : QDateTime::currentDateTimeUtc();
    return serial + u'_' + start.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'") + u'.' + suffix(format);
}

} // namespace spectrum
