// The artifact rules on traces small enough to check by hand, and the sliding window against
// a rescan of every window on random data.
#include "model/ORVAError.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tools/ArtifactRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace orva::test {
namespace {

// A session file of one cell at 1000 Hz whose values are the raw samples (zero 0, gain 400),
// trials given as [observation][sample][channel].
TTestFileBuilder Trials(int observations, int samples, int channels, std::vector<std::int16_t> data)
{
    TTestFileBuilder b = TTestFileBuilder::Session(1, observations, samples, channels);
    b.Zeros.assign(static_cast<std::size_t>(channels), 0);
    b.Gains.assign(static_cast<std::size_t>(channels), 400);
    b.Cells[0].SamplesPerSecond = 1000;
    b.Cells[0].Data = std::move(data);
    return b;
}

class ArtifactRulesTest : public ::testing::Test {
protected:
    TORVAFile Load(const TTestFileBuilder& b)
    {
        b.WriteTo(dir.Path("in.ses"));
        return LoadChecked(dir.Path("in.ses"));
    }
    // The flags of every trial of cell 1 as "rules:channels" ("" for a good trial).
    std::vector<std::string> Flags(const TORVAFile& f, const TArtifactRules& rules)
    {
        std::vector<std::string> out;
        const std::vector<TCellFlags> flags = DetectArtifacts(f, rules, ChosenCells(f, std::nullopt));
        for (const TTrialFlags& t : flags[0].Trials) {
            std::string text = ArtifactRuleNames(t.Rules);
            for (int h : t.Channels)
                text += ":" + std::to_string(h + 1);
            EXPECT_EQ(t.Bad, t.Rules != 0);
            out.push_back(text);
        }
        return out;
    }
    std::string Refusal(const TORVAFile& f, const TArtifactRules& rules)
    {
        try {
            DetectArtifacts(f, rules, ChosenCells(f, std::nullopt));
        } catch (const EORVAError& e) {
            return e.Cause();
        }
        return "";
    }
    TTempDir dir;
};

TEST_F(ArtifactRulesTest, EachRuleFlagsStrictlyBeyondItsThreshold)
{
    // One channel, 3 samples per trial: ranges 100, 101, 0.4 and a magnitude of 150.
    const TORVAFile f = Load(Trials(4, 3, 1, {0, 100, 50, -1, 100, 0, 7, 7, 7, -150, -100, -120}));
    TArtifactRules p2p;
    p2p.PeakToPeak = 100;
    EXPECT_EQ(Flags(f, p2p), (std::vector<std::string>{"", "peak-to-peak:1", "", ""}));
    TArtifactRules flat;
    flat.Flat = 1;
    EXPECT_EQ(Flags(f, flat), (std::vector<std::string>{"", "", "flat:1", ""}));
    flat.Flat = 50; // a range of exactly 50 is not below 50
    EXPECT_EQ(Flags(f, flat), (std::vector<std::string>{"", "", "flat:1", ""}));
    TArtifactRules absolute;
    absolute.Absolute = 120;
    EXPECT_EQ(Flags(f, absolute), (std::vector<std::string>{"", "", "", "absolute:1"}));
    absolute.Absolute = 150; // exactly at the threshold: kept
    EXPECT_EQ(Flags(f, absolute), (std::vector<std::string>{"", "", "", ""}));
    TArtifactRules all;
    all.PeakToPeak = 40;
    all.Flat = 1;
    all.Absolute = 100;
    EXPECT_EQ(Flags(f, all), (std::vector<std::string>{"peak-to-peak:1", "peak-to-peak:1", "flat:1",
                                                       "peak-to-peak absolute:1"}));
}

TEST_F(ArtifactRulesTest, CalibratedValuesWithZeroGainAndANegativeGain)
{
    // Channel 1: (raw - 10) x 400 / 800 halves; channel 2: gain -400 turns the sign around.
    TTestFileBuilder b = Trials(1, 2, 2, {10, 0, 210, 60});
    b.Zeros = {10, 0};
    b.Gains = {800, -400};
    const TORVAFile f = Load(b);
    TArtifactRules rules;
    rules.PeakToPeak = 99.5; // channel 1: 100; channel 2: 60
    EXPECT_EQ(Flags(f, rules), (std::vector<std::string>{"peak-to-peak:1"}));
    rules.PeakToPeak = 59.5;
    EXPECT_EQ(Flags(f, rules), (std::vector<std::string>{"peak-to-peak:1:2"}));
    TArtifactRules absolute;
    absolute.Absolute = 59; // channel 2 reaches -60, channel 1 at most 100
    absolute.Channels = TSelectionList{1};
    EXPECT_EQ(Flags(f, absolute), (std::vector<std::string>{"absolute:2"}));
}

TEST_F(ArtifactRulesTest, MovingWindowsStartAtTheTestWindowAndStayInside)
{
    // 1000 Hz: W 3 ms and S 2 ms give windows of 3 samples at 0, 2, 4 of 8 samples; the
    // jump at sample 7 lies in none of them. A ramp of 10 per sample: 20 in every window.
    std::vector<std::int16_t> data = {0, 0, 0, 0, 0, 0, 0, 50};
    for (int s = 0; s < 8; ++s)
        data.push_back(static_cast<std::int16_t>(10 * s));
    const TORVAFile f = Load(Trials(2, 8, 1, data));
    TArtifactRules whole;
    whole.PeakToPeak = 25;
    EXPECT_EQ(Flags(f, whole), (std::vector<std::string>{"peak-to-peak:1", "peak-to-peak:1"}));
    TArtifactRules moving = whole;
    moving.Moving = TMovingWindow{3, 2};
    EXPECT_EQ(Flags(f, moving), (std::vector<std::string>{"", ""}));
    moving.Moving = TMovingWindow{3, 1}; // the window at 5 holds the jump
    EXPECT_EQ(Flags(f, moving), (std::vector<std::string>{"peak-to-peak:1", ""}));
    moving.PeakToPeak = 19.5;
    EXPECT_EQ(Flags(f, moving), (std::vector<std::string>{"peak-to-peak:1", "peak-to-peak:1"}));
    moving.PeakToPeak = 20; // every window of the ramp spans exactly 20: not beyond
    EXPECT_EQ(Flags(f, moving), (std::vector<std::string>{"peak-to-peak:1", ""}));
    // A test window of 3 samples (1 to 3 ms) shorter than a 5-sample window is one window.
    moving.PeakToPeak = 15;
    moving.Moving = TMovingWindow{5, 1};
    moving.WindowStart = 1;
    moving.WindowEnd = 3;
    EXPECT_EQ(Flags(f, moving), (std::vector<std::string>{"", "peak-to-peak:1"}));
}

TEST_F(ArtifactRulesTest, MovingWindowWidthAndStepRoundHalvesAwayFromZero)
{
    EXPECT_EQ(MovingWindowSteps({200, 4}, 250).Width, 50);
    EXPECT_EQ(MovingWindowSteps({200, 4}, 250).Step, 1);       // 1 sample
    EXPECT_EQ(MovingWindowSteps({2, 6}, 250).Width, 2);        // 0.5 rounds to 1, at least 2
    EXPECT_EQ(MovingWindowSteps({2, 6}, 250).Step, 2);         // 1.5 rounds to 2
    EXPECT_EQ(MovingWindowSteps({10, 1}, 250).Width, 3);       // 2.5 rounds to 3
    EXPECT_EQ(MovingWindowSteps({1, 1}, 250).Step, 1);         // 0.25 rounds to 0, at least 1
    EXPECT_EQ(MovingWindowSteps({1e12, 1e12}, 250).Width, 1 << 30);
}

TEST_F(ArtifactRulesTest, SlidingWindowAgreesWithARescanOfEveryWindow)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-400, 400);
    const int observations = 40, samples = 37, channels = 3;
    std::vector<std::int16_t> data;
    for (int i = 0; i < observations * samples * channels; ++i)
        data.push_back(static_cast<std::int16_t>(value(random) / (i % 5 + 1)));
    TTestFileBuilder b = Trials(observations, samples, channels, data);
    b.Zeros = {3, -5, 0};
    b.Gains = {397, 1000, -650};
    const TORVAFile f = Load(b);
    for (int w : {2, 3, 7, 36, 37, 40})
        for (int s : {1, 2, 5, 9}) {
            TArtifactRules rules;
            rules.PeakToPeak = 250;
            rules.Moving = TMovingWindow{static_cast<double>(w), static_cast<double>(s)};
            const std::vector<std::string> got = Flags(f, rules);
            for (int o = 0; o < observations; ++o) {
                std::string want;
                for (int h = 0; h < channels; ++h) {
                    double largest = 0;
                    const int width = std::min(w, samples);
                    for (int start = 0; start + width <= samples; start += (w > samples ? samples : s)) {
                        double lo = INFINITY, hi = -INFINITY;
                        for (int k = start; k < start + width; ++k) {
                            const double v = CalibratedValue(f, f.Cells[0].Data(o, k, h), h);
                            lo = std::min(lo, v);
                            hi = std::max(hi, v);
                        }
                        largest = std::max(largest, hi - lo);
                    }
                    if (largest > 250)
                        want += ":" + std::to_string(h + 1);
                }
                EXPECT_EQ(got[static_cast<std::size_t>(o)], want.empty() ? "" : "peak-to-peak" + want)
                    << "w " << w << " s " << s << " observation " << o;
            }
        }
}

