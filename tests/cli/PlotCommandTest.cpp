// orva plot: the cell graph's picture from the batch tool (built with the desktop program).
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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

// Width and height from a PNG's header (big-endian, after the signature and "IHDR").
std::pair<std::uint32_t, std::uint32_t> PngSize(const std::vector<std::uint8_t>& bytes)
{
    auto word = [&](std::size_t at) {
        return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 | std::uint32_t(bytes[at + 2]) << 8 |
               std::uint32_t(bytes[at + 3]);
    };
    return {word(16), word(20)};
}

class OrvaPlot : public ::testing::Test {
protected:
    void SetUp() override
    {
        TTestFileBuilder b = TTestFileBuilder::Average(2, 1, 50, 3);
        b.Cells[0].Name = "Standard";
        b.Cells[1].Name = "Target";
        b.WriteTo(dir.Path("in.ave"));
    }
    TTempDir dir;
};

TEST_F(OrvaPlot, WritesAnSvgWithTheOverlayAndAxes)
{
    const std::string out = dir.Path("graph.svg");
    TOrvaRun run = RunOrva({"plot", dir.Path("in.ave"), out, "--overlay", "cells", "--axes", "--size", "640x320",
                            "--chan", "2", "--range", "fit"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Out, out + "\n");
    const std::string svg = ReadText(out);
    for (const char* part : {"<svg", "viewBox=\"0 0 640 320\"", ">Standard<", ">Target<", ">ms<",
                             "stroke=\"#0000ff\"", "stroke=\"#dc0000\""})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    // A fitted range clips nothing, so nothing is reported.
    EXPECT_EQ(run.Err.find("beyond the range"), std::string::npos) << run.Err;
}

TEST_F(OrvaPlot, WritesAPngOfTheChosenSize)
{
    const struct {
        std::vector<std::string> Size;
        std::uint32_t Width, Height;
    } cases[] = {{{}, 800, 400}, {{"--size", "333x111"}, 333, 111}};
    for (const auto& c : cases) {
        std::vector<std::string> args{"plot", dir.Path("in.ave"), dir.Path("graph.PNG"), "--negative-up"};
        args.insert(args.end(), c.Size.begin(), c.Size.end());
        TOrvaRun run = RunOrva(args);
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        const auto bytes = ReadBytes(dir.Path("graph.PNG"));
        ASSERT_GT(bytes.size(), 24u);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4),
                  (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G'}));
        EXPECT_EQ(PngSize(bytes), std::make_pair(c.Width, c.Height));
    }
}

TEST_F(OrvaPlot, ReportsSamplesBeyondTheRange)
{
    TOrvaRun run = RunOrva({"plot", dir.Path("in.ave"), dir.Path("tight.svg"), "--range", "2", "--mark-clipped"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Err.find("beyond the range of 2 uV"), std::string::npos) << run.Err;
    EXPECT_NE(ReadText(dir.Path("tight.svg")).find("stroke=\"#ff0000\""), std::string::npos) << "no clipping marks";
}

TEST_F(OrvaPlot, RefusesBadArgumentsAndWritesNothing)
{
    const struct {
        std::vector<std::string> Args;
        const char* Says;
    } cases[] = {
        {{"out.jpg"}, "must end in .png or .svg"},
        {{"out.png", "--overlay", "subjects"}, "--overlay is cells or channels"},
        {{"out.png", "--size", "0x10"}, "--size is WIDTHxHEIGHT"},
        {{"out.png", "--range", "1"}, "--range needs a whole number of at least 2"},
        {{"out.png", "--cell", "0"}, "--cell needs a whole number of at least 1"},
        {{"out.png", "--cell", "3"}, "there is no cell 3 (the file has 2)"},
        {{"out.png", "--chan", "4"}, "there is no channel 4 (the file has 3)"},
        {{"out.png", "--obs", "2"}, "has no observation 2"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"plot", dir.Path("in.ave"), dir.Path(c.Args[0])};
        args.insert(args.end(), c.Args.begin() + 1, c.Args.end());
        TOrvaRun run = RunOrva(args);
        EXPECT_EQ(run.ExitStatus, 1) << c.Says;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(dir.Path(c.Args[0]))) << c.Says;
    }
}

#ifndef _WIN32
TEST_F(OrvaPlot, SaysNothingButItsOwnWordsWithoutARuntimeFolder)
{
    const TOrvaRun run = RunWithoutRuntimeFolder({"plot", dir.Path("in.ave"), dir.Path("graph.png")});
    EXPECT_EQ(run.ExitStatus, 0);
    EXPECT_EQ(run.Err, "");
}
#endif

} // namespace
} // namespace orva::test
