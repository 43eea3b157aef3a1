// orva map: scalp maps from the batch tool (built with the desktop program).
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace orva::test {
namespace {

#ifndef _WIN32
// Runs the batch tool as a cron job would: without XDG_RUNTIME_DIR.
TOrvaRun RunWithoutRuntimeFolder(const std::vector<std::string>& args)
{
    const char* was = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = was ? was : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    TOrvaRun run = RunOrva(args);
    if (was)
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    return run;
}
#endif

// An average file of 2 cells, 6 channels, 100 samples at 250 Hz, and positions for five of
// its channels (E6 has none) plus a reference sensor that matches no channel.
class OrvaMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        TTestFileBuilder b = TTestFileBuilder::Average(2, 2, 100, 6);
        b.WriteTo(dir.Path("in.ave"));
        std::ofstream sfp(dir.Path("net.sfp"), std::ios::binary);
        sfp << "FidNz 0 9 -2\r\nE1 0 0 9\r\nE2 6 0 6\n\nE3 -6 0 6\nE4\t0\t6\t6\nE5 0 -6 6\nRef 0 -9 -1\n";
        std::ofstream names(dir.Path("names.txt"), std::ios::binary);
        names << "Cz\nC4\nC3\nFz\nPz\nEOG\n";
        std::ofstream renamed(dir.Path("named.sfp"), std::ios::binary);
        renamed << "Cz 0 0 9\nC4 6 0 6\nC3 -6 0 6\nFz 0 6 6\nPz 0 -6 6\n";
    }
    std::vector<std::string> Args(const std::string& out, std::vector<std::string> more) const
    {
        std::vector<std::string> args{"map", dir.Path("in.ave"), "--positions", dir.Path("net.sfp"), "-o",
                                      dir.Path(out)};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    TTempDir dir;
};

TEST_F(OrvaMap, DrawsOneMapPerTimeWithTheirTitlesAndLeavesOutUnplacedChannels)
{
    TOrvaRun run = RunOrva(Args("maps.svg", {"--at", "-100", "0", "1.9", "--labels", "--cell", "2", "--obs", "2"}));
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Out, dir.Path("maps.svg") + "\n");
    EXPECT_NE(run.Err.find("1 channel has no position and is not drawn (first: E6)"), std::string::npos) << run.Err;
    const std::string svg = ReadText(dir.Path("maps.svg"));
    // Three 300-pixel maps and the bar; the nearest samples' own times as titles.
    for (const char* part : {"viewBox=\"0 0 972 300\"", ">-100 ms<", ">0 ms<", ">E5<", "\u00B5V"})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    EXPECT_EQ(svg.find(">1.9 ms<"), std::string::npos);
    EXPECT_EQ(svg.find(">E6<"), std::string::npos);
    EXPECT_EQ(svg.find(">Ref<"), std::string::npos);
}

TEST_F(OrvaMap, DrawsTheMeanOfAWindowOnAGivenRangeWithNamedChannels)
{
    TOrvaRun run = RunOrva({"map", dir.Path("in.ave"), "--positions", dir.Path("named.sfp"), "--channel-names",
                            dir.Path("names.txt"), "--mean", "0", "100", "--range", "2.5", "--size", "200x150",
                            "--origin", "0", "0", "1", "-o", dir.Path("mean.svg")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Err.find("(first: EOG)"), std::string::npos) << run.Err;
    const std::string svg = ReadText(dir.Path("mean.svg"));
    for (const char* part : {"viewBox=\"0 0 272 150\"", ">0 to 100 ms<", ">-2<", ">2<"})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    run = RunOrva(Args("mean.png", {"--mean", "0", "100"}));
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const auto bytes = ReadBytes(dir.Path("mean.png"));
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes[1], 'P');
    EXPECT_EQ(bytes[19], 372 % 256); // the width, 300 + 72, in the header's big-endian word
}

TEST_F(OrvaMap, RefusesBadArgumentsAndWritesNothing)
{
    const struct {
        std::vector<std::string> Args;
        const char* Says;
    } cases[] = {
        {{}, "say what to map: --at MS... or --mean A B"},
        {{"--at", "soon"}, "needs numbers such as -100"},
        {{"--at", "100", "--mean", "0", "10"}, "excludes"},
        {{"--mean", "50", "10"}, "the window ends before it starts"},
        {{"--at", "-201"}, "Cell 1 has no sample at -201 ms: its samples lie from -200 to 196 ms"},
        {{"--at", "197"}, "no sample at 197 ms"},
        {{"--mean", "300", "400"}, "has no sample in the window 300 to 400 ms"},
        {{"--at", "0", "--range", "0"}, "--range needs a positive number of microvolts or fit"},
        {{"--at", "0", "--cell", "3"}, "There is no cell 3"},
        {{"--at", "0", "--obs", "3"}, "Cell 1 has no observation 3"},
        {{"--at", "0", "--size", "9000x10", "--at", "1", "2"}, "wider than 10000 pixels"},
    };
    for (const auto& c : cases) {
        TOrvaRun run = RunOrva(Args("bad.png", c.Args));
        EXPECT_EQ(run.ExitStatus, 1) << c.Says;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(dir.Path("bad.png"))) << c.Says;
    }
    // The positions: missing, unreadable, or too few of them on the file's channels.
    TOrvaRun run = RunOrva({"map", dir.Path("in.ave"), "--at", "0", "-o", dir.Path("bad.png")});
    EXPECT_NE(run.Err.find("give --positions FILE"), std::string::npos) << run.Err;
    run = RunOrva({"map", dir.Path("in.ave"), "--positions", dir.Path("names.txt"), "--at", "0", "-o",
                   dir.Path("bad.png")});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("names.txt"), std::string::npos) << run.Err;
    run = RunOrva({"map", dir.Path("in.ave"), "--positions", dir.Path("named.sfp"), "--at", "0", "-o",
                   dir.Path("bad.png")});
    EXPECT_NE(run.Err.find("at least 3 channels with a position; 0 of the 6"), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("bad.png")));
    run = RunOrva(Args("bad.jpg", {"--at", "0"}));
    EXPECT_NE(run.Err.find("must end in .png or .svg"), std::string::npos) << run.Err;
}

#ifndef _WIN32
TEST_F(OrvaMap, SaysNothingButItsOwnWordsWithoutARuntimeFolder)
{
    std::ofstream(dir.Path("all.sfp"), std::ios::binary) << "E1 0 0 9\nE2 6 0 6\nE3 -6 0 6\nE4 0 6 6\nE5 0 -6 6\nE6 4 4 4\n";
    const TOrvaRun run = RunWithoutRuntimeFolder(
        {"map", dir.Path("in.ave"), "--positions", dir.Path("all.sfp"), "--at", "0", "-o", dir.Path("map.png")});
    EXPECT_EQ(run.ExitStatus, 0);
    EXPECT_EQ(run.Err, "");
}
#endif

} // namespace
} // namespace orva::test
