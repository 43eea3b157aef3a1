// Scalp maps: the projection and its orientation, the colour scale, contours, the spline's
// values over the panel, the channels and times a map takes from a document, the files.
#include "plot/ScalpMapData.h"
#include "plot/ScalpMapPicture.h"

#include "model/ORVAError.h"
#include "tests/support/TestFileBuilder.h"
#include "tests/support/ViewTestDocuments.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace orva::plot {
namespace {

constexpr double kPi = std::numbers::pi;

// 40 sensors spread by a golden-angle spiral from the top down to 20 degrees below the ears.
std::vector<TPoint3> SpreadSensors()
{
    std::vector<TPoint3> s;
    for (int i = 0; i < 40; ++i) {
        const double z = 1 - (i + 0.5) / 40 * 1.34;
        const double r = std::sqrt(1 - z * z), a = i * 2.39996;
        s.push_back({9 * r * std::cos(a), 9 * r * std::sin(a), 9 * z});
    }
    return s;
}

TEST(ScalpMapGeometry, ProjectsFromTheTopWithTheNoseUpAndTheLeftEarLeft)
{
    const struct {
        TPoint3 Direction;
        double X, Y;
    } cases[] = {{{0, 0, 5}, 0, 0},          {{1, 0, 0}, kPi / 2, 0},   {{-3, 0, 0}, -kPi / 2, 0},
                 {{0, 2, 0}, 0, kPi / 2},    {{0, -1, -1}, 0, -3 * kPi / 4}, {{1, 1, std::sqrt(2.0)}, kPi / 4 / std::sqrt(2.0), kPi / 4 / std::sqrt(2.0)}};
    for (const auto& c : cases) {
        const TDiscPoint p = ProjectToDisc(c.Direction);
        EXPECT_NEAR(p.X, c.X, 1e-12);
        EXPECT_NEAR(p.Y, c.Y, 1e-12);
        // And back to the same direction, scaled to the unit sphere.
        const TPoint3 u = DiscToSphere(p);
        const double n = std::sqrt(c.Direction.X * c.Direction.X + c.Direction.Y * c.Direction.Y +
                                   c.Direction.Z * c.Direction.Z);
        EXPECT_NEAR(u.X, c.Direction.X / n, 1e-12);
        EXPECT_NEAR(u.Y, c.Direction.Y / n, 1e-12);
        EXPECT_NEAR(u.Z, c.Direction.Z / n, 1e-12);
    }
    // On the screen: the nose above the centre, the left ear to its left.
    const TMapFrame f = ComputeMapFrame(300, 320, 20, kPi / 2);
    const TPixelPoint nose = DiscToPixel(f, ProjectToDisc({0, 1, 0}));
    const TPixelPoint left = DiscToPixel(f, ProjectToDisc({-1, 0, 0}));
    EXPECT_LT(nose.Y, f.CentreY);
    EXPECT_DOUBLE_EQ(nose.X, f.CentreX);
    EXPECT_LT(left.X, f.CentreX);
    EXPECT_DOUBLE_EQ(left.Y, f.CentreY);
    const TDiscPoint back = PixelToDisc(f, nose);
    EXPECT_NEAR(back.X, 0, 1e-12);
    EXPECT_NEAR(back.Y, kPi / 2, 1e-12);
}

TEST(ScalpMapGeometry, TheMapReachesTheOutermostSensorAndFitsItsPanel)
{
    const std::vector<TPoint3> sensors = SpreadSensors();
    const double reach = MapReach(sensors);
    EXPECT_NEAR(reach, std::acos(1 - 39.5 / 40 * 1.34), 1e-9);
    EXPECT_EQ(MapReach({}), 0);
    for (auto [w, h] : {std::pair{300, 300}, std::pair{500, 200}, std::pair{120, 400}}) {
        const TMapFrame f = ComputeMapFrame(w, h, 20, reach);
        // The map's and the nose's extremes stay inside the panel, below the title.
        const double nose = kOutlineAngle * 1.15;
        for (TDiscPoint p : {TDiscPoint{reach, 0}, TDiscPoint{-reach, 0}, TDiscPoint{0, -reach}, TDiscPoint{0, nose}}) {
            const TPixelPoint q = DiscToPixel(f, p);
            EXPECT_GE(q.X, 0) << w << "x" << h;
            EXPECT_LE(q.X, w);
            EXPECT_GE(q.Y, 20);
            EXPECT_LE(q.Y, h);
        }
        const TMapPixels pixels = CoveredPixels(f, w, h, reach);
        const double radius = reach * f.PixelsPerRadian;
        EXPECT_NEAR(static_cast<double>(pixels.Index.size()), kPi * radius * radius, 4 * kPi * radius);
        ASSERT_EQ(pixels.Index.size(), pixels.Points.size());
        for (std::size_t i = 0; i < pixels.Points.size(); ++i) {
            const TDiscPoint p = ProjectToDisc(pixels.Points[i]);
            EXPECT_LE(std::hypot(p.X, p.Y), reach + 1e-9);
            if (i > 0) {
                EXPECT_LT(pixels.Index[i - 1], pixels.Index[i]);
            }
        }
    }
}

TEST(ScalpMapColours, BlueNegativeWhiteZeroRedPositiveClampedAtTheRange)
{
    EXPECT_EQ(DivergingColour(0, 10), (TMapColour{255, 255, 255}));
    EXPECT_EQ(DivergingColour(std::nan(""), 10), (TMapColour{255, 255, 255}));
    EXPECT_EQ(DivergingColour(25, 10), DivergingColour(10, 10));
    EXPECT_EQ(DivergingColour(-25, 10), DivergingColour(-10, 10));
    // Red above 0, blue below, and darker the further from 0 on either side.
    for (double v = -10; v <= 10; v += 0.25) {
        const TMapColour c = DivergingColour(v, 10);
        EXPECT_EQ(c.R > c.B, v > 0) << v;
        EXPECT_EQ(c.B > c.R, v < 0) << v;
    }
    for (double sign : {1.0, -1.0}) {
        int previous = 3 * 255 + 1;
        for (double v = 0; v <= 10; v += 0.25) {
            const TMapColour c = DivergingColour(sign * v, 10);
            EXPECT_LT(c.R + c.G + c.B, previous) << sign * v;
            previous = c.R + c.G + c.B;
        }
    }
}

TEST(ScalpMapColours, TheRangeFitsTheLargestMagnitudeAndLevelsAreRoundAndSymmetric)
{
    EXPECT_DOUBLE_EQ(FitColourRange({{1, -2.5}, {2, std::nan("")}, {-7.25, 3}}), 7.25);
    EXPECT_DOUBLE_EQ(FitColourRange({{0, 0}, {}}), 1);
    EXPECT_EQ(ContourLevels(7.25), (std::vector<double>{-6, -4, -2, 0, 2, 4, 6}));
    EXPECT_EQ(ContourLevels(10), (std::vector<double>{-10, -5, 0, 5, 10}));
    const std::vector<double> small = ContourLevels(0.3);
    ASSERT_EQ(small.size(), 7u);
    EXPECT_NEAR(small.front(), -0.3, 1e-12);
    EXPECT_EQ(small[3], 0);
    EXPECT_TRUE(ContourLevels(0).empty());
}

TEST(ScalpMapContours, MarchingSquaresFollowTheLevelAndSkipTheOutside)
{
    // A ramp rising along x: the level 2.5 is the straight line x = 2.5 in every row.
    const int w = 6, h = 4;
    std::vector<float> ramp;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ramp.push_back(static_cast<float>(x));
    auto segments = ContourSegments(ramp, w, h, 2.5);
    ASSERT_EQ(segments.size(), static_cast<std::size_t>(h - 1));
    for (const auto& s : segments) {
        EXPECT_DOUBLE_EQ(s.X1, 2.5);
        EXPECT_DOUBLE_EQ(s.X2, 2.5);
        EXPECT_DOUBLE_EQ(std::abs(s.Y2 - s.Y1), 1);
    }
    // Outside the map (NaN) nothing is drawn.
    ramp[2 * w + 2] = std::nanf("");
    EXPECT_EQ(ContourSegments(ramp, w, h, 2.5).size(), static_cast<std::size_t>(h - 3));
    EXPECT_TRUE(ContourSegments(ramp, w, h, 9).empty());
    // A saddle gives two pieces that keep the high corners apart when the centre is low.
    const auto saddle = ContourSegments({1, 0, 0, 1}, 2, 2, 0.6);
    ASSERT_EQ(saddle.size(), 2u);
    for (const auto& s : saddle)
        EXPECT_NEAR(std::abs(s.X1 - s.X2), 0.4, 1e-6); // each cuts a corner
}

TEST(ScalpMapRenderer, TheSplineKeepsConstantsAndLinearFieldsPointTheRightWay)
{
    const std::vector<TPoint3> sensors = SpreadSensors();
    TScalpMapRenderer renderer(sensors);
    const QSize panel(120, 140);
    const auto constant = renderer.PanelValues(panel, std::vector<double>(sensors.size(), 3.5));
    int covered = 0;
    for (float v : constant)
        if (!std::isnan(v)) {
            EXPECT_NEAR(v, 3.5, 1e-4);
            ++covered;
        }
    EXPECT_GT(covered, 5000);

    // Values growing towards the right ear, then towards the nose.
    const TMapFrame f = ComputeMapFrame(panel.width(), panel.height(), kMapTitleHeight, MapReach(sensors));
    auto at = [&](const std::vector<float>& grid, double dx, double dy) {
        const int column = static_cast<int>(f.CentreX + dx), row = static_cast<int>(f.CentreY + dy);
        return grid[static_cast<std::size_t>(row * panel.width() + column)];
    };
    std::vector<double> rightward, forward;
    for (const TPoint3& s : sensors) {
        rightward.push_back(s.X);
        forward.push_back(s.Y);
    }
    const auto x = renderer.PanelValues(panel, rightward);
    EXPECT_GT(at(x, 30, 0), 1);
    EXPECT_LT(at(x, -30, 0), -1);
    EXPECT_NEAR(at(x, 0, 30), 0, 0.5);
    const auto y = renderer.PanelValues(panel, forward);
    EXPECT_GT(at(y, 0, -30), 1); // up on the screen: towards the nose
    EXPECT_LT(at(y, 0, 30), -1);

    // Every pixel holds the spline's value: the interpolation matrix of the same points gives it.
    std::vector<double> bumpy;
    for (const TPoint3& s : sensors)
        bumpy.push_back(std::sin(s.X) * 3 + s.Y * s.Z / 9 - 2);
    const auto values = renderer.PanelValues(panel, bumpy);
    const TMapPixels pixels = CoveredPixels(f, panel.width(), panel.height(), MapReach(sensors));
    const std::vector<double> w = TSphericalSpline(renderer.Sensors()).InterpolationMatrix(pixels.Points);
    for (std::size_t p = 0; p < pixels.Points.size(); p += 7) {
        double expected = 0;
        for (std::size_t i = 0; i < sensors.size(); ++i)
            expected += w[p * sensors.size() + i] * bumpy[i];
        ASSERT_NEAR(values[static_cast<std::size_t>(pixels.Index[p])], expected, 1e-5 * (1 + std::abs(expected))) << p;
    }

    // Another size and back: the weights follow the size asked for.
    const auto other = renderer.PanelValues(QSize(80, 90), rightward);
    EXPECT_EQ(other.size(), 80u * 90u);
    const auto again = renderer.PanelValues(panel, rightward);
    ASSERT_EQ(again.size(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        ASSERT_TRUE(again[i] == x[i] || (std::isnan(again[i]) && std::isnan(x[i]))) << i;
}

TEST(ScalpMapRenderer, DrawsMapsSideBySideWithTheirBarAndWritesPngAndSvg)
{
    const std::vector<TPoint3> sensors = SpreadSensors();
    TScalpMapRenderer renderer(sensors);
    TScalpMapScene scene;
    for (std::size_t i = 0; i < sensors.size(); ++i)
        scene.Labels.push_back("S" + std::to_string(i + 1));
    std::vector<double> rightward;
    for (const TPoint3& s : sensors)
        rightward.push_back(s.X);
    std::vector<double> leftward = rightward;
    for (double& v : leftward)
        v = -v;
    scene.Maps = {{"100 ms", rightward}, {"200 ms", leftward}};
    scene.RangeUv = 9;
    const QSize panel(150, 170);
    const QImage image = renderer.Render(panel, scene);
    ASSERT_EQ(image.size(), QSize(2 * 150 + kColourBarWidth, 170));
    const TMapFrame f = ComputeMapFrame(150, 170, kMapTitleHeight, MapReach(sensors));
    auto colour = [&](int map, double dx) {
        return QColor(image.pixel(static_cast<int>(map * 150 + f.CentreX + dx), static_cast<int>(f.CentreY + 5)));
    };
    // Red is positive in each map, whatever its sign convention elsewhere.
    EXPECT_GT(colour(0, 40).red(), colour(0, 40).blue() + 50);
    EXPECT_GT(colour(0, -40).blue(), colour(0, -40).red() + 50);
    EXPECT_GT(colour(1, 40).blue(), colour(1, 40).red() + 50);
    // The bar: red at the top, blue at the bottom.
    const int barX = 2 * 150 + 14;
    const QColor top(image.pixel(barX, kMapTitleHeight + 20)), bottom(image.pixel(barX, 170 - 20));
    EXPECT_GT(top.red(), top.blue() + 50);
    EXPECT_GT(bottom.blue(), bottom.red() + 50);

    test::TTempDir dir;
    scene.ShowLabels = true;
    renderer.Save(QString::fromStdString(dir.Path("maps.svg")), panel, scene);
    const std::string svg = test::ReadText(dir.Path("maps.svg"));
    for (const char* part : {"<svg", "viewBox=\"0 0 372 170\"", ">100 ms<", ">200 ms<", ">S40<", ">\u00B5V<", ">-5<"})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    renderer.Save(QString::fromStdString(dir.Path("maps.PNG")), panel, scene);
    EXPECT_EQ(QImage(QString::fromStdString(dir.Path("maps.PNG"))).size(), image.size());
    EXPECT_THROW(renderer.Save(QString::fromStdString(dir.Path("maps.jpg")), panel, scene), EORVAError);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("maps.jpg")));
}

TEST(ScalpMapData, PlacesTheChannelsThatHaveAPosition)
{
    const std::vector<TSensorPosition> sensors = {
        {"E3", 0, 1, 0}, {"Ref", 0, 0, 1}, {"E1", 1, 0, 0}, {"E2", 0, 0, 2}};
    const TMapChannels placed = PlaceChannels(sensors, {"E1", "E2", "E3", "E4"}, {}, "/p/net.sfp");
    EXPECT_EQ(placed.Channels, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(placed.Labels, (std::vector<std::string>{"E1", "E2", "E3"}));
    EXPECT_EQ(placed.Unplaced, (std::vector<std::string>{"E4"}));
    EXPECT_DOUBLE_EQ(placed.Directions[1].Z, 1);
    try {
        PlaceChannels(sensors, {"E1", "Cz", "E9"}, {}, "/p/net.sfp");
        FAIL() << "two placed channels drew a map";
    } catch (const EORVAError& e) {
        EXPECT_NE(std::string(e.what()).find("net.sfp"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("at least 3 channels"), std::string::npos) << e.what();
    }
}

TEST(ScalpMapData, TakesTheNearestSampleOrTheWindowsMeanAsTheMeasuresDo)
{
    // Average file: 250 Hz, 200 ms baseline, ScaleBins 10; samples at -200, -196, ... 796 ms.
    const auto file = test::AverageDocument({{2, 250, 250}}, 3);
    const struct {
        double Ms;
        int Sample;
    } cases[] = {{-200, 0}, {0, 50}, {1.9, 50}, {2, 50}, {2.1, 51}, {796, 249}, {795, 249}};
    for (const auto& c : cases)
        EXPECT_EQ(NearestSample(*file, 0, c.Ms), c.Sample) << c.Ms;
    for (double outside : {-200.5, 796.5, std::nan("")}) {
        try {
            NearestSample(*file, 0, outside);
            FAIL() << outside;
        } catch (const EORVAError& e) {
            EXPECT_NE(std::string(e.what()).find("s01.ave"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("from -200 to 796 ms"), std::string::npos) << e.what();
        }
    }
    const TORVACell& cell = file->Cells[0];
    const auto values = SampleValues(*file, 0, 1, 60, {2, 0});
    EXPECT_EQ(values, (std::vector<double>{cell.Data(1, 60, 2) / 10.0, cell.Data(1, 60, 0) / 10.0}));
    // 0 .. 10 ms holds the samples at 0, 4 and 8 ms.
    const auto means = WindowMeanValues(*file, 0, 1, 0, 10, {1});
    EXPECT_NEAR(means[0], (cell.Data(1, 50, 1) + cell.Data(1, 51, 1) + cell.Data(1, 52, 1)) / 30.0, 1e-12);
    EXPECT_THROW(WindowMeanValues(*file, 0, 1, 801, 900, {1}), EORVAError);
    EXPECT_THROW(WindowMeanValues(*file, 0, 1, 10, 0, {1}), EORVAError);
    EXPECT_THROW(CheckMapTrace(*file, 1, 0), EORVAError);
    EXPECT_THROW(CheckMapTrace(*file, 0, 2), EORVAError);
    EXPECT_NO_THROW(CheckMapTrace(*file, 0, 1));
    EXPECT_EQ(SampleTitle(176), "176 ms");
    EXPECT_EQ(SampleTitle(-0.25), "-0.25 ms");
    EXPECT_EQ(WindowTitle(300, 500.5), "300 to 500.5 ms");
}

} // namespace
} // namespace orva::plot
