#include "model/ORVAFile.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

TEST(OrvaFilter, WritesOnlyWithAValidCutoff)
{
    TTempDir dir;
    TTestFileBuilder::Session(2, 3, 250, 4).WriteTo(dir.Path("in.ses"));
    for (const char* bad : {"", "12,5", "20 ", "-3"}) {
        TOrvaRun run = RunOrva({"filter", dir.Path("in.ses"), dir.Path("out.ses"), "--cutoff", bad});
        EXPECT_EQ(run.ExitStatus, 1) << bad;
        EXPECT_EQ(run.Err.rfind("orva filter: --cutoff needs a cut-off frequency", 0), 0u) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(dir.Path("out.ses"))) << bad;
    }
    // Far above the sampling rate nothing is removed; at 20 Hz the pattern is smoothed.
    TOrvaRun high = RunOrva({"filter", dir.Path("in.ses"), dir.Path("high.ses"), "--cutoff", "1e4"});
    ASSERT_EQ(high.ExitStatus, 0) << high.Err;
    EXPECT_EQ(ReadBytes(dir.Path("high.ses")), ReadBytes(dir.Path("in.ses")));
    TOrvaRun low = RunOrva({"filter", dir.Path("in.ses"), dir.Path("low.ses"), "--cutoff", "12.5"});
    ASSERT_EQ(low.ExitStatus, 0) << low.Err;
    EXPECT_NE(LoadChecked(dir.Path("low.ses")).Cells[0].Data, LoadChecked(dir.Path("in.ses")).Cells[0].Data);
}

TEST(OrvaFilter, ReportsClampedValuesOnStandardError)
{
    TTempDir dir;
    OvershootingSession().WriteTo(dir.Path("loud.ses"));
    TOrvaRun loud = RunOrva({"filter", dir.Path("loud.ses"), dir.Path("out.ses"), "--cutoff", "20"});
    ASSERT_EQ(loud.ExitStatus, 0) << loud.Err;
    EXPECT_EQ(loud.Out, "");
    TORVAFile filtered = LoadChecked(dir.Path("out.ses"));
    int atTop = 0;
    for (int t = 0; t < 128; ++t)
        atTop += filtered.Cells[0].Data(0, t, 0) == 32767;
    ASSERT_GT(atTop, 0);
    EXPECT_NE(loud.Err.find("orva filter: " + std::to_string(atTop) + " filtered values were beyond the range"),
              std::string::npos)
        << loud.Err;

    TTestFileBuilder::Session(1, 2, 128, 3).WriteTo(dir.Path("quiet.ses"));
    TOrvaRun quiet = RunOrva({"filter", dir.Path("quiet.ses"), dir.Path("out2.ses"), "--cutoff", "20"});
    ASSERT_EQ(quiet.ExitStatus, 0) << quiet.Err;
    EXPECT_EQ(quiet.Err.find("beyond the range"), std::string::npos) << quiet.Err;
}

TEST(OrvaConvert, AppliesTheMappingFile)
{
    TTempDir dir;
    TTestFileBuilder::Session(1, 2, 3, 3).WriteTo(dir.Path("in.ses"));
    WriteBytes(dir.Path("swap.txt"), {'1', '\t', '2', '\r', '\n', '2', '\t', '1', '\n', '\n', '9', '\t', '1'});
    TOrvaRun run = RunOrva({"convert", dir.Path("in.ses"), dir.Path("out.ses"), "--map", dir.Path("swap.txt")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Err.find("2 lines ignored"), std::string::npos) << run.Err;
    TORVAFile in = LoadChecked(dir.Path("in.ses")), out = LoadChecked(dir.Path("out.ses"));
    EXPECT_EQ(out.DataDescription.Zeros, (std::vector<std::int32_t>{in.DataDescription.Zeros[1], in.DataDescription.Zeros[0],
                                                                    in.DataDescription.Zeros[0]}));
    EXPECT_EQ(out.Cells[0].Data(1, 2, 0), in.Cells[0].Data(1, 2, 1));
    EXPECT_EQ(out.Cells[0].Data(1, 2, 1), in.Cells[0].Data(1, 2, 0));

    TOrvaRun missing = RunOrva({"convert", dir.Path("in.ses"), dir.Path("x.ses"), "--map", dir.Path("none.txt")});
    EXPECT_EQ(missing.ExitStatus, 1);
    EXPECT_NE(missing.Err.find(dir.Path("none.txt")), std::string::npos) << missing.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("x.ses")));

    // The shipped mapping file beside the program is an identity map.
    TOrvaRun shipped = RunOrva({"convert", dir.Path("in.ses"), dir.Path("same.ses")});
    ASSERT_EQ(shipped.ExitStatus, 0) << shipped.Err;
    EXPECT_EQ(ReadBytes(dir.Path("same.ses")), ReadBytes(dir.Path("in.ses")));
}

TEST(OrvaConvert, SaysWhenTheMapKeepsEveryChannelInPlace)
{
    TTempDir dir;
    TTestFileBuilder::Average(1, 1, 3, 3).WriteTo(dir.Path("in.ave"));
    const struct {
        std::vector<std::uint8_t> Map;
        bool Identity;
        const char* Ignored; // the count on stderr, or empty
    } cases[] = {
        {{'1', '\t', '1', '\n', '2', '\t', '2', '\n', '3', '\t', '3', '\n'}, true, ""},
        {{'1', '\t', '2', '\n', '2', '\t', '1', '\n', '3', '\t', '3', '\n'}, false, ""},
        {{'1', '\t', '1', '\n', '2', '\t', '2', '\n', '3', '\t', '3', '\n', '7', '\t', '1'}, true, "1 line ignored"},
        {{'3', '\t', '3', '\n'}, false, ""}, // channels 1 and 2 both take channel 1
    };
    for (const auto& c : cases) {
        WriteBytes(dir.Path("map.txt"), c.Map);
        TOrvaRun run = RunOrva({"convert", dir.Path("in.ave"), dir.Path("out.ave"), "--map", dir.Path("map.txt")});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        EXPECT_EQ(run.Err.find("leaves every channel where it was") != std::string::npos, c.Identity) << run.Err;
        EXPECT_EQ(run.Err.find("ignored") != std::string::npos, *c.Ignored != '\0') << run.Err;
        if (*c.Ignored) {
            EXPECT_NE(run.Err.find(c.Ignored), std::string::npos) << run.Err;
        }
    }
}

TEST(OrvaScatter, WritesOneCheckedFilePerCell)
{
    TTempDir dir;
    TTestFileBuilder::Average(3, 2, 4, 5).WriteTo(dir.Path("in.ave"));
    TOrvaRun run = RunOrva({"scatter", dir.Path("in.ave"), dir.Path("run")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Out, dir.Path("run_Cell1") + "\n" + dir.Path("run_Cell2") + "\n" + dir.Path("run_Cell3") + "\n");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(RunOrva({"check", dir.Path("run_Cell" + std::to_string(i))}).Out, "OK\n");
        EXPECT_EQ(LoadChecked(dir.Path("run_Cell" + std::to_string(i))).Cells[0].CellNumber, i);
    }
}

} // namespace
} // namespace orva::test
