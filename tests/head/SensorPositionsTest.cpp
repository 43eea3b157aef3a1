#include "head/SensorPositions.h"

#include "model/ORVAError.h"
#include "model/PathText.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace orva::test {
namespace {

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(PathFromText(path), std::ios::binary);
    out << text;
}

// The text of the error a file with this text and name gives, or "" when it is read.
std::string Refusal(const std::string& name, const std::string& text)
{
    TTempDir dir;
    WriteText(dir.Path(name), text);
    try {
        ReadSensorPositions(PathFromText(dir.Path(name)));
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), dir.Path(name));
        return e.Cause();
    }
    return "";
}

TEST(SensorPositionsRead, SfpWithFiducialsSpacesTabsAndBothLineEnds)
{
    TTempDir dir;
    WriteText(dir.Path("net.SFP"), "FidNz\t0\t9.5\t-2\r\nfidt9 -8 0 -3\r\n\r\nE1\t1.5  -2e-1\t+3\nE2 -0.25\t0.5 7.125");
    const auto s = ReadSensorPositions(PathFromText(dir.Path("net.SFP")));
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].Label, "E1");
    EXPECT_EQ(s[0].X, 1.5);
    EXPECT_EQ(s[0].Y, -0.2);
    EXPECT_EQ(s[0].Z, 3);
    EXPECT_EQ(s[1].Label, "E2");
    EXPECT_EQ(s[1].X, -0.25);
    EXPECT_EQ(s[1].Z, 7.125);
}

TEST(SensorPositionsRead, ElectrodesTsvTakesItsColumnsByName)
{
    TTempDir dir;
    WriteText(dir.Path("sub-01_electrodes.Tsv"), "z\tname\ttype\tx\ty\n3\tCz\tEEG\t0.5\t-1\n\n-2\tREF\tn/a\t4\t0\n");
    const auto s = ReadSensorPositions(PathFromText(dir.Path("sub-01_electrodes.Tsv")));
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].Label, "Cz");
    EXPECT_EQ(s[0].X, 0.5);
    EXPECT_EQ(s[0].Y, -1);
    EXPECT_EQ(s[0].Z, 3);
    EXPECT_EQ(s[1].Label, "REF");
    EXPECT_EQ(s[1].Z, -2);
}

TEST(SensorPositionsRead, RefusalsNameTheLine)
{
    EXPECT_EQ(Refusal("a.sfp", "E1 1 2 3\nE2 1 2\n"), "line 2: expected a label and x, y and z");
    EXPECT_EQ(Refusal("a.sfp", "E1 1 2 3 4\n"), "line 1: expected a label and x, y and z");
    EXPECT_EQ(Refusal("a.sfp", "E1 1 2 3\n\nE2 1 x 3\n"), "line 3: \"x\" is not a finite number");
    EXPECT_EQ(Refusal("a.sfp", "E1 1 nan 3\n"), "line 1: \"nan\" is not a finite number");
    EXPECT_EQ(Refusal("a.sfp", "E1 1 inf 3\n"), "line 1: \"inf\" is not a finite number");
    EXPECT_EQ(Refusal("a.sfp", "E1 1 1e999 3\n"), "line 1: \"1e999\" is not a finite number");
    EXPECT_EQ(Refusal("a.sfp", "E1 1 2,5 3\n"), "line 1: \"2,5\" is not a finite number");
    EXPECT_EQ(Refusal("a.sfp", "E1 1 2 3\r\nE1 3 2 1\r\n"), "line 2: sensor E1 is listed twice");
    EXPECT_EQ(Refusal("a.sfp", "E1 0 0 0\n"), "line 1: sensor E1 lies at the origin");
    // A fiducial must have the shape of a line too, but is never a sensor.
    EXPECT_EQ(Refusal("a.sfp", "FidNz 0 0\n"), "line 1: expected a label and x, y and z");
    EXPECT_EQ(Refusal("a.sfp", "FidNz 0 0 0\nE1 1 0 0\n"), "");

    EXPECT_EQ(Refusal("e.tsv", "name\tx\ty\n"), "line 1: the header has no column \"z\"");
    EXPECT_EQ(Refusal("e.tsv", ""), "no header line with the columns name, x, y and z");
    EXPECT_EQ(Refusal("e.tsv", "name\tx\ty\tz\nE1\t1\t2\n"), "line 2: expected 4 tab-separated fields as in the header, found 3");
    EXPECT_EQ(Refusal("e.tsv", "name\tx\ty\tz\nE1\t1\tn/a\t3\n"), "line 2: \"n/a\" is not a finite number");
    EXPECT_EQ(Refusal("e.tsv", "name\tx\ty\tz\n\t1\t2\t3\n"), "line 2: the name is empty");
    EXPECT_EQ(Refusal("e.tsv", "name\tx\ty\tz\nA\t1\t2\t3\nA\t1\t2\t4\n"), "line 3: sensor A is listed twice");

    EXPECT_EQ(Refusal("net.txt", "E1 1 2 3\n"), "not a sensor positions file (expected .sfp or a BIDS _electrodes.tsv)");
    EXPECT_EQ(Refusal("net", "E1 1 2 3\n"), "not a sensor positions file (expected .sfp or a BIDS _electrodes.tsv)");
}

