// DrawTo receives an opaque 32-bit "device context" handle. The module hands out such handles for a
// host's QPainter; an unknown handle draws nothing.
#pragma once

#include <QtGlobal>

class QPainter;

namespace trevium {

// Registers `painter` and returns its handle (never 0). The painter stays the host's.
qint32 registerPainter(QPainter* painter);
// Forgets the handle; later DrawTo calls with it draw nothing.
void unregisterPainter(qint32 handle);
// The painter for `handle`, or nullptr.
QPainter* painterForHandle(qint32 handle);

} // namespace trevium
