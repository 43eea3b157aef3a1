// orva neighbours: the triangulation's neighbours written for review, and their picture.
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include "head/ChannelNeighbours.h"
#include "model/PathText.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orva::test {
namespace {

// Five sensors: one at the top and four round it, so the top is everyone's neighbour and
// the ring closes; a reference sensor that matches no channel of the data file.
class OrvaNeighbours : public ::testing::Test {
protected:
    void SetUp() override
    {
        TTestFileBuilder::Average(1, 2, 10, 5).WriteTo(dir.Path("in.ave"));
        std::ofstream sfp(dir.Path("net.sfp"), std::ios::binary);
        sfp << "FidNz 0 9 -2\nE1 0 0 9\nE2 6 0.1 6\nE3 -6 -0.2 6\nE4 0.3 6 6\nE5 -0.1 -6 6\nRef 0 -9 -1\n";
        std::ofstream names(dir.Path("names.txt"), std::ios::binary);
        names << "Cz\r\nC4\r\nC3\r\nFz\r\nPz\r\n";
        std::ofstream renamed(dir.Path("named.sfp"), std::ios::binary);
        renamed << "Pz 0 -6 6\nCz 0 0 9\nC4 6 0 6\nC3 -6 0 6\nFz 0 6 6\n";
    }
    TTempDir dir;
};

TEST_F(OrvaNeighbours, ChannelsOfTheDataFileOfANamesFileOrOfThePositions)
{
    const std::string ring = "E1: E2 E3 E4 E5\nE2: E1 E4 E5\nE3: E1 E4 E5\nE4: E1 E2 E3\nE5: E1 E2 E3\n";
    TOrvaRun run = RunOrva({"neighbours", dir.Path("in.ave"), "--positions", dir.Path("net.sfp"), "-o", dir.Path("n.txt")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Out, dir.Path("n.txt") + "\n");
    EXPECT_EQ(run.Err, "orva neighbours: 5 channels, 8 pairs of neighbours\n");
    EXPECT_EQ(ReadText(PathFromText(dir.Path("n.txt"))), ring);

    // Without a data file the sensors are the channels, the reference among them.
    run = RunOrva({"neighbours", "--positions", dir.Path("net.sfp"), "-o", dir.Path("all.txt")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(ReadNeighboursFile(PathFromText(dir.Path("all.txt")), {"E1", "E2", "E3", "E4", "E5", "Ref"}).size(), 6u);

    // Names in channel order, the positions in another: the lines follow the channels.
    run = RunOrva({"neighbours", "--positions", dir.Path("named.sfp"), "--channel-names", dir.Path("names.txt"), "-o",
                   dir.Path("named.txt")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(ReadText(PathFromText(dir.Path("named.txt"))),
              "Cz: C4 C3 Fz Pz\nC4: Cz Fz Pz\nC3: Cz Fz Pz\nFz: Cz C4 C3\nPz: Cz C4 C3\n");
}

TEST_F(OrvaNeighbours, RefusesAChannelWithoutAPositionAndWritesNothing)
{
    // The file's channels are E1 ... E5, the positions Cz ... Pz.
    TOrvaRun run = RunOrva({"neighbours", dir.Path("in.ave"), "--positions", dir.Path("named.sfp"), "-o", dir.Path("n.txt")});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(dir.Path("named.sfp")), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("E1"), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(PathFromText(dir.Path("n.txt"))));

    std::ofstream twice(dir.Path("twice.sfp"), std::ios::binary);
    twice << "E1 0 0 9\nE2 6 0 6\nE3 -6 0 6\nE4 0 6 6\nE5 0 3 3\n";
    twice.close();
    run = RunOrva({"neighbours", "--positions", dir.Path("twice.sfp"), "-o", dir.Path("n.txt")});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("sensors \"E4\" and \"E5\" lie at one point of the map"), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(PathFromText(dir.Path("n.txt"))));
}

TEST_F(OrvaNeighbours, TakesOneOptionalDataFile)
{
    // The help names the one data file once, as the synopsis does ("[FILE]").
    const TOrvaRun help = RunOrva({"neighbours", "--help"});
    ASSERT_EQ(help.ExitStatus, 0);
    EXPECT_NE(help.Out.find("\n  FILE (optional) "), std::string::npos) << help.Out;
    EXPECT_EQ(help.Out.find("FILE FILE"), std::string::npos) << help.Out;
    EXPECT_EQ(help.Out.find("FILE ..."), std::string::npos) << help.Out;

    const TOrvaRun two = RunOrva({"neighbours", dir.Path("in.ave"), dir.Path("in.ave"), "--positions",
                                  dir.Path("net.sfp"), "-o", dir.Path("n.txt")});
    EXPECT_EQ(two.ExitStatus, 1) << two.Err;
    EXPECT_NE(two.Err.find("give at most one data file"), std::string::npos) << two.Err;
    EXPECT_FALSE(std::filesystem::exists(PathFromText(dir.Path("n.txt"))));
}

#ifdef ORVA_CLI_WITH_PLOT
TEST_F(OrvaNeighbours, DrawsTheSensorsAndOneLinePerPair)
{
    TOrvaRun run = RunOrva({"neighbours", dir.Path("in.ave"), "--positions", dir.Path("net.sfp"), "-o", dir.Path("n.txt"),
                            "--picture", dir.Path("net.svg"), "--size", "400x300"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Out, dir.Path("n.txt") + "\n" + dir.Path("net.svg") + "\n");
    const std::string svg = ReadText(PathFromText(dir.Path("net.svg")));
    for (const char* part : {"viewBox=\"0 0 400 300\"", ">E1<", ">E5<", "Channel neighbours"})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    run = RunOrva({"neighbours", "--positions", dir.Path("net.sfp"), "-o", dir.Path("m.txt"), "--picture",
                   dir.Path("net.jpg")});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(".png or .svg"), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(PathFromText(dir.Path("m.txt"))));
}
#endif

} // namespace
} // namespace orva::test
