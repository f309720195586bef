#include "Dispatch.h"

#include <QMetaMethod>
#include <QMetaProperty>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace trevium {

namespace {

const DispEntry* findEntry(std::span<const DispEntry> table, qint32 dispid) {
    for (const DispEntry& e : table)
        if (e.dispid == dispid)
            return &e;
    return nullptr;
}

bool integralRange(QMetaType type, qlonglong& lo, qlonglong& hi) {
    const bool isEnum = type.flags().testFlag(QMetaType::IsEnumeration);
    switch (isEnum ? type.sizeOf() * 10 : type.id()) {
    case QMetaType::Short:
    case 20: // 16-bit enumeration
        lo = std::numeric_limits<qint16>::min(), hi = std::numeric_limits<qint16>::max();
        return true;
    case QMetaType::UShort:
        lo = 0, hi = std::numeric_limits<quint16>::max();
        return true;
    case QMetaType::Int:
    case 40: // 32-bit enumeration
        lo = std::numeric_limits<qint32>::min(), hi = std::numeric_limits<qint32>::max();
        return true;
    case QMetaType::UInt:
        lo = 0, hi = std::numeric_limits<quint32>::max();
        return true;
    default:
        return false;
    }
}

} // namespace

HResult dispConvert(const QVariant& in, QMetaType target, QVariant& out) {
    if (target == QMetaType::fromType<QVariant>() || in.metaType() == target) {
        out = in;
        return S_OK;
    }
    qlonglong lo = 0, hi = 0;
    if (integralRange(target, lo, hi)) {
        qlonglong v = 0;
        const int from = in.metaType().id();
        if (from == QMetaType::Double || from == QMetaType::Float) {
            const double d = in.toDouble();
            if (!std::isfinite(d) || d < double(lo) - 0.5 || d > double(hi) + 0.5)
                return DISP_E_OVERFLOW;
            v = std::llround(d);
        } else if (from == QMetaType::Bool) {
            v = in.toBool() ? -1 : 0; // VARIANT_TRUE, as a host's conversion of True to a number gives
        } else {
            bool ok = false;
            v = in.toLongLong(&ok);
            if (!ok)
                return DISP_E_TYPEMISMATCH;
        }
        if (v < lo || v > hi)
            return DISP_E_OVERFLOW;
        if (target.flags().testFlag(QMetaType::IsEnumeration)) {
            if (target.sizeOf() == 2) {
                const qint16 s = static_cast<qint16>(v);
                out = QVariant(target, &s);
            } else {
                const qint32 i = static_cast<qint32>(v);
                out = QVariant(target, &i);
            }
            return S_OK;
        }
        out = QVariant(v);
        return out.convert(target) ? S_OK : DISP_E_TYPEMISMATCH;
    }
    if (target.flags().testFlag(QMetaType::PointerToQObject) && !in.isValid()) {
        out = QVariant(target, nullptr);
        return S_OK;
    }
    out = in;
    return out.convert(target) ? S_OK : DISP_E_TYPEMISMATCH;
}

