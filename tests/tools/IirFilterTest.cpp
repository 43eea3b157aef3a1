// The Butterworth and notch designs and their zero-phase application against numbers computed
// once with SciPy 1.10 (the expression that made each is beside it), and the behaviour an ERP
// researcher relies on: unit gain where the band passes, half the amplitude at a cut-off.
#include "model/ORVAError.h"
#include "tools/IirFilter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace orva {
namespace {

using TRow = std::array<double, 6>;

void ExpectSections(const std::vector<TSecondOrderSection>& got, const std::vector<TRow>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t s = 0; s < want.size(); ++s) {
        const TSecondOrderSection& g = got[s];
        const double values[6] = {g.B0, g.B1, g.B2, 1.0, g.A1, g.A2};
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(values[i], want[s][static_cast<std::size_t>(i)], 1e-13) << "section " << s << " coefficient " << i;
    }
}

TEST(IirDesign, ButterworthSectionsAsSciPyDesignsThem)
{
    // butter(2, 30, fs=250, output='sos')
    ExpectSections(DesignButterworth(2, EButterworthKind::LowPass, 0, 30, 250),
                   {{0.09131490043583196, 0.18262980087166392, 0.09131490043583196, 1, -0.9824057931083952,
                     0.34766539485172315}});
    // butter(1, 30, fs=250, output='sos'): the odd pole paired with a zero at the origin
    ExpectSections(DesignButterworth(1, EButterworthKind::LowPass, 0, 30, 250),
                   {{0.283630678876287, 0.283630678876287, 0, 1, -0.4327386422474259, 0}});
    // butter(4, 0.1, 'highpass', fs=500, output='sos')
    ExpectSections(DesignButterworth(4, EButterworthKind::HighPass, 0.1, 0, 500),
                   {{0.9983594715689865, -1.996718943137973, 0.9983594715689865, 1, -1.9976791534115974,
                     0.9976807307168724},
                    {1, -2, 1, 1, -1.999037095803727, 0.999038674181191}});
    // butter(3, 1, 'highpass', fs=256, output='sos'): the real pole's section first
    ExpectSections(DesignButterworth(3, EButterworthKind::HighPass, 1, 0, 256),
                   {{0.9757544535134555, -0.9757544535134555, 0, 1, -0.9757526499323765, 0},
                    {1, -2, 1, 1, -1.9751611962490399, 0.9757562570945342}});
    // butter(2, [0.1, 30], 'bandpass', fs=250, output='sos')
    ExpectSections(DesignButterworth(2, EButterworthKind::BandPass, 0.1, 30, 250),
                   {{0.09081539757878346, 0.18163079515756692, 0.09081539757878346, 1, -0.986167450714936,
                     0.3500863018247567},
                    {1, -2, 1, 1, -1.9964458012346453, 0.9964521465952281}});
    // butter(1, [1, 40], 'bandpass', fs=256, output='sos')
    ExpectSections(DesignButterworth(1, EButterworthKind::BandPass, 1, 40, 256),
                   {{0.3416007365236981, 0, -0.3416007365236981, 1, -1.2996353283781734, 0.31679852695260374}});
}

TEST(IirDesign, NotchAndSteadyStatesAsSciPy)
{
    // iirnotch(50, 30, fs=250)
    ExpectSections({DesignNotch(50, 30, 250)},
                   {{0.9794827609814495, -0.6053536376811252, 0.9794827609814495, 1, -0.6053536376811252,
                     0.958965521962899}});
    // sosfilt_zi(butter(2, [0.1, 30], 'bandpass', fs=250, output='sos'))
    const std::vector<double> zi = SectionSteadyStates(DesignButterworth(2, EButterworthKind::BandPass, 0.1, 30, 250));
    const double want[4] = {0.9073785382597078, -0.2586386259228124, -0.998193935854387, 0.9981939358543307};
    ASSERT_EQ(zi.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(zi[static_cast<std::size_t>(i)], want[i], 1e-11) << i;
}

TEST(IirDesign, RefusesWhatCannotBeDesigned)
{
    EXPECT_THROW(DesignButterworth(2, EButterworthKind::LowPass, 0, 125, 250), EORVAError);
    EXPECT_THROW(DesignButterworth(2, EButterworthKind::HighPass, 0, 0, 250), EORVAError);
    EXPECT_THROW(DesignButterworth(2, EButterworthKind::BandPass, 30, 1, 250), EORVAError);
    EXPECT_THROW(DesignButterworth(0, EButterworthKind::LowPass, 0, 30, 250), EORVAError);
    EXPECT_THROW(DesignNotch(std::nan(""), 30, 250), EORVAError);
}

const std::vector<double> kTrace{3., -1., 4., 1., -5., 9., 2., -6., 5., 3., 5., -8.};

TEST(ZeroPhaseIir, AgreesWithSosfiltfiltAndFiltfilt)
{
    // sosfiltfilt(butter(2, [1, 40], 'bandpass', fs=256, output='sos'), x, padtype='odd', padlen=11)
    const double bandPassed[12] = {6.319393647514461, 5.777945798716704, 5.584148618266585, 5.857435663458389,
                                   6.727544005226431, 7.792816870027995, 8.49668175174226,  9.415203251571018,
                                   10.927520220966484, 11.316430001457936, 8.342345866347785, 2.244280358389709};
    // filtfilt(*iirnotch(50, 30, fs=250), x, padtype='odd', padlen=11)
    const double notched[12] = {2.4626395044907747, -0.6633517581827518, 4.789625358806088, 1.1740167910359975,
                                -5.717915076418703, 8.33982645976112,    2.3276418421176297, -5.092948297202824,
                                5.240389374998942,  2.2108311425914517,  4.243754698921751,  -7.672452593294814};
    // Two channels side by side: the second is the first negated and must stay so.
    std::vector<double> both;
    for (double v : kTrace) {
        both.push_back(v);
        both.push_back(-v);
    }
    std::vector<double> notchInput = both;
    TZeroPhaseIir band(DesignButterworth(2, EButterworthKind::BandPass, 1, 40, 256));
    band.Apply(both.data(), 12, 2);
    TZeroPhaseIir notch({DesignNotch(50, 30, 250)});
    notch.Apply(notchInput.data(), 12, 2);
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_NEAR(both[2 * i], bandPassed[i], 1e-10) << i;
        EXPECT_NEAR(both[2 * i + 1], -bandPassed[i], 1e-10) << i;
        EXPECT_NEAR(notchInput[2 * i], notched[i], 1e-10) << i;
    }
    // sosfiltfilt(butter(1, 30, fs=250, output='sos'), x[:2], padtype='odd', padlen=1)
    std::vector<double> two{3., -1.};
    TZeroPhaseIir low(DesignButterworth(1, EButterworthKind::LowPass, 0, 30, 250));
    low.Apply(two.data(), 2, 1);
    EXPECT_NEAR(two[0], 2.8146426501170745, 1e-12);
    EXPECT_NEAR(two[1], 0.6244044541645817, 1e-12);
    // One sample has no extension: a low-pass keeps it, the buffers shrink without harm.
    std::vector<double> one{7.5};
    low.Apply(one.data(), 1, 1);
    EXPECT_NEAR(one[0], 7.5, 1e-12);
}

