#include "plot/PlotScene.h"

#include "tests/support/ViewTestDocuments.h"

#include <gtest/gtest.h>

#include <set>

namespace orva::plot {
namespace {

using test::AverageDocument;
using test::SessionDocument;

// Sample value = 100 * (cell + 1) + channel, so each trace tells where it came from.
std::int16_t Tagged(int cell, int, int, int c)
{
    return static_cast<std::int16_t>(100 * (cell + 1) + c);
}

TEST(PlotScene, SingleTraceIsTheChosenOneInBlue)
{
    auto file = AverageDocument({{2, 5, 250}, {2, 5, 250}}, 3, Tagged);
    const TPlotScene scene = BuildPlotScene(*file, 1, 1, 2, TPlotOptions{});
    ASSERT_EQ(scene.Series.size(), 1u);
    EXPECT_EQ(scene.Series[0].Voltages, std::vector<float>(5, 20.2f)); // 202 / ScaleBins 10
    EXPECT_EQ(scene.Series[0].Colour, kTraceColour);
    EXPECT_TRUE(scene.Series[0].Highlight);
    EXPECT_FALSE(scene.Legend);
    EXPECT_EQ(scene.BaselineDuration, 200);
    EXPECT_EQ(scene.Samples, 5);
}

TEST(PlotScene, CellOverlayHasOneColouredNamedTracePerCell)
{
    // Cell 3 has a single observation: it cannot show observation 2 and is left out.
    auto file = AverageDocument({{2, 5, 250}, {2, 5, 500}, {1, 5, 250}, {2, 10, 250}}, 3, Tagged);
    file->Cells[0].Name = "Standard";
    file->Cells[1].Name = "Target";
    file->Cells[3].Name = "";
    TPlotOptions options;
    options.Overlay = TOverlay::Cells;
    const TPlotScene scene = BuildPlotScene(*file, 1, 1, 2, options);
    ASSERT_EQ(scene.Series.size(), 3u);
    EXPECT_TRUE(scene.Legend);
    const std::vector<std::string> labels{scene.Series[0].Label, scene.Series[1].Label, scene.Series[2].Label};
    EXPECT_EQ(labels, (std::vector<std::string>{"Standard", "Target", "Cell 4"}));
    const std::vector<float> first{scene.Series[0].Voltages[0], scene.Series[1].Voltages[0],
                                   scene.Series[2].Voltages[0]};
    EXPECT_EQ(first, (std::vector<float>{10.2f, 20.2f, 40.2f}));
    // Each trace keeps its own length and rate; the time scale is the chosen cell's.
    EXPECT_EQ(scene.Series[2].Voltages.size(), 10u);
    EXPECT_EQ(scene.Series[1].SamplesPerSecond, 500);
    EXPECT_EQ(scene.SamplesPerSecond, 500);
    // Only the chosen cell is highlighted; every cell has a colour of its own.
    EXPECT_FALSE(scene.Series[0].Highlight);
    EXPECT_TRUE(scene.Series[1].Highlight);
    EXPECT_FALSE(scene.Series[2].Highlight);
    std::set<std::tuple<int, int, int>> colours;
    for (const auto& s : scene.Series)
        colours.insert({s.Colour.R, s.Colour.G, s.Colour.B});
    EXPECT_EQ(colours.size(), 3u);
    EXPECT_EQ(scene.Series[0].Colour, kTraceColour); // cell 1 keeps the usual blue
}

TEST(PlotScene, CellColoursAreDistinctForTenCells)
{
    std::set<std::tuple<int, int, int>> colours;
    for (int c = 0; c < 10; ++c)
        colours.insert({CellColour(c).R, CellColour(c).G, CellColour(c).B});
    EXPECT_EQ(colours.size(), 10u);
    EXPECT_EQ(CellColour(10), CellColour(0));
}

TEST(PlotScene, ChannelOverlayHighlightsTheChosenChannel)
{
    // Channel 3 has a gain of 0: it cannot be calibrated and is left out.
    auto file = SessionDocument({{1, 4, 250}}, 5, Tagged);
    file->DataDescription.Gains[2] = 0;
    TPlotOptions options;
    options.Overlay = TOverlay::Channels;
    const TPlotScene scene = BuildPlotScene(*file, 0, 0, 1, options);
    ASSERT_EQ(scene.Series.size(), 4u); // the chosen channel 2, then 1, 4 and 5
    EXPECT_EQ(scene.Series[0].Label, "Chan. 2");
    EXPECT_TRUE(scene.Series[0].Highlight);
    EXPECT_EQ(scene.Series[0].PenWidth, 2);
    EXPECT_EQ(scene.Series[0].Colour, kTraceColour);
    // (101 - 2001) * 400 / 1604, the session calibration of channel 2.
    EXPECT_EQ(scene.Series[0].Voltages[0], static_cast<float>((101 - 2001) * 400 / 1604.0));
    int labelled = 0;
    for (std::size_t i = 1; i < scene.Series.size(); ++i) {
        EXPECT_FALSE(scene.Series[i].Highlight);
        EXPECT_NE(scene.Series[i].Colour, kTraceColour);
        labelled += !scene.Series[i].Label.empty();
    }
    EXPECT_EQ(labelled, 1) << "the other channels share one legend entry";
    EXPECT_FALSE(scene.BaselineDuration.has_value());
}

TEST(PlotScene, TraceProblemsNameWhatIsMissing)
{
    auto file = AverageDocument({{2, 5, 250}, {1, 5, 0}}, 3);
    file->Cells[0].Name = "Standard";
    const struct {
        int Cell, Obs, Chan;
        const char* Says; // empty: drawable
    } cases[] = {
        {0, 0, 0, ""},
        {2, 0, 0, "there is no cell 3 (the file has 2)"},
        {0, 0, 3, "there is no channel 4 (the file has 3)"},
        {0, 2, 0, "Standard has no observation 3 (it has 2)"},
        {1, 0, 0, "cell 2 has 0 samples per second, so it has no time axis"},
    };
    for (const auto& c : cases) {
        const auto problem = TraceProblem(*file, c.Cell, c.Obs, c.Chan);
        EXPECT_EQ(problem.value_or(""), c.Says);
    }
    file->GeneralInformation.ScaleBins = 0;
    EXPECT_TRUE(TraceProblem(*file, 0, 0, 0).has_value());
}

TEST(PlotScene, TraceFreeSceneKeepsTheTimeScale)
{
    auto file = AverageDocument({{1, 30, 500}}, 1);
    const TPlotScene scene = TraceFreeScene(*file, &file->Cells[0], TPlotOptions{});
    EXPECT_EQ(scene.Samples, 30);
    EXPECT_EQ(scene.SamplesPerSecond, 500);
    EXPECT_TRUE(scene.Series.empty());
    EXPECT_TRUE(TraceFreeScene(*file, nullptr, TPlotOptions{}).Series.empty());
    EXPECT_EQ(TraceFreeScene(*file, nullptr, TPlotOptions{}).SamplesPerSecond, 0);
}

} // namespace
} // namespace orva::plot
