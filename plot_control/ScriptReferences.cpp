#include "ScriptReferences.h"

#include <QJSEngine>
#include <QJSValue>
#include <QList>
#include <QTimer>

namespace trevium {

namespace {

thread_local std::shared_ptr<AutomationObject> t_madeForLastCall;

// Holds the script references made since the engine last returned to the event loop. The engine
// turns a returned object into a script value only after the call, and a list of them only after
// allocating the array, so a fresh reference must not be collectable before the script has it.
class JustMade final : public QObject {
public:
    static constexpr const char* kName = "trevium-script-references";

    explicit JustMade(QJSEngine* engine) : QObject(engine) { setObjectName(QLatin1String(kName)); }

    static void hold(QJSEngine* engine, QJSValue wrapper) {
        auto* self = static_cast<JustMade*>(
            engine->findChild<QObject*>(QLatin1String(kName), Qt::FindDirectChildrenOnly)); // only ours
        if (!self)
            self = new JustMade(engine);
        if (self->held_.isEmpty())
            QTimer::singleShot(0, self, [self] { self->held_.clear(); });
        self->held_.append(std::move(wrapper));
    }

private:
    QList<QJSValue> held_;
};

} // namespace

AutomationObject* ScriptReferences::handOutObject(const QObject* caller,
                                                  std::shared_ptr<AutomationObject> object, Made made) {
    if (!object)
        return nullptr;
    QJSEngine* engine = caller ? qjsEngine(caller) : nullptr;
    if (!engine) {
        if (made == Made::ForThisCall)
            t_madeForLastCall = object;
        return object.get();
    }
    // A script reference lives while its wrapper does; once collected it has no engine any more and
    // is only waiting to be deleted.
    if (AutomationObject* existing = object->scriptReference_; existing && qjsEngine(existing) == engine)
        return existing;
    auto* reference = dynamic_cast<AutomationObject*>(object->metaObject()->newInstance());
    Q_ASSERT_X(reference, "handOut", "automation classes need an invokable default constructor");
    if (!reference)
        return object.get();
    reference->token_.reset();
    reference->target_ = object;
    object->scriptReference_ = reference;
    QJSEngine::setObjectOwnership(reference, QJSEngine::JavaScriptOwnership);
    // Wrapped at once, so that a caller that drops it (a C++ call on an object a script also sees)
    // leaves ordinary garbage behind rather than an object nobody deletes.
    JustMade::hold(engine, engine->newQObject(reference));
    return reference;
}

} // namespace trevium
