#include "Events.h"

#include <QMetaMethod>
#include <QPointer>

#include <atomic>
#include <vector>

namespace trevium {

namespace {

std::atomic<quint32> g_nextCookie{1};

// Receives the source's signals through slots it has no meta-object entries for: each connection
// targets a method index past QObject's own, and qt_metacall turns the call's raw arguments into
// variants by the signal's parameter types.
class EventRelay final : public QObject {
public:
    EventRelay(QObject* source, quint32 cookie, EventSink sink)
        : QObject(source), cookie_(cookie), sink_(std::move(sink)) {}

    quint32 cookie() const { return cookie_; }

    bool connectEvent(QObject* source, const EventEntry& entry) {
        const QMetaObject* mo = source->metaObject();
        for (int i = mo->methodCount() - 1; i >= 0; --i) {
            const QMetaMethod m = mo->method(i);
            if (m.methodType() != QMetaMethod::Signal || m.name() != entry.name)
                continue;
            const int slot = firstSlot() + static_cast<int>(events_.size());
            if (!QMetaObject::connect(source, m.methodIndex(), this, slot, Qt::DirectConnection))
                return false;
            events_.push_back({entry.dispid, m});
            return true;
        }
        return false;
    }

    // Disconnects; deletes itself now, or after the sink returns when called from within it.
    void stop() {
        if (stopped_)
            return;
        stopped_ = true;
        if (QObject* source = parent())
            QObject::disconnect(source, nullptr, this, nullptr);
        if (depth_ == 0)
            delete this;
    }

    int qt_metacall(QMetaObject::Call call, int id, void** argv) override {
        id = QObject::qt_metacall(call, id, argv);
        if (id < 0 || call != QMetaObject::InvokeMetaMethod)
            return id;
        if (id < static_cast<int>(events_.size()) && !stopped_)
            fire(events_[static_cast<size_t>(id)], argv);
        return -1;
    }

private:
    static int firstSlot() { return QObject::staticMetaObject.methodCount(); }

    struct Event {
        qint32 dispid;
        QMetaMethod signal;
    };

    void fire(const Event& event, void** argv) {
        QVariantList args;
        for (int i = 0; i < event.signal.parameterCount(); ++i)
            args.append(QVariant(event.signal.parameterMetaType(i), argv[i + 1]));
        const QPointer<EventRelay> alive(this); // a sink may even delete the source, and with it us
        ++depth_;
        sink_(event.dispid, args);
        if (!alive)
            return;
        --depth_;
        if (stopped_ && depth_ == 0)
            delete this;
    }

    const quint32 cookie_;
    EventSink sink_;
    std::vector<Event> events_;
    int depth_ = 0;
    bool stopped_ = false;
};

EventRelay* findRelay(QObject* source, quint32 cookie) {
    for (QObject* child : source->children())
        if (auto* relay = dynamic_cast<EventRelay*>(child); relay && relay->cookie() == cookie)
            return relay;
    return nullptr;
}

} // namespace

quint32 adviseEvents(QObject* source, EventSink sink) {
    auto* events = dynamic_cast<EventSource*>(source);
    if (!events || !sink)
        return 0;
    const quint32 cookie = g_nextCookie.fetch_add(1);
    auto* relay = new EventRelay(source, cookie, std::move(sink));
    for (const EventEntry& entry : events->eventTable()) {
        if (!relay->connectEvent(source, entry)) {
            relay->stop();
            return 0;
        }
    }
    return cookie;
}

bool unadviseEvents(QObject* source, quint32 cookie) {
    EventRelay* relay = source && cookie ? findRelay(source, cookie) : nullptr;
    if (!relay)
        return false;
    relay->stop();
    return true;
}

qint32 eventDispIdOfName(const QObject* source, const QString& name) {
    const auto* events = dynamic_cast<const EventSource*>(source);
    if (!events)
        return DISPID_UNKNOWN;
    for (const EventEntry& e : events->eventTable())
        if (name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return e.dispid;
    return DISPID_UNKNOWN;
}

} // namespace trevium
