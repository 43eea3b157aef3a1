// Bad channels repaired: the weights of the splines applied to every sample, the other
// channels left as they were, the refusals named.
#include "head/SphericalSpline.h"
#include "model/ORVAError.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tools/ChannelInterpolation.h"
#include "tools/SampleWriteBack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace orva::test {
namespace {

constexpr int kChannels = 12;
constexpr int kSamples = 5;

// Twelve sensors over the upper head, labelled E1..E12, plus a reference that matches no channel.
std::vector<TSensorPosition> Sensors()
{
    std::vector<TSensorPosition> s;
    for (int i = 0; i < kChannels; ++i) {
        const double polar = 0.25 + 1.4 * i / kChannels, azimuth = 2.4 * i;
        s.push_back({"E" + std::to_string(i + 1), 8 * std::sin(polar) * std::cos(azimuth),
                     8 * std::sin(polar) * std::sin(azimuth), 8 * std::cos(polar)});
    }
    s.push_back({"REF", 0, 0, 8});
    return s;
}

class InterpolationTest : public ::testing::Test {
protected:
    // A session file (zeros and gains differing by channel) or an average file (ScaleBins 10)
    // with two cells, the second with two observations, of a pattern of distinct samples.
    TORVAFile Load(bool session)
    {
        TTestFileBuilder b = session ? TTestFileBuilder::Session(2, 2, kSamples, kChannels)
                                     : TTestFileBuilder::Average(2, 2, kSamples, kChannels);
        if (session)
            for (int h = 0; h < kChannels; ++h) {
                b.Zeros[static_cast<std::size_t>(h)] = 20 * h - 50;
                b.Gains[static_cast<std::size_t>(h)] = 380 + 7 * h;
            }
        const std::string name = session ? "in.ses" : "in.ave";
        b.WriteTo(dir.Path(name));
        return LoadChecked(dir.Path(name));
    }
    TInterpolationOptions Options(TSelectionList chans, TSelectionList excluded = {})
    {
        TInterpolationOptions o;
        o.Channels = std::move(chans);
        o.Excluded = std::move(excluded);
        o.Sensors = Sensors();
        o.PositionsFile = "net.sfp";
        return o;
    }
    template <class F> std::string Refusal(F&& f)
    {
        try {
            f();
        } catch (const EORVAError& e) {
            return e.what();
        }
        return "";
    }
    TTempDir dir;
};

double Value(const TORVAFile& f, int c, int o, int s, int h)
{
    return CalibratedValue(f, f.Cells[static_cast<std::size_t>(c)].Data(o, s, h), h);
}

TEST_F(InterpolationTest, SessionTargetsGetTheSplineOfTheOthersWrittenBackAsTheFilterWrites)
{
    const TORVAFile in = Load(true);
    const auto options = Options({4, 1}, {7});
    const TInterpolationPlan plan = PlanInterpolation(in, options);
    EXPECT_EQ(plan.Targets, (std::vector<int>{4, 1}));
    EXPECT_EQ(plan.Sources, (std::vector<int>{0, 2, 3, 5, 6, 8, 9, 10, 11}));

    // The weights are the spline's own, from the sensors' directions.
    std::vector<TPoint3> from, to;
    for (int h : plan.Sources)
        from.push_back(UnitVector({Sensors()[h].X, Sensors()[h].Y, Sensors()[h].Z}));
    for (int h : plan.Targets)
        to.push_back(UnitVector({Sensors()[h].X, Sensors()[h].Y, Sensors()[h].Z}));
    EXPECT_EQ(plan.Weights, TSphericalSpline(from).InterpolationMatrix(to));

    const TErpResult result = InterpolateChannels(in, options);
    const TORVAFile& out = result.File;
    ASSERT_TRUE(out.IsSessionFile());
    EXPECT_EQ(out.DataDescription.Zeros, in.DataDescription.Zeros);
    EXPECT_EQ(out.DataDescription.Gains, in.DataDescription.Gains);
    std::int64_t clamped = 0;
    for (int c = 0; c < 2; ++c)
        for (int o = 0; o < 2; ++o)
            for (int s = 0; s < kSamples; ++s)
                for (int h = 0; h < kChannels; ++h) {
                    const auto& cellOut = out.Cells[static_cast<std::size_t>(c)];
                    const auto& cellIn = in.Cells[static_cast<std::size_t>(c)];
                    if (h != 4 && h != 1) {
                        EXPECT_EQ(cellOut.Data(o, s, h), cellIn.Data(o, s, h));
                        continue;
                    }
                    const std::size_t t = h == 4 ? 0 : 1;
                    double v = 0;
                    for (std::size_t j = 0; j < plan.Sources.size(); ++j)
                        v += plan.Weights[t * plan.Sources.size() + j] * Value(in, c, o, s, plan.Sources[j]);
                    const auto hh = static_cast<std::size_t>(h);
                    EXPECT_EQ(cellOut.Data(o, s, h),
                              SessionSample(v, in.DataDescription.Zeros[hh], in.DataDescription.Gains[hh], clamped));
                }
    EXPECT_EQ(result.Clamped, clamped);
}

TEST_F(InterpolationTest, AverageOfAConstantFieldKeepsItAtTheScaleItNeeds)
{
    TORVAFile in = Load(false);
    // Every channel but the bad one 3 uV at every sample; the bad one far off.
    for (auto& cell : in.Cells)
        for (int o = 0; o < cell.NumObservations; ++o)
            for (int s = 0; s < kSamples; ++s)
                for (int h = 0; h < kChannels; ++h)
                    cell.Data(o, s, h) = static_cast<std::int16_t>(h == 6 ? 3000 : 30);
    const TORVAFile out = InterpolateChannels(in, Options({6})).File;
    ASSERT_TRUE(out.IsAverageFile());
    EXPECT_EQ(out.GeneralInformation.ScaleBins, 32767 / 3);
    for (int c = 0; c < 2; ++c)
        for (int s = 0; s < kSamples; ++s)
            for (int h = 0; h < kChannels; ++h)
                EXPECT_NEAR(Value(out, c, 1, s, h), 3, 1.0 / out.GeneralInformation.ScaleBins) << h;
}

TEST_F(InterpolationTest, ExcludedChannelsAndUnmatchedLabelsPlayNoPart)
{
    TORVAFile in = Load(true);
    const TORVAFile a = InterpolateChannels(in, Options({2}, {9})).File;
    // The excluded channel changed: the repaired one must not.
    for (auto& cell : in.Cells)
        for (int o = 0; o < cell.NumObservations; ++o)
            for (int s = 0; s < kSamples; ++s)
                cell.Data(o, s, 9) = static_cast<std::int16_t>(cell.Data(o, s, 9) + 900);
    auto options = Options({2}, {9});
    options.Sensors.insert(options.Sensors.begin(), {"Cz", 1, 2, 3});
    const TORVAFile b = InterpolateChannels(in, options).File;
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(a.Cells[static_cast<std::size_t>(c)].Data.Observation(1)[2 + kChannels * 3],
                  b.Cells[static_cast<std::size_t>(c)].Data.Observation(1)[2 + kChannels * 3]);
}

TEST_F(InterpolationTest, NamesAndOriginChooseTheDirections)
{
    const TORVAFile in = Load(true);
    // Positions under other labels, matched through names, give the same plan.
    auto named = Options({3});
    named.ChannelNames.clear();
    for (auto& s : named.Sensors) {
        s.Label = "ch-" + s.Label;
        if (named.ChannelNames.size() < kChannels)
            named.ChannelNames.push_back(s.Label);
    }
    EXPECT_EQ(PlanInterpolation(in, named).Weights, PlanInterpolation(in, Options({3})).Weights);

    // Moving every sensor and the origin alike changes nothing.
    auto moved = Options({3});
    for (auto& s : moved.Sensors) {
        s.X += 1;
        s.Y -= 2;
        s.Z += 0.5;
    }
    moved.Origin = {1, -2, 0.5};
    const auto w = PlanInterpolation(in, moved).Weights, w0 = PlanInterpolation(in, Options({3})).Weights;
    ASSERT_EQ(w.size(), w0.size());
    for (std::size_t i = 0; i < w.size(); ++i)
        EXPECT_NEAR(w[i], w0[i], 1e-12);
    moved.Origin = {};
    EXPECT_NE(PlanInterpolation(in, moved).Weights, w0);
}

TEST_F(InterpolationTest, RefusalsNameTheFileAndTheCause)
{
    const TORVAFile in = Load(true);
    const std::string file = dir.Path("in.ses");
    EXPECT_EQ(Refusal([&] { InterpolateChannels(in, Options({})); }),
              file + ": Cannot interpolate: no channel to interpolate was given");
    EXPECT_EQ(Refusal([&] { InterpolateChannels(in, Options({0, 1, 2, 3, 4, 5, 6}, {7, 8})); }), "");
    EXPECT_EQ(Refusal([&] { InterpolateChannels(in, Options({0, 1, 2, 3, 4, 5, 6}, {7, 8, 9})); }),
              file + ": Cannot interpolate: 2 channels are left to interpolate from (neither interpolated nor "
                     "excluded); at least 3 are needed");
    EXPECT_NE(Refusal([&] { InterpolateChannels(in, Options({12})); }).find("Channels: 13 is outside"), std::string::npos);
    EXPECT_NE(Refusal([&] { InterpolateChannels(in, Options({1}, {-1})); }).find("Excluded channels: 0 is outside"),
              std::string::npos);

    auto missing = Options({1});
    missing.Sensors.erase(missing.Sensors.begin() + 5); // E6, a source
    EXPECT_EQ(Refusal([&] { InterpolateChannels(in, missing); }),
              file + ": channel 6 (E6) has no position in net.sfp");
    auto centred = Options({1});
    centred.Sensors[3].Line = 4;
    centred.Origin = {centred.Sensors[3].X, centred.Sensors[3].Y, centred.Sensors[3].Z};
    const std::string origin = Refusal([&] { InterpolateChannels(in, centred); });
    EXPECT_EQ(origin.rfind("net.sfp: line 4: sensor E4 lies at the origin (", 0), 0u) << origin;
    EXPECT_NE(origin.find("), so it has no direction"), std::string::npos) << origin;
    auto names = Options({1});
    names.ChannelNames = {"A", "B"};
    EXPECT_EQ(Refusal([&] { InterpolateChannels(in, names); }),
              file + ": Cannot interpolate: 2 channel names for 12 channels");
}

} // namespace
} // namespace orva::test