namespace {

bool holdsObject(const QVariant& v) {
    return v.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

// A new reference to the object in `v`. A script reference in `v` is replaced by the object it stands
// for: that is what a caller by DISPID holds, however the member was reached.
std::shared_ptr<QObject> takeReference(QVariant& v) {
    std::shared_ptr<QObject> shared =
        AutomationObject::reference(*static_cast<QObject* const*>(v.constData()));
    if (shared) {
        QObject* object = shared.get();
        v = QVariant(v.metaType(), &object);
    }
    return shared;
}

void attachObject(DispResult& r) {
    if (holdsObject(r.value)) {
        r.object = takeReference(r.value);
    } else if (r.value.metaType() == QMetaType::fromType<QVariantList>() && r.objects.empty()) {
        QVariantList list = r.value.toList();
        for (QVariant& v : list)
            if (holdsObject(v))
                r.objects.push_back(takeReference(v));
        r.value = list;
    }
}

DispResult finish(DispResult r) {
    const AutomationError error = takeErrorInfo();
    if (error.failed())
        return dispFromError(error);
    attachObject(r);
    return r;
}

DispResult readProperty(QObject* object, const QMetaProperty& prop, const QVariantList& args) {
    if (!args.isEmpty())
        return dispFailure(DISP_E_BADPARAMCOUNT);
    DispResult r;
    r.value = prop.read(object);
    return finish(r);
}

DispResult writeProperty(QObject* object, const QMetaProperty& prop, const QVariantList& args) {
    if (!prop.isWritable())
        return dispFailure(DISP_E_MEMBERNOTFOUND);
    if (args.size() != 1)
        return dispFailure(DISP_E_BADPARAMCOUNT);
    QVariant value;
    if (const HResult hr = dispConvert(args[0], prop.metaType(), value); !succeeded(hr))
        return dispFailure(hr);
    if (!prop.write(object, value))
        return dispFailure(DISP_E_TYPEMISMATCH);
    return finish({});
}

DispResult invokeMethod(QObject* object, const QMetaMethod& method, const QVariantList& args) {
    const int count = method.parameterCount();
    if (args.size() != count || count > 10)
        return dispFailure(DISP_E_BADPARAMCOUNT);
    std::vector<QVariant> storage(static_cast<size_t>(count));
    std::array<QGenericArgument, 10> generic{};
    for (int i = 0; i < count; ++i) {
        const QMetaType type = method.parameterMetaType(i);
        auto& slot = storage[static_cast<size_t>(i)];
        if (const HResult hr = dispConvert(args[i], type, slot); !succeeded(hr))
            return dispFailure(hr);
        generic[static_cast<size_t>(i)] = type == QMetaType::fromType<QVariant>()
                                              ? QGenericArgument("QVariant", &slot)
                                              : QGenericArgument(type.name(), slot.constData());
    }
    DispResult r;
    QGenericReturnArgument ret;
    const QMetaType returnType = method.returnMetaType();
    if (returnType == QMetaType::fromType<QVariant>()) {
        ret = QGenericReturnArgument("QVariant", &r.value);
    } else if (returnType.isValid() && returnType.id() != QMetaType::Void) {
        r.value = QVariant(returnType);
        ret = QGenericReturnArgument(returnType.name(), r.value.data());
    }
    takeErrorInfo();
    if (!method.invoke(object, Qt::DirectConnection, ret, generic[0], generic[1], generic[2], generic[3],
                       generic[4], generic[5], generic[6], generic[7], generic[8], generic[9]))
        return dispFailure(E_FAIL);
    return finish(r);
}

QMetaMethod findMethod(const QMetaObject* mo, const char* name) {
    for (int i = mo->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod m = mo->method(i);
        if (m.access() == QMetaMethod::Public && m.methodType() != QMetaMethod::Signal && m.name() == name)
            return m;
    }
    return {};
}

} // namespace

DispResult dispFailure(HResult code) {
    DispResult r;
    r.code = code;
    return r;
}

DispResult dispFromError(const AutomationError& error) {
    DispResult r;
    if (error.description.isEmpty()) {
        r.code = error.code;
        return r;
    }
    r.code = DISP_E_EXCEPTION;
    r.exceptionCode = error.code;
    r.description = error.description;
    r.source = error.source;
    return r;
}

DispResult dispatch(QObject* object, qint32 dispid, DispKind kind, const QVariantList& args) {
    auto* target = dynamic_cast<Dispatchable*>(object);
    if (!target)
        return dispFailure(object ? E_NOINTERFACE : E_POINTER);
    const DispEntry* entry = findEntry(target->dispatchTable(), dispid);
    if (!entry)
        return dispFailure(DISP_E_MEMBERNOTFOUND);
    takeErrorInfo();
    if (entry->special)
        return finish(entry->special(object, kind, args));

    const QMetaObject* mo = object->metaObject();
    const int propIndex = mo->indexOfProperty(entry->name);
    if (propIndex >= 0) {
        const QMetaProperty prop = mo->property(propIndex);
        if (kind == DispKind::Put)
            return writeProperty(object, prop, args);
        return readProperty(object, prop, args);
    }
    const QMetaMethod method = findMethod(mo, entry->name);
    if (!method.isValid() || kind == DispKind::Put)
        return dispFailure(DISP_E_MEMBERNOTFOUND);
    return invokeMethod(object, method, args);
}

qint32 dispIdOfName(const QObject* object, const QString& name) {
    const auto* target = dynamic_cast<const Dispatchable*>(object);
    if (!target)
        return DISPID_UNKNOWN;
    for (const DispEntry& e : target->dispatchTable())
        if (name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return e.dispid;
    return DISPID_UNKNOWN;
}

} // namespace trevium
