// The band filters over whole files: the vector lanes of the zero-phase IIR against the
// recursion written out for one trace, and the file filtered by several threads against
// the file filtered by one and against each trace filtered and stored on its own.
#include "tests/tools/FilterTestSupport.h"
#include "tools/BandFilter.h"
#include "tools/IirFilter.h"
#include "tools/LaneTargets.h"
#include "tools/SampleWriteBack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace orva {
namespace {

// sosfiltfilt with an odd extension of n - 1 samples, one trace, in the plain order of
// the transposed direct form II.
std::vector<double> PlainZeroPhase(const std::vector<TSecondOrderSection>& sections, const std::vector<double>& x)
{
    const std::size_t n = x.size(), pad = n - 1;
    std::vector<double> ext;
    for (std::size_t i = pad; i >= 1; --i)
        ext.push_back(2 * x[0] - x[i]);
    ext.insert(ext.end(), x.begin(), x.end());
    for (std::size_t i = 1; i <= pad; ++i)
        ext.push_back(2 * x[n - 1] - x[n - 1 - i]);
    const std::vector<double> steady = SectionSteadyStates(sections);
    const auto pass = [&](std::vector<double>& v) {
        std::vector<double> z(steady.size());
        for (std::size_t k = 0; k < z.size(); ++k)
            z[k] = steady[k] * v[0];
        for (double& value : v) {
            double in = value;
            for (std::size_t s = 0; s < sections.size(); ++s) {
                const TSecondOrderSection& c = sections[s];
                const double y = c.B0 * in + z[2 * s];
                z[2 * s] = c.B1 * in - c.A1 * y + z[2 * s + 1];
                z[2 * s + 1] = c.B2 * in - c.A2 * y;
                in = y;
            }
            value = in;
        }
    };
    pass(ext);
    std::reverse(ext.begin(), ext.end());
    pass(ext);
    std::reverse(ext.begin(), ext.end());
    return {ext.begin() + static_cast<std::ptrdiff_t>(pad), ext.begin() + static_cast<std::ptrdiff_t>(pad + n)};
}

TEST(BandFilterLanes, ZeroPhaseIirGivesThePlainRecursionsBitsOnEveryChannel)
{
    const std::vector<std::vector<TSecondOrderSection>> designs{
        DesignButterworth(2, EButterworthKind::BandPass, 0.1, 30, 250),
        DesignButterworth(5, EButterworthKind::HighPass, 1, 0, 500), {DesignNotch(50, 30, 250)}};
    for (const auto& sections : designs)
        for (std::size_t n : {1u, 2u, 3u, 40u, 251u})
            for (std::size_t channels : {1u, 8u, 13u}) {
                std::vector<double> values(n * channels);
                for (std::size_t i = 0; i < values.size(); ++i)
                    values[i] = std::sin(0.3 * static_cast<double>(i)) * 50 + static_cast<double>(i % 11);
                std::vector<double> expected = values;
                for (std::size_t h = 0; h < channels; ++h) {
                    std::vector<double> trace;
                    for (std::size_t s = 0; s < n; ++s)
                        trace.push_back(values[s * channels + h]);
                    trace = PlainZeroPhase(sections, trace);
                    for (std::size_t s = 0; s < n; ++s)
                        expected[s * channels + h] = trace[s];
                }
                for (int limit : {2, 0}) {
                    LaneTargetLimit() = limit;
                    std::vector<double> got = values;
                    TZeroPhaseIir(sections).Apply(got.data(), n, channels);
                    ASSERT_EQ(got, expected) << sections.size() << " sections, " << n << " samples, " << channels
                                             << " channels, build " << limit;
                }
                LaneTargetLimit() = static_cast<int>(ELaneTarget::Avx512);
            }
}

TORVAFile SessionModel()
{
    TORVAFile f = test::MakeFilterModel(false, 2, 21, 120, 11, 250);
    for (int h = 0; h < 11; ++h) {
        f.DataDescription.Zeros[static_cast<std::size_t>(h)] = 2048 - 3 * h;
        f.DataDescription.Gains[static_cast<std::size_t>(h)] = 100 + 37 * h;
    }
    test::FillWaveforms(f, 5);
    return f;
}

std::vector<std::int16_t> Samples(const TORVAFile& f)
{
    std::vector<std::int16_t> all;
    for (const TORVACell& cell : f.Cells)
        all.insert(all.end(), cell.Data.data(), cell.Data.data() + cell.Data.size());
    return all;
}

TEST(BandFilterFile, ThreadsGiveTheBitsOfOneThreadAndOfEachTraceAlone)
{
    TBandFilterOptions band;
    band.Kind = EBandKind::BandPass;
    band.LowHz = 0.1;
    band.HighHz = 30;
    TBandFilterOptions fir = band;
    fir.Design = EFilterDesign::Fir;
    TBandFilterOptions low;
    low.HighHz = 30;
    low.Design = EFilterDesign::Fir;
    for (const TBandFilterOptions* o : {&band, &fir, &low}) {
        const TErpResult one = BandFilter(SessionModel(), *o, 1);
        const TErpResult three = BandFilter(SessionModel(), *o, 3);
        EXPECT_EQ(Samples(one.File), Samples(three.File)) << BandFilterText(*o);
        EXPECT_EQ(one.Clamped, three.Clamped);
        EXPECT_FALSE(three.File.Saved);
        // Each trace calibrated, filtered alone and stored as a session sample.
        TORVAFile f = SessionModel();
        std::int64_t clamped = 0;
        for (TORVACell& cell : f.Cells)
            for (int obs = 0; obs < cell.NumObservations; ++obs)
                for (int h = 0; h < f.NumChannels(); ++h) {
                    std::vector<double> trace;
                    for (int s = 0; s < cell.SamplesPerObservation; ++s)
                        trace.push_back(CalibratedValue(f, cell.Data(obs, s, h), h));
                    BandFilterTrace(trace.data(), cell.SamplesPerObservation, cell.SamplesPerSecond, *o);
                    for (int s = 0; s < cell.SamplesPerObservation; ++s)
                        cell.Data(obs, s, h) = SessionSample(trace[static_cast<std::size_t>(s)],
                                                             f.DataDescription.Zeros[static_cast<std::size_t>(h)],
                                                             f.DataDescription.Gains[static_cast<std::size_t>(h)], clamped);
                }
        // The FFT shares a transform between two channels, whose rounding errors then meet:
        // a value a hair from a rounding boundary may be stored one step apart.
        const std::vector<std::int16_t> together = Samples(one.File), alone = Samples(f);
        std::size_t apart = 0;
        for (std::size_t i = 0; i < alone.size(); ++i) {
            ASSERT_LE(std::abs(together[i] - alone[i]), 1) << BandFilterText(*o) << " value " << i;
            apart += together[i] != alone[i];
        }
        EXPECT_LE(apart, o == &fir ? 2u : 0u) << BandFilterText(*o);
        EXPECT_EQ(one.Clamped, clamped);
    }
}

TEST(BandFilterFile, CountsClampedValuesOverAllThreads)
{
    // A square wave from one end of the range to the other: its low-pass overshoots both.
    TORVAFile f = SessionModel();
    for (TORVACell& cell : f.Cells)
        for (int obs = 0; obs < cell.NumObservations; ++obs)
            for (int s = 0; s < cell.SamplesPerObservation; ++s)
                cell.Data(obs, s, 3) = static_cast<std::int16_t>((s / 8) % 2 ? 32767 : -32768);
    TBandFilterOptions low;
    low.HighHz = 30;
    const TErpResult one = BandFilter(f, low, 1);
    const TErpResult four = BandFilter(f, low, 4);
    EXPECT_GT(one.Clamped, 0);
    EXPECT_EQ(one.Clamped, four.Clamped);
    EXPECT_EQ(Samples(one.File), Samples(four.File));
}

} // namespace
} // namespace orva
