#include "Automation.h"

#include <QJSEngine>

#include <atomic>

namespace trevium {

namespace {
std::atomic<qint32> g_liveObjects{0};
thread_local AutomationError t_errorInfo;
} // namespace

void setErrorInfo(const AutomationError& error) {
    t_errorInfo = error;
}

AutomationError takeErrorInfo() {
    return std::exchange(t_errorInfo, AutomationError{});
}

qint32 liveObjectCount() {
    return g_liveObjects.load();
}

LiveObjectToken::LiveObjectToken() {
    g_liveObjects.fetch_add(1);
}

LiveObjectToken::~LiveObjectToken() {
    g_liveObjects.fetch_sub(1);
}

AutomationObject::AutomationObject(QObject* parent) : QObject(parent), token_(std::in_place) {
    // A script engine takes ownership of parentless objects that methods return and deletes them
    // when collected; these objects belong to their shared_ptr owners instead.
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
}

AutomationObject::~AutomationObject() = default;

void AutomationObject::fail(const AutomationError& error) const {
    setErrorInfo(error);
    QJSEngine* engine = target_ ? qjsEngine(this) : nullptr;
    if (!engine)
        return;
    const QString message =
        error.description.isEmpty()
            ? QStringLiteral("Automation error 0x%1").arg(quint32(error.code), 8, 16, QLatin1Char('0'))
            : QStringLiteral("%1 (%2)").arg(error.description, error.source);
    engine->throwError(error.code == DISP_E_BADINDEX ? QJSValue::RangeError : QJSValue::TypeError, message);
}

std::shared_ptr<QObject> AutomationObject::reference(QObject* object) {
    auto* automation = dynamic_cast<AutomationObject*>(object);
    if (!automation)
        return {};
    if (automation->target_)
        return automation->target_;
    std::shared_ptr<AutomationObject> shared = automation->weak_from_this().lock();
    return shared;
}

} // namespace trevium
