#pragma once
// An array with the shape of the original runtime's arrays: a lower bound per
// dimension, up to three dimensions, and an "allocated" flag, so a dump can
// tell an array that was never dimensioned ("{UnInitialised Array}") from an
// empty one (the single element 0 of an upper bound 0). Index errors raise
// run-time error 9, as the runtime does.
#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/VbError.h"

namespace trace {

template <typename T>
class VbArray {
public:
    struct Bounds {
        long lower = 0;
        long upper = -1;
        long count() const { return upper - lower + 1; }
    };

    VbArray() = default;
    // A one-dimensional array (lower To upper), every element default.
    VbArray(long lower, long upper) { ReDim(lower, upper); }

    bool Allocated() const noexcept { return allocated_; }
    std::size_t Dimensions() const noexcept { return bounds_.size(); }
    // Bounds of dimension `dim` (1-based); raise 9 when it does not exist.
    long LBound(std::size_t dim = 1) const { return BoundsOf(dim).lower; }
    long UBound(std::size_t dim = 1) const { return BoundsOf(dim).upper; }

    // ReDim: new bounds, every element reset.
    void ReDim(long lower, long upper) { ReDim({Bounds{lower, upper}}); }
    void ReDim(std::initializer_list<Bounds> dims) {
        if (dims.size() == 0 || dims.size() > 3) vb::Raise(vb::errSubscript);
        std::size_t total = 1;
        for (const Bounds& b : dims) {
            if (b.upper < b.lower - 1) vb::Raise(vb::errSubscript);
            total *= static_cast<std::size_t>(b.count());
        }
        bounds_.assign(dims.begin(), dims.end());
        items_.assign(total, T{});
        allocated_ = true;
    }
    // ReDim Preserve of a one-dimensional array: a new upper bound (and, as
    // the system's helpers do, a new lower bound), keeping the elements that
    // stay inside both the old and the new range at their indices.
    void ReDimPreserve(long lower, long upper) {
        if (upper < lower - 1) vb::Raise(vb::errSubscript);
        std::vector<T> next(static_cast<std::size_t>(upper - lower + 1));
        if (allocated_ && bounds_.size() == 1) {
            for (long i = lower; i <= upper; ++i) {
                if (i >= bounds_[0].lower && i <= bounds_[0].upper)
                    next[static_cast<std::size_t>(i - lower)] =
                        std::move(items_[static_cast<std::size_t>(i - bounds_[0].lower)]);
            }
        }
        bounds_.assign({Bounds{lower, upper}});
        items_ = std::move(next);
        allocated_ = true;
    }
    // Erase of a dynamic array: back to the never-dimensioned state.
    void Erase() noexcept {
        bounds_.clear();
        items_.clear();
        allocated_ = false;
    }

    T& operator()(long i) { return items_[Offset({i})]; }
    const T& operator()(long i) const { return items_[Offset({i})]; }
    T& at(std::initializer_list<long> idx) { return items_[Offset(idx)]; }
    const T& at(std::initializer_list<long> idx) const { return items_[Offset(idx)]; }

    // All elements in row order (first index outermost).
    const std::vector<T>& Items() const noexcept { return items_; }
    const std::vector<Bounds>& AllBounds() const noexcept { return bounds_; }

    friend bool operator==(const VbArray&, const VbArray&) = default;

private:
    const Bounds& BoundsOf(std::size_t dim) const {
        if (!allocated_ || dim < 1 || dim > bounds_.size()) vb::Raise(vb::errSubscript);
        return bounds_[dim - 1];
    }
    std::size_t Offset(std::initializer_list<long> idx) const {
        if (!allocated_ || idx.size() != bounds_.size()) vb::Raise(vb::errSubscript);
        std::size_t off = 0;
        std::size_t d = 0;
        for (long i : idx) {
            const Bounds& b = bounds_[d++];
            if (i < b.lower || i > b.upper) vb::Raise(vb::errSubscript);
            off = off * static_cast<std::size_t>(b.count()) + static_cast<std::size_t>(i - b.lower);
        }
        return off;
    }

    bool allocated_ = false;
    std::vector<Bounds> bounds_;
    std::vector<T> items_;
};

}  // namespace trace
