#include "ScriptModule.h"

#include "Dispatch.h"
#include "Events.h"
#include "ScriptReferences.h"
#include "TreviumModule.h"

#include <QJSEngine>

namespace trevium {

ScriptModule::ScriptModule(QJSEngine* engine) : QObject(engine), engine_(engine) {
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
}

ScriptModule::~ScriptModule() {
    for (const Subscription& s : subscriptions_)
        if (s.source)
            unadviseEvents(s.source, s.cookie);
}

QObject* ScriptModule::CreateObject(const QString& progId) {
    QString error;
    std::shared_ptr<QObject> object = createObject(progId, &error);
    if (!object) {
        engine_->throwError(QJSValue::ReferenceError, error);
        return nullptr;
    }
    if (auto automation = std::dynamic_pointer_cast<AutomationObject>(object))
        return handOut(this, automation);
    widgets_.push_back(object);
    return object.get();
}

quint32 ScriptModule::Advise(QObject* source, const QJSValue& sink) {
    if (!source || !sink.isCallable())
        return 0;
    const QPointer<QJSEngine> engine(engine_);
    const quint32 cookie = adviseEvents(source, [engine, sink](qint32 dispid, const QVariantList& args) {
        if (!engine)
            return;
        QJSValue result = QJSValue(sink).call({QJSValue(dispid), engine->toScriptValue(args)});
        if (result.isError())
            qWarning("Trevium: an event sink failed: %s", qPrintable(result.toString()));
    });
    if (cookie)
        subscriptions_.push_back({source, cookie});
    return cookie;
}

bool ScriptModule::Unadvise(QObject* source, quint32 cookie) {
    std::erase_if(subscriptions_, [&](const Subscription& s) { return s.cookie == cookie || !s.source; });
    return unadviseEvents(source, cookie);
}

qint32 ScriptModule::DispId(QObject* object, const QString& name) const {
    return dispIdOfName(object, name);
}

qint32 ScriptModule::EventDispId(QObject* object, const QString& name) const {
    return eventDispIdOfName(object, name);
}

QJSValue installScriptModule(QJSEngine& engine, const QString& name) {
    QJSValue module = engine.newQObject(new ScriptModule(&engine));
    engine.globalObject().setProperty(name, module);
    return module;
}

} // namespace trevium
