#include "head/ChannelNeighbours.h"
#include "head/DelaunayTriangulation.h"
#include "head/PlanePredicates.h"

#include "data/DemoData.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <random>
#include <set>

namespace orva::test {
namespace {

__extension__ typedef unsigned __int128 TWide;

constexpr double kUlpBelowOne = 1.1102230246251565e-16; // 2^-53, the spacing of doubles in [0.5, 1)

// Points just off the line y = x through (12, 12) and (24, 24): rounding in the naive
// determinant gets many of these signs wrong; the true sign is that of y - x.
TEST(PlanePredicates, OrientationIsExactNextToALine)
{
    const TDiscPoint q{12, 12}, r{24, 24};
    for (int i = 0; i < 64; ++i)
        for (int j = 0; j < 64; ++j) {
            const TDiscPoint p{0.5 + i * kUlpBelowOne, 0.5 + j * kUlpBelowOne};
            const int expected = (p.Y > p.X) - (p.Y < p.X);
            ASSERT_EQ(Orientation(p, q, r), expected) << i << " " << j;
            ASSERT_EQ(Orientation(q, r, p), expected) << i << " " << j;
            ASSERT_EQ(Orientation(q, p, r), -expected) << i << " " << j;
        }
}

// Points within a few units in the last place of the unit circle through (1, 0), (0, 1),
// (-1, 0); the true answer comes from the doubles' integer mantissas in 128 bits.
TEST(PlanePredicates, InCircleIsExactNextToTheCircle)
{
    const TDiscPoint a{1, 0}, b{0, 1}, c{-1, 0};
    const TWide one = TWide(1) << 106;
    int inside = 0, outside = 0, on = 0;
    for (int i = -12; i <= 12; ++i)
        for (int j = -12; j <= 12; ++j) {
            const double x = 0.6 + i * kUlpBelowOne, y = 0.8 + j * kUlpBelowOne;
            const auto mx = static_cast<std::uint64_t>(std::ldexp(x, 53));
            const auto my = static_cast<std::uint64_t>(std::ldexp(y, 53));
            const TWide square = TWide(mx) * mx + TWide(my) * my;
            const int expected = square < one ? 1 : (square > one ? -1 : 0);
            (expected > 0 ? inside : expected < 0 ? outside : on)++;
            ASSERT_EQ(InCircle(a, b, c, {x, y}), expected) << i << " " << j;
            ASSERT_EQ(InCircle(b, c, a, {x, y}), expected) << i << " " << j;
            ASSERT_EQ(InCircle(b, a, c, {x, y}), -expected) << i << " " << j;
        }
    EXPECT_GT(inside, 0);
    EXPECT_GT(outside, 0);
    // On it, and by a square far below the rounding of 1 off it.
    EXPECT_EQ(InCircle(a, b, c, {0, -1}), 0);
    EXPECT_EQ(InCircle(a, b, c, {std::ldexp(1.0, -30), -1}), -1);
}

double Cross(TDiscPoint o, TDiscPoint a, TDiscPoint b)
{
    return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

// Twice the area of the convex hull (Andrew's monotone chain), for the check that the
// triangles cover the hull.
double HullArea(std::vector<TDiscPoint> p)
{
    std::sort(p.begin(), p.end(), [](TDiscPoint a, TDiscPoint b) { return a.X < b.X || (a.X == b.X && a.Y < b.Y); });
    std::vector<TDiscPoint> h(2 * p.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        while (k >= 2 && Orientation(h[k - 2], h[k - 1], p[i]) <= 0)
            --k;
        h[k++] = p[i];
    }
    for (std::size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
        while (k >= t && Orientation(h[k - 2], h[k - 1], p[i]) <= 0)
            --k;
        h[k++] = p[i];
    }
    double area = 0;
    for (std::size_t i = 1; i + 1 < k; ++i)
        area += Cross(h[0], h[i], h[i + 1]);
    return area;
}

// What makes a Delaunay triangulation: counter-clockwise triangles that cover the hull,
// each edge in at most two of them, every point used, no point strictly inside any circle.
void ExpectDelaunay(const std::vector<TDiscPoint>& p, const TTriangulation& t)
{
    ASSERT_FALSE(t.Coincident);
    ASSERT_FALSE(t.Collinear);
    std::map<std::pair<int, int>, int> directed;
    std::set<int> used;
    double area = 0;
    for (const auto& tri : t.Triangles) {
        ASSERT_EQ(Orientation(p[tri[0]], p[tri[1]], p[tri[2]]), 1);
        area += Cross(p[tri[0]], p[tri[1]], p[tri[2]]);
        for (int i = 0; i < 3; ++i) {
            used.insert(tri[i]);
            ASSERT_EQ(++directed[std::make_pair(tri[i], tri[(i + 1) % 3])], 1) << "an edge twice in one direction";
        }
        for (std::size_t d = 0; d < p.size(); ++d)
            ASSERT_LE(InCircle(p[tri[0]], p[tri[1]], p[tri[2]], p[d]), 0) << "point " << d << " inside a circle";
    }
    EXPECT_EQ(used.size(), p.size());
    EXPECT_NEAR(area, HullArea(p), 1e-12 * HullArea(p));
}

TEST(DelaunayTriangulation, RandomPointsAndAGridWithItsCoCircularSquaresAndCollinearEdges)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int n : {3, 4, 10, 200}) {
        std::vector<TDiscPoint> p(static_cast<std::size_t>(n));
        for (auto& q : p)
            q = {u(random), u(random)};
        ExpectDelaunay(p, DelaunayTriangulation(p));
    }
    std::vector<TDiscPoint> grid;
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 7; ++j)
            grid.push_back({0.1 * i, 0.1 * j});
    const TTriangulation t = DelaunayTriangulation(grid);
    ExpectDelaunay(grid, t);
    EXPECT_EQ(t.Triangles.size(), 2u * 8 * 6);
    // Collinear points first in the sweep, then one off the line: the fan.
    const std::vector<TDiscPoint> fan{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 1.5}};
    ExpectDelaunay(fan, DelaunayTriangulation(fan));
    EXPECT_EQ(DelaunayTriangulation(fan).Triangles.size(), 3u);
}

