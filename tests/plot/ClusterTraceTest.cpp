// The waves beside a cluster: the mean over the observations, the cells' series, where the
// band of a cluster's samples lies and that only its columns are shaded; and one cluster's
// map drawn as the figure draws it.
#include "plot/ClusterPicture.h"
#include "plot/ClusterTrace.h"
#include "plot/PlotGeometry.h"
#include "plot/PlotPainter.h"
#include "plot/PlotScale.h"

#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <set>

namespace orva::test {
namespace {

using namespace orva::plot;

// Two cells of 3 trials, 5 samples at 100 Hz, 2 channels, the values the raw samples.
TORVAFile Session(TTempDir& dir)
{
    TTestFileBuilder b = TTestFileBuilder::Session(2, 3, 5, 2);
    b.Zeros = {0, 0};
    b.Gains = {400, 400};
    b.Cells[0].Name = "tone";
    b.Cells[1].Name = "";
    for (auto& cell : b.Cells)
        cell.SamplesPerSecond = 100;
    // Channel 2 of cell 1: trials 0 3 6 9 12, 10 10 10 10 10, 20 -40 20 -40 20.
    b.Cells[0].Data.assign(30, 0);
    const std::int16_t second[3][5] = {{0, 3, 6, 9, 12}, {10, 10, 10, 10, 10}, {20, -40, 20, -40, 20}};
    for (int o = 0; o < 3; ++o)
        for (int s = 0; s < 5; ++s)
            b.Cells[0].Data[static_cast<std::size_t>((o * 5 + s) * 2 + 1)] = second[o][s];
    b.WriteTo(dir.Path("s.ses"));
    return LoadChecked(dir.Path("s.ses"));
}

TEST(ClusterTrace, MeanOverTheObservationsForEachCellInItsColour)
{
    TTempDir dir;
    const TORVAFile f = Session(dir);
    EXPECT_EQ(MeanTrace(f, 0, 1), (std::vector<float>{10, -9, 12, -7, 14}));
    EXPECT_EQ(MeanTrace(f, 0, 0), std::vector<float>(5, 0.0f));

    const TPlotScene scene = MeanTraceScene(f, {1, 0}, 1);
    ASSERT_EQ(scene.Series.size(), 2u);
    EXPECT_EQ(scene.Series[0].Label, "Cell 2 mean") << "a cell without a name by its number";
    EXPECT_EQ(scene.Series[1].Label, "tone mean");
    EXPECT_EQ(scene.Series[0].Colour, CellColour(1));
    EXPECT_EQ(scene.Series[1].Colour, CellColour(0));
    EXPECT_TRUE(scene.Series[0].Highlight);
    EXPECT_FALSE(scene.Series[1].Highlight);
    EXPECT_EQ(scene.Series[1].Voltages, MeanTrace(f, 0, 1));
    EXPECT_EQ(scene.Samples, 5);
    EXPECT_EQ(scene.SamplesPerSecond, 100);
    EXPECT_TRUE(scene.Options.Axes);
    EXPECT_TRUE(scene.Legend);
    EXPECT_EQ(scene.Options.RangeUv, FitRange(SceneVoltages(scene)));
}

TEST(ClusterTrace, TheBandRunsFromTheFirstSamplesColumnToTheLastOnes)
{
    TTempDir dir;
    const TORVAFile f = Session(dir);
    const TPlotScene scene = MeanTraceScene(f, {0}, 1);
    const QSize area(400, 200);
    TPlotInput in;
    in.Width = area.width();
    in.Height = area.height();
    in.Samples = scene.Samples;
    in.SamplesPerSecond = scene.SamplesPerSecond;
    in.RangeUv = scene.Options.RangeUv;
    in.Voltages = scene.Series[0].Voltages;
    const TPlotGeometry g = ComputePlotGeometry(in);
    ASSERT_EQ(g.Trace.size(), 5u);

    const TSampleBand band = ComputeSampleBand(scene, area, {1, 3, 1});
    EXPECT_EQ(band.Left, g.Trace[1].X);
    EXPECT_EQ(band.Right, g.Trace[3].X);
    EXPECT_LT(band.Left, band.Right);
    const TSampleBand one = ComputeSampleBand(scene, area, {2, 2, -1});
    EXPECT_EQ(one.Left, g.Trace[2].X);
    EXPECT_EQ(one.Right, one.Left + 1) << "a single sample is still a visible band";
    const TSampleBand beyond = ComputeSampleBand(scene, area, {-3, 99, 1});
    EXPECT_EQ(beyond.Left, g.Trace[0].X);
    EXPECT_EQ(beyond.Right, g.Trace[4].X);
}

TEST(ClusterTrace, OnlyTheBandsColumnsAreShadedRedForPositiveBlueForNegative)
{
    TTempDir dir;
    const TORVAFile f = Session(dir);
    const TPlotScene scene = MeanTraceScene(f, {0}, 1);
    const QSize size(420, 220);
    QImage scratch(size, QImage::Format_RGB32);
    QPainter painter(&scratch);
    const QRect area = PaintPlot(painter, size, scene).Area;
    painter.end();

    const QImage plain = ShadedTracePicture(scene, std::nullopt, size);
    const QImage positive = ShadedTracePicture(scene, TSampleRange{1, 3, 1}, size);
    const QImage negative = ShadedTracePicture(scene, TSampleRange{1, 3, -1}, size);
    const TSampleBand band = ComputeSampleBand(scene, area.size(), {1, 3, 1});
    std::set<int> changed;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (plain.pixel(x, y) != positive.pixel(x, y))
                changed.insert(x);
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(*changed.begin(), area.left() + band.Left);
    EXPECT_EQ(*changed.rbegin(), area.left() + band.Right - 1);

    // A point of white background inside the band: tinted towards red, or towards blue.
    const int x = area.left() + (band.Left + band.Right) / 2;
    int y = area.top();
    while (y < area.bottom() && plain.pixel(x, y) != qRgb(255, 255, 255))
        ++y;
    ASSERT_LT(y, area.bottom());
    const QColor red = positive.pixelColor(x, y), blue = negative.pixelColor(x, y);
    EXPECT_GT(red.red(), red.blue());
    EXPECT_GT(blue.blue(), blue.red());
}

TEST(ClusterMap, OneClustersMapIsTheFiguresPanelOfIt)
{
    TClusterPictureScene scene;
    TClusterTestResult& r = scene.Result;
    r.Channels = {0, 1, 2, 3};
    r.SampleIndices = {0, 1, 2};
    r.TimesMs = {0, 4, 8};
    r.ChannelLabels = {"Fz", "Cz", "Pz", "Oz"};
    r.T = {3, 4, 0.5, 0.5, 5, 0.2, -1, -1, -1, 0, 0, 0};
    r.Clusters = {{1, 12, 0.01, {0, 1, 4}}, {-1, -3, 0.5, {6, 7, 8}}};
    scene.Directions = {{0, 0.7, 0.7}, {0, 0, 1}, {0, -0.7, 0.7}, {0.7, 0, 0.7}};
    const QImage figure = RenderClusterPicture(scene);
    const QImage map = RenderClusterMap(scene, 0);
    ASSERT_EQ(map.size(), ClusterMapSize());
    // The figure's first map stands right of the matrix (56 + 480), its bar (64) and a gap
    // of 8, below the title strip (24).
    EXPECT_EQ(figure.copy(QRect(QPoint(608, 24), ClusterMapSize())), map.convertToFormat(figure.format()));
    // A cluster that is not significant has a map of its own too, unlike the figure.
    EXPECT_NE(RenderClusterMap(scene, 1), map);
}

} // namespace
} // namespace orva::test
