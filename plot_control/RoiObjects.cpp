#include "RoiObjects.h"

#include "ScriptReferences.h"

#include <algorithm>

namespace trevium {

// IROIinfo

std::span<const DispEntry> RoiInfo::dispatchTable() const {
    static const DispEntry table[] = {
        {1, "Label"}, {2, "Color"}, {3, "Visible"}, {4, "FirstChannel"}, {5, "LastChannel"},
    };
    return table;
}

// Enumerator

RoiEnumerator::RoiEnumerator(std::shared_ptr<const RoiList> items, qint32 position)
    : items_(items ? std::move(items) : std::make_shared<const RoiList>()), position_(position) {}

HResult RoiEnumerator::next(qint32 count, RoiList& out) {
    out.clear();
    if (count < 0)
        return E_INVALIDARG;
    RoiEnumerator& e = d();
    const qint32 left = size() - e.position_;
    const qint32 n = std::min(count, left);
    out.assign(e.items_->begin() + e.position_, e.items_->begin() + e.position_ + n);
    e.position_ += n;
    return n == count ? S_OK : S_FALSE;
}

HResult RoiEnumerator::skip(qint32 count) {
    if (count < 0)
        return E_INVALIDARG;
    RoiEnumerator& e = d();
    if (count > size() - e.position_) {
        e.position_ = size();
        return S_FALSE;
    }
    e.position_ += count;
    return S_OK;
}

HResult RoiEnumerator::reset() {
    d().position_ = 0;
    return S_OK;
}

std::shared_ptr<RoiEnumerator> RoiEnumerator::clone() const {
    return std::make_shared<RoiEnumerator>(d().items_, d().position_);
}

QVariantList RoiEnumerator::Next(qint32 count) {
    RoiList items;
    if (const HResult hr = next(count, items); !succeeded(hr))
        fail({hr, {}, {}});
    QVariantList out;
    out.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& item : items)
        out.append(QVariant::fromValue<QObject*>(handOut(this, item)));
    return out;
}

bool RoiEnumerator::Skip(qint32 count) {
    const HResult hr = skip(count);
    if (!succeeded(hr))
        fail({hr, {}, {}});
    return hr == S_OK;
}

void RoiEnumerator::Reset() {
    reset();
}

RoiEnumerator* RoiEnumerator::Clone() const {
    return handOut(this, clone(), ScriptReferences::Made::ForThisCall);
}

namespace {

// A member without arguments that hands out a new object: the result holds the host's reference to it.
template <typename Make> DispResult newObjectMember(DispKind kind, const QVariantList& args, Make make) {
    if (kind == DispKind::Put)
        return dispFailure(DISP_E_MEMBERNOTFOUND);
    if (!args.isEmpty())
        return dispFailure(DISP_E_BADPARAMCOUNT);
    auto made = make();
    DispResult r;
    r.value = QVariant::fromValue(made.get());
    r.object = std::move(made);
    return r;
}

// The one argument of Next and Skip: how many items, as a Long. Fails as the dispatch entry reports it.
HResult countArgument(DispKind kind, const QVariantList& args, qint32& count) {
    if (kind == DispKind::Put)
        return DISP_E_MEMBERNOTFOUND;
    if (args.size() != 1)
        return DISP_E_BADPARAMCOUNT;
    QVariant converted;
    if (const HResult hr = dispConvert(args[0], QMetaType::fromType<qint32>(), converted); !succeeded(hr))
        return hr;
    count = converted.toInt();
    return S_OK;
}

DispResult enumNext(QObject* object, DispKind kind, const QVariantList& args) {
    qint32 count = 0;
    if (const HResult hr = countArgument(kind, args, count); !succeeded(hr))
        return dispFailure(hr);
    RoiList items;
    DispResult r;
    r.code = static_cast<RoiEnumerator*>(object)->next(count, items);
    if (!r.ok())
        return r;
    QVariantList values;
    for (const auto& item : items) {
        values.append(QVariant::fromValue<QObject*>(item.get()));
        r.objects.push_back(item);
    }
    r.value = values;
    return r;
}

DispResult enumSkip(QObject* object, DispKind kind, const QVariantList& args) {
    qint32 count = 0;
    if (const HResult hr = countArgument(kind, args, count); !succeeded(hr))
        return dispFailure(hr);
    DispResult r;
    r.code = static_cast<RoiEnumerator*>(object)->skip(count); // S_FALSE: stopped at the end
    return r;
}

DispResult enumClone(QObject* object, DispKind kind, const QVariantList& args) {
    return newObjectMember(kind, args, [object] { return static_cast<RoiEnumerator*>(object)->clone(); });
}

} // namespace

