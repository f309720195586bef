// Shared vocabulary of the automation objects: result codes, error information, the live-object
// count of the module, and the base class that gives every automation object shared lifetime.
#pragma once

#include "TreviumExport.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

namespace trevium {

// Result codes, with the values automation clients know.
using HResult = qint32;
inline constexpr HResult S_OK = 0;
inline constexpr HResult S_FALSE = 1;
inline constexpr HResult E_NOTIMPL = static_cast<HResult>(0x80004001u);
inline constexpr HResult E_NOINTERFACE = static_cast<HResult>(0x80004002u);
inline constexpr HResult E_POINTER = static_cast<HResult>(0x80004003u);
inline constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057u);
inline constexpr HResult CLASS_E_CLASSNOTAVAILABLE = static_cast<HResult>(0x80040111u);
inline constexpr HResult DISP_E_MEMBERNOTFOUND = static_cast<HResult>(0x80020003u);
inline constexpr HResult DISP_E_TYPEMISMATCH = static_cast<HResult>(0x80020005u);
inline constexpr HResult DISP_E_UNKNOWNNAME = static_cast<HResult>(0x80020006u);
inline constexpr HResult DISP_E_EXCEPTION = static_cast<HResult>(0x80020009u);
inline constexpr HResult DISP_E_OVERFLOW = static_cast<HResult>(0x8002000Au);
inline constexpr HResult DISP_E_BADINDEX = static_cast<HResult>(0x8002000Bu);
inline constexpr HResult DISP_E_BADPARAMCOUNT = static_cast<HResult>(0x8002000Eu);
inline constexpr qint32 DISPID_UNKNOWN = -1;

constexpr bool succeeded(HResult hr) {
    return hr >= 0;
}

// What a failing member reports: its result code and, for automation exceptions, the description
// and the interface that raised it.
struct AutomationError {
    HResult code = S_OK;
    QString description;
    QString source;
    bool failed() const { return !succeeded(code); }
};

// The error information of the last failing member called on this thread. Members called through
// the meta-object system (scripts) have no result code of their own, so they leave it here, the way
// automation objects leave an error object for their caller; the dispatcher takes it after the call.
TREVIUM_EXPORT void setErrorInfo(const AutomationError& error);
TREVIUM_EXPORT AutomationError takeErrorInfo(); // returns and clears; code S_OK when none

// Count of live objects of the module (controls, pages, items, collections, enumerators, owned
// objects). The module may unload only when it is zero.
TREVIUM_EXPORT qint32 liveObjectCount();

// Counts its owner among the live objects for as long as the owner exists.
class TREVIUM_EXPORT LiveObjectToken {
public:
    LiveObjectToken();
    ~LiveObjectToken();
    LiveObjectToken(const LiveObjectToken&) = delete;
    LiveObjectToken& operator=(const LiveObjectToken&) = delete;
};

// Base of the non-visual automation objects. Instances are held by std::shared_ptr (hosts, the
// control, collections, enumerators all hold references).
//
// Scripts hold them through script references: JavaScript-owned objects of the same class that stand
// for the object, forward every member to it and hold one reference on it (see ScriptReferences.h).
// A script reference therefore keeps its object alive for as long as the script can reach it, and
// releases it when the script's garbage collector drops the reference. Members of derived classes
// reach their state through self(), which is the object itself or the object a reference stands for,
// and each class has an invokable default constructor, through which its script references are made.
class TREVIUM_EXPORT AutomationObject : public QObject,
                                        public std::enable_shared_from_this<AutomationObject> {
    Q_OBJECT
public:
    explicit AutomationObject(QObject* parent = nullptr);
    ~AutomationObject() override;

    // A new reference to the object behind `object` (the object itself or, for a script reference,
    // the object it stands for), or null if it is no shared automation object.
    static std::shared_ptr<QObject> reference(QObject* object);

    // True for a script reference, false for the object itself.
    bool isScriptReference() const { return bool(target_); }

protected:
    // Reports a failing member: leaves the error information for the caller and, on a script
    // reference, raises it as an exception in the script.
    void fail(const AutomationError& error) const;

    template <typename T> T& self() { return static_cast<T&>(target_ ? *target_ : *this); }
    template <typename T> const T& self() const { return static_cast<const T&>(target_ ? *target_ : *this); }

private:
    friend class ScriptReferences;

    std::shared_ptr<AutomationObject> target_;   // set for a script reference only
    QPointer<AutomationObject> scriptReference_; // the newest script reference to this object
    std::optional<LiveObjectToken> token_;       // script references are not objects of their own
};

} // namespace trevium
