#include "tools/SlidingRange.h"

#include <algorithm>

namespace orva {

TSlidingRange::TSlidingRange(int length, std::size_t channels)
    : length_(length), channels_(channels),
      headMax_(static_cast<std::size_t>(std::max(0, length)) * channels), headMin_(headMax_.size()),
      tailMax_(headMax_.size()), tailMin_(headMax_.size()), largest_(channels)
{
}

void TSlidingRange::Measure(const std::int16_t* rows, int width, int step)
{
    width_ = width;
    const std::size_t n = channels_;
    auto at = [n](std::vector<std::int16_t>& v, int row) { return v.data() + static_cast<std::size_t>(row) * n; };
    for (int begin = 0; begin < length_; begin += width) {
        const int end = std::min(begin + width, length_);
        // Running extremes from the block's start...
        std::copy_n(rows + static_cast<std::size_t>(begin) * n, n, at(headMax_, begin));
        std::copy_n(rows + static_cast<std::size_t>(begin) * n, n, at(headMin_, begin));
        for (int r = begin + 1; r < end; ++r) {
            const std::int16_t* x = rows + static_cast<std::size_t>(r) * n;
            const std::int16_t* pmax = at(headMax_, r - 1);
            const std::int16_t* pmin = at(headMin_, r - 1);
            std::int16_t* qmax = at(headMax_, r);
            std::int16_t* qmin = at(headMin_, r);
            for (std::size_t h = 0; h < n; ++h) {
                qmax[h] = std::max(pmax[h], x[h]);
                qmin[h] = std::min(pmin[h], x[h]);
            }
        }
        // ... and from its end.
        std::copy_n(rows + static_cast<std::size_t>(end - 1) * n, n, at(tailMax_, end - 1));
        std::copy_n(rows + static_cast<std::size_t>(end - 1) * n, n, at(tailMin_, end - 1));
        for (int r = end - 2; r >= begin; --r) {
            const std::int16_t* x = rows + static_cast<std::size_t>(r) * n;
            const std::int16_t* pmax = at(tailMax_, r + 1);
            const std::int16_t* pmin = at(tailMin_, r + 1);
            std::int16_t* qmax = at(tailMax_, r);
            std::int16_t* qmin = at(tailMin_, r);
            for (std::size_t h = 0; h < n; ++h) {
                qmax[h] = std::max(pmax[h], x[h]);
                qmin[h] = std::min(pmin[h], x[h]);
            }
        }
    }
    std::fill(largest_.begin(), largest_.end(), std::uint16_t{0});
    std::uint16_t* largest = largest_.data();
    for (int start = 0; start + width <= length_; start += step) {
        const std::int16_t* tmax = at(tailMax_, start);
        const std::int16_t* tmin = at(tailMin_, start);
        const std::int16_t* hmax = at(headMax_, start + width - 1);
        const std::int16_t* hmin = at(headMin_, start + width - 1);
        for (std::size_t h = 0; h < n; ++h) {
            // max >= min, so the difference fits an unsigned 16-bit count exactly.
            const auto range = static_cast<std::uint16_t>(static_cast<std::uint16_t>(std::max(tmax[h], hmax[h])) -
                                                          static_cast<std::uint16_t>(std::min(tmin[h], hmin[h])));
            largest[h] = std::max(largest[h], range);
        }
    }
}

std::int16_t TSlidingRange::Max(int start, std::size_t h) const
{
    const std::size_t a = static_cast<std::size_t>(start) * channels_ + h;
    const std::size_t b = static_cast<std::size_t>(start + width_ - 1) * channels_ + h;
    return std::max(tailMax_[a], headMax_[b]);
}

std::int16_t TSlidingRange::Min(int start, std::size_t h) const
{
    const std::size_t a = static_cast<std::size_t>(start) * channels_ + h;
    const std::size_t b = static_cast<std::size_t>(start + width_ - 1) * channels_ + h;
    return std::min(tailMin_[a], headMin_[b]);
}

} // namespace orva
