// The FIR designs against taps that MNE-Python 1.3 gave for the same arguments
// (mne.filter.create_filter(None, rate, l_freq, h_freq), and notch_filter of a unit impulse),
// and the zero-phase application over a trace reflected about its end values.
#include "tools/FirFilter.h"

#include "model/ORVAError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace orva {
namespace {

struct TTapCase {
    double Rate;
    std::optional<double> Low, High;
    int Length;
    double Centre, CentrePlus7, Tap3;
};

TEST(FirFilter, DesignsTheTapsOfMneDefaults)
{
    const std::vector<TTapCase> cases{
        {250, std::nullopt, 30, 111, 0.26970675794659504, -0.014828370699803828, 6.647321265386777e-05},
        {250, 1, std::nullopt, 825, 0.9959798293951475, -0.004012357753660976, 5.703561502745966e-05},
        {250, 0.1, 30, 8251, 0.26930481316175214, -0.015230307673616642, 5.5418692434945535e-06},
        {500, 1, 40, 1651, 0.17781856504302973, -0.03458090263743005, 2.8009324457711213e-05},
        {256, std::nullopt, 100, 35, 0.8784363680659871, 0.013937510227625615, 0.0027664173703615593},
    };
    for (const auto& c : cases) {
        const TFirDesign d = DesignFir(c.Rate, c.Low, c.High);
        ASSERT_EQ(d.Length(), c.Length) << c.Rate << " Hz";
        const std::size_t mid = d.Taps.size() / 2;
        EXPECT_NEAR(d.Taps[mid], c.Centre, 1e-12 * std::abs(c.Centre)) << d.Length();
        EXPECT_NEAR(d.Taps[mid + 7], c.CentrePlus7, 1e-12) << d.Length();
        EXPECT_NEAR(d.Taps[3], c.Tap3, 1e-14) << d.Length();
        for (std::size_t k = 0; k < mid; ++k)
            ASSERT_NEAR(d.Taps[k], d.Taps[d.Taps.size() - 1 - k], 1e-15) << "taps not symmetric at " << k;
    }
    const TFirDesign lp = DesignFir(250, std::nullopt, 30);
    EXPECT_EQ(lp.Kind, EFirKind::LowPass);
    EXPECT_DOUBLE_EQ(*lp.HighTransitionHz, 7.5);
    EXPECT_NEAR(lp.LengthSeconds(), 111 / 250.0, 1e-15);
}

TEST(FirFilter, NotchesAsMneNotchFilterDoes)
{
    struct TNotch {
        double Rate, F0;
        int Length;
        double Centre, CentrePlus5;
    };
    for (const auto& c : {TNotch{250, 50, 1651, 0.9940245804124723, -0.005997299500371662},
                          TNotch{256, 60, 1691, 0.9937825226224848, -0.0029409005822453728},
                          TNotch{500, 50, 3301, 0.997006135539521, 0.002999671074107305}}) {
        const TFirDesign d = DesignFirNotch(c.Rate, c.F0, std::nullopt);
        EXPECT_EQ(d.Kind, EFirKind::BandStop);
        EXPECT_EQ(d.Length(), c.Length);
        // An impulse far from the ends comes out as the taps themselves.
        std::vector<double> x(static_cast<std::size_t>(3 * c.Length), 0.0);
        x[x.size() / 2] = 1;
        ApplyFir(d, x);
        EXPECT_NEAR(x[x.size() / 2], c.Centre, 1e-10) << c.Rate;
        EXPECT_NEAR(x[x.size() / 2 + 5], c.CentrePlus5, 1e-10) << c.Rate;
    }
}

// The trace reflected about each end value over min(length, n) - 1 samples, zero beyond,
// convolved and its delay taken out: written out plainly.
std::vector<double> Reference(const TFirDesign& d, const std::vector<double>& x)
{
    const long n = static_cast<long>(x.size()), length = d.Length();
    const long edge = std::min(length, n) - 1;
    auto padded = [&](long j) {
        if (j < -edge || j >= n + edge)
            return 0.0;
        if (j < 0)
            return 2 * x[0] - x[static_cast<std::size_t>(-j)];
        if (j >= n)
            return 2 * x[static_cast<std::size_t>(n - 1)] - x[static_cast<std::size_t>(2 * (n - 1) - j)];
        return x[static_cast<std::size_t>(j)];
    };
    std::vector<double> y(x.size());
    for (long i = 0; i < n; ++i)
        for (long k = 0; k < length; ++k)
            y[static_cast<std::size_t>(i)] += d.Taps[static_cast<std::size_t>(k)] * padded(i + (length - 1) / 2 - k);
    return y;
}

TEST(FirFilter, AppliesOverTheReflectedTraceWhateverItsLength)
{
    const TFirDesign lp = DesignFir(250, std::nullopt, 30);
    const TFirDesign hp = DesignFir(250, 1, std::nullopt);
    for (std::size_t n : {1u, 2u, 5u, 36u, 110u, 111u, 112u, 500u}) {
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i)
            x[i] = std::sin(0.37 * static_cast<double>(i)) * 20 + static_cast<double>(i % 7);
        for (const TFirDesign* d : {&lp, &hp}) {
            const std::vector<double> expected = Reference(*d, x);
            std::vector<double> y = x;
            ApplyFir(*d, y);
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_NEAR(y[i], expected[i], 1e-9) << n << " samples, sample " << i;
        }
    }
    // A constant passes a low-pass unchanged: its reflection is the same constant.
    std::vector<double> flat(300, 12.5);
    ApplyFir(lp, flat);
    for (double v : flat)
        ASSERT_NEAR(v, 12.5, 1e-9);
}

TEST(FirFilter, RefusesEdgesOutsideTheBand)
{
    EXPECT_THROW(DesignFir(250, std::nullopt, std::nullopt), EORVAError);
    EXPECT_THROW(DesignFir(250, std::nullopt, 125), EORVAError);
    EXPECT_THROW(DesignFir(250, 0, std::nullopt), EORVAError);
    EXPECT_THROW(DesignFir(250, 30, 10), EORVAError);
    EXPECT_THROW(DesignFir(0, std::nullopt, 30), EORVAError);
    EXPECT_THROW(DesignFirNotch(250, 124.9, std::nullopt), EORVAError);
    EXPECT_THROW(DesignFirNotch(250, 50, -1.0), EORVAError);
}

} // namespace
} // namespace orva
