// The plot's data: the data and reference buffers, the number of points, the visible point window
// and the operations that fill, resize, roll and clear them. Plain QtCore, no drawing: the control
// repaints and keeps the "modified" flag; the renderer only reads.
#pragma once

#include "TreviumEnums.h"
#include "TreviumExport.h"

#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

namespace trevium {

class TREVIUM_EXPORT PlotModel {
public:
    static constexpr qint32 kMaxPoints = 32767;

    // Random source for the test sets: integers 0..32767.
    using RandomSource = std::function<qint32()>;

    PlotModel();

    qint16 npoints() const { return npoints_; }
    // The buffers; data() is null only before the first load, reference() until the first resize or
    // reference load. Both hold bufferLength() values.
    const qint32* data() const { return hasData_ ? data_.data() : nullptr; }
    const qint32* reference() const { return hasReference_ ? reference_.data() : nullptr; }
    qint32 bufferLength() const { return bufferLength_; }
    std::vector<qint32> dataValues() const { return hasData_ ? data_ : std::vector<qint32>{}; }
    std::vector<qint32> referenceValues() const { return hasReference_ ? reference_ : std::vector<qint32>{}; }

    qint32 firstPoint() const { return firstPoint_; }
    qint32 lastPoint() const { return lastPoint_; }
    TreviumCtl::RollModes rollMode() const { return rollMode_; }
    void setRollMode(TreviumCtl::RollModes mode) { rollMode_ = mode; }

    // Loads the data from a host value. Usable: a non-empty QList<qint32> or QList<quint32> of at most
    // kMaxPoints values. Returns false (and changes nothing) for anything else.
    bool loadData(const QVariant& value);
    // Loads the reference from a non-empty QList<qint32>; Npoints is kept.
    bool loadReference(const QVariant& value);
    // Resizes both buffers keeping their leading values; values below 1 become 1.
    void setNpoints(qint32 count);
    // Clamped to 0..Npoints-1.
    void setFirstPoint(qint32 point);
    void setLastPoint(qint32 point);

    // Rolls `value` into the data in place. Returns false when nothing moved (RollNone, no data).
    bool pushValue(qint32 value);
    void clear();
    void clearReference();

    // Loads built-in set 1 or 2 and returns the alarm level that goes with it; other values change
    // nothing and return nothing.
    std::optional<qint32> loadTestSet(qint16 which, const RandomSource& random);

private:
    void resizeBuffers(qint32 count);
    void clampWindow();

    std::vector<qint32> data_;
    std::vector<qint32> reference_;
    bool hasData_ = false;
    bool hasReference_ = false;
    qint32 bufferLength_ = 0;
    qint16 npoints_ = 256;
    qint32 firstPoint_ = 0;
    qint32 lastPoint_ = 255;
    TreviumCtl::RollModes rollMode_ = TreviumCtl::RollNone;
};

} // namespace trevium
