// orva quality: the table over the trials average keeps, its summaries, the bootstrap
// across jobs and seeds, and what is refused.
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace orva::test {
namespace {

// One cell "tone" of 4 trials, 3 samples at 1000 Hz, 2 channels, values = raw samples:
// trial 2 jumps by 300 on channel 2.
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

std::string Four(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

// sd (n - 1) / sqrt(n) of the values.
double Sme(std::vector<double> v)
{
    double mean = 0;
    for (double x : v)
        mean += x / static_cast<double>(v.size());
    double squares = 0;
    for (double x : v)
        squares += (x - mean) * (x - mean);
    return std::sqrt(squares / static_cast<double>(v.size() - 1)) / std::sqrt(static_cast<double>(v.size()));
}

class OrvaQuality : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteSession(dir.Path("s01.ses"));
        WriteSession(dir.Path("s02.ses"));
    }
    TTempDir dir;
};

TEST_F(OrvaQuality, TableOverTheTrialsAverageKeeps)
{
    const TOrvaRun run = RunOrva({"quality", dir.Path("s01.ses"), "--window", "0", "2", "--window", "1", "2",
                                  "--peak-to-peak", "100", "--baseline-ms", "0", "-o", dir.Path("q.csv")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    // Trial 2 is left out: the window means of trials 1, 3 and 4.
    const std::string expected =
        "file,cell,cell_name,channel,window_start_ms,window_end_ms,trials,asme,baseline_sd\n"
        "s01.ses,1,tone,1,0.0000,2.0000,3," + Four(Sme({20, 40.0 / 3, 5})) + ",\n"
        "s01.ses,1,tone,2,0.0000,2.0000,3," + Four(Sme({10, 20.0 / 3, 20})) + ",\n"
        "s01.ses,1,tone,1,1.0000,2.0000,3," + Four(Sme({30, 20, 7.5})) + ",\n"
        "s01.ses,1,tone,2,1.0000,2.0000,3," + Four(Sme({15, 10, 30})) + ",\n";
    EXPECT_EQ(ReadText(dir.Path("q.csv")), expected);
    EXPECT_EQ(run.Out.substr(0, run.Out.find('\n')), dir.Path("s01.ses") + ":");
    EXPECT_NE(run.Out.find("  cell 1 \"tone\": 3 trials\n    0 to 2 ms: median "), std::string::npos) << run.Out;

    // The same trials from a report of artifacts; the baseline before 0 ms of the average.
    ASSERT_EQ(RunOrva({"artifacts", dir.Path("s01.ses"), "--peak-to-peak", "100", "-o", dir.Path("r.csv")}).ExitStatus, 0);
    const TOrvaRun listed = RunOrva({"quality", dir.Path("s01.ses"), "--window", "0", "0", "--reject-list",
                                     dir.Path("r.csv"), "--baseline-ms", "2", "--chans", "2", "-o", dir.Path("b.csv")});
    ASSERT_EQ(listed.ExitStatus, 0) << listed.Err;
    // Channel 2's average of trials 1, 3, 4 at -2 and -1 ms: 0 and 50 / 3.
    const double sd = (50.0 / 3) / std::sqrt(2.0);
    EXPECT_EQ(ReadText(dir.Path("b.csv")),
              "file,cell,cell_name,channel,window_start_ms,window_end_ms,trials,asme,baseline_sd\n"
              "s01.ses,1,tone,2,0.0000,0.0000,3," + Four(Sme({20, 0, 40})) + "," + Four(sd) + "\n");
}

TEST_F(OrvaQuality, FewTrialsAndSeveralFiles)
{
    const TOrvaRun run = RunOrva({"quality", dir.Path("s01.ses"), dir.Path("s02.ses"), "--obs", "2", "--window",
                                  "0", "2", "-o", dir.Path("q.csv"), "-j", "2"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Err.find("cell 1 \"tone\" of " + dir.Path("s01.ses") + " has 1 trial"), std::string::npos) << run.Err;
    EXPECT_NE(ReadText(dir.Path("q.csv")).find("s02.ses,1,tone,2,0.0000,2.0000,1,,\n"), std::string::npos);

    const TOrvaRun both = RunOrva({"quality", dir.Path("s01.ses"), dir.Path("s02.ses"), "--window", "0", "2",
                                   "-o", dir.Path("q.csv")});
    ASSERT_EQ(both.ExitStatus, 0) << both.Err;
    // Both files are equal: the RMS over them is each file's aSME.
    const std::string largest = Four(Sme({10, 320.0 / 3, 20.0 / 3, 20}));
    EXPECT_NE(both.Out.find("RMS of aSME over 2 files"), std::string::npos) << both.Out;
    EXPECT_NE(both.Out.find("  cell 1 \"tone\", 0 to 2 ms: median "), std::string::npos) << both.Out;
    EXPECT_NE(both.Out.find("largest " + largest + " (channel 2)\n", both.Out.find("RMS")), std::string::npos)
        << both.Out;
}

TEST_F(OrvaQuality, BootstrapIsTheSameWithAnyJobsAndChangesWithTheSeed)
{
    const auto table = [&](const std::string& jobs, const std::string& seed) {
        const std::string out = dir.Path("q" + jobs + seed + ".csv");
        const TOrvaRun run = RunOrva({"quality", dir.Path("s01.ses"), dir.Path("s02.ses"), "--window", "0", "2",
                                      "--bootstrap", "500", "--measure", "peak-latency", "--measure", "mean",
                                      "--neighbours", "1", "--seed", seed, "-j", jobs, "-o", out});
        EXPECT_EQ(run.ExitStatus, 0) << run.Err;
        return ReadText(out);
    };
    const std::string one = table("1", "7");
    EXPECT_EQ(one.substr(0, one.find('\n')),
              "file,cell,cell_name,channel,window_start_ms,window_end_ms,trials,asme,baseline_sd,bsme_peak-latency,"
              "bsme_mean");
    EXPECT_EQ(table("2", "7"), one);
    EXPECT_NE(table("1", "8"), one);
}

TEST_F(OrvaQuality, Refusals)
{
    TTestFileBuilder::Average(1, 2, 3, 1).WriteTo(dir.Path("g.ave"));
    TOrvaRun run = RunOrva({"quality", dir.Path("g.ave"), "-o", dir.Path("q.csv")});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(dir.Path("g.ave")), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("its observations are subjects, not trials"), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("q.csv")));

    const auto usage = [&](std::vector<std::string> args, const std::string& says) {
        args.insert(args.begin(), {"quality", dir.Path("s01.ses"), "-o", dir.Path("q.csv")});
        const TOrvaRun r = RunOrva(args);
        EXPECT_EQ(r.ExitStatus, 1) << says;
        EXPECT_NE(r.Err.find(says), std::string::npos) << r.Err;
    };
    usage({"--measure", "mean"}, "--bootstrap N and --measure M go together");
    usage({"--bootstrap", "1", "--measure", "mean"}, "--bootstrap");
    usage({"--bootstrap", "9", "--measure", "median"}, "not \"median\"");
    usage({"--window", "2", "0"}, "the start comes after the end");
    usage({"--window", "5", "9"}, "has no sample in the window 5 to 9 ms");
    usage({"--reject-list", dir.Path("r.csv"), "--peak-to-peak", "100"}, "excludes");
    usage({"--test-window", "0", "1"}, "go with a rule");
    usage({"--seed", "-3"}, "--seed");
    // The default windows need 100 ms of epoch.
    usage({}, "no 100 ms window");
}

} // namespace
} // namespace orva::test
