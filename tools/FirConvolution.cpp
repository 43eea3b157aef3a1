// The FIR filter over whole observations. The trace is reflected about its end values as
// ApplyFir reflects it (p below); output i is the sum over t of Kernel[t] x p[Offset + i - t].
// The direct way adds the terms in ApplyFir's order, four outputs at a time, over a buffer
// with rows of zeros at either end: the terms outside an output's own range are exact
// zeros, so each lane gets ApplyFir's bits. The FFT way convolves blocks of p with the
// kernel by a transform long enough that the outputs it keeps are not wrapped around.
#include "tools/FirConvolution.h"

#include "model/ORVAError.h"
#include "tools/LaneTargets.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace orva {

namespace {

using lanes::kComplexStride;
using lanes::kWidth;
using lanes::TDoubles;

constexpr int kZeroRows = 4;  // above and below the padded trace of the direct way
constexpr int kOutputs = 4;   // outputs of the direct way summed together

int PowerOfTwoFrom(long long n)
{
    int l = 2;
    while (l < n)
        l *= 2;
    return l;
}

int Log2(int n)
{
    int k = 0;
    while ((1 << k) < n)
        ++k;
    return k;
}

// The padded traces of channels c0 .. c0 + lanes - 1 into rows of `stride` doubles, from
// row `row0` on: p[First] .. p[First + Count - 1]; lanes beyond `lanes` are zero.
void GatherPadded(const double* values, std::size_t channels, std::size_t c0, std::size_t lanes, int n, int edge,
                  int first, int count, double* rows, int stride)
{
    const auto x = [&](int s, std::size_t l) { return values[static_cast<std::size_t>(s) * channels + c0 + l]; };
    for (int r = 0; r < count; ++r) {
        const int j = first + r;
        double* out = rows + static_cast<std::ptrdiff_t>(r) * stride;
        for (std::size_t l = 0; l < lanes; ++l) {
            if (j < edge)
                out[l] = 2 * x(0, l) - x(edge - j, l);
            else if (j < edge + n)
                out[l] = x(j - edge, l);
            else
                out[l] = 2 * x(n - 1, l) - x(2 * n + edge - 2 - j, l);
        }
        std::fill(out + lanes, out + stride, 0.0);
    }
}

struct TDirectWork {
    const double* Padded; // kZeroRows rows of zeros, then p, then zeros; rows of kWidth
    const double* Kernel;
    int Taps, Count, Offset, N;
    double* Out; // N + kOutputs rows of kWidth
};

ORVA_LANE_INLINE void Direct(const TDirectWork& w)
{
    for (int i0 = 0; i0 < w.N; i0 += kOutputs) {
        const int tFirst = std::max(0, w.Offset + i0 - (w.Count - 1));
        const int tLast = std::min(w.Taps - 1, w.Offset + i0 + kOutputs - 1);
        TDoubles s0, s1, s2, s3;
        lanes::Splat(s0, 0.0);
        s1 = s0, s2 = s0, s3 = s0;
        const double* base = w.Padded + static_cast<std::ptrdiff_t>(kZeroRows + w.Offset + i0) * kWidth;
        for (int t = tFirst; t <= tLast; ++t) {
            TDoubles k, v0, v1, v2, v3;
            lanes::Splat(k, w.Kernel[t]);
            const double* p = base - static_cast<std::ptrdiff_t>(t) * kWidth;
            lanes::LoadDoubles(v0, p), lanes::LoadDoubles(v1, p + kWidth);
            lanes::LoadDoubles(v2, p + 2 * kWidth), lanes::LoadDoubles(v3, p + 3 * kWidth);
            s0 = s0 + k * v0;
            s1 = s1 + k * v1;
            s2 = s2 + k * v2;
            s3 = s3 + k * v3;
        }
        double* out = w.Out + static_cast<std::ptrdiff_t>(i0) * kWidth;
        lanes::StoreDoubles(out, s0), lanes::StoreDoubles(out + kWidth, s1);
        lanes::StoreDoubles(out + 2 * kWidth, s2), lanes::StoreDoubles(out + 3 * kWidth, s3);
    }
}

struct TBlockWork {
    const double* Rows; // the block's rows of the padded traces, kComplexStride doubles each
    int Count;          // rows in the block
    const TConvolutionTwiddles* Twiddles;
    const TKernelSpectrum* Spectrum;
    double* Buffer;     // one transform
    double* Out;        // rows of kComplexStride
    int IFirst, ILast;  // the outputs the block adds to
    int Shift;          // output i takes point i + Shift of the block's convolution
};

ORVA_LANE_INLINE void FftBlock(const TBlockWork& w)
{
    constexpr int S = kComplexStride;
    const int n = w.Twiddles->Length;
    std::copy(w.Rows, w.Rows + static_cast<std::ptrdiff_t>(w.Count) * S, w.Buffer);
    std::fill(w.Buffer + static_cast<std::ptrdiff_t>(w.Count) * S, w.Buffer + static_cast<std::ptrdiff_t>(n) * S,
              0.0);
    lanes::ForwardConvolutionFFT(w.Buffer, *w.Twiddles);
    lanes::MultiplySpectrum(w.Buffer, *w.Spectrum, n);
    lanes::InverseConvolutionFFT(w.Buffer, *w.Twiddles);
    for (int i = w.IFirst; i <= w.ILast; ++i) {
        double* out = w.Out + static_cast<std::ptrdiff_t>(i) * S;
        const double* y = w.Buffer + static_cast<std::ptrdiff_t>(i + w.Shift) * S;
        for (int l = 0; l < S; ++l)
            out[l] += y[l];
    }
}

ORVA_LANE_BUILDS(Direct, (const TDirectWork& w), (w))
ORVA_LANE_BUILDS(FftBlock, (const TBlockWork& w), (w))

// Estimated work per trace, in the time of one term of the direct way (a product and a sum
// on a lane). Per 16 traces a term is 6 vector operations (two groups of 8 lanes: a load,
// a product, a sum), half a butterfly of one transform 9 (loads, stores, complex
// arithmetic), and a transform pair runs 2 log2(length) stages over every point.
constexpr double kPointStageCost = 3.0; // both transforms of a point at one stage
constexpr double kPointCost = 3.0;      // per point: copy in, product, sum into the outputs

double DirectCost(long long terms) { return static_cast<double>(terms); }

double FftCost(int transform, int blocks)
{
    return blocks * (transform * (kPointStageCost * Log2(transform) + kPointCost));
}

} // namespace

