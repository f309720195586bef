// Handing automation objects to the host that called a member through the meta-object system.
//
// A script engine (QJSEngine) that wraps the caller gets a script reference: a JavaScript-owned object
// of the object's own class that forwards every member to the object and holds one reference on it.
// The engine's garbage collector deletes the script reference once the script can no longer reach it,
// which releases the object; until then the object stays usable even if the control, a collection or
// every C++ host has let go of it. One script reference per object and engine is kept while it lives,
// so the script sees the same object each time it asks.
//
// Any other caller gets the object itself. An object made for the call (an enumerator) is kept until
// the next such hand-out on the same thread, so the pointer the caller gets stays valid meanwhile.
#pragma once

#include "Automation.h"

namespace trevium {

class TREVIUM_EXPORT ScriptReferences {
public:
    enum class Made { Existing, ForThisCall };

    // The object `object` as `caller`'s caller should see it (see above).
    template <typename T>
    static T* handOut(const QObject* caller, const std::shared_ptr<T>& object, Made made = Made::Existing) {
        // A script reference is of the object's own class, which derives from T.
        return static_cast<T*>(handOutObject(caller, object, made));
    }

private:
    // Script references are made through the class's invokable default constructor.
    static AutomationObject* handOutObject(const QObject* caller, std::shared_ptr<AutomationObject> object,
                                           Made made);
};

template <typename T>
T* handOut(const QObject* caller, const std::shared_ptr<T>& object,
           ScriptReferences::Made made = ScriptReferences::Made::Existing) {
    return ScriptReferences::handOut(caller, object, made);
}

} // namespace trevium
