// Typed reads and writes of device parameters over the device link, for the connection `handle`
// (from OpenSCA). Each call returns whether the device reported success.
#pragma once

#include <QString>
#include <QtGlobal>

namespace device {

// The text before the first NUL character (device texts are NUL-padded and may lack a terminator).
QString StripNulls(const QString& str);

// One identification text. `raw` receives all 32 characters (NULs included) for callers that parse
// fixed positions; `text` the characters before the first NUL.
struct TextParam {
    QString raw;
    QString text;
};
bool readText(qint32 handle, qint32 id, TextParam& out);

bool readNumber(qint32 handle, qint32 id, qint32& out);

// The first integer of the level information: the number of discriminator levels.
bool readLevelCount(qint32 handle, qint32& out);

bool writeNumber(qint32 handle, qint32 id, qint32 value);

} // namespace device