TEST_F(ArtifactRulesTest, TestWindowChannelsAndBadChannels)
{
    // 4 samples at 0..3 ms, 3 channels; a step of 100 on channel 2 at 3 ms, on channel 3 at 0 ms.
    const TORVAFile f = Load(Trials(1, 4, 3, {0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 100, 0}));
    TArtifactRules rules;
    rules.PeakToPeak = 50;
    EXPECT_EQ(Flags(f, rules), (std::vector<std::string>{"peak-to-peak:2:3"}));
    rules.BadChannels = {2};
    EXPECT_EQ(Flags(f, rules), (std::vector<std::string>{"peak-to-peak:2"}));
    rules.WindowStart = 0.5;
    rules.WindowEnd = 2;
    EXPECT_EQ(Flags(f, rules), (std::vector<std::string>{""}));
    rules.WindowStart = 1;
    rules.WindowEnd = 3.5;
    rules.BadChannels = {};
    rules.Channels = TSelectionList{2, 1, 1};
    EXPECT_EQ(Flags(f, rules), (std::vector<std::string>{"peak-to-peak:2"}));
}

TEST_F(ArtifactRulesTest, RefusesWhatTheRulesCannotTest)
{
    const TORVAFile f = Load(Trials(1, 4, 2, {0, 0, 1, 1, 2, 2, 3, 3}));
    TArtifactRules none;
    EXPECT_EQ(Refusal(f, none), "Cannot test for artifacts: no rule was given (peak-to-peak, flat or absolute)");
    TArtifactRules rules;
    rules.Flat = -1;
    EXPECT_EQ(Refusal(f, rules), "Cannot test for artifacts: the flat threshold must be a positive number of microvolts");
    rules.Flat = NAN;
    EXPECT_NE(Refusal(f, rules), "");
    rules.Flat = 1;
    rules.Moving = TMovingWindow{10, 2};
    EXPECT_EQ(Refusal(f, rules), "Cannot test for artifacts: a moving window needs the peak-to-peak rule");
    rules.Moving.reset();
    rules.BadChannels = {0, 1};
    EXPECT_EQ(Refusal(f, rules), "Cannot test for artifacts: no channel is left to test");
    rules.BadChannels = {2};
    EXPECT_EQ(Refusal(f, rules), "Bad channels: 3 is outside the valid range 1 to 2");
    rules.BadChannels = {};
    rules.WindowStart = 10;
    rules.WindowEnd = 20;
    EXPECT_EQ(Refusal(f, rules), "Cell 1 has no sample in the window 10 to 20 ms: its samples lie from 0 to 3 ms");

    TTestFileBuilder average = TTestFileBuilder::Average(1, 2, 3, 1);
    average.WriteTo(dir.Path("in.ave"));
    TArtifactRules flat;
    flat.Flat = 1;
    EXPECT_EQ(Refusal(LoadChecked(dir.Path("in.ave")), flat),
              "Cannot test for artifacts: this is an average file: its observations are subjects, not trials");
}

} // namespace
} // namespace orva::test
