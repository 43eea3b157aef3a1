#pragma once
// Explicit vectors of 8 lanes for the batched filter. The lane arithmetic is written with
// the compiler's vector types instead of loops left to the auto-vectoriser: GCC 12's SLP
// vectoriser was seen to drop the rounding of a double to float where the float is widened
// again, which changes the bits. Explicit vector code leaves it nothing to rewrite.
#include <cstring>

#define ORVA_LANE_INLINE [[gnu::always_inline]] inline

namespace orva::lanes {

constexpr int kWidth = 8;

typedef float TFloats __attribute__((vector_size(32)));
typedef double TDoubles __attribute__((vector_size(64)));
typedef int TInts __attribute__((vector_size(32)));

// Vectors are passed by reference only, so no calling convention depends on the vector
// extensions of the processor.
ORVA_LANE_INLINE void Load(TFloats& v, const float* p) { std::memcpy(&v, p, sizeof v); }
ORVA_LANE_INLINE void Store(float* p, const TFloats& v) { std::memcpy(p, &v, sizeof v); }
ORVA_LANE_INLINE void LoadWide(TDoubles& v, const float* p)
{
    TFloats f;
    Load(f, p);
    v = __builtin_convertvector(f, TDoubles);
}
/// Rounds every lane to float (the one place where double values become float).
ORVA_LANE_INLINE void StoreNarrow(float* p, const TDoubles& v)
{
    const TFloats f = __builtin_convertvector(v, TFloats);
    Store(p, f);
}
/// Every lane set to x (written out: an implicit scalar-to-vector conversion compiles badly).
ORVA_LANE_INLINE void Splat(TDoubles& v, double x) { v = TDoubles{x, x, x, x, x, x, x, x}; }
ORVA_LANE_INLINE void Narrow(TFloats& f, const TDoubles& v) { f = __builtin_convertvector(v, TFloats); }
ORVA_LANE_INLINE void Wide(TDoubles& v, const TFloats& f) { v = __builtin_convertvector(f, TDoubles); }

/// Rounds to the nearest whole number, halves to even, for |v| below 2^51 (the callers
/// clamp first): adding and taking away 1.5 * 2^52 leaves no fraction bits.
ORVA_LANE_INLINE void RoundToEven(TDoubles& v)
{
    TDoubles shift;
    Splat(shift, 6755399441055744.0);
    v = (v + shift) - shift;
}

ORVA_LANE_INLINE void Clamp(TDoubles& v, double low, double high)
{
    TDoubles vlow, vhigh;
    Splat(vlow, low);
    Splat(vhigh, high);
    v = v < vlow ? vlow : v;
    v = v > vhigh ? vhigh : v;
}

} // namespace orva::lanes
