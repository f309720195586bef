// The module's entry points: create an object by program identifier, and ask whether the module may
// unload (no live objects). A C++ API for Qt hosts and a C API for hosts that load libTrevium.so by
// name.
#pragma once

#include "TreviumExport.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

namespace trevium {

// Creates the object registered under `progId` (e.g. "Trevium.TreviumCtrl.1", "Trevium.ROIinfo";
// also the class's GUID or "TreviumCtl.Trevium"). A control is initialised as new (reset values).
// Returns null and sets `error` for an unknown identifier, or for a widget without a QApplication.
// Widgets (the control, the property page) may also be deleted by a parent they are given; the
// returned handle then points to nothing, so hosts keep a QPointer to a widget they reparent.
TREVIUM_EXPORT std::shared_ptr<QObject> createObject(const QString& progId, QString* error = nullptr);

// The program identifiers the module registers.
TREVIUM_EXPORT QStringList registeredProgIds();

// True when no object of the module is alive.
TREVIUM_EXPORT bool canUnloadNow();

// Events by DISPID: adviseEvents and unadviseEvents (Events.h). Scripts: installScriptModule
// (ScriptModule.h).

} // namespace trevium

extern "C" {

// An owning handle to one object; release it with TreviumReleaseObject.
typedef struct TreviumObject TreviumObject;

// Creates an object by program identifier (UTF-8); null on failure (see TreviumLastError).
TREVIUM_EXPORT TreviumObject* TreviumCreateObject(const char* progId);
// The QObject behind a handle (null for a null handle or a widget already deleted by its parent).
TREVIUM_EXPORT QObject* TreviumObjectPointer(const TreviumObject* handle);
// Releases the handle's reference; the object goes when its last reference does.
TREVIUM_EXPORT void TreviumReleaseObject(TreviumObject* handle);
// The reason for this thread's last failed TreviumCreateObject (UTF-8), or "".
TREVIUM_EXPORT const char* TreviumLastError(void);
// 0 (S_OK) when the module may unload, 1 (S_FALSE) while objects are alive.
TREVIUM_EXPORT int TreviumCanUnloadNow(void);
// The number of live objects.
TREVIUM_EXPORT int TreviumLiveObjectCount(void);

// Receives one event: its DISPID and its `argCount` arguments, in the order the events fire.
typedef void (*TreviumEventSink)(void* context, int dispid, const QVariant* args, int argCount);
// Calls `sink` with `context` for every event the object behind `source` fires until
// TreviumUnadviseEvents or the object's end. Returns the connection's cookie, or 0 when the object
// fires no events (or `source` or `sink` is null).
TREVIUM_EXPORT unsigned TreviumAdviseEvents(const TreviumObject* source, TreviumEventSink sink,
                                            void* context);
// Ends a connection: 0 (S_OK), or 1 (S_FALSE) for an unknown cookie or object.
TREVIUM_EXPORT int TreviumUnadviseEvents(const TreviumObject* source, unsigned cookie);
}
