// Times LowPassFilter on a session model of 2 cells x 1000 observations x 250 samples
// x 64 channels at 20 Hz, and in the same run an FFTW baseline that does the same work per
// trace (calibrate, take out the line, transform, cut, transform back, store) with FFTW's
// single-precision real transforms, plans made once and reused for every observation.
//
// usage: bench_filter [REPEATS]   (default 5; the best run of each is reported)
// Then each build of the inner loop (AVX-512, AVX2, baseline) that the processor runs.
#include "tools/LowPassFilter.h"

#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include "bench/BenchmarkSession.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace orva;
using namespace orva::bench;

namespace {

constexpr float kCutoff = 20.0f;

// The same work as LowPassFilter, with FFTW for the transforms: the 64 traces of one
// observation go through one r2c and one c2r plan of FFTW ("many" plans, reused).
class TFFTWFilter {
public:
    explicit TFFTWFilter(int length)
        : L(length), real_(fftwf_alloc_real(static_cast<std::size_t>(length) * kChannels)),
          spectrum_(fftwf_alloc_complex(static_cast<std::size_t>(length / 2 + 1) * kChannels))
    {
        int n[] = {length};
        forward_ = fftwf_plan_many_dft_r2c(1, n, kChannels, real_, nullptr, 1, length, spectrum_, nullptr, 1,
                                           length / 2 + 1, FFTW_MEASURE);
        inverse_ = fftwf_plan_many_dft_c2r(1, n, kChannels, spectrum_, nullptr, 1, length / 2 + 1, real_, nullptr, 1,
                                           length, FFTW_MEASURE);
    }
    ~TFFTWFilter()
    {
        fftwf_destroy_plan(forward_);
        fftwf_destroy_plan(inverse_);
        fftwf_free(real_);
        fftwf_free(spectrum_);
    }

    void Run(TORVAFile& f, TORVACell& cell, int k)
    {
        const int n = cell.SamplesPerObservation;
        const int bins = L / 2 + 1;
        std::vector<float> first(kChannels);
        std::vector<double> line(static_cast<std::size_t>(n) * kChannels);
        for (int o = 0; o < cell.NumObservations; ++o) {
            for (int c = 0; c < kChannels; ++c) {
                float* x = real_ + c * L;
                const double zero = f.DataDescription.Zeros[c], gain = f.DataDescription.Gains[c];
                for (int t = 0; t < n; ++t)
                    x[t] = static_cast<float>(static_cast<double>((cell.Data(o, t, c) - static_cast<int>(zero)) * 400) / gain);
                std::fill(x + n, x + L, 0.0f);
                first[c] = x[0];
                const float last = x[n - 1];
                for (int t = 0; t < n; ++t) {
                    double r = std::nearbyint((static_cast<double>(last) - first[c]) * t / n);
                    line[static_cast<std::size_t>(c * n + t)] = r;
                    x[t] = static_cast<float>((static_cast<double>(x[t]) - first[c]) - r);
                }
            }
            fftwf_execute(forward_);
            for (int c = 0; c < kChannels; ++c)
                for (int b = std::max(k, 0); b < bins; ++b)
                    spectrum_[c * bins + b][0] = spectrum_[c * bins + b][1] = 0.0f;
            fftwf_execute(inverse_);
            for (int c = 0; c < kChannels; ++c) {
                const float* x = real_ + c * L;
                const double zero = f.DataDescription.Zeros[c], gain = f.DataDescription.Gains[c];
                for (int t = 0; t < n; ++t) {
                    const auto v = static_cast<float>(static_cast<double>(x[t]) / L + first[c] +
                                                      line[static_cast<std::size_t>(c * n + t)]);
                    const double s = std::nearbyint(std::clamp(gain * v / 400.0, -1e6, 1e6)) + zero;
                    cell.Data(o, t, c) = static_cast<std::int16_t>(std::clamp(s, -32768.0, 32767.0));
                }
            }
        }
    }

    /// The two transforms alone, as often as Run performs them.
    void TransformsOnly(int observations)
    {
        for (int o = 0; o < observations; ++o) {
            fftwf_execute(forward_);
            fftwf_execute(inverse_);
        }
    }

private:
    int L;
    float* real_;
    fftwf_complex* spectrum_;
    fftwf_plan forward_;
    fftwf_plan inverse_;
};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

} // namespace

int main(int argc, char** argv)
{
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const TORVAFile original = MakeBenchmarkSession();
    const double traces = double{kCells} * kObservations * kChannels;
    const int length = 256;
    const int k = static_cast<int>(std::floor(double{length} * kCutoff / kRate));
    TFFTWFilter fftw(length);

    double best = 1e30, bestFFTW = 1e30, bestTransforms = 1e30;
    for (int r = 0; r < repeats; ++r) {
        TORVAFile file = original;
        auto start = std::chrono::steady_clock::now();
        LowPassFilter(file, kCutoff);
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));

        TORVAFile baseline = original;
        start = std::chrono::steady_clock::now();
        for (auto& cell : baseline.Cells)
            fftw.Run(baseline, cell, k);
        bestFFTW = std::min(bestFFTW, Seconds(std::chrono::steady_clock::now() - start));

        start = std::chrono::steady_clock::now();
        fftw.TransformsOnly(kCells * kObservations);
        bestTransforms = std::min(bestTransforms, Seconds(std::chrono::steady_clock::now() - start));
    }
    std::printf("model: %d cells x %d observations x %d samples x %d channels, %d Hz, cut-off %.0f Hz\n", kCells,
                kObservations, kSamples, kChannels, kRate, kCutoff);
    std::printf("LowPassFilter  %8.3f s  %12.0f traces/s\n", best, traces / best);
    std::printf("FFTW baseline  %8.3f s  %12.0f traces/s\n", bestFFTW, traces / bestFFTW);
    std::printf("FFTW transforms alone %8.3f s  %12.0f traces/s\n", bestTransforms, traces / bestTransforms);
    std::printf("ratio (LowPassFilter time / FFTW baseline time): %.2f\n", best / bestFFTW);

    // Each build of the inner loop the processor runs, against the FFTW baseline above.
    const std::vector<std::string> kernels = FilterKernels();
    for (const std::string& kernel : kernels) {
        UseFilterKernel(kernel);
        double bestKernel = 1e30;
        for (int r = 0; r < repeats; ++r) {
            TORVAFile file = original;
            const auto start = std::chrono::steady_clock::now();
            LowPassFilter(file, kCutoff);
            bestKernel = std::min(bestKernel, Seconds(std::chrono::steady_clock::now() - start));
        }
        std::printf("  kernel %-8s %8.3f s  ratio to FFTW %.2f\n", kernel.c_str(), bestKernel, bestKernel / bestFFTW);
    }
    UseFilterKernel(kernels.front());
    return 0;
}