std::vector<TPoint3> OnTheHead(const std::vector<TDiscPoint>& disc)
{
    std::vector<TPoint3> d;
    for (TDiscPoint p : disc)
        d.push_back(DiscToSphere(p));
    return d;
}

TEST(TriangulationNeighbours, AQuadrilateralTakesTheDiagonalWithTheEmptyCircle)
{
    // The circle through the first three leaves the fourth outside: the diagonal joins 1 and 2.
    const auto n = TriangulationNeighbours(OnTheHead({{0, 0}, {0.3, 0}, {0, 0.3}, {0.3, 0.33}}));
    EXPECT_EQ(n, (TChannelNeighbours{{1, 2}, {0, 2, 3}, {0, 1, 3}, {1, 2}}));
    // Pulled inside that circle, the fourth takes the other diagonal.
    const auto m = TriangulationNeighbours(OnTheHead({{0, 0}, {0.3, 0}, {0, 0.3}, {0.2, 0.2}}));
    EXPECT_EQ(m, (TChannelNeighbours{{1, 2, 3}, {0, 3}, {0, 3}, {0, 1, 2}}));
}

TEST(TriangulationNeighbours, FewSensorsArePairs)
{
    EXPECT_EQ(TriangulationNeighbours({}), TChannelNeighbours{});
    EXPECT_EQ(TriangulationNeighbours({{0, 0, 1}}), (TChannelNeighbours{{}}));
    EXPECT_EQ(TriangulationNeighbours({{0, 0, 1}, {1, 0, 0}}), (TChannelNeighbours{{1}, {0}}));
}

std::string Refusal(const std::vector<TPoint3>& d, const std::vector<std::string>& labels)
{
    try {
        TriangulationNeighbours(d, labels, PathFromText("net.sfp"));
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), "net.sfp");
        return e.Cause();
    }
    return "";
}

TEST(TriangulationNeighbours, RefusesCoincidentCollinearAndNonFiniteSensorsNamingThem)
{
    // Two lengths of one direction land on one point of the map.
    EXPECT_EQ(Refusal({{0, 1, 1}, {1, 0, 0}, {0, 2, 2}}, {"Fz", "T8", "Fz2"}),
              "sensors \"Fz\" and \"Fz2\" lie at one point of the map, so their neighbours cannot be told apart");
    EXPECT_EQ(Refusal({{0, 1, 1}, {0, -1, 1}, {0, 0, 1}}, {"Fz", "Pz", "Cz"}),
              "all 3 sensors (\"Fz\" to \"Cz\") lie on one line of the map, so they cannot be triangulated");
    EXPECT_EQ(Refusal({{0, 1, 1}, {NAN, 0, 1}, {1, 0, 1}}, {"Fz", "C3", "C4"}), "sensor \"C3\" has no finite direction");
    try {
        TriangulationNeighbours({{1, 0, 0}, {2, 0, 0}});
        ADD_FAILURE() << "coincident pair accepted";
    } catch (const EORVAError& e) {
        EXPECT_NE(std::string(e.what()).find("sensors 1 and 2"), std::string::npos) << e.what();
    }
}

