#pragma once
// Explicit vectors of 8 lanes for the batched filter. The lane arithmetic is written with
// the compiler's vector types instead of loops left to the auto-vectoriser: GCC 12's SLP
// vectoriser was seen to drop the rounding of a double to float where the float is widened
// again, which changes the bits. Explicit vector code leaves it nothing to rewrite.
//
// Compilers without GNU vector types (MSVC), and builds with ORVA_PORTABLE_LANES, get plain
// arrays with the same element-wise operations: the same IEEE operations in the same order,
// so the same bits, only without the vector registers.
#include <cstring>

#if defined(__GNUC__) && !defined(ORVA_PORTABLE_LANES)
#define ORVA_GNU_LANES 1
#define ORVA_LANE_INLINE [[gnu::always_inline]] inline
#elif defined(_MSC_VER)
#define ORVA_LANE_INLINE __forceinline
#else
#define ORVA_LANE_INLINE inline
#endif

namespace orva::lanes {

constexpr int kWidth = 8;

#ifdef ORVA_GNU_LANES
typedef float TFloats __attribute__((vector_size(32)));
typedef double TDoubles __attribute__((vector_size(64)));
typedef int TInts __attribute__((vector_size(32)));

/// Every lane of v converted to the element type of To (to float: rounded to nearest; to int:
/// truncated, which the callers use only on whole numbers).
template <class To, class From>
ORVA_LANE_INLINE void Convert(To& to, const From& v)
{
    to = __builtin_convertvector(v, To);
}

/// Each lane of v kept within [low, high].
template <class V>
ORVA_LANE_INLINE void ClampLanes(V& v, const V& low, const V& high)
{
    v = v < low ? low : v;
    v = v > high ? high : v;
}
#else
template <class T>
struct TLanes {
    T Lane[kWidth];
    T& operator[](int i) { return Lane[i]; }
    const T& operator[](int i) const { return Lane[i]; }
};

#define ORVA_LANE_OPERATOR(op)                                                                                        \
    template <class T>                                                                                                \
    ORVA_LANE_INLINE TLanes<T> operator op(const TLanes<T>& a, const TLanes<T>& b)                                    \
    {                                                                                                                 \
        TLanes<T> r;                                                                                                  \
        for (int i = 0; i < kWidth; ++i)                                                                              \
            r.Lane[i] = a.Lane[i] op b.Lane[i];                                                                       \
        return r;                                                                                                     \
    }
ORVA_LANE_OPERATOR(+)
ORVA_LANE_OPERATOR(-)
ORVA_LANE_OPERATOR(*)
ORVA_LANE_OPERATOR(/)
ORVA_LANE_OPERATOR(^)
#undef ORVA_LANE_OPERATOR

template <class T>
ORVA_LANE_INLINE TLanes<T> operator-(const TLanes<T>& a)
{
    TLanes<T> r;
    for (int i = 0; i < kWidth; ++i)
        r.Lane[i] = -a.Lane[i];
    return r;
}

template <class T>
ORVA_LANE_INLINE TLanes<T>& operator|=(TLanes<T>& a, const TLanes<T>& b)
{
    for (int i = 0; i < kWidth; ++i)
        a.Lane[i] |= b.Lane[i];
    return a;
}

using TFloats = TLanes<float>;
using TDoubles = TLanes<double>;
using TInts = TLanes<int>;

template <class To, class From>
ORVA_LANE_INLINE void Convert(To& to, const From& v)
{
    for (int i = 0; i < kWidth; ++i)
        to.Lane[i] = static_cast<decltype(+to.Lane[0])>(v.Lane[i]);
}

template <class V>
ORVA_LANE_INLINE void ClampLanes(V& v, const V& low, const V& high)
{
    for (int i = 0; i < kWidth; ++i) {
        v.Lane[i] = v.Lane[i] < low.Lane[i] ? low.Lane[i] : v.Lane[i];
        v.Lane[i] = v.Lane[i] > high.Lane[i] ? high.Lane[i] : v.Lane[i];
    }
}
#endif

// Vectors are passed by reference only, so no calling convention depends on the vector
// extensions of the processor.
ORVA_LANE_INLINE void Load(TFloats& v, const float* p) { std::memcpy(&v, p, sizeof v); }
ORVA_LANE_INLINE void Store(float* p, const TFloats& v) { std::memcpy(p, &v, sizeof v); }
ORVA_LANE_INLINE void LoadWide(TDoubles& v, const float* p)
{
    TFloats f;
    Load(f, p);
    Convert(v, f);
}
/// Rounds every lane to float (the one place where double values become float).
ORVA_LANE_INLINE void StoreNarrow(float* p, const TDoubles& v)
{
    TFloats f;
    Convert(f, v);
    Store(p, f);
}
ORVA_LANE_INLINE void LoadDoubles(TDoubles& v, const double* p) { std::memcpy(&v, p, sizeof v); }
ORVA_LANE_INLINE void StoreDoubles(double* p, const TDoubles& v) { std::memcpy(p, &v, sizeof v); }
/// Every lane set to x. Written as eight copies, or as x - 0 over eight lanes, GCC 12 builds
/// the vector in functions compiled for AVX-512 from eight masked loads, each waiting on the
/// register's old value; four lanes (x - 0 is exact for every x, -0 included) shuffled into
/// eight are one broadcast on every target.
ORVA_LANE_INLINE void Splat(TDoubles& v, double x)
{
#ifdef ORVA_GNU_LANES
    typedef double THalf __attribute__((vector_size(32)));
    const THalf half = x - THalf{};
    v = __builtin_shufflevector(half, half, 0, 1, 2, 3, 0, 1, 2, 3);
#else
    v = TDoubles{x, x, x, x, x, x, x, x};
#endif
}
ORVA_LANE_INLINE void Narrow(TFloats& f, const TDoubles& v) { Convert(f, v); }
ORVA_LANE_INLINE void Wide(TDoubles& v, const TFloats& f) { Convert(v, f); }

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
    ClampLanes(v, vlow, vhigh);
}

} // namespace orva::lanes
