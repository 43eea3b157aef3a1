#pragma once
// RealFFT on kWidth traces side by side. The buffer holds one-based index i of lane l at
// buf[i * kWidth + l] (structure of arrays), so every step works on kWidth adjacent values
// as one vector. Each lane goes through exactly the operations of the reference RealFFT,
// in the same order and precision, so every lane gives the bits of the reference routine.
#include "tools/FFTPlan.h"
#include "tools/LaneVector.h"

namespace orva::lanes {

constexpr int W = kWidth;

ORVA_LANE_INLINE void SwapPairs(float* __restrict a, float* __restrict b)
{
    TFloats ar, ai, br, bi;
    Load(ar, a), Load(ai, a + W), Load(br, b), Load(bi, b + W);
    Store(a, br), Store(a + W, bi), Store(b, ar), Store(b + W, ai);
}

ORVA_LANE_INLINE void Butterfly(float* __restrict a, float* __restrict b, double twr, double twi)
{
    TDoubles wr, wi, br, bi;
    Splat(wr, twr);
    Splat(wi, twi);
    LoadWide(br, b);
    LoadWide(bi, b + W);
    TFloats tempr, tempi, ar, ai;
    Narrow(tempr, wr * br - wi * bi);
    Narrow(tempi, wr * bi + wi * br);
    Load(ar, a);
    Load(ai, a + W);
    const TFloats nbr = ar - tempr, nbi = ai - tempi, nar = ar + tempr, nai = ai + tempi;
    Store(b, nbr), Store(b + W, nbi), Store(a, nar), Store(a + W, nai);
}

ORVA_LANE_INLINE void ComplexFFT(float* buf, int n, const TComplexFFTTables& t)
{
    for (const auto& [i, j] : t.Swaps)
        SwapPairs(buf + i * W, buf + j * W);
    const int m2 = 2 * n;
    std::size_t k = 0;
    for (int mmax = 2; m2 > mmax; mmax *= 2) {
        const int istep = 2 * mmax;
        for (int m = 1; m < mmax; m += 2, ++k) {
            const double wr = t.Wr[k];
            const double wi = t.Wi[k];
            for (int i = m; i <= m2; i += istep)
                Butterfly(buf + i * W, buf + (i + mmax) * W, wr, wi);
        }
    }
}

// One step of the real-data split on the pairs at i1 (i1, i2) and i3 (i3, i4).
ORVA_LANE_INLINE void Split(float* __restrict p1, float* __restrict p3, double sc2, double twr, double twi)
{
    TDoubles c1, c2, minusC2, wr, wi, d1, d2, d3, d4;
    Splat(c1, 0.5);
    Splat(c2, sc2);
    Splat(minusC2, -sc2);
    Splat(wr, twr);
    Splat(wi, twi);
    LoadWide(d1, p1), LoadWide(d2, p1 + W), LoadWide(d3, p3), LoadWide(d4, p3 + W);
    // The four split values are single precision: rounded, then widened for the sums.
    TFloats f1r, f1i, f2r, f2i;
    Narrow(f1r, c1 * (d1 + d3));
    Narrow(f1i, c1 * (d2 - d4));
    Narrow(f2r, minusC2 * (d2 + d4));
    Narrow(f2i, c2 * (d1 - d3));
    TDoubles h1r, h1i, h2r, h2i;
    Wide(h1r, f1r), Wide(h1i, f1i), Wide(h2r, f2r), Wide(h2i, f2i);
    StoreNarrow(p1, h1r + wr * h2r - wi * h2i);
    StoreNarrow(p1 + W, h1i + wr * h2i + wi * h2r);
    StoreNarrow(p3, h1r - wr * h2r + wi * h2i);
    StoreNarrow(p3 + W, -h1i + wr * h2i + wi * h2r);
}

ORVA_LANE_INLINE void SplitAll(float* buf, int n, double c2, const std::vector<double>& wr,
                               const std::vector<double>& wi)
{
    const int n2p3 = 2 * n + 3;
    for (int i = 2; i <= n / 2; ++i) {
        const int i1 = 2 * i - 1;
        const int i3 = n2p3 - 2 * i;
        Split(buf + i1 * W, buf + i3 * W, c2, wr[static_cast<std::size_t>(i - 2)],
              wi[static_cast<std::size_t>(i - 2)]);
    }
}

/// RealFFT(buf, n, +1) on every lane.
ORVA_LANE_INLINE void ForwardRealFFT(float* buf, const TRealFFTPlan& p)
{
    ComplexFFT(buf, p.N, p.Forward);
    SplitAll(buf, p.N, -0.5, p.SplitWrForward, p.SplitWiForward);
    TFloats h1r, d2;
    Load(h1r, buf + W);
    Load(d2, buf + 2 * W);
    const TFloats sum = h1r + d2, difference = h1r - d2;
    Store(buf + W, sum);
    Store(buf + 2 * W, difference);
}

/// RealFFT(buf, n, -1) on every lane.
ORVA_LANE_INLINE void InverseRealFFT(float* buf, const TRealFFTPlan& p)
{
    SplitAll(buf, p.N, 0.5, p.SplitWrInverse, p.SplitWiInverse);
    TDoubles c1, h1r, d2;
    Splat(c1, 0.5);
    LoadWide(h1r, buf + W);
    LoadWide(d2, buf + 2 * W);
    StoreNarrow(buf + W, c1 * (h1r + d2));
    StoreNarrow(buf + 2 * W, c1 * (h1r - d2));
    ComplexFFT(buf, p.N, p.Inverse);
}

} // namespace orva::lanes
