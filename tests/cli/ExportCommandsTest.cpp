#include "export/StatsExport.h"
#include "export/TextExport.h"
#include "model/ORVAFile.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

std::string WithCrLf(const std::vector<std::string>& lines) { return JoinLines(lines, "\r\n"); }

class OrvaExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        TTestFileBuilder::Average(2, 3, 4, 5).WriteTo(dir.Path("s01.ave"));
        file.LoadFromFile(dir.Path("s01.ave"));
    }
    TTempDir dir;
    TORVAFile file;
};

TEST_F(OrvaExport, TextExportWritesTheBuiltLinesWithCrLf)
{
    TOrvaRun run = RunOrva({"export-text", dir.Path("s01.ave"), dir.Path("one.txt"), "--decimal-separator", "."});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(ReadText(dir.Path("one.txt")), WithCrLf(BuildTextExport(file, TTextExportOptions{}, '.')));

    run = RunOrva({"export-text", dir.Path("s01.ave"), dir.Path("avg.txt"), "--no-header", "--all-cells", "--average",
                   "--all-chans", "--decimal-separator", ","});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    TTextExportOptions options;
    options.IncludeHeader = false;
    options.AllCells = options.AllChannels = true;
    options.ObservationMode = omAverage;
    const std::string text = ReadText(dir.Path("avg.txt"));
    EXPECT_EQ(text, WithCrLf(BuildTextExport(file, options, ',')));
    EXPECT_NE(text.find(','), std::string::npos);
}

TEST_F(OrvaExport, StatsExportReadsItsListsLeniently)
{
    TOrvaRun run = RunOrva({"export-stats", dir.Path("s01.ave"), dir.Path("new.txt"), "--decimal-separator", "."});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    // What a new stats window proposes: no channel, so three empty label rows and one
    // empty row for each of the 4 samples.
    std::string empty;
    for (int i = 0; i < 3 + 4; ++i)
        empty += "\r\n";
    EXPECT_EQ(ReadText(dir.Path("new.txt")), empty);

    run = RunOrva({"export-stats", dir.Path("s01.ave"), dir.Path("sel.txt"), "--cells", " 2 1,", "--obs", "3",
                   "--chans", "5 5", "--samples", "4 1", "--decimal-separator", "."});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(ReadText(dir.Path("sel.txt")),
              WithCrLf(BuildStatsExport(file, {1, 0}, {2}, {4, 4}, {3, 0}, '.')));
}

TEST_F(OrvaExport, RefusalsWriteNothing)
{
    struct {
        std::vector<std::string> args;
        std::string inMessage;
    } cases[] = {
        {{"export-stats", "--chans", "6"}, "Channels"},
        {{"export-stats", "--chans", "1", "--samples", "0"}, "Samples"},
        {{"export-text", "--cell", "3"}, "3"},
        {{"export-text", "--all-cells", "--obs", "4"}, "4"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {c.args[0], dir.Path("s01.ave"), dir.Path("refused.txt")};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        TOrvaRun run = RunOrva(args);
        EXPECT_EQ(run.ExitStatus, 1) << c.args[0];
        EXPECT_NE(run.Err.find(c.inMessage), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(dir.Path("refused.txt"))) << run.Err;
    }
}

} // namespace
} // namespace orva::test
