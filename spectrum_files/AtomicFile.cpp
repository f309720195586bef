#include "AtomicFile.h"

#include <QDir>
#include <QSaveFile>

namespace spectrum {

QString writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QString notWritten(const QString& path, const QString& reason) {
    QString why = reason.trimmed();
    while (why.endsWith(u'.'))
        why.chop(1);
    return QStringLiteral("\"%1\" could not be written: %2.").arg(QDir::toNativeSeparators(path), why);
}

} // namespace spectrum
