#include "TreviumModule.h"

#include "Automation.h"
#include "CTreviumCtrl.h"
#include "CTreviumPropPage.h"
#include "Events.h"
#include "OwnedObjects.h"
#include "RoiObjects.h"
#include "TreviumTypeLib.h"

#include <QApplication>
#include <QPointer>

#include <functional>

namespace trevium {

namespace {

struct ClassEntry {
    const char* progId;
    const char* altId; // GUID or type-library name, may be null
    bool widget;
    std::function<std::shared_ptr<QObject>()> make;
};

// Widgets may be deleted by a parent they were given; the handle's deleter only deletes what is left.
template <typename W> std::shared_ptr<QObject> makeWidget() {
    auto* w = new W();
    QPointer<QObject> guard(w);
    return std::shared_ptr<QObject>(w, [guard](QObject*) { delete guard.data(); });
}

const std::vector<ClassEntry>& classes() {
    using namespace typelib;
    static const std::vector<ClassEntry> table = {
        {kControlProgId, kControlClsid, true, [] { return makeWidget<CTreviumCtrl>(); }},
        {kControlTypeName, nullptr, true, [] { return makeWidget<CTreviumCtrl>(); }},
        {kPropPageProgId, kPropPageClsid, true, [] { return makeWidget<CTreviumPropPage>(); }},
        {kRoiInfoProgId, kRoiInfoClsid, false, [] { return std::make_shared<RoiInfo>(); }},
        {kRoiInfoIndependentProgId, nullptr, false, [] { return std::make_shared<RoiInfo>(); }},
        {kRoiCollectionProgId, kRoiCollectionClsid, false, [] { return std::make_shared<RoiCollection>(); }},
        {kCalibrationProgId, kCalibrationClsid, false, [] { return std::make_shared<Calibration>(); }},
        {kWaterfallProgId, kWaterfallClsid, false, [] { return std::make_shared<Waterfall>(); }},
        {kZoomBoxProgId, kZoomBoxClsid, false, [] { return std::make_shared<ZoomBox>(); }},
    };
    return table;
}

thread_local QByteArray t_lastError;

} // namespace

std::shared_ptr<QObject> createObject(const QString& progId, QString* error) {
    for (const ClassEntry& c : classes()) {
        const bool match = progId.compare(QLatin1String(c.progId), Qt::CaseInsensitive) == 0 ||
                           (c.altId && progId.compare(QLatin1String(c.altId), Qt::CaseInsensitive) == 0);
        if (!match)
            continue;
        if (c.widget && !qobject_cast<QApplication*>(QCoreApplication::instance())) {
            if (error)
                *error = QStringLiteral("%1 is a widget and needs a QApplication").arg(progId);
            return nullptr;
        }
        return c.make();
    }
    if (error)
        *error = QStringLiteral("Class not registered: \"%1\"").arg(progId);
    return nullptr;
}

QStringList registeredProgIds() {
    QStringList ids;
    for (const ClassEntry& c : classes())
        if (QLatin1String(c.progId).startsWith(QLatin1String("Trevium.")))
            ids << QLatin1String(c.progId);
    return ids;
}

bool canUnloadNow() {
    return liveObjectCount() == 0;
}

} // namespace trevium

struct TreviumObject {
    std::shared_ptr<QObject> object;
    QPointer<QObject> guard; // null once a reparented widget was deleted by its parent
};

extern "C" {

TreviumObject* TreviumCreateObject(const char* progId) {
    if (!progId) {
        trevium::t_lastError = "No program identifier given";
        return nullptr;
    }
    QString error;
    auto object = trevium::createObject(QString::fromUtf8(progId), &error);
    if (!object) {
        trevium::t_lastError = error.toUtf8();
        return nullptr;
    }
    trevium::t_lastError.clear();
    QPointer<QObject> guard(object.get());
    return new TreviumObject{std::move(object), guard};
}

QObject* TreviumObjectPointer(const TreviumObject* handle) {
    return handle ? handle->guard.data() : nullptr;
}

void TreviumReleaseObject(TreviumObject* handle) {
    delete handle;
}

const char* TreviumLastError(void) {
    return trevium::t_lastError.constData();
}

int TreviumCanUnloadNow(void) {
    return trevium::canUnloadNow() ? 0 : 1;
}

int TreviumLiveObjectCount(void) {
    return trevium::liveObjectCount();
}

unsigned TreviumAdviseEvents(const TreviumObject* source, TreviumEventSink sink, void* context) {
    QObject* object = TreviumObjectPointer(source);
    if (!object || !sink)
        return 0;
    return trevium::adviseEvents(object, [sink, context](qint32 dispid, const QVariantList& args) {
        sink(context, dispid, args.constData(), static_cast<int>(args.size()));
    });
}

int TreviumUnadviseEvents(const TreviumObject* source, unsigned cookie) {
    return trevium::unadviseEvents(TreviumObjectPointer(source), cookie) ? 0 : 1;
}
}
