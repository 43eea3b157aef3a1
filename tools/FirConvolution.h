#pragma once
// ApplyFir over every trace of an observation at once, channels in vector lanes: by direct
// convolution, which gives exactly ApplyFir's bits, or, where it costs less (long filters),
// by an FFT of the reflected trace in blocks whose results are added up (overlap-add), as
// MNE-Python applies long filters. Only the samples of the reflected trace and the taps that
// reach the epoch's own outputs take part.
#include "tools/ConvolutionFFT.h"
#include "tools/FirFilter.h"

#include <cstddef>
#include <vector>

namespace orva {

/// How TFirConvolution computes: directly, or by transforms of TransformLength points over
/// blocks of Block samples of the reflected trace.
struct TFirMethod {
    bool Fft = false;
    int TransformLength = 0;
    int Block = 0;
};

/// The cheapest way to filter traces of `samples` values (at least 1) with `design`: the
/// estimated cost of the direct convolution against each transform length.
TFirMethod ChooseFirMethod(const TFirDesign& design, int samples);

/// One design applied to traces of one length. Keeps its work buffers, so filtering many
/// observations allocates nothing after the first; one object per thread.
class TFirConvolution {
public:
    /// By ChooseFirMethod.
    TFirConvolution(const TFirDesign& design, int samples);
    /// By the method given: direct, or the FFT with a transform length (a power of two) and
    /// a block that fit (0 for either: the smallest transform that takes the whole trace).
    TFirConvolution(const TFirDesign& design, int samples, TFirMethod method);

    /// Filters `channels` interleaved traces (samples x channels, channels adjacent) in place.
    void Apply(double* values, std::size_t channels);

    const TFirMethod& Method() const { return method_; }

private:
    struct TGeometry {
        int N = 0;      // samples per trace
        int Edge = 0;   // reflected samples at either end
        int First = 0;  // the first sample of the reflected trace that reaches an output
        int Count = 0;  // how many samples from there do
        int Offset = 0; // y[i] = sum over t of Kernel[t] x p[Offset + i - t], p from First on
        std::vector<double> Kernel; // the taps that reach an output
    };
    static TGeometry GeometryOf(const TFirDesign& design, int samples);
    static int WholeTraceTransform(const TGeometry& g);
    friend TFirMethod ChooseFirMethod(const TFirDesign& design, int samples);

    void ApplyDirect(double* values, std::size_t channels);
    void ApplyFft(double* values, std::size_t channels);

    TGeometry g_;
    TFirMethod method_;
    std::vector<TConvolutionTwiddles> twiddles_; // none, or one for the transform length
    std::vector<TKernelSpectrum> spectrum_;
    std::vector<double> padded_; // the reflected traces of one group of channels, rows of lanes
    std::vector<double> block_;  // one transform
    std::vector<double> out_;    // the outputs of one group, rows of lanes
};

} // namespace orva
