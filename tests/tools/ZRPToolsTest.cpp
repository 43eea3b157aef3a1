#include "tools/LaneFFT.h"
#include "tools/ZRPTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

using namespace orva;

namespace {

const double kPi = std::acos(-1.0);

std::vector<float> RandomArray(std::size_t size, unsigned seed, float scale = 100.0f)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-scale, scale);
    std::vector<float> a(size);
    for (auto& v : a)
        v = value(random);
    return a;
}

// Direct sum Z_j = sum_k z_k exp(sign 2 pi i j k / n) in double.
std::vector<std::complex<double>> DirectComplexDFT(const std::vector<float>& data, int n, int sign)
{
    std::vector<std::complex<double>> z(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k)
            z[static_cast<std::size_t>(j)] += std::complex<double>(data[2 * k + 1], data[2 * k + 2]) *
                                              std::polar(1.0, sign * 2.0 * kPi * j * k / n);
    return z;
}

// F_k = sum_j x_j exp(+2 pi i j k / N) for the N real values at data[1..N].
std::complex<double> DirectRealDFT(const std::vector<float>& data, int bigN, int k)
{
    std::complex<double> f;
    for (int j = 0; j < bigN; ++j)
        f += static_cast<double>(data[static_cast<std::size_t>(j + 1)]) * std::polar(1.0, 2.0 * kPi * j * k / bigN);
    return f;
}

double SumOfMagnitudes(const std::vector<float>& a)
{
    double s = 0;
    for (std::size_t i = 1; i < a.size(); ++i)
        s += std::fabs(a[i]);
    return s;
}

class ComplexFFTTest : public testing::TestWithParam<int> {};