TFirConvolution::TGeometry TFirConvolution::GeometryOf(const TFirDesign& design, int samples)
{
    if (samples < 1 || design.Length() < 1)
        throw EORVAError("FIR filter", "a trace of " + std::to_string(samples) + " samples and a filter of " +
                                           std::to_string(design.Length()) + " taps");
    TGeometry g;
    const int n = samples, length = design.Length();
    g.N = n;
    g.Edge = std::min(length, n) - 1;
    const int size = n + 2 * g.Edge;
    const int centre = g.Edge + (length - 1) / 2; // where output 0 lies in the reflected trace
    const int kFirst = std::max(0, centre - (size - 1));
    const int kLast = std::min(length - 1, centre + n - 1);
    g.Kernel.assign(design.Taps.begin() + kFirst, design.Taps.begin() + kLast + 1);
    const int taps = kLast - kFirst + 1;
    const int offset = centre - kFirst; // in the reflected trace
    g.First = std::max(0, offset - (taps - 1));
    g.Count = std::min(size - 1, offset + n - 1) - g.First + 1;
    g.Offset = offset - g.First;
    return g;
}

int TFirConvolution::WholeTraceTransform(const TGeometry& g)
{
    const long long taps = static_cast<long long>(g.Kernel.size());
    return PowerOfTwoFrom(std::max<long long>(g.Offset + g.N, g.Count + taps - 1 - g.Offset));
}

TFirMethod ChooseFirMethod(const TFirDesign& design, int samples)
{
    const TFirConvolution::TGeometry g = TFirConvolution::GeometryOf(design, samples);
    const int taps = static_cast<int>(g.Kernel.size());
    long long terms = 0;
    for (int i0 = 0; i0 < g.N; i0 += kOutputs)
        terms += kOutputs * (std::min(taps - 1, g.Offset + i0 + kOutputs - 1) -
                             std::max(0, g.Offset + i0 - (g.Count - 1)) + 1);
    TFirMethod best;
    double cost = DirectCost(terms);
    const int whole = TFirConvolution::WholeTraceTransform(g);
    if (FftCost(whole, 1) < cost) {
        best = {true, whole, g.Count};
        cost = FftCost(whole, 1);
    }
    for (int l = PowerOfTwoFrom(taps + 1); l < whole; l *= 2) {
        const int block = l - taps + 1;
        const int blocks = (g.Count + block - 1) / block;
        if (FftCost(l, blocks) < cost) {
            best = {true, l, block};
            cost = FftCost(l, blocks);
        }
    }
    return best;
}

TFirConvolution::TFirConvolution(const TFirDesign& design, int samples)
    : TFirConvolution(design, samples, ChooseFirMethod(design, samples))
{
}

