#pragma once
// The double-precision FFT of the FIR filter's fast convolution. A complex transform of a
// power-of-two length runs on 2 x kWidth real traces at once: lane l of the real parts
// holds one trace, lane l of the imaginary parts another; a filter with real taps keeps the
// two apart, so one transform, one product and one inverse filter both.
//
// The forward transform (decimation in frequency) leaves its bins in bit-reversed order and
// the inverse (decimation in time) takes them in that order back to samples in their own
// order: a spectrum multiplied bin by bin in between is stored bit-reversed once and no
// reordering is ever done. The twiddle factors are computed with + - * / alone (see
// ConvolutionFFT.cpp) and every lane does the same IEEE operations in the same order, so
// the bits are the same on every platform, library and vector width.
#include "tools/LaneVector.h"

#include <vector>

namespace orva {

/// exp(-2 pi i j / Length) for j < Length / 2 and the spectrum of one real kernel for a
/// transform of Length points (a power of two, at least 2).
struct TConvolutionTwiddles {
    int Length = 0;
    std::vector<double> Re, Im;

    explicit TConvolutionTwiddles(int length);
};

/// The transform of `kernel` (at most Length values, zeros beyond) as the lane transform
/// leaves it, bit-reversed, divided by Length so that the inverse needs no scaling:
/// Re[m], Im[m] of bin m in storage order.
struct TKernelSpectrum {
    std::vector<double> Re, Im;

