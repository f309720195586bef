// Events by DISPID: a class that fires events carries the fixed DISPID table of its event interface,
// and a host that binds late subscribes a sink that receives each event's DISPID and its arguments as
// variants, in the order the events fire. Qt-native hosts may connect to the signals instead; both
// see the same events.
#pragma once

#include "Automation.h"

#include <QVariantList>

#include <functional>
#include <span>

namespace trevium {

// An event bound by DISPID; `name` is its signal's name.
struct EventEntry {
    qint32 dispid;
    const char* name;
};

// Implemented by every class that fires events.
class TREVIUM_EXPORT EventSource {
public:
    virtual ~EventSource() = default;
    virtual std::span<const EventEntry> eventTable() const = 0;
    virtual QString eventInterfaceName() const = 0;
};

using EventSink = std::function<void(qint32 dispid, const QVariantList& args)>;

// Connects `sink` to every event of `source`; returns a cookie for unadviseEvents (never 0), or 0
// when `source` fires no events. The connection ends with the source at the latest.
TREVIUM_EXPORT quint32 adviseEvents(QObject* source, EventSink sink);
// Ends a connection made by adviseEvents; false for an unknown cookie. A sink may end its own
// connection while it is being called.
TREVIUM_EXPORT bool unadviseEvents(QObject* source, quint32 cookie);
// The DISPID of an event name (case-insensitive), or DISPID_UNKNOWN.
TREVIUM_EXPORT qint32 eventDispIdOfName(const QObject* source, const QString& name);

} // namespace trevium
