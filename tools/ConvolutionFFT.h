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

/// The forward transform of buf (Length complex points of kComplexStride doubles), in place,
/// bins left bit-reversed.
ORVA_LANE_INLINE void ForwardConvolutionFFT(double* buf, const TConvolutionTwiddles& w)
{
    constexpr int S = kComplexStride;
    const int n = w.Length;
    for (int half = n / 2, step = 1; half >= 1; half /= 2, step *= 2) {
        for (int start = 0; start < n; start += 2 * half) {
            double* a = buf + static_cast<std::ptrdiff_t>(start) * S;
            double* b = a + static_cast<std::ptrdiff_t>(half) * S;
            for (int j = 0; j < half; ++j, a += S, b += S) {
                TDoubles ar, ai, br, bi;
                LoadDoubles(ar, a), LoadDoubles(ai, a + kWidth), LoadDoubles(br, b), LoadDoubles(bi, b + kWidth);
                StoreDoubles(a, ar + br);
                StoreDoubles(a + kWidth, ai + bi);
                const TDoubles dr = ar - br, di = ai - bi;
                if (j == 0) {
                    StoreDoubles(b, dr);
                    StoreDoubles(b + kWidth, di);
                    continue;
                }
                TDoubles wr, wi;
                Splat(wr, w.Re[static_cast<std::size_t>(j * step)]);
                Splat(wi, w.Im[static_cast<std::size_t>(j * step)]);
                StoreDoubles(b, dr * wr - di * wi);
                StoreDoubles(b + kWidth, dr * wi + di * wr);
            }
        }
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
/// in place, samples left in their own order.
ORVA_LANE_INLINE void InverseConvolutionFFT(double* buf, const TConvolutionTwiddles& w)
{
    constexpr int S = kComplexStride;
    const int n = w.Length;
    for (int half = 1, step = n / 2; half < n; half *= 2, step /= 2) {
        for (int start = 0; start < n; start += 2 * half) {
            double* a = buf + static_cast<std::ptrdiff_t>(start) * S;
            double* b = a + static_cast<std::ptrdiff_t>(half) * S;
            for (int j = 0; j < half; ++j, a += S, b += S) {
                TDoubles ar, ai, tr, ti;
                LoadDoubles(ar, a), LoadDoubles(ai, a + kWidth), LoadDoubles(tr, b), LoadDoubles(ti, b + kWidth);
                if (j != 0) {
                    // b times the conjugate twiddle
                    TDoubles wr, wi;
                    Splat(wr, w.Re[static_cast<std::size_t>(j * step)]);
                    Splat(wi, w.Im[static_cast<std::size_t>(j * step)]);
                    const TDoubles br = tr, bi = ti;
                    tr = br * wr + bi * wi;
                    ti = bi * wr - br * wi;
                }
                StoreDoubles(a, ar + tr);
                StoreDoubles(a + kWidth, ai + ti);
                StoreDoubles(b, ar - tr);
                StoreDoubles(b + kWidth, ai - ti);
            }
        }
    }
}

} // namespace lanes

} // namespace orva