TEST_P(ComplexFFTTest, MatchesDirectSumForBothSigns)
{
    const int n = GetParam();
    for (int sign : {1, -1}) {
        auto data = RandomArray(static_cast<std::size_t>(2 * n + 1), static_cast<unsigned>(n * 10 + sign + 5));
        const auto expected = DirectComplexDFT(data, n, sign);
        const double tolerance = 1e-5 * SumOfMagnitudes(data);
        ComplexFFT(data.data(), n, sign);
        for (int j = 0; j < n; ++j) {
            EXPECT_NEAR(data[static_cast<std::size_t>(2 * j + 1)], expected[static_cast<std::size_t>(j)].real(), tolerance)
                << "n " << n << " sign " << sign << " j " << j;
            EXPECT_NEAR(data[static_cast<std::size_t>(2 * j + 2)], expected[static_cast<std::size_t>(j)].imag(), tolerance)
                << "n " << n << " sign " << sign << " j " << j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PointCounts, ComplexFFTTest, testing::Values(2, 4, 8, 16, 64));

TEST(ComplexFFT, OnePointLeavesTheArrayUnchanged)
{
    std::vector<float> data{7.0f, 3.5f, -2.25f};
    ComplexFFT(data.data(), 1, 1);
    EXPECT_EQ(data, (std::vector<float>{7.0f, 3.5f, -2.25f}));
}

class RealFFTTest : public testing::TestWithParam<int> {};

// 2n = 4, 8, 16, 32 random samples against the direct sum, the middle pair (k = n/2) included.
TEST_P(RealFFTTest, ForwardMatchesDirectSumInThePackedLayout)
{
    const int bigN = GetParam();
    const int n = bigN / 2;
    auto data = RandomArray(static_cast<std::size_t>(bigN + 1), static_cast<unsigned>(bigN));
    const auto input = data;
    const double tolerance = 1e-5 * SumOfMagnitudes(input);
    RealFFT(data.data(), n, 1);
    EXPECT_NEAR(data[1], DirectRealDFT(input, bigN, 0).real(), tolerance);
    EXPECT_NEAR(data[2], DirectRealDFT(input, bigN, n).real(), tolerance);
    for (int k = 1; k < n; ++k) {
        const auto f = DirectRealDFT(input, bigN, k);
        EXPECT_NEAR(data[static_cast<std::size_t>(2 * k + 1)], f.real(), tolerance) << "k " << k;
        EXPECT_NEAR(data[static_cast<std::size_t>(2 * k + 2)], f.imag(), tolerance) << "k " << k;
    }
}

TEST_P(RealFFTTest, InverseReturnsNTimesTheInputAndLeavesElementZero)
{
    const int bigN = GetParam();
    const int n = bigN / 2;
    auto data = RandomArray(static_cast<std::size_t>(bigN + 1), static_cast<unsigned>(bigN + 99));
    data[0] = 123.0f;
    const auto input = data;
    RealFFT(data.data(), n, 1);
    RealFFT(data.data(), n, -1);
    EXPECT_EQ(data[0], 123.0f);
    for (int j = 1; j <= bigN; ++j)
        EXPECT_NEAR(data[static_cast<std::size_t>(j)], n * input[static_cast<std::size_t>(j)], 1e-4 * n * 100.0) << j;
}

TEST_P(RealFFTTest, SineHasPositiveImaginaryPartAtBinOne)
{
    const int bigN = GetParam();
    std::vector<float> data(static_cast<std::size_t>(bigN + 1));
    for (int j = 0; j < bigN; ++j)
        data[static_cast<std::size_t>(j + 1)] = static_cast<float>(std::sin(2.0 * kPi * j / bigN));
    RealFFT(data.data(), bigN / 2, 1);
    EXPECT_NEAR(data[3], 0.0, 1e-5);
    EXPECT_NEAR(data[4], bigN / 2.0, 1e-5 * bigN);
}

TEST_P(RealFFTTest, UnitImpulseGivesOnesEverywhere)
{
    const int bigN = GetParam();
    std::vector<float> data(static_cast<std::size_t>(bigN + 1));
    data[1] = 1.0f;
    RealFFT(data.data(), bigN / 2, 1);
    EXPECT_FLOAT_EQ(data[1], 1.0f);
    EXPECT_FLOAT_EQ(data[2], 1.0f);
    for (int k = 1; k < bigN / 2; ++k) {
        EXPECT_NEAR(data[static_cast<std::size_t>(2 * k + 1)], 1.0, 1e-6) << k;
        EXPECT_NEAR(data[static_cast<std::size_t>(2 * k + 2)], 0.0, 1e-6) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(SampleCounts, RealFFTTest, testing::Values(4, 8, 16, 32));

TEST(RealFFT, TwoSamplesGiveSumAndDifference)
{
    std::vector<float> data{9.0f, 5.0f, 2.0f};
    RealFFT(data.data(), 1, 1);
    EXPECT_EQ(data, (std::vector<float>{9.0f, 7.0f, 3.0f}));
}

// The batched transform of LaneFFT.h against the reference, lane by lane, bit for bit.
void ExpectLanesMatchReference(int n, unsigned seed)
{
    constexpr int W = lanes::kWidth;
    const std::size_t size = static_cast<std::size_t>(2 * n + 1);
    std::vector<std::vector<float>> traces;
    std::vector<float> lanes(size * W);
    for (int l = 0; l < W; ++l) {
        // Values of every magnitude, zeros and negative zeros included.
        traces.push_back(RandomArray(size, seed + static_cast<unsigned>(l), l % 2 ? 1e4f : 0.01f));
        traces.back()[1 + static_cast<std::size_t>(l) % (size - 1)] = (l % 3) ? -0.0f : 0.0f;
        for (std::size_t i = 0; i < size; ++i)
            lanes[i * W + static_cast<std::size_t>(l)] = traces.back()[i];
    }
    const TRealFFTPlan plan(n);
    auto reference = traces;
    for (auto& t : reference)
        RealFFT(t.data(), n, 1);
    lanes::ForwardRealFFT(lanes.data(), plan);
    for (int l = 0; l < W; ++l)
        for (std::size_t i = 1; i < size; ++i)
            ASSERT_EQ(std::memcmp(&lanes[i * W + static_cast<std::size_t>(l)], &reference[static_cast<std::size_t>(l)][i], sizeof(float)), 0)
                << "forward n " << n << " lane " << l << " index " << i;
    for (auto& t : reference)
        RealFFT(t.data(), n, -1);
    lanes::InverseRealFFT(lanes.data(), plan);
    for (int l = 0; l < W; ++l)
        for (std::size_t i = 1; i < size; ++i)
            ASSERT_EQ(std::memcmp(&lanes[i * W + static_cast<std::size_t>(l)], &reference[static_cast<std::size_t>(l)][i], sizeof(float)), 0)
                << "inverse n " << n << " lane " << l << " index " << i;
}

TEST(LaneFFT, EveryLaneHasTheBitsOfTheReference)
{
    for (int n : {1, 2, 4, 8, 64, 128, 256, 2048})
        for (unsigned seed : {1u, 2u, 3u})
            ExpectLanesMatchReference(n, static_cast<unsigned>(n) * 10 + seed);
}

TEST(FFTPlan, RecordsTheTwiddleFactorsOfEveryGroup)
{
    const TRealFFTPlan plan(64);
    EXPECT_EQ(plan.Forward.Wr.size(), 63u); // 1 + 2 + ... + 32 groups
    EXPECT_EQ(plan.SplitWrForward.size(), 31u);
    EXPECT_EQ(plan.Forward.Wr[0], 1.0);
    EXPECT_EQ(plan.Forward.Wi[0], 0.0);
    // The inverse runs the recurrence on the negated angle.
    for (std::size_t k = 0; k < plan.Forward.Wi.size(); ++k)
        EXPECT_EQ(plan.Inverse.Wi[k], -plan.Forward.Wi[k]) << k;
}

} // namespace
