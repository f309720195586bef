// Regions of interest: the item hosts create and fill (IROIinfo), the ordered collection the control
// owns (IROIcollection) and the enumerator over a snapshot of it (IEnumVARIANT).
#pragma once

#include "Dispatch.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <optional>
#include <vector>

namespace trevium {

// IROIinfo. Puts store only: they neither check ranges nor repaint the plot.
class TREVIUM_EXPORT RoiInfo : public AutomationObject, public Dispatchable {
    Q_OBJECT
    Q_PROPERTY(QString Label READ label WRITE setLabel)
    Q_PROPERTY(quint32 Color READ color WRITE setColor)
    Q_PROPERTY(bool Visible READ visible WRITE setVisible)
    Q_PROPERTY(qint32 FirstChannel READ firstChannel WRITE setFirstChannel)
    Q_PROPERTY(qint32 LastChannel READ lastChannel WRITE setLastChannel)
public:
    Q_INVOKABLE RoiInfo() = default;

    QString label() const { return d().label_; }
    void setLabel(const QString& label) { d().label_ = label; }
    quint32 color() const { return d().color_; }
    void setColor(quint32 color) { d().color_ = color; }
    bool visible() const { return d().visible_; }
    void setVisible(bool visible) { d().visible_ = visible; }
    qint32 firstChannel() const { return d().firstChannel_; }
    void setFirstChannel(qint32 channel) { d().firstChannel_ = channel; }
    qint32 lastChannel() const { return d().lastChannel_; }
    void setLastChannel(qint32 channel) { d().lastChannel_ = channel; }

    std::span<const DispEntry> dispatchTable() const override;
    QString interfaceName() const override { return QStringLiteral("IROIinfo"); }

private:
    RoiInfo& d() { return self<RoiInfo>(); }
    const RoiInfo& d() const { return self<RoiInfo>(); }

    QString label_;
    quint32 color_ = 0;
    bool visible_ = false;
    qint32 firstChannel_ = 0;
    qint32 lastChannel_ = 1;
};

using RoiList = std::vector<std::shared_ptr<RoiInfo>>;

// The standard VARIANT enumerator over a copy of the collection's list taken when it was made.
class TREVIUM_EXPORT RoiEnumerator : public AutomationObject, public Dispatchable {
    Q_OBJECT
public:
    Q_INVOKABLE RoiEnumerator() : RoiEnumerator(nullptr) {}
    explicit RoiEnumerator(std::shared_ptr<const RoiList> items, qint32 position = 0);

    // Up to `count` items from the current position; S_FALSE when fewer than `count` were left.
    HResult next(qint32 count, RoiList& out);
    // Advances; S_FALSE (stopping at the end) when that would pass the end.
    HResult skip(qint32 count);
    HResult reset();
    // A new enumerator over the same list at the same position.
    std::shared_ptr<RoiEnumerator> clone() const;

    qint32 position() const { return d().position_; }
    qint32 size() const { return static_cast<qint32>(d().items_->size()); }

    // Script-facing members; failures leave their error information for the caller.
    // The next `count` items (fewer at the end of the list: the length is the number fetched).
    Q_INVOKABLE QVariantList Next(qint32 count);
    // Skips `count` items; false when that passed the end, where the position then stops.
    Q_INVOKABLE bool Skip(qint32 count);
    Q_INVOKABLE void Reset();
    Q_INVOKABLE trevium::RoiEnumerator* Clone() const;

    std::span<const DispEntry> dispatchTable() const override;
    QString interfaceName() const override { return QStringLiteral("IEnumVARIANT"); }

private:
    RoiEnumerator& d() { return self<RoiEnumerator>(); }
    const RoiEnumerator& d() const { return self<RoiEnumerator>(); }

    std::shared_ptr<const RoiList> items_;
    qint32 position_ = 0;
};

// IROIcollection: an ordered list of item references, indexed from 1.
class TREVIUM_EXPORT RoiCollection : public AutomationObject, public Dispatchable {
    Q_OBJECT
    Q_PROPERTY(qint32 Count READ count)
    Q_PROPERTY(trevium::RoiEnumerator* _NewEnum READ scriptNewEnum)
public:
    Q_INVOKABLE RoiCollection() = default;

    // Appends a reference; duplicates are allowed. E_INVALIDARG for an object that is not a
    // shared RoiInfo (scripts may hand over anything).
    HResult add(QObject* item);
    HResult add(const std::shared_ptr<RoiInfo>& item);
    // The item at 1-based `index` (a 16- or 32-bit integer). On failure returns null and fills
    // `error`: E_INVALIDARG for another type, "Subscript out of range" outside 1..Count.
    std::shared_ptr<RoiInfo> itemAt(const QVariant& index, AutomationError* error = nullptr) const;
    AutomationError removeAt(const QVariant& index);
    void clear();
    qint32 count() const { return static_cast<qint32>(d().items_.size()); }
    const RoiList& items() const { return d().items_; }
    std::shared_ptr<RoiEnumerator> newEnum() const;

    // Script-facing members; failures leave their error information for the caller.
    Q_INVOKABLE void Add(QObject* item);
    Q_INVOKABLE void Remove(const QVariant& Index);
    Q_INVOKABLE void Clear();
    Q_INVOKABLE trevium::RoiInfo* item(const QVariant& Index) const;
    // The default member under the capitalised name that case-sensitive script languages expect.
    Q_INVOKABLE trevium::RoiInfo* Item(const QVariant& Index) const { return item(Index); }

    std::span<const DispEntry> dispatchTable() const override;
    QString interfaceName() const override { return QStringLiteral("IROIcollection"); }

private:
    RoiCollection& d() { return self<RoiCollection>(); }
    const RoiCollection& d() const { return self<RoiCollection>(); }
    RoiEnumerator* scriptNewEnum() const;
    // The 0-based position of a valid index, or an error.
    std::optional<size_t> position(const QVariant& index, AutomationError* error) const;

    RoiList items_;
};

} // namespace trevium