TEST(SensorPositionsRead, MissingFileNamesIt)
{
    TTempDir dir;
    try {
        ReadSensorPositions(PathFromText(dir.Path("none.sfp")));
        FAIL() << "a missing file was read";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), dir.Path("none.sfp"));
    }
}

TEST(ChannelDirectionsTest, CoordinatesOfAnyFiniteSizeGiveUnitDirections)
{
    // Squared, 1e200 overflows and 1e-200 underflows: both gave no unit vector.
    const std::vector<TSensorPosition> sensors = {{"E1", 3e200, 4e200, 0}, {"E2", 0, 3e-200, 4e-200}, {"E3", 1e308, 1e308, 1e308}};
    const auto d = ChannelDirections(sensors, {"E1", "E2", "E3"});
    ASSERT_TRUE(d[0] && d[1] && d[2]);
    EXPECT_DOUBLE_EQ(d[0]->X, 0.6);
    EXPECT_DOUBLE_EQ(d[1]->Z, 0.8);
    EXPECT_DOUBLE_EQ(d[2]->Y, 1 / std::sqrt(3.0));
}

TEST(ChannelDirectionsTest, MatchesByLabelMovesTheOriginAndRefusesMissingChannels)
{
    const std::vector<TSensorPosition> sensors = {{"E2", 0, 0, 5}, {"REF", 1, 1, 1}, {"E1", 3, 4, 0}, {"E3", 1, 2, 3}};
    const std::vector<std::string> names = {"E1", "E2", "E3", "E4"};
    const auto d = ChannelDirections(sensors, names);
    ASSERT_EQ(d.size(), 4u);
    ASSERT_TRUE(d[0] && d[1] && d[2]);
    EXPECT_DOUBLE_EQ(d[0]->X, 0.6);
    EXPECT_DOUBLE_EQ(d[0]->Y, 0.8);
    EXPECT_EQ(d[1]->Z, 1);
    EXPECT_FALSE(d[3]);

    // Moved so that E3 lies at the origin: it has no direction any more.
    const auto moved = ChannelDirections(sensors, names, {1, 2, 3});
    EXPECT_FALSE(moved[2]);
    ASSERT_TRUE(moved[0]);
    EXPECT_DOUBLE_EQ(moved[0]->X, 2 / std::sqrt(17.0));
    EXPECT_DOUBLE_EQ(moved[0]->Z, -3 / std::sqrt(17.0));

    const auto needed = RequireDirections(sensors, {2, 0}, names, {}, "net.sfp", "data.ave");
    ASSERT_EQ(needed.size(), 2u);
    EXPECT_EQ(needed[0].Z, d[2]->Z);
    EXPECT_EQ(needed[1].X, d[0]->X);
    auto refusal = [&](const std::vector<TSensorPosition>& from, std::vector<int> channels, TPoint3 origin) {
        try {
            RequireDirections(from, channels, names, origin, "net.sfp", "data.ave");
        } catch (const EORVAError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusal(sensors, {0, 3}, {}), "data.ave: channel 4 (E4) has no position in net.sfp");
    std::vector<TSensorPosition> lined = sensors;
    lined[3].Line = 7;
    EXPECT_EQ(refusal(lined, {0, 2}, {1, 2, 3}), "net.sfp: line 7: sensor E3 lies at the origin (1 2 3), so it has no direction");
    EXPECT_EQ(refusal(sensors, {2}, {1, 2, 3}), "net.sfp: sensor E3 lies at the origin (1 2 3), so it has no direction");
}

} // namespace
} // namespace orva::test
