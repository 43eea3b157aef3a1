#include "plot/PlotGeometry.h"
#include "plot/PlotScale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orva::plot {
namespace {

TEST(PlotScale, NiceStepRoundsUpToOneTwoOrFive)
{
    const struct {
        double Rough;
        double Expected;
    } cases[] = {{0.3, 0.5}, {1.0, 1.0}, {1.01, 2.0}, {2.0, 2.0}, {3.2, 5.0}, {7.0, 10.0},
                 {10.0, 10.0}, {42.0, 50.0}, {0.0, 1.0}, {-3.0, 1.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(NiceStep(c.Rough), c.Expected) << c.Rough;
}

TEST(PlotScale, FitRangeHoldsEverySampleWithoutClipping)
{
    const std::vector<std::vector<float>> cases[] = {
        {{1.0f, -4.6f, 3.0f}},                  // a 5 uV component
        {{0.2f}, {-0.1f}},                      // below a microvolt
        {{120.0f, -130.5f}, {900.0f}},          // the largest of several traces decides
        {{}},                                   // nothing to fit: the smallest range
    };
    for (const auto& traces : cases) {
        const int range = FitRange(traces);
        EXPECT_EQ(range % 2, 0);
        double largest = 0;
        for (const auto& t : traces)
            for (float v : t)
                largest = std::max(largest, std::abs(static_cast<double>(v)));
        // Room for every sample, and not more than a tenth of head room plus rounding.
        EXPECT_GE(range / 2.0, largest * 1.1 - 1e-9) << largest;
        EXPECT_LE(range / 2.0, std::max(1.0, largest * 1.1 + 1.0)) << largest;
        for (const auto& t : traces) {
            for (int height : {149, 300, 1001}) {
                const float pxPerUv = static_cast<float>(height / static_cast<double>(range));
                EXPECT_EQ(FindClipping(ComputeTrace(t, 4.0f, 1.0f, pxPerUv, height, false), height).Count(), 0u);
                EXPECT_EQ(FindClipping(ComputeTrace(t, 4.0f, 1.0f, pxPerUv, height, true), height).Count(), 0u);
            }
        }
    }
}

TEST(PlotScale, FitRangeIgnoresNonFiniteValues)
{
    EXPECT_EQ(FitRange({{3.0f, std::nanf(""), INFINITY}}), 8);
}

TEST(PlotScale, YGridFollowsTheRange)
{
    const struct {
        int Grid;
        int Range;
        int Expected;
    } cases[] = {
        {40, 900, 40},  // the default stays
        {0, 20, 0},     // switched off stays off
        {40, 20, 2},    // no line left inside +-10 uV: 2 uV, five a side
        {10, 5000, 500}, // 250 lines a side would be a grey wall
        {5, 32, 5},     // three lines a side are enough
        {1, 4, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AdaptYGrid(c.Grid, c.Range), c.Expected) << c.Grid << " at " << c.Range;
}

TEST(PlotScale, YGridStepIsTenAtTheDefaultRange)
{
    const struct {
        int Range;
        int Step;
    } cases[] = {{900, 10}, {20, 1}, {100, 1}, {200, 2}, {500, 5}, {2000, 20}, {5000, 50}};
    for (const auto& c : cases)
        EXPECT_EQ(YGridStep(c.Range), c.Step) << c.Range;
}

TEST(PlotScale, VoltageTicksStandWhereTheTraceDrawsTheirValues)
{
    const int height = 149;
    for (const int range : {900, 20, 33}) {
        for (const bool negativeUp : {false, true}) {
            const float pxPerUv = static_cast<float>(height / static_cast<double>(range));
            const auto ticks = VoltageTicks(range, height, pxPerUv, negativeUp, 20);
            ASSERT_GE(ticks.size(), 3u) << range;
            for (std::size_t i = 0; i < ticks.size(); ++i) {
                // A trace sample of the tick's value (not the first sample) lies on the tick.
                const auto trace = ComputeTrace({0.0f, static_cast<float>(ticks[i].Value)}, 4.0f, 1.0f, pxPerUv,
                                                height, negativeUp);
                EXPECT_EQ(trace[1].Y, ticks[i].Position) << range << " " << ticks[i].Value;
                EXPECT_LE(std::abs(ticks[i].Value), range / 2.0);
                if (i > 0) {
                    EXPECT_GE(ticks[i].Position - ticks[i - 1].Position, 20 - 1) << range;
                }
            }
            // Positive values at the top unless negative is up.
            EXPECT_EQ(ticks.front().Value > 0, !negativeUp) << range;
        }
    }
}

TEST(PlotScale, VoltageTicksOfTheDefaultRange)
{
    const auto ticks = VoltageTicks(900, 149, static_cast<float>(149 / 900.0), false, 20);
    std::vector<double> values;
    for (const auto& t : ticks)
        values.push_back(t.Value);
    EXPECT_EQ(values, (std::vector<double>{400, 200, 0, -200, -400}));
    EXPECT_EQ(ticks[2].Position, 74);
}

TEST(PlotScale, TimeTicksCountFromTheStimulusOnset)
{
    // The reference plot: 250 samples of 4 ms, 341 pixels, a 200 ms baseline.
    const float pxPerMs = static_cast<float>(341.0 / 1008.0);
    const auto ticks = TimeTicks(250, 4.0f, pxPerMs, 200, 341, 30);
    std::vector<double> values;
    for (const auto& t : ticks)
        values.push_back(t.Value);
    EXPECT_EQ(values, (std::vector<double>{-200, -100, 0, 100, 200, 300, 400, 500, 600, 700}));
    EXPECT_EQ(ticks[0].Position, 0);
    EXPECT_EQ(ticks[2].Position, 67); // the baseline marker's column
    // Without a baseline the first sample is 0 ms and the grid lines are the ticks.
    const auto session = TimeTicks(250, 4.0f, pxPerMs, 0, 341, 30);
    ASSERT_GE(session.size(), 2u);
    EXPECT_EQ(session[0].Value, 0);
    EXPECT_EQ(session[1].Position, 33);
}

TEST(PlotScale, NoTicksWithoutAScale)
{
    EXPECT_TRUE(TimeTicks(0, 4.0f, 1.0f, 0, 300, 30).empty());
    EXPECT_TRUE(TimeTicks(250, 4.0f, 0.0f, 0, 300, 30).empty());
    EXPECT_TRUE(VoltageTicks(900, 0, 0.0f, false, 20).empty());
}

} // namespace
} // namespace orva::plot
