#pragma once
// The largest max - min of every channel over moving windows of one trial, by van Herk and
// Gil-Werman's method: per block of `width` samples a running maximum (and minimum) from the
// block's start and one from its end, so that a window spanning two blocks takes the larger
// of two values. Three comparisons per sample and window, whatever the width, done a row of
// channels at a time so that the compiler can use vector instructions.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orva {

class TSlidingRange {
public:
    /// Buffers for `length` rows of `channels` raw values, kept from trial to trial.
    TSlidingRange(int length, std::size_t channels);

    /// Looks at every window of `width` rows starting at rows 0, step, 2 x step, ... while all
    /// of it lies in the `length` rows that begin at rows (channels adjacent in a row).
    void Measure(const std::int16_t* rows, int width, int step);

    /// Per channel, the largest raw max - min of a window (as an unsigned 16-bit count).
    const std::vector<std::uint16_t>& Largest() const { return largest_; }

    /// The raw extremes of channel h in the window starting at row `start` (a multiple of the
    /// step measured), for an exact look at a channel near a threshold.
    std::int16_t Max(int start, std::size_t h) const;
    std::int16_t Min(int start, std::size_t h) const;

private:
    int length_;
    int width_ = 2;
    std::size_t channels_;
    std::vector<std::int16_t> headMax_, headMin_, tailMax_, tailMin_;
    std::vector<std::uint16_t> largest_;
};

} // namespace orva
