// The module's entry points for a script engine: a script creates objects by program identifier and
// subscribes to events by DISPID, as a host that loads the module by name does through its C entry
// points.
//
//   trevium::installScriptModule(engine);        // the global "Trevium"
//   engine.evaluate(R"(
//       var roi = Trevium.CreateObject("Trevium.ROIinfo.1");
//       plot.ROI.Add(roi);
//       Trevium.Advise(plot, function (dispid, args) { ... });
//   )");
#pragma once

#include "TreviumExport.h"

#include <QJSValue>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QJSEngine;

namespace trevium {

class TREVIUM_EXPORT ScriptModule : public QObject {
    Q_OBJECT
public:
    explicit ScriptModule(QJSEngine* engine);
    ~ScriptModule() override;

    // A new object of the class registered under `progId`, or null (see TreviumLastError's texts).
    // The script's reference keeps an automation object alive; a widget lives as long as the engine
    // unless a parent it is given deletes it first.
    Q_INVOKABLE QObject* CreateObject(const QString& progId);
    // Calls `sink(dispid, args)` for every event `source` fires, args being an array; returns the
    // cookie for Unadvise, or 0 when `source` fires no events or `sink` is not a function.
    Q_INVOKABLE quint32 Advise(QObject* source, const QJSValue& sink);
    Q_INVOKABLE bool Unadvise(QObject* source, quint32 cookie);
    // The DISPID of a member or an event of `object` by name, or -1.
    Q_INVOKABLE qint32 DispId(QObject* object, const QString& name) const;
    Q_INVOKABLE qint32 EventDispId(QObject* object, const QString& name) const;

private:
    struct Subscription {
        QPointer<QObject> source;
        quint32 cookie;
    };
    QJSEngine* engine_;
    std::vector<Subscription> subscriptions_;
    std::vector<std::shared_ptr<QObject>> widgets_;
};

// Makes a ScriptModule (owned by `engine`) the engine's global `name` and returns it.
TREVIUM_EXPORT QJSValue installScriptModule(QJSEngine& engine,
                                            const QString& name = QStringLiteral("Trevium"));

} // namespace trevium
