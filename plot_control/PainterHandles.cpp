#include "PainterHandles.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <limits>

namespace trevium {

namespace {

struct Registry {
    QMutex mutex;
    QHash<qint32, QPainter*> painters;
    qint32 next = 1;
};

Registry& registry() {
    static Registry r;
    return r;
}

} // namespace

qint32 registerPainter(QPainter* painter) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    // Handles are never 0 and never reused while registered, also after the counter wraps.
    while (r.next == 0 || r.painters.contains(r.next))
        r.next = r.next == std::numeric_limits<qint32>::max() ? 1 : r.next + 1;
    const qint32 handle = r.next;
    r.next = handle == std::numeric_limits<qint32>::max() ? 1 : handle + 1;
    r.painters.insert(handle, painter);
    return handle;
}

void unregisterPainter(qint32 handle) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    r.painters.remove(handle);
}

QPainter* painterForHandle(qint32 handle) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.painters.value(handle, nullptr);
}

} // namespace trevium
