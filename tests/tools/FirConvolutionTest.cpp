// The FIR filter over whole observations against ApplyFir trace by trace: the direct way
// to the bit, the FFT ways (the whole trace in one transform, or blocks added up) within
// 1e-12 of the trace's scale, for traces shorter than, as long as and longer than the filter.
// The twiddle factors against the C library's sines, and every build of the lane kernels
// against the others.
#include "tools/ConvolutionFFT.h"
#include "tools/FirConvolution.h"
#include "tools/LaneTargets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace orva {
namespace {

// Channels of distinct waves and offsets, samples x channels.
std::vector<double> Observation(int samples, int channels)
{
    std::vector<double> v(static_cast<std::size_t>(samples) * static_cast<std::size_t>(channels));
    for (int s = 0; s < samples; ++s)
        for (int h = 0; h < channels; ++h)
            v[static_cast<std::size_t>(s * channels + h)] =
                40 * std::sin(0.037 * (h + 1) * s + h) + 9 * std::cos(0.61 * s) + 3.5 * h - 20 + (s * 7 + h) % 5;
    return v;
}

// ApplyFir on every channel alone.
std::vector<double> TraceByTrace(const TFirDesign& d, std::vector<double> v, int samples, int channels)
{
    std::vector<double> trace(static_cast<std::size_t>(samples));
    for (int h = 0; h < channels; ++h) {
        for (int s = 0; s < samples; ++s)
            trace[static_cast<std::size_t>(s)] = v[static_cast<std::size_t>(s * channels + h)];
        ApplyFir(d, trace);
        for (int s = 0; s < samples; ++s)
            v[static_cast<std::size_t>(s * channels + h)] = trace[static_cast<std::size_t>(s)];
    }
    return v;
}

double Scale(const std::vector<double>& v)
{
    double m = 0;
    for (double x : v)
        m = std::max(m, std::abs(x));
    return m;
}

const std::vector<int> kLengths{1, 2, 3, 7, 36, 109, 110, 111, 112, 113, 250, 413, 450, 600};

TEST(FirConvolution, DirectGivesApplyFirBitsOnEveryChannel)
{
    const TFirDesign lp = DesignFir(250, std::nullopt, 30); // 111 taps
    const TFirDesign hp = DesignFir(250, 1, std::nullopt);  // 825
    for (const TFirDesign* d : {&lp, &hp})
        for (int n : kLengths)
            for (int channels : {1, 8, 11}) {
                std::vector<double> v = Observation(n, channels);
                const std::vector<double> expected = TraceByTrace(*d, v, n, channels);
                TFirConvolution direct(*d, n, TFirMethod{});
                direct.Apply(v.data(), static_cast<std::size_t>(channels));
                ASSERT_EQ(v, expected) << d->Length() << " taps, " << n << " samples, " << channels << " channels";
            }
}

TEST(FirConvolution, FftAgreesWithApplyFirWholeTraceAndInBlocks)
{
    const TFirDesign lp = DesignFir(250, std::nullopt, 30);
    const TFirDesign hp = DesignFir(250, 1, std::nullopt);
    const TFirDesign band = DesignFir(250, 0.1, 30); // 8251 taps
    const TFirDesign notch = DesignFirNotch(250, 50, std::nullopt);
    for (const TFirDesign* d : {&lp, &hp, &band, &notch})
        for (int n : kLengths)
            for (int transform : {0, 256, 1024}) {
                if (transform != 0 && transform <= d->Length())
                    continue; // too short for the taps (refused, see below)
                const int channels = 19; // a second group of lanes, mostly empty
                std::vector<double> v = Observation(n, channels);
                const std::vector<double> expected = TraceByTrace(*d, v, n, channels);
                const double scale = Scale(v);
                TFirConvolution fft(*d, n, TFirMethod{true, transform, 0});
                fft.Apply(v.data(), channels);
                for (std::size_t i = 0; i < v.size(); ++i)
                    ASSERT_NEAR(v[i], expected[i], 1e-12 * scale)
                        << d->Length() << " taps, " << n << " samples, transform " << fft.Method().TransformLength
                        << " block " << fft.Method().Block << ", value " << i;
            }
}

TEST(FirConvolution, BlocksAreUsedWhereTheTraceIsLongAndTheFilterShort)
{
    const TFirDesign lp = DesignFir(250, std::nullopt, 30);
    const int n = 5000;
    TFirConvolution blocks(lp, n, TFirMethod{true, 512, 0});
    EXPECT_EQ(blocks.Method().TransformLength, 512);
    EXPECT_EQ(blocks.Method().Block, 512 - 111 + 1);
    std::vector<double> v = Observation(n, 3);
    const std::vector<double> expected = TraceByTrace(lp, v, n, 3);
    blocks.Apply(v.data(), 3);
    for (std::size_t i = 0; i < v.size(); ++i)
        ASSERT_NEAR(v[i], expected[i], 1e-12 * Scale(expected)) << i;
    // A transform too short for the taps is refused.
    EXPECT_THROW(TFirConvolution(lp, n, TFirMethod{true, 64, 0}), std::exception);
    EXPECT_THROW(TFirConvolution(lp, n, TFirMethod{true, 300, 0}), std::exception);
}

TEST(FirConvolution, ChoosesByCost)
{
    // A short filter is applied directly; the band-pass's 8251 taps meet a 250-sample epoch
    // over about 1000 of them and are applied by one transform of the whole reflected epoch.
    EXPECT_FALSE(ChooseFirMethod(DesignFir(256, std::nullopt, 100), 250).Fft);
    const TFirMethod band = ChooseFirMethod(DesignFir(250, 0.1, 30), 250);
    EXPECT_TRUE(band.Fft);
    EXPECT_EQ(band.TransformLength, 1024);
    // A long epoch and a filter of 825 taps: blocks cost less than one transform of it all.
    const TFirMethod blocks = ChooseFirMethod(DesignFir(250, 1, std::nullopt), 20000);
    EXPECT_TRUE(blocks.Fft);
    EXPECT_LT(blocks.TransformLength, 32768);
    EXPECT_GT(blocks.Block, 0);
}

TEST(ConvolutionFFT, PortableSinesAgreeWithTheLibraryToAnUlpOrTwo)
{
    for (int k = 0; k <= 1000; ++k) {
        const double x = std::numbers::pi / 4 * k / 1000;
        double s = 0, c = 0;
        PortableSineCosine(x, s, c);
        EXPECT_NEAR(s, std::sin(x), 2.3e-16) << x;
        EXPECT_NEAR(c, std::cos(x), 2.3e-16) << x;
    }
    const TConvolutionTwiddles w(64);
    for (int j = 0; j < 32; ++j) {
        EXPECT_NEAR(w.Re[static_cast<std::size_t>(j)], std::cos(2 * std::numbers::pi * j / 64), 4.5e-16) << j;
        EXPECT_NEAR(w.Im[static_cast<std::size_t>(j)], -std::sin(2 * std::numbers::pi * j / 64), 4.5e-16) << j;
    }
    // Exact at the quarter turns
    EXPECT_EQ(w.Re[16], 0.0);
    EXPECT_EQ(w.Im[16], -1.0);
    EXPECT_THROW(TConvolutionTwiddles(48), std::exception);
    EXPECT_THROW(TConvolutionTwiddles(1), std::exception);
}

TEST(ConvolutionFFT, EveryBuildGivesTheSameBits)
{
    const TFirDesign band = DesignFir(250, 0.1, 30);
    const TFirDesign lp = DesignFir(250, std::nullopt, 30);
    std::vector<std::vector<double>> results;
    for (int limit : {2, 1, 0}) {
        LaneTargetLimit() = limit;
        std::vector<double> a = Observation(250, 21), b = a;
        TFirConvolution(band, 250).Apply(a.data(), 21);
        TFirConvolution(lp, 250, TFirMethod{}).Apply(b.data(), 21);
        a.insert(a.end(), b.begin(), b.end());
        results.push_back(a);
    }
    LaneTargetLimit() = static_cast<int>(ELaneTarget::Avx512);
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
}

} // namespace
} // namespace orva
