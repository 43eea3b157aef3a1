// The cluster test's figure: which points are faded, the clusters' outlines and maps, and
// the picture's pixels where they can be told.
#include "plot/ClusterPicture.h"
#include "plot/NeighboursPicture.h"

#include "model/PathText.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

namespace orva::test {
namespace {

using namespace orva::plot;

// 4 channels x 6 samples at 0, 4, ... 20 ms: a significant positive cluster shaped as an L
// (channel 1 at samples 1-3, channel 2 at sample 3) and a negative one that is not.
TClusterPictureScene Scene()
{
    TClusterPictureScene scene;
    TClusterTestResult& r = scene.Result;
    r.Channels = {0, 1, 2, 3};
    r.SampleIndices = {0, 1, 2, 3, 4, 5};
    r.TimesMs = {0, 4, 8, 12, 16, 20};
    r.ChannelLabels = {"Fz", "Cz", "Pz", "Oz"};
    r.T.assign(24, 0.5);
    for (int p : {7, 8, 9, 15})
        r.T[static_cast<std::size_t>(p)] = 4;
    r.T[0] = -3;
    r.T[1] = -3;
    r.Clusters = {{1, 16, 0.01, {7, 8, 9, 15}}, {-1, -6, 0.4, {0, 1}}};
    scene.Directions = {{0, 0.7, 0.7}, {0, 0, 1}, {0, -0.7, 0.7}, {0.7, 0, 0.7}};
    return scene;
}

TEST(ClusterPicture, OnlyTheSignificantClustersPointsStayUnfaded)
{
    const TClusterPictureScene scene = Scene();
    EXPECT_EQ(SignificantClusters(scene), std::vector<int>{0});
    const std::vector<bool> in = SignificantPoints(scene);
    for (int p = 0; p < 24; ++p)
        EXPECT_EQ(in[static_cast<std::size_t>(p)], p == 7 || p == 8 || p == 9 || p == 15) << p;
    const auto colours = PointColours(scene, 4);
    EXPECT_EQ(colours[7], DivergingColour(4, 4));
    // Faded: the negative cluster keeps its hue, much nearer white.
    const TMapColour full = DivergingColour(-3, 4), faded = colours[0];
    EXPECT_GT(faded.R, full.R);
    EXPECT_GT(faded.B, full.B);
    EXPECT_LT(faded.R, faded.B);
    TClusterPictureScene loose = Scene();
    loose.Alpha = 0.5;
    EXPECT_EQ(SignificantClusters(loose), (std::vector<int>{0, 1}));
    EXPECT_EQ(PointColours(loose, 4)[0], full);
}

TEST(ClusterPicture, TheMapIsTheMeanOverTheClustersTimesAndTheOutlineItsBorder)
{
    const TClusterPictureScene scene = Scene();
    const TClusterMap map = ClusterMap(scene.Result, 0);
    EXPECT_EQ(map.Marked, (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(map.StartMs, 4);
    EXPECT_EQ(map.EndMs, 12);
    // Samples 1-3 of every channel: channel 2 has 4 only at sample 3.
    EXPECT_DOUBLE_EQ(map.MeanT[1], 4);
    EXPECT_DOUBLE_EQ(map.MeanT[2], (0.5 + 0.5 + 4) / 3);
    EXPECT_DOUBLE_EQ(map.MeanT[0], (-3 + 0.5 + 0.5) / 3);
    // The L of four cells has a border of 10 unit sides; the last cell's right side is at 4.
    const auto edges = ClusterOutline(scene.Result, 0);
    EXPECT_EQ(edges.size(), 10u);
    int right = 0;
    for (const auto& e : edges)
        right = std::max(right, std::max(e.X1, e.X2));
    EXPECT_EQ(right, 4);
}

TEST(ClusterPicture, DrawsTheMatrixAndOneMapPerSignificantCluster)
{
    TClusterPictureScene scene = Scene();
    const QSize withMap = ClusterPictureSize(scene);
    scene.Directions.clear();
    const QSize without = ClusterPictureSize(scene);
    EXPECT_EQ(withMap.width() - without.width(), 220);
    scene = Scene();
    const QImage image = RenderClusterPicture(scene);
    ASSERT_EQ(image.size(), withMap);
    // The matrix spans 480 pixels from x = 56 and 240 from y = 24: the middle of the point
    // (channel 0, sample 5) lies there, faded; of (channel 1, sample 2) in full colour.
    const auto at = [&](int channel, int sample) {
        return image.pixelColor(56 + static_cast<int>((sample + 0.5) * 80), 24 + static_cast<int>((channel + 0.5) * 60));
    };
    const TMapColour strong = DivergingColour(4, 4);
    EXPECT_EQ(at(1, 2), QColor(strong.R, strong.G, strong.B));
    const TMapColour weak = PointColours(scene, 4)[5];
    EXPECT_EQ(at(0, 5), QColor(weak.R, weak.G, weak.B));

    TTempDir dir;
    SaveClusterPicture(QString::fromStdString(dir.Path("c.svg")), scene);
    const std::string svg = ReadText(PathFromText(dir.Path("c.svg")));
    for (const char* part : {"Cluster test", "4 to 12 ms, p = 0.010", ">Fz<", ">Oz<"})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
}

TEST(NeighboursPicture, OneLinePerPairBetweenTheSensorsDots)
{
    TNeighboursScene scene{{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {"A", "B", "C"}, {{1, 2}, {0}, {0}}};
    const auto lines = NeighbourLines(QSize(300, 300), scene);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].First, 0);
    EXPECT_EQ(lines[0].Second, 1);
    EXPECT_EQ(lines[1].Second, 2);
    // The top of the head in the middle; the right ear's way to the right, the nose's up.
    EXPECT_DOUBLE_EQ(lines[0].From.X, 150);
    EXPECT_GT(lines[0].To.X, 150);
    EXPECT_DOUBLE_EQ(lines[0].To.Y, lines[0].From.Y);
    EXPECT_LT(lines[1].To.Y, lines[1].From.Y);
    const QImage image = RenderNeighbours(QSize(300, 300), scene);
    // Half way along the line from the top towards the right ear: the line's blue.
    const QColor mid = image.pixelColor(static_cast<int>((lines[0].From.X + lines[0].To.X) / 2),
                                        static_cast<int>(lines[0].From.Y));
    EXPECT_GT(mid.blue(), mid.red() + 40);
}

} // namespace
} // namespace orva::test
