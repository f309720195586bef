#include "RoiObjects.h"

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
    const auto size = static_cast<qint32>(items_->size());
    while (static_cast<qint32>(out.size()) < count && position_ < size)
        out.push_back((*items_)[static_cast<size_t>(position_++)]);
    return static_cast<qint32>(out.size()) == count ? S_OK : S_FALSE;
}

HResult RoiEnumerator::skip(qint32 count) {
    if (count < 0)
        return E_INVALIDARG;
    const auto size = static_cast<qint32>(items_->size());
    if (count > size - position_) {
        position_ = size;
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HResult RoiEnumerator::reset() {
    position_ = 0;
    return S_OK;
}

std::shared_ptr<RoiEnumerator> RoiEnumerator::clone() const {
    return std::make_shared<RoiEnumerator>(items_, position_);
}

// IROIcollection

HResult RoiCollection::add(QObject* item) {
    auto shared = std::dynamic_pointer_cast<RoiInfo>(AutomationObject::reference(item));
    return add(shared);
}

HResult RoiCollection::add(const std::shared_ptr<RoiInfo>& item) {
    if (!item)
        return E_INVALIDARG;
    items_.push_back(item);
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
    return pos ? items_[*pos] : nullptr;
}

AutomationError RoiCollection::removeAt(const QVariant& index) {
    AutomationError error;
    if (const auto pos = position(index, &error))
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*pos));
    return error;
}

void RoiCollection::clear() {
    items_.clear();
}

std::shared_ptr<RoiEnumerator> RoiCollection::newEnum() const {
    return std::make_shared<RoiEnumerator>(std::make_shared<const RoiList>(items_));
}

void RoiCollection::Add(QObject* item) {
    if (const HResult hr = add(item); !succeeded(hr))
        setErrorInfo({hr, {}, {}});
}

void RoiCollection::Remove(const QVariant& Index) {
    if (const AutomationError error = removeAt(Index); error.failed())
        setErrorInfo(error);
}

void RoiCollection::Clear() {
    clear();
}

RoiInfo* RoiCollection::item(const QVariant& Index) const {
    AutomationError error;
    const auto found = itemAt(Index, &error);
    if (error.failed())
        setErrorInfo(error);
    return found.get();
}

namespace {
DispResult newEnumMember(QObject* object, DispKind kind, const QVariantList& args) {
    if (kind == DispKind::Put)
        return dispFailure(DISP_E_MEMBERNOTFOUND);
    if (!args.isEmpty())
        return dispFailure(DISP_E_BADPARAMCOUNT);
    auto enumerator = static_cast<RoiCollection*>(object)->newEnum();
    DispResult r;
    r.value = QVariant::fromValue<QObject*>(enumerator.get());
    r.object = std::move(enumerator);
    return r;
}
} // namespace

std::span<const DispEntry> RoiCollection::dispatchTable() const {
    static const DispEntry table[] = {
        {1, "Add"}, {2, "Remove"}, {3, "Clear"}, {4, "Count"}, {0, "item"}, {-4, "_NewEnum", newEnumMember},
    };
    return table;
}

} // namespace trevium
