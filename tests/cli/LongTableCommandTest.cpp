#include "export/LongTableExport.h"
#include "model/ORVAFile.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

class OrvaExportLong : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Two files of different sizes: 3 observations of 4 samples, and 2 of 6.
        TTestFileBuilder::Average(2, 3, 4, 5).WriteTo(dir.Path("s01.ave"));
        TTestFileBuilder::Average(1, 2, 6, 5).WriteTo(dir.Path("s02.ave"));
    }
    // The rows of a file as the core writes them, each followed by LF.
    std::string RowsOf(const std::string& name, const TLongTableOptions& options)
    {
        TORVAFile file;
        file.LoadFromFile(dir.Path(name));
        TLineCollector lines;
        WriteLongTableRows(file, options, lines);
        return JoinLines(lines.Lines, "\n");
    }
    TTempDir dir;
};

TEST_F(OrvaExportLong, FilesOfDifferentSizesShareOneHeader)
{
    TOrvaRun run = RunOrva({"export-long", dir.Path("s01.ave"), dir.Path("s02.ave"), "-o", dir.Path("out.csv"),
                            "--chans", "5 1"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    TLongTableOptions options;
    options.Channels = TSelectionList{4, 0};
    const std::string first = RowsOf("s01.ave", options);
    const std::string second = RowsOf("s02.ave", options);
    EXPECT_EQ(ReadText(dir.Path("out.csv")), std::string(kLongTableHeader) + "\n" + first + second);
    // Every observation and sample of each file: 2 x 3 x 4 and 1 x 2 x 6 values per channel.
    auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(first, "\n"), 2u * 3u * 4u * 2u);
    EXPECT_EQ(count(second, "\n"), 1u * 2u * 6u * 2u);
    EXPECT_EQ(count(first, "s01.ave,"), count(first, "\n"));
    EXPECT_EQ(count(second, "s02.ave,"), count(second, "\n"));
}

TEST_F(OrvaExportLong, EachFileIsCheckedAgainstItsOwnCountsBeforeAnythingIsWritten)
{
    WriteBytes(dir.Path("out.csv"), {'o', 'l', 'd'});
    // Observation 3 exists in s01.ave only: the second file is refused, the first one not written.
    TOrvaRun run = RunOrva({"export-long", dir.Path("s01.ave"), dir.Path("s02.ave"), "-o", dir.Path("out.csv"),
                            "--obs", "3"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("s02.ave"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("Observations: 3 is outside the valid range 1 to 2 (cell 1 has 2 observations)"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(ReadText(dir.Path("out.csv")), "old");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Root()))
        ++entries;
    EXPECT_EQ(entries, 3); // the two inputs and the untouched output

    run = RunOrva({"export-long", dir.Path("s01.ave"), "-o", dir.Path("out.csv"), "--obs", "3", "--samples", "4 4"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(ReadText(dir.Path("out.csv")).rfind(kLongTableHeader, 0), 0u);
}

TEST_F(OrvaExportLong, UsageErrors)
{
    const struct {
        std::vector<std::string> Args;
        const char* Message;
    } cases[] = {
        {{"export-long", "IN"}, "-o is required"},
        {{"export-long", "-o", "out.csv"}, "no input file"},
        {{"export-long", "IN", "-o"}, "-o needs a value"},
        {{"export-long", "IN", "-o", "a.csv", "-o", "b.csv"}, "once"},
        {{"export-long", "IN", "-o", "a.csv", "--chan", "1"}, "unknown option --chan"},
        {{"export-long", "IN", "-o", "a.csv", "--cells"}, "--cells needs a value"},
    };
    for (const auto& c : cases) {
        const TOrvaRun run = RunOrva(c.Args);
        EXPECT_EQ(run.ExitStatus, 1);
        EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
        EXPECT_NE(run.Err.find("usage: orva export-long"), std::string::npos) << run.Err;
    }
}

} // namespace
} // namespace orva::test