// The amplitude a sine of hz keeps in the middle of a long trace filtered forward and backward.
double MiddleGain(const std::vector<TSecondOrderSection>& sections, double hz, double rate)
{
    const std::size_t n = 4000;
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
    TZeroPhaseIir filter(sections);
    filter.Apply(x.data(), n, 1);
    // whole periods for whole hz: the root mean square of a unit sine is 1 / sqrt(2)
    double square = 0;
    for (std::size_t i = n / 4; i < 3 * n / 4; ++i)
        square += x[i] * x[i];
    return std::sqrt(2 * square / static_cast<double>(n / 2));
}

// The gain of the two passes of a digital Butterworth low-pass: |H|^2 with the frequencies
// warped as the bilinear transform warps them.
double ButterworthGain(int order, double hz, double cutoff, double rate)
{
    const double ratio = std::tan(std::numbers::pi * hz / rate) / std::tan(std::numbers::pi * cutoff / rate);
    return 1 / (1 + std::pow(ratio, 2 * order));
}

TEST(ZeroPhaseIir, HalvesTheAmplitudeAtTheCutOffAndPassesTheBand)
{
    for (int order : {1, 2, 4}) {
        const auto low = DesignButterworth(order, EButterworthKind::LowPass, 0, 30, 500);
        const auto high = DesignButterworth(order, EButterworthKind::HighPass, 5, 0, 500);
        EXPECT_NEAR(MiddleGain(low, 30, 500), 0.5, 1e-3) << order;
        EXPECT_NEAR(MiddleGain(high, 5, 500), 0.5, 1e-3) << order;
        for (double hz : {2.0, 20.0, 60.0, 100.0}) {
            EXPECT_NEAR(MiddleGain(low, hz, 500), ButterworthGain(order, hz, 30, 500), 1e-3) << order << " " << hz;
            // a high-pass is the low-pass with tan inverted
            const double highGain = 1 / (1 + std::pow(std::tan(std::numbers::pi * 5 / 500) /
                                                          std::tan(std::numbers::pi * hz / 500),
                                                      2 * order));
            EXPECT_NEAR(MiddleGain(high, hz, 500), highGain, 1e-3) << order << " " << hz;
        }
    }
    const auto band = DesignButterworth(2, EButterworthKind::BandPass, 1, 40, 250);
    EXPECT_NEAR(MiddleGain(band, 40, 250), 0.5, 2e-3);
    EXPECT_NEAR(MiddleGain(band, 8, 250), 1.0, 5e-3);
    EXPECT_LT(MiddleGain({DesignNotch(50, 30, 250)}, 50, 250), 0.01);
    EXPECT_NEAR(MiddleGain({DesignNotch(50, 30, 250)}, 10, 250), 1.0, 3e-3);
}

TEST(ZeroPhaseIir, ConstantsAndLinesThroughHighAndLowPasses)
{
    // A constant leaves a low-pass as it came (DC gain 1) and a high-pass as ~0; a straight
    // line is its own odd extension, so a low-pass keeps it to the last sample at both edges.
    std::vector<double> constant(300, 42.0), line(300);
    for (std::size_t i = 0; i < line.size(); ++i)
        line[i] = 0.5 * static_cast<double>(i) - 20;
    std::vector<double> high = constant;
    TZeroPhaseIir highPass(DesignButterworth(2, EButterworthKind::HighPass, 1, 0, 250));
    highPass.Apply(high.data(), high.size(), 1);
    TZeroPhaseIir lowPass(DesignButterworth(4, EButterworthKind::LowPass, 0, 30, 250));
    lowPass.Apply(constant.data(), constant.size(), 1);
    lowPass.Apply(line.data(), line.size(), 1);
    for (std::size_t i = 0; i < constant.size(); ++i) {
        EXPECT_NEAR(high[i], 0.0, 1e-9) << i;
        EXPECT_NEAR(constant[i], 42.0, 1e-9) << i;
        EXPECT_NEAR(line[i], 0.5 * static_cast<double>(i) - 20, 1e-9) << i;
    }
}

} // namespace
} // namespace orva
