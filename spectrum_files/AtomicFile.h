// The one way the programs write a file: into a temporary file beside it that stays open, then renamed
// over the old one in one step (QSaveFile). A reader never sees half a file, a failed write leaves the
// old file as it was, and no name is ever taken from a temporary file that was closed again (which
// another local user could replace by a link in the meantime).
#pragma once

#include <QByteArray>
#include <QString>

namespace spectrum {

// Writes `bytes` to `path`; returns "" on success, otherwise the reason (as the system says it).
QString writeAtomically(const QString& path, const QByteArray& bytes);

// The sentence for a file that could not be written, the same for every output of every program:
// "\"<path>\" could not be written: <reason>." (the reason's own full stop dropped).
QString notWritten(const QString& path, const QString& reason);

} // namespace spectrum
