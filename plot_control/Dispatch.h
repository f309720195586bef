// Late binding by DISPID: every automation class carries a fixed table that maps its DISPIDs to its
// members, and one entry point gets or puts a property or calls a method by number, returning the
// result code and error information an automation client expects.
#pragma once

#include "Automation.h"

#include <QVariant>
#include <QVariantList>

#include <memory>
#include <span>
#include <vector>

namespace trevium {

enum class DispKind { Get, Put, Call };

struct DispResult {
    HResult code = S_OK;
    // For DISP_E_EXCEPTION: the exception's own code, description and source interface.
    HResult exceptionCode = S_OK;
    QString description;
    QString source;
    QVariant value;
    // A new reference to an object-valued result; keeps it alive while the caller holds the result.
    std::shared_ptr<QObject> object;
    // New references to the objects in a list-valued result, in list order.
    std::vector<std::shared_ptr<QObject>> objects;
    bool ok() const { return succeeded(code); }
};

// A member bound by DISPID. `name` is the member's name in the meta-object (property or invokable
// method). `special`, when set, replaces the generic binding for members whose behaviour is not a
// plain property or method call.
using DispHandler = DispResult (*)(QObject* object, DispKind kind, const QVariantList& args);
struct DispEntry {
    qint32 dispid;
    const char* name;
    DispHandler special = nullptr;
};

// Implemented by every class that can be driven by DISPID.
class TREVIUM_EXPORT Dispatchable {
public:
    virtual ~Dispatchable() = default;
    virtual std::span<const DispEntry> dispatchTable() const = 0;
    // The interface name used as the source of automation exceptions and in diagnostics.
    virtual QString interfaceName() const = 0;
};

// Gets/puts/calls member `dispid` of `object` with `args` (the put value is args[0]).
TREVIUM_EXPORT DispResult dispatch(QObject* object, qint32 dispid, DispKind kind,
                                   const QVariantList& args = {});
// The DISPID of a member name (case-insensitive, like GetIDsOfNames), or DISPID_UNKNOWN.
TREVIUM_EXPORT qint32 dispIdOfName(const QObject* object, const QString& name);

// Converts an argument to `target` the way automation coerces arguments: numbers must fit
// (DISP_E_OVERFLOW); anything unconvertible is DISP_E_TYPEMISMATCH.
TREVIUM_EXPORT HResult dispConvert(const QVariant& in, QMetaType target, QVariant& out);

// Result helpers for special handlers.
TREVIUM_EXPORT DispResult dispFailure(HResult code);
TREVIUM_EXPORT DispResult dispFromError(const AutomationError& error);

} // namespace trevium
