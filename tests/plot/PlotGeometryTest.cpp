#include "plot/PlotGeometry.h"

#include <gtest/gtest.h>

namespace orva::plot {
namespace {

// The reference plot: 341 x 149 pixels, 250 samples at 250 Hz, x grid 100 ms, y grid 40 uV.
TPlotInput Reference(std::vector<float> voltages = std::vector<float>(250, 0.0f))
{
    TPlotInput in;
    in.Width = 341;
    in.Height = 149;
    in.Samples = 250;
    in.SamplesPerSecond = 250;
    in.XGrid = 100;
    in.YGrid = 40;
    in.Voltages = std::move(voltages);
    in.BaselineDuration = 200;
    return in;
}

TEST(PlotGeometry, ReferencePlotScalesAndGrid)
{
    const TPlotGeometry g = ComputePlotGeometry(Reference());
    ASSERT_TRUE(g.MsPerSample.has_value());
    EXPECT_EQ(*g.MsPerSample, 4.0f);
    EXPECT_EQ(*g.PxPerMs, static_cast<float>(341.0 / 1008.0));
    EXPECT_EQ(g.PxPerUv, static_cast<float>(149.0 / 900.0));
    EXPECT_EQ(g.VerticalGridX, (std::vector<int>{33, 67, 101, 135, 169, 202, 236, 270, 304, 338}));
    ASSERT_EQ(g.HorizontalGridY.size(), 22u);
    EXPECT_EQ(g.HorizontalGridY[0], 68);
    EXPECT_EQ(g.HorizontalGridY[1], 80);
    EXPECT_EQ(g.HorizontalGridY[20], 2);
    EXPECT_EQ(g.HorizontalGridY[21], 146);
    EXPECT_EQ(g.AxisY, 74);
    EXPECT_EQ(g.MarkerX, 67);
    EXPECT_EQ(XGridMaximum(250, 250), 1000);
}

TEST(PlotGeometry, ReferencePlotTrace)
{
    std::vector<float> v(250, 10.0f);
    v[1] = -10.0f;
    v[2] = 450.0f;
    v[3] = -450.0f;
    const TPlotGeometry g = ComputePlotGeometry(Reference(v));
    ASSERT_EQ(g.Trace.size(), 250u);
    // The start point truncates after subtracting, so it lies one pixel higher.
    EXPECT_EQ(g.Trace[0], (TPlotPoint{0, 72}));
    EXPECT_EQ(g.Trace[1], (TPlotPoint{1, 75}));
    EXPECT_EQ(g.Trace[2], (TPlotPoint{2, 0}));
    EXPECT_EQ(g.Trace[3], (TPlotPoint{4, 148}));
    EXPECT_EQ(g.Trace[4].Y, 73);
    EXPECT_EQ(g.Trace[249], (TPlotPoint{336, 73}));
}

TEST(PlotGeometry, NegativeStartTruncatesTowardZero)
{
    std::vector<float> v(250, 0.0f);
    v[0] = -10.0f; // 74 + 1.66 = 75.66 -> 75
    EXPECT_EQ(ComputePlotGeometry(Reference(v)).Trace[0].Y, 75);
}

struct TGridCase {
    const char* name;
    int xGrid;
    int yGrid;
    std::size_t verticalLines;
    std::size_t horizontalLines;
};

TEST(PlotGeometry, GridSpacingsAndZeroSwitchesOff)
{
    for (const auto& c : std::vector<TGridCase>{{"both off", 0, 0, 0, 0},
                                                {"x off", 0, 40, 0, 22},
                                                {"y off", 100, 0, 10, 0},
                                                {"fine", 10, 10, 100, 90},
                                                {"450 uV", 1000, 450, 1, 2},
                                                {"wider than observation", 1001, 451, 0, 0}}) {
        TPlotInput in = Reference();
        in.XGrid = c.xGrid;
        in.YGrid = c.yGrid;
        const TPlotGeometry g = ComputePlotGeometry(in);
        EXPECT_EQ(g.VerticalGridX.size(), c.verticalLines) << c.name;
        EXPECT_EQ(g.HorizontalGridY.size(), c.horizontalLines) << c.name;
        // Axis, marker and trace do not depend on the grid.
        EXPECT_EQ(g.AxisY, 74) << c.name;
        EXPECT_EQ(g.MarkerX, 67) << c.name;
        EXPECT_EQ(g.Trace.size(), 250u) << c.name;
    }
}

TEST(PlotGeometry, MarkerOnlyForAverageFilesEvenAtZero)
{
    TPlotInput in = Reference();
    in.BaselineDuration.reset();
    EXPECT_FALSE(ComputePlotGeometry(in).MarkerX.has_value());
    in.BaselineDuration = 0;
    EXPECT_EQ(ComputePlotGeometry(in).MarkerX, 0);
}

TEST(PlotGeometry, WithoutSamplingRateOnlyAmplitudeParts)
{
    TPlotInput in = Reference();
    in.SamplesPerSecond = 0;
    const TPlotGeometry g = ComputePlotGeometry(in);
    EXPECT_FALSE(g.MsPerSample.has_value());
    EXPECT_FALSE(g.PxPerMs.has_value());
    EXPECT_TRUE(g.VerticalGridX.empty());
    EXPECT_FALSE(g.MarkerX.has_value());
    EXPECT_TRUE(g.Trace.empty());
    EXPECT_EQ(g.HorizontalGridY.size(), 22u);
    EXPECT_EQ(g.AxisY, 74);
    EXPECT_FALSE(XGridMaximum(250, 0).has_value());
}

TEST(PlotGeometry, UncalibratedOrEmptyTraceDrawsNoPoints)
{
    TPlotInput in = Reference({});
    EXPECT_TRUE(ComputePlotGeometry(in).Trace.empty());
    in.Samples = 0;
    const TPlotGeometry g = ComputePlotGeometry(in);
    EXPECT_TRUE(g.Trace.empty());
    EXPECT_TRUE(g.VerticalGridX.empty());
    EXPECT_EQ(XGridMaximum(0, 250), 0);
}

TEST(PlotGeometry, ObservationLengthTruncatesToWholeMilliseconds)
{
    EXPECT_EQ(XGridMaximum(250, 500), 500);
    EXPECT_EQ(XGridMaximum(100, 300), 333);
    EXPECT_EQ(XGridMaximum(7, 3), 2333);
    EXPECT_EQ(XGridMaximum(10, -100), 0); // negative rates give no negative limit
}

TEST(PlotGeometry, WiderPlotStretchesTraceToSameShare)
{
    for (int width : {341, 682, 1000}) {
        TPlotInput in = Reference();
        in.Width = width;
        const TPlotGeometry g = ComputePlotGeometry(in);
        // The full width spans S + 2 sample intervals, so the last sample is 249/252 across.
        const int last = g.Trace.back().X;
        EXPECT_LE(last, width * 249 / 252) << width;
        EXPECT_GE(last, width * 249 / 252 - 1) << width;
    }
}

TEST(PlotGeometry, AbsurdScalesStayFinite)
{
    TPlotInput in = Reference(std::vector<float>(3, 3.0e7f));
    in.Samples = 1;
    in.SamplesPerSecond = 32767;
    in.Width = 5000;
    in.Height = 4000;
    in.BaselineDuration = 32767;
    const TPlotGeometry g = ComputePlotGeometry(in);
    ASSERT_TRUE(g.MarkerX.has_value());
    EXPECT_GT(*g.MarkerX, in.Width);
    EXPECT_LT(g.Trace[1].Y, 0);
}

} // namespace
} // namespace orva::plot

