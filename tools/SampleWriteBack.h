#pragma once
// The one way a computed value goes back into a 16-bit sample: nearest integer, halves to
// even, plus the channel's zero, kept within -32768 .. 32767 with every value beyond counted.
// The filter runs it on vectors of lanes, the ERP operations on single values; both get
// the same result for the same scaled value.
#include "tools/LaneVector.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orva {

namespace lanes {

// Single values, so that StoreScaledSample below serves one value as well as eight lanes.
ORVA_LANE_INLINE void Clamp(double& v, double low, double high)
{
    v = v < low ? low : v;
    v = v > high ? high : v;
}
ORVA_LANE_INLINE void RoundToEven(double& v)
{
    const double shift = 6755399441055744.0;
    v = (v + shift) - shift;
}
ORVA_LANE_INLINE void Convert(int& to, const double& v) { to = static_cast<int>(v); }
ORVA_LANE_INLINE void ClampLanes(int& v, const int& low, const int& high)
{
    v = v < low ? low : v;
    v = v > high ? high : v;
}

} // namespace lanes

/// stored = nearest(scaled) + zero within the 16-bit range; clamped grows by 1 for every
/// value (lane) that lay beyond it. D is double or lanes::TDoubles, I int or lanes::TInts;
/// low16 and high16 hold -32768 and 32767 in every lane.
template <class D, class I>
ORVA_LANE_INLINE void StoreScaledSample(const D& value, const D& zero, const I& low16, const I& high16, I& stored,
                                        I& clamped)
{
    // Vectors cross by reference: by value, their ABI would depend on the caller's target.
    D scaled = value;
    // Clamping before rounding keeps the magnitude small; the bounds are whole numbers, so
    // the result is the clamped nearest integer either way.
    lanes::Clamp(scaled, -1.0e6, 1.0e6);
    lanes::RoundToEven(scaled);
    scaled = scaled + zero;
    // One step beyond either end first, so that a clamped value can still be told from one
    // that is exactly at the end: the difference is then 1 or -1, and its square counts.
    lanes::Clamp(scaled, -32769.0, 32768.0);
    I unclamped;
    lanes::Convert(unclamped, scaled);
    stored = unclamped;
    lanes::ClampLanes(stored, low16, high16);
    const I beyond = unclamped - stored;
    clamped = clamped + beyond * beyond;
}

/// A value in microvolts back into a raw sample of a session file's channel:
/// nearest(gain x value / 400) + zero, counted in clamped when it does not fit.
inline std::int16_t SessionSample(double value, std::int32_t zero, std::int32_t gain, std::int64_t& clamped)
{
    int stored = 0;
    int beyond = 0;
    StoreScaledSample(static_cast<double>(gain) * value / 400.0, static_cast<double>(zero), -32768, 32767, stored,
                      beyond);
    clamped += beyond;
    return static_cast<std::int16_t>(stored);
}

/// A row of values in microvolts (one per channel) back into the raw samples of a session
/// file, lanes::kWidth channels at a time: SessionSample for each, the values beyond the
/// range counted lane by lane in clamped. zero and gain hold the channels' zeros and gains
/// as doubles, padded with 0 and 1 to a whole number of vectors.
ORVA_LANE_INLINE void StoreSessionRow(const double* values, std::int16_t* raw, std::size_t channels,
                                      const double* zero, const double* gain, lanes::TInts& clamped)
{
    using namespace lanes;
    const TInts low16 = {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768};
    const TInts high16 = {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767};
    TDoubles four100;
    Splat(four100, 400.0);
    for (std::size_t g = 0; g < channels; g += kWidth) {
        const std::size_t n = std::min<std::size_t>(kWidth, channels - g);
        TDoubles v, z, k;
        if (n == kWidth)
            LoadDoubles(v, values + g);
        else {
            // the last channels: a load of the row's end would read beyond it
            double in[kWidth] = {};
            std::memcpy(in, values + g, n * sizeof(double));
            LoadDoubles(v, in);
        }
        LoadDoubles(z, zero + g);
        LoadDoubles(k, gain + g);
        const TDoubles scaled = k * v / four100;
        TInts stored;
        StoreScaledSample(scaled, z, low16, high16, stored, clamped);
        std::int16_t out[kWidth];
        for (int l = 0; l < kWidth; ++l)
            out[l] = static_cast<std::int16_t>(stored[l]);
        std::memcpy(raw + g, out, n * sizeof(std::int16_t));
    }
}

/// A value in microvolts back into a raw sample of an average file: nearest(scaleBins x value).
inline std::int16_t AverageSample(double value, double scaleBins, std::int64_t& clamped)
{
    int stored = 0;
    int beyond = 0;
    StoreScaledSample(scaleBins * value, 0.0, -32768, 32767, stored, beyond);
    clamped += beyond;
    return static_cast<std::int16_t>(stored);
}

} // namespace orva
