// The artifact commands of the batch tool: the summary and the report of artifacts, the
// report edited by hand and given back to reject and average, and what is refused.
#include "model/ORVAFile.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

// One cell "tone" of 4 trials, 3 samples at 1000 Hz, 2 channels, values = raw samples:
// trial 2 jumps by 300 on channel 2, trial 4 spans only 10 on channel 1.
void WriteSession(const std::string& path)
{
    TTestFileBuilder b = TTestFileBuilder::Session(1, 4, 3, 2);
    b.Zeros = {0, 0};
    b.Gains = {400, 400};
    b.Cells[0].Name = "tone";
    b.Cells[0].SamplesPerSecond = 1000;
    b.Cells[0].Data = {0, 0, 20, 10, 40, 20, 0, 0, 20, 300, 40, 20, 0, 0, 30, 20, 10, 0, 0, 0, 5, 20, 10, 40};
    b.WriteTo(path);
}

class OrvaArtifacts : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteSession(dir.Path("s01.ses"));
        WriteSession(dir.Path("s02.ses"));
    }
    TTempDir dir;
};

TEST_F(OrvaArtifacts, SummaryAndReportOfSeveralFiles)
{
    const TOrvaRun run = RunOrva({"artifacts", dir.Path("s01.ses"), dir.Path("s02.ses"), "--peak-to-peak", "100",
                                  "--flat", "10.25", "-o", dir.Path("report.csv"), "-j", "2"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const std::string summary = "  cell 1 \"tone\": 4 trials, 2 bad (50.0%); peak-to-peak 1, flat 1\n"
                                "  total: 4 trials, 2 bad (50.0%); peak-to-peak 1, flat 1\n";
    EXPECT_EQ(run.Out, dir.Path("s01.ses") + ":\n" + summary + dir.Path("s02.ses") + ":\n" + summary);
    const std::string rows = ",1,tone,1,good,,\n"
                             ",1,tone,2,bad,peak-to-peak,2\n"
                             ",1,tone,3,good,,\n"
                             ",1,tone,4,bad,flat,1\n";
    auto withName = [&](const std::string& name) {
        std::string out;
        for (std::size_t start = 0; start < rows.size();) {
            const std::size_t end = rows.find('\n', start) + 1;
            out += name + rows.substr(start, end - start);
            start = end;
        }
        return out;
    };
    EXPECT_EQ(ReadText(dir.Path("report.csv")),
              "file,cell,cell_name,observation,status,rules,channels\n" + withName("s01.ses") + withName("s02.ses"));
}

TEST_F(OrvaArtifacts, EditedReportGivenBackToRejectAndAverage)
{
    ASSERT_EQ(RunOrva({"artifacts", dir.Path("s01.ses"), "--peak-to-peak", "100", "-o", dir.Path("r.csv")}).ExitStatus,
              0);
    // Overruled by hand in a spreadsheet: trial 2 is good after all, trial 3 bad; CR LF.
    WriteBytes(dir.Path("r.csv"), [] {
        const std::string text = "file,cell,cell_name,observation,status,rules,channels\r\n"
                                  "s01.ses,1,tone,2,good,peak-to-peak,2\r\n"
                                  "\"s01.ses\",1,tone,3,bad,,\r\n";
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }());
    TOrvaRun run = RunOrva({"reject", dir.Path("s01.ses"), "-o", dir.Path("clean.ses"), "--reject-list", dir.Path("r.csv")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Out.find("4 trials, 1 bad (25.0%)\n"), std::string::npos) << run.Out;
    const TORVAFile clean = LoadChecked(dir.Path("clean.ses"));
    const TORVAFile in = LoadChecked(dir.Path("s01.ses"));
    ASSERT_EQ(clean.Cells[0].NumObservations, 3);
    EXPECT_EQ(clean.Cells[0].Data(2, 1, 0), in.Cells[0].Data(3, 1, 0));

    run = RunOrva({"average", dir.Path("s01.ses"), "-o", dir.Path("a.ave"), "--reject-list", dir.Path("r.csv"),
                   "--obs", "1 3 4"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(LoadChecked(dir.Path("a.ave")).Cells[0].TrialSpecifics(0, 0), 2);
    // The rules themselves: trial 2 left out, the average of the clean file without rules.
    ASSERT_EQ(RunOrva({"average", dir.Path("s01.ses"), "-o", dir.Path("b.ave"), "--peak-to-peak", "100"}).ExitStatus, 0);
    ASSERT_EQ(RunOrva({"reject", dir.Path("s01.ses"), "-o", dir.Path("c.ses"), "--peak-to-peak", "100"}).ExitStatus, 0);
    ASSERT_EQ(RunOrva({"average", dir.Path("c.ses"), "-o", dir.Path("c.ave")}).ExitStatus, 0);
    EXPECT_EQ(LoadChecked(dir.Path("b.ave")).Cells[0].Data, LoadChecked(dir.Path("c.ave")).Cells[0].Data);
}

TEST_F(OrvaArtifacts, RefusesWhileTheCommandLineIsRead)
{
    auto err = [&](std::vector<std::string> args) {
        const TOrvaRun run = RunOrva(args);
        EXPECT_NE(run.ExitStatus, 0);
        return run.Err;
    };
    const std::string in = dir.Path("s01.ses");
    EXPECT_NE(err({"artifacts", in}).find("give at least one rule"), std::string::npos);
    EXPECT_NE(err({"artifacts", in, "--flat", "0,5"}).find("--flat needs a positive number of microvolts"),
              std::string::npos);
    EXPECT_NE(err({"artifacts", in, "--absolute", "-3"}).find("--absolute needs a positive number"), std::string::npos);
    EXPECT_NE(err({"artifacts", in, "--flat", "1", "--moving-window", "200", "4"}).find("--moving-window needs --peak-to-peak"),
              std::string::npos);
    EXPECT_NE(err({"reject", in, "-o", dir.Path("x.ses"), "--flat", "1", "--reject-list", "r.csv"}).find("excludes"),
              std::string::npos);
    EXPECT_NE(err({"reject", in, "-o", dir.Path("x.ses")}).find("give a rule"), std::string::npos);
    std::filesystem::create_directory(dir.Path("b"));
    WriteSession(dir.Path("b") + "/s01.ses");
    EXPECT_NE(err({"reject", in, dir.Path("b") + "/s01.ses", "--out-dir", dir.Path("b"), "--reject-list", "r.csv"})
                  .find("two inputs are named s01.ses"),
              std::string::npos);
    TTestFileBuilder::Average(1, 2, 3, 1).WriteTo(dir.Path("a.ave"));
    EXPECT_NE(err({"artifacts", dir.Path("a.ave"), "--flat", "1"}).find("its observations are subjects, not trials"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("x.ses")));
    // A file without rows in the report is refused, naming the report.
    WriteBytes(dir.Path("r.csv"), [] {
        const std::string text = "file,cell,cell_name,observation,status,rules,channels\nother.ses,1,x,1,bad,,\n";
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }());
    EXPECT_NE(err({"average", in, "-o", dir.Path("x.ave"), "--reject-list", dir.Path("r.csv")})
                  .find("r.csv: has no row of the file s01.ses"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("x.ave")));
}

TEST_F(OrvaArtifacts, FractionalThresholdsAndTheCellsReported)
{
    // Trial 4's channel 1 spans 0 to 10: flat below 10.5, not below 9.75.
    TOrvaRun run = RunOrva({"artifacts", dir.Path("s01.ses"), "--flat", "10.5", "--cells", "1"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Out.find("4 trials, 1 bad (25.0%); flat 1"), std::string::npos) << run.Out;
    run = RunOrva({"artifacts", dir.Path("s01.ses"), "--flat", "9.75"});
    EXPECT_NE(run.Out.find("4 trials, 0 bad (0.0%); flat 0"), std::string::npos) << run.Out;
    run = RunOrva({"artifacts", dir.Path("s01.ses"), "--flat", "1", "--cells", "2"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("Cells: 2 is outside the valid range 1 to 1"), std::string::npos) << run.Err;
}

} // namespace
} // namespace orva::test