    TKernelSpectrum(const TConvolutionTwiddles& w, const double* kernel, int count);
};

/// sin(x) and cos(x) for x in [0, pi / 4], within an ulp or two, from + - * / only.
void PortableSineCosine(double x, double& sine, double& cosine);

namespace lanes {

/// Doubles per complex point of a lane buffer: kWidth real parts, then kWidth imaginary parts.
constexpr int kComplexStride = 2 * kWidth;

/// One complex point of every lane pair.
struct TPoint {
    TDoubles Re, Im;
};

ORVA_LANE_INLINE void LoadPoint(TPoint& p, const double* at)
{
    LoadDoubles(p.Re, at);
    LoadDoubles(p.Im, at + kWidth);
}

ORVA_LANE_INLINE void StorePoint(double* at, const TPoint& p)
{
    StoreDoubles(at, p.Re);
    StoreDoubles(at + kWidth, p.Im);
}

// a, b to a + b, (a - b) w^t; no product at t = 0, where w is 1.
ORVA_LANE_INLINE void ForwardButterfly(TPoint& a, TPoint& b, const TConvolutionTwiddles& w, int t)
{
    const TDoubles dr = a.Re - b.Re, di = a.Im - b.Im;
    a.Re = a.Re + b.Re;
    a.Im = a.Im + b.Im;
    if (t == 0) {
        b.Re = dr;
        b.Im = di;
        return;
    }
    TDoubles wr, wi;
    Splat(wr, w.Re[static_cast<std::size_t>(t)]);
    Splat(wi, w.Im[static_cast<std::size_t>(t)]);
    b.Re = dr * wr - di * wi;
    b.Im = dr * wi + di * wr;
}

// a, b to a + b conj(w^t), a - b conj(w^t).
ORVA_LANE_INLINE void InverseButterfly(TPoint& a, TPoint& b, const TConvolutionTwiddles& w, int t)
{
    TDoubles tr = b.Re, ti = b.Im;
    if (t != 0) {
        TDoubles wr, wi;
        Splat(wr, w.Re[static_cast<std::size_t>(t)]);
        Splat(wi, w.Im[static_cast<std::size_t>(t)]);
        tr = b.Re * wr + b.Im * wi;
        ti = b.Im * wr - b.Re * wi;
    }
    b.Re = a.Re - tr;
    b.Im = a.Im - ti;
    a.Re = a.Re + tr;
    a.Im = a.Im + ti;
}

/// The forward transform of buf (Length complex points of kComplexStride doubles), in place,
/// bins left bit-reversed. Two stages at a time go through registers (each value gets the
/// operations of the stages one by one), which halves the passes over the buffer.
ORVA_LANE_INLINE void ForwardConvolutionFFT(double* buf, const TConvolutionTwiddles& w)
{
    constexpr int S = kComplexStride;
    const int n = w.Length;
    int half = n / 2, step = 1;
    for (; half >= 2; half /= 4, step *= 4) {
        // the stages of half and half / 2
        const int q = half / 2;
        for (int start = 0; start < n; start += 2 * half)
            for (int j = 0; j < q; ++j) {
                double* p0 = buf + static_cast<std::ptrdiff_t>(start + j) * S;
                double* p1 = p0 + static_cast<std::ptrdiff_t>(q) * S;
                double* p2 = p0 + static_cast<std::ptrdiff_t>(half) * S;
                double* p3 = p2 + static_cast<std::ptrdiff_t>(q) * S;
                TPoint a, b, c, d;
                LoadPoint(a, p0), LoadPoint(b, p1), LoadPoint(c, p2), LoadPoint(d, p3);
                ForwardButterfly(a, c, w, j * step);
                ForwardButterfly(b, d, w, (j + q) * step);
                ForwardButterfly(a, b, w, j * 2 * step);
                ForwardButterfly(c, d, w, j * 2 * step);
                StorePoint(p0, a), StorePoint(p1, b), StorePoint(p2, c), StorePoint(p3, d);
            }
    }
    if (half == 1)
        for (int start = 0; start < n; start += 2) {
            TPoint a, b;
            LoadPoint(a, buf + static_cast<std::ptrdiff_t>(start) * S);
            LoadPoint(b, buf + static_cast<std::ptrdiff_t>(start + 1) * S);
            ForwardButterfly(a, b, w, 0);
            StorePoint(buf + static_cast<std::ptrdiff_t>(start) * S, a);
            StorePoint(buf + static_cast<std::ptrdiff_t>(start + 1) * S, b);
        }
}

/// Every bin of buf times the kernel's spectrum (both in storage order).
ORVA_LANE_INLINE void MultiplySpectrum(double* buf, const TKernelSpectrum& h, int n)
{
    constexpr int S = kComplexStride;
    for (int m = 0; m < n; ++m, buf += S) {
        TDoubles xr, xi, hr, hi;
        LoadDoubles(xr, buf), LoadDoubles(xi, buf + kWidth);
        Splat(hr, h.Re[static_cast<std::size_t>(m)]);
        Splat(hi, h.Im[static_cast<std::size_t>(m)]);
        StoreDoubles(buf, xr * hr - xi * hi);
        StoreDoubles(buf + kWidth, xr * hi + xi * hr);
    }
}

/// The inverse transform (without the division by Length) of bins in bit-reversed order,
/// in place, samples left in their own order; two stages at a time as the forward one.
ORVA_LANE_INLINE void InverseConvolutionFFT(double* buf, const TConvolutionTwiddles& w)
{
    constexpr int S = kComplexStride;
    const int n = w.Length;
    int half = 1, step = n / 2;
    for (; 2 * half < n; half *= 4, step /= 4) {
        // the stages of half and 2 half
        for (int start = 0; start < n; start += 4 * half)
            for (int j = 0; j < half; ++j) {
                double* p0 = buf + static_cast<std::ptrdiff_t>(start + j) * S;
                double* p1 = p0 + static_cast<std::ptrdiff_t>(half) * S;
                double* p2 = p1 + static_cast<std::ptrdiff_t>(half) * S;
                double* p3 = p2 + static_cast<std::ptrdiff_t>(half) * S;
                TPoint a, b, c, d;
                LoadPoint(a, p0), LoadPoint(b, p1), LoadPoint(c, p2), LoadPoint(d, p3);
                InverseButterfly(a, b, w, j * step);
                InverseButterfly(c, d, w, j * step);
                InverseButterfly(a, c, w, j * (step / 2));
                InverseButterfly(b, d, w, (j + half) * (step / 2));
                StorePoint(p0, a), StorePoint(p1, b), StorePoint(p2, c), StorePoint(p3, d);
            }
    }
    if (half < n)
        for (int j = 0; j < half; ++j) {
            TPoint a, b;
            LoadPoint(a, buf + static_cast<std::ptrdiff_t>(j) * S);
            LoadPoint(b, buf + static_cast<std::ptrdiff_t>(j + half) * S);
            InverseButterfly(a, b, w, j * step);
            StorePoint(buf + static_cast<std::ptrdiff_t>(j) * S, a);
            StorePoint(buf + static_cast<std::ptrdiff_t>(j + half) * S, b);
        }
}

} // namespace lanes

} // namespace orva
