#include "PlotModel.h"

#include <algorithm>
#include <cstring>

namespace trevium {

namespace {

// The values of a usable host array as signed 32-bit integers, or nothing.
template <typename T> std::optional<std::vector<qint32>> valuesOf(const QVariant& value) {
    const QList<T> list = value.value<QList<T>>();
    if (list.isEmpty() || list.size() > PlotModel::kMaxPoints)
        return std::nullopt;
    std::vector<qint32> out(static_cast<size_t>(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i)
        out[static_cast<size_t>(i)] = static_cast<qint32>(list[i]); // unsigned values keep their bits
    return out;
}

} // namespace

PlotModel::PlotModel() = default;

bool PlotModel::loadData(const QVariant& value) {
    std::optional<std::vector<qint32>> values;
    if (value.metaType() == QMetaType::fromType<QList<qint32>>())
        values = valuesOf<qint32>(value);
    else if (value.metaType() == QMetaType::fromType<QList<quint32>>())
        values = valuesOf<quint32>(value);
    if (!values)
        return false;
    const auto count = static_cast<qint32>(values->size());
    if (count != npoints_) {
        npoints_ = static_cast<qint16>(count);
        // The old data is replaced below; the reference keeps its leading values.
        std::vector<qint32> reference(static_cast<size_t>(count), 0);
        if (hasReference_)
            std::copy_n(reference_.begin(), std::min<size_t>(reference_.size(), reference.size()),
                        reference.begin());
        reference_ = std::move(reference);
        hasReference_ = true;
        bufferLength_ = count;
    }
    data_ = std::move(*values);
    hasData_ = true;
    clampWindow();
    return true;
}

bool PlotModel::loadReference(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QList<qint32>>())
        return false;
    const QList<qint32> list = value.value<QList<qint32>>();
    if (list.isEmpty())
        return false;
    if (!hasReference_) {
        reference_.assign(static_cast<size_t>(npoints_), 0);
        hasReference_ = true;
    }
    const size_t n =
        std::min({static_cast<size_t>(npoints_), static_cast<size_t>(list.size()), reference_.size()});
    std::copy_n(list.begin(), n, reference_.begin());
    return true;
}

void PlotModel::resizeBuffers(qint32 count) {
    data_.resize(static_cast<size_t>(count), 0);
    reference_.resize(static_cast<size_t>(count), 0);
    hasData_ = hasReference_ = true;
    bufferLength_ = count;
}

void PlotModel::setNpoints(qint32 count) {
    count = std::clamp(count, 1, kMaxPoints);
    npoints_ = static_cast<qint16>(count);
    resizeBuffers(count);
    clampWindow();
}

void PlotModel::clampWindow() {
    if (firstPoint_ >= npoints_)
        firstPoint_ = npoints_ - 1;
    if (lastPoint_ >= npoints_)
        lastPoint_ = npoints_ - 1;
}

void PlotModel::setFirstPoint(qint32 point) {
    firstPoint_ = std::clamp<qint32>(point, 0, npoints_ - 1);
}

void PlotModel::setLastPoint(qint32 point) {
    lastPoint_ = std::clamp<qint32>(point, 0, npoints_ - 1);
}

bool PlotModel::pushValue(qint32 value) {
    if (!hasData_ || data_.empty())
        return false;
    qint32* p = data_.data();
    const size_t moved = (data_.size() - 1) * sizeof(qint32);
    switch (rollMode_) {
    case TreviumCtl::RollLeft:
        std::memmove(p, p + 1, moved);
        p[data_.size() - 1] = value;
        return true;
    case TreviumCtl::RollRight:
        std::memmove(p + 1, p, moved);
        p[0] = value;
        return true;
    default:
        return false;
    }
}

void PlotModel::clear() {
    std::fill(data_.begin(), data_.end(), 0);
}

void PlotModel::clearReference() {
    if (hasReference_)
        std::fill_n(reference_.begin(), std::min<size_t>(reference_.size(), size_t(npoints_)), 0);
}

std::optional<qint32> PlotModel::loadTestSet(qint16 which, const RandomSource& random) {
    // A source outside 0..32767 must not push a count outside the buffers.
    auto next = [&random] { return std::clamp<qint32>(random ? random() : 0, 0, 32767); };
    // r / 32768 scaled to `range` and truncated: an integer 0..range-1.
    auto draw = [&next](qint32 range) { return static_cast<qint32>(double(next()) / 32768.0 * range); };
    if (which == 1) {
        const qint32 n = 21;
        std::vector<qint32> reference(n), data(n);
        for (qint32 i = 0; i < n; ++i) {
            reference[size_t(i)] = i + 10;
            data[size_t(i)] = i - static_cast<qint32>((double(next()) / 32768.0 - 0.5) * 3.0) + 10;
        }
        reference_ = std::move(reference);
        data_ = std::move(data);
        hasData_ = hasReference_ = true;
        npoints_ = n;
        bufferLength_ = n;
        firstPoint_ = 0;
        lastPoint_ = n - 1;
        return 100;
    }
    if (which == 2) {
        const qint32 n = 256;
        // Flat background, a peak of three summed draws near channel 60 and one of four near 180.
        auto spectrum = [&](qint32 peak1Counts, qint32 peak2Counts) {
            std::vector<qint32> v(n, 0);
            for (int k = 0; k < 1000; ++k)
                ++v[size_t(draw(n))];
            for (int k = 0; k < peak1Counts; ++k)
                ++v[size_t(60 + draw(5) + draw(5) + draw(5))];
            for (int k = 0; k < peak2Counts; ++k)
                ++v[size_t(180 + draw(6) + draw(6) + draw(6) + draw(6))];
            return v;
        };
        reference_ = spectrum(2000, 500);
        data_ = spectrum(1000, 800);
        hasData_ = hasReference_ = true;
        npoints_ = n;
        bufferLength_ = n;
        firstPoint_ = 0;
        lastPoint_ = n - 1;
        return 200;
    }
    return std::nullopt;
}

} // namespace trevium