namespace orva::plot {
namespace {

TEST(PlotGeometryRange, DefaultRangeIsTheUsualPlot)
{
    std::vector<float> v(250, 10.0f);
    v[7] = -37.5f;
    TPlotInput explicitDefault = Reference(v);
    explicitDefault.RangeUv = 900;
    const TPlotGeometry a = ComputePlotGeometry(Reference(v));
    const TPlotGeometry b = ComputePlotGeometry(explicitDefault);
    EXPECT_EQ(a.PxPerUv, b.PxPerUv);
    EXPECT_EQ(a.HorizontalGridY, b.HorizontalGridY);
    EXPECT_EQ(a.Trace, b.Trace);
}

TEST(PlotGeometryRange, SmallRangeMagnifiesAFewMicrovolts)
{
    const struct {
        int Range;
        int Y;           // of a 5 uV sample (not the first)
        std::size_t GridLines;
    } cases[] = {{900, 74 - 0, 22}, {100, 74 - 7, 2}, {20, 74 - 37, 0}, {10, 74 - 74, 0}};
    for (const auto& c : cases) {
        TPlotInput in = Reference(std::vector<float>(250, 5.0f));
        in.RangeUv = c.Range;
        const TPlotGeometry g = ComputePlotGeometry(in);
        EXPECT_EQ(g.PxPerUv, static_cast<float>(149.0 / c.Range)) << c.Range;
        EXPECT_EQ(g.Trace[10].Y, c.Y) << c.Range;
        EXPECT_EQ(g.HorizontalGridY.size(), c.GridLines) << c.Range;
        EXPECT_EQ(g.AxisY, 74);
    }
    TPlotInput tooSmall = Reference();
    tooSmall.RangeUv = 0; // taken as 2 uV, never a division by zero
    EXPECT_EQ(ComputePlotGeometry(tooSmall).PxPerUv, static_cast<float>(149.0 / 2));
}

TEST(PlotGeometryRange, NegativeUpMirrorsTheTraceAroundTheAxis)
{
    std::vector<float> v{10.0f, -10.0f, 450.0f, -450.0f, 0.0f, 3.3f};
    TPlotInput in = Reference(v);
    const TPlotGeometry up = ComputePlotGeometry(in);
    in.NegativeUp = true;
    const TPlotGeometry down = ComputePlotGeometry(in);
    ASSERT_EQ(up.Trace.size(), down.Trace.size());
    EXPECT_EQ(down.Trace[0], (TPlotPoint{0, 75})); // 74 + 1.66, truncated
    for (std::size_t i = 1; i < v.size(); ++i) {
        EXPECT_EQ(down.Trace[i].X, up.Trace[i].X);
        EXPECT_EQ(down.Trace[i].Y - 74, 74 - up.Trace[i].Y) << i;
    }
    EXPECT_EQ(down.HorizontalGridY, up.HorizontalGridY);
}

TEST(PlotGeometryRange, ClippingFindsSamplesBeyondEitherEdge)
{
    std::vector<float> v(250, 0.0f);
    v[10] = 460.0f;  // above
    v[20] = -460.0f; // below
    v[30] = 450.0f;  // the top row: still inside
    v[40] = -450.0f; // the bottom row: still inside
    const TPlotGeometry g = ComputePlotGeometry(Reference(v));
    const TClipping clipping = FindClipping(g.Trace, 149);
    EXPECT_EQ(clipping.AboveX, std::vector<int>{g.Trace[10].X});
    EXPECT_EQ(clipping.BelowX, std::vector<int>{g.Trace[20].X});
    EXPECT_EQ(clipping.Count(), 2u);
}

TEST(PlotGeometryRange, TraceOfAnotherRateStandsAtItsOwnTimes)
{
    // A cell at 500 Hz on the time scale of a 250 Hz cell: its sample 2k lies under sample k.
    const float pxPerMs = static_cast<float>(341.0 / 1008.0);
    const auto slow = ComputeTrace(std::vector<float>(250, 0.0f), 4.0f, pxPerMs, 0.1f, 149, false);
    const auto fast = ComputeTrace(std::vector<float>(500, 0.0f), 2.0f, pxPerMs, 0.1f, 149, false);
    for (std::size_t k = 1; k < 250; k += 31)
        EXPECT_EQ(fast[2 * k].X, slow[k].X) << k;
}

} // namespace
} // namespace orva::plot