TFirConvolution::TFirConvolution(const TFirDesign& design, int samples, TFirMethod method)
    : g_(GeometryOf(design, samples)), method_(method)
{
    const int taps = static_cast<int>(g_.Kernel.size());
    if (!method_.Fft) {
        method_ = {};
        padded_.resize(static_cast<std::size_t>(g_.Count + 2 * kZeroRows) * kWidth);
        out_.resize(static_cast<std::size_t>(g_.N + kOutputs) * kWidth);
        return;
    }
    const int whole = WholeTraceTransform(g_);
    if (method_.TransformLength == 0 || method_.TransformLength >= whole)
        method_ = {true, whole, g_.Count};
    else {
        const int l = method_.TransformLength;
        if (l < 2 || (l & (l - 1)) != 0 || l - taps + 1 < 1)
            throw EORVAError("FIR filter", "a transform of " + std::to_string(l) + " points for a filter of " +
                                               std::to_string(taps) + " taps");
        method_.Block = l - taps + 1;
    }
    twiddles_.emplace_back(method_.TransformLength);
    spectrum_.emplace_back(twiddles_[0], g_.Kernel.data(), taps);
    padded_.resize(static_cast<std::size_t>(g_.Count) * kComplexStride);
    block_.resize(static_cast<std::size_t>(method_.TransformLength) * kComplexStride);
    out_.resize(static_cast<std::size_t>(g_.N) * kComplexStride);
}

void TFirConvolution::Apply(double* values, std::size_t channels)
{
    if (method_.Fft)
        ApplyFft(values, channels);
    else
        ApplyDirect(values, channels);
}

void TFirConvolution::ApplyDirect(double* values, std::size_t channels)
{
    const auto run = ORVA_PICK_LANE_BUILD(Direct);
    std::fill(padded_.begin(), padded_.begin() + kZeroRows * kWidth, 0.0);
    std::fill(padded_.end() - kZeroRows * kWidth, padded_.end(), 0.0);
    for (std::size_t c0 = 0; c0 < channels; c0 += kWidth) {
        const std::size_t lanes = std::min<std::size_t>(kWidth, channels - c0);
        GatherPadded(values, channels, c0, lanes, g_.N, g_.Edge, g_.First, g_.Count,
                     padded_.data() + kZeroRows * kWidth, kWidth);
        run({padded_.data(), g_.Kernel.data(), static_cast<int>(g_.Kernel.size()), g_.Count, g_.Offset, g_.N,
             out_.data()});
        for (int i = 0; i < g_.N; ++i)
            std::copy(out_.data() + static_cast<std::ptrdiff_t>(i) * kWidth,
                      out_.data() + static_cast<std::ptrdiff_t>(i) * kWidth + static_cast<std::ptrdiff_t>(lanes),
                      values + static_cast<std::size_t>(i) * channels + c0);
    }
}

void TFirConvolution::ApplyFft(double* values, std::size_t channels)
{
    const auto run = ORVA_PICK_LANE_BUILD(FftBlock);
    const int taps = static_cast<int>(g_.Kernel.size());
    for (std::size_t c0 = 0; c0 < channels; c0 += kComplexStride) {
        const std::size_t lanes = std::min<std::size_t>(kComplexStride, channels - c0);
        GatherPadded(values, channels, c0, lanes, g_.N, g_.Edge, g_.First, g_.Count, padded_.data(), kComplexStride);
        std::fill(out_.begin(), out_.end(), 0.0);
        for (int j0 = 0; j0 < g_.Count; j0 += method_.Block) {
            const int count = std::min(method_.Block, g_.Count - j0);
            // The block's convolution covers points j0 .. j0 + count + taps - 2 of the whole one.
            const int iFirst = std::max(0, j0 - g_.Offset);
            const int iLast = std::min(g_.N - 1, j0 + count + taps - 2 - g_.Offset);
            if (iFirst > iLast)
                continue;
            run({padded_.data() + static_cast<std::ptrdiff_t>(j0) * kComplexStride, count, &twiddles_[0],
                 &spectrum_[0], block_.data(), out_.data(), iFirst, iLast, g_.Offset - j0});
        }
        for (int i = 0; i < g_.N; ++i)
            std::copy(out_.data() + static_cast<std::ptrdiff_t>(i) * kComplexStride,
                      out_.data() + static_cast<std::ptrdiff_t>(i) * kComplexStride + static_cast<std::ptrdiff_t>(lanes),
                      values + static_cast<std::size_t>(i) * channels + c0);
    }
}

} // namespace orva