std::span<const DispEntry> RoiEnumerator::dispatchTable() const {
    // The enumerator's members in the order of the standard VARIANT enumerator.
    static const DispEntry table[] = {
        {1, "Next", enumNext},
        {2, "Skip", enumSkip},
        {3, "Reset"},
        {4, "Clone", enumClone},
    };
    return table;
}

// IROIcollection

HResult RoiCollection::add(QObject* item) {
    auto shared = std::dynamic_pointer_cast<RoiInfo>(AutomationObject::reference(item));
    return add(shared);
}

HResult RoiCollection::add(const std::shared_ptr<RoiInfo>& item) {
    if (!item)
        return E_INVALIDARG;
    d().items_.push_back(item);
    return S_OK;
}

std::optional<size_t> RoiCollection::position(const QVariant& index, AutomationError* error) const {
    AutomationError local;
    AutomationError& e = error ? *error : local;
    const int type = index.metaType().id();
    if (type != QMetaType::Short && type != QMetaType::Int) {
        e = {E_INVALIDARG, {}, {}};
        return std::nullopt;
    }
    const qint32 i = index.toInt();
    if (i < 1 || i > count()) {
        e = {DISP_E_BADINDEX, QStringLiteral("Subscript out of range"), interfaceName()};
        return std::nullopt;
    }
    e = {};
    return static_cast<size_t>(i - 1);
}

std::shared_ptr<RoiInfo> RoiCollection::itemAt(const QVariant& index, AutomationError* error) const {
    const auto pos = position(index, error);
    return pos ? d().items_[*pos] : nullptr;
}

AutomationError RoiCollection::removeAt(const QVariant& index) {
    AutomationError error;
    if (const auto pos = position(index, &error))
        d().items_.erase(d().items_.begin() + static_cast<std::ptrdiff_t>(*pos));
    return error;
}

void RoiCollection::clear() {
    d().items_.clear();
}

std::shared_ptr<RoiEnumerator> RoiCollection::newEnum() const {
    return std::make_shared<RoiEnumerator>(std::make_shared<const RoiList>(d().items_));
}

RoiEnumerator* RoiCollection::scriptNewEnum() const {
    return handOut(this, newEnum(), ScriptReferences::Made::ForThisCall);
}

void RoiCollection::Add(QObject* item) {
    if (const HResult hr = add(item); !succeeded(hr))
        fail({hr, {}, {}});
}

void RoiCollection::Remove(const QVariant& Index) {
    if (const AutomationError error = removeAt(Index); error.failed())
        fail(error);
}

void RoiCollection::Clear() {
    clear();
}

RoiInfo* RoiCollection::item(const QVariant& Index) const {
    AutomationError error;
    const auto found = itemAt(Index, &error);
    if (error.failed())
        fail(error);
    return handOut(this, found);
}

namespace {
DispResult newEnumMember(QObject* object, DispKind kind, const QVariantList& args) {
    return newObjectMember(kind, args, [object] { return static_cast<RoiCollection*>(object)->newEnum(); });
}
} // namespace

std::span<const DispEntry> RoiCollection::dispatchTable() const {
    static const DispEntry table[] = {
        {1, "Add"}, {2, "Remove"}, {3, "Clear"}, {4, "Count"}, {0, "item"}, {-4, "_NewEnum", newEnumMember},
    };
    return table;
}

} // namespace trevium