TEST(TriangulationNeighbours, TheDemoNetIsATriangulatedSymmetricMesh)
{
    std::vector<TPoint3> d;
    for (const auto& s : DemoSensorPositions())
        d.push_back({s.X, s.Y, s.Z});
    const auto n = TriangulationNeighbours(d);
    ASSERT_EQ(n.size(), 64u);
    std::size_t edges = 0;
    for (std::size_t i = 0; i < n.size(); ++i) {
        EXPECT_TRUE(std::is_sorted(n[i].begin(), n[i].end()));
        EXPECT_GE(n[i].size(), 2u) << i;
        for (int j : n[i]) {
            EXPECT_NE(j, static_cast<int>(i));
            EXPECT_TRUE(std::binary_search(n[j].begin(), n[j].end(), static_cast<int>(i))) << i << " " << j;
        }
        edges += n[i].size();
    }
    // A planar triangulation has at most 3n - 6 edges; a net's is near that bound.
    EXPECT_LE(edges / 2, 3u * 64 - 6);
    EXPECT_GE(edges / 2, 2u * 64);
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(PathFromText(path), std::ios::binary);
    out << text;
}

const std::vector<std::string> kLabels{"Fz", "Cz", "Pz", "Oz"};

std::string FileRefusal(const std::string& text, const std::vector<std::string>& labels = kLabels)
{
    TTempDir dir;
    WriteText(dir.Path("n.txt"), text);
    try {
        ReadNeighboursFile(PathFromText(dir.Path("n.txt")), labels);
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), dir.Path("n.txt"));
        return e.Cause();
    }
    return "";
}

TEST(NeighboursFile, WrittenFileReadsBackAndAReviewedOneInAnyOrderWithCommentsAndCrLf)
{
    TTempDir dir;
    const TChannelNeighbours chain{{1}, {0, 2}, {1, 3}, {2}};
    WriteNeighboursFile(PathFromText(dir.Path("n.txt")), chain, kLabels);
    std::ifstream in(PathFromText(dir.Path("n.txt")), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Fz: Cz\nCz: Fz Pz\nPz: Cz Oz\nOz: Pz\n");
    EXPECT_EQ(ReadNeighboursFile(PathFromText(dir.Path("n.txt")), kLabels), chain);

    EXPECT_EQ(ParseNeighbours("# edited\r\n\r\nOz:\tPz Fz\r\n  Pz : Oz Cz\nCz: Pz  Fz \nFz: Oz Cz", PathFromText("x"), kLabels),
              (TChannelNeighbours{{1, 3}, {0, 2}, {1, 3}, {0, 2}}));
    // A channel without neighbours is allowed: its points form clusters alone.
    EXPECT_EQ(FileRefusal("Fz: Cz\nCz: Fz\nPz:\nOz:\n"), "");
}

TEST(NeighboursFile, RefusesNamingTheLine)
{
    EXPECT_EQ(FileRefusal("Fz: Cz\nCz Fz\n"), "line 2: expected \"LABEL: LABEL LABEL ...\"");
    EXPECT_EQ(FileRefusal("Fz: Cz\n : Fz\n"), "line 2: no channel label before the colon");
    EXPECT_EQ(FileRefusal("Fz: Cz\nT7: Fz\n"), "line 2: no channel is labelled \"T7\"");
    EXPECT_EQ(FileRefusal("Fz: Cz T7\n"), "line 1: no channel is labelled \"T7\"");
    EXPECT_EQ(FileRefusal("Fz: Fz\n"), "line 1: channel \"Fz\" is listed as its own neighbour");
    EXPECT_EQ(FileRefusal("Fz: Cz\nCz: Fz\nFz: Cz\n"), "line 3: channel \"Fz\" already has line 1");
    EXPECT_EQ(FileRefusal("Fz: Cz\nCz: Fz\nPz: \n"), "no line for channel \"Oz\"");
    EXPECT_EQ(FileRefusal("Fz: Cz Pz\nCz: Fz\nPz:\nOz:\n"),
              "line 1: \"Fz\" lists \"Pz\" but line 3 of \"Pz\" does not list it back");
    EXPECT_EQ(FileRefusal("Fz:\n", {"Fz", "Fz"}), "two channels are labelled \"Fz\", so a neighbours file cannot tell them apart");
}

TEST(NeighboursFile, WriterRefusesLabelsTheReaderCouldNotReadAndKeepsTheOldFile)
{
    TTempDir dir;
    WriteText(dir.Path("n.txt"), "old");
    for (const std::string bad : {"", "E 1", "E:1", "#E1"}) {
        EXPECT_THROW(WriteNeighboursFile(PathFromText(dir.Path("n.txt")), {{1}, {0}}, {"Fz", bad}), EORVAError) << bad;
    }
    EXPECT_THROW(WriteNeighboursFile(PathFromText(dir.Path("n.txt")), {{1}, {0}}, {"Fz"}), EORVAError);
    std::ifstream in(PathFromText(dir.Path("n.txt")), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "old");
}

} // namespace
} // namespace orva::test
