#include "export/MeasureExport.h"
#include "model/ORVAFile.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

class OrvaMeasure : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Average files (baseline 200 ms, 250 samples a second): s01 has 5 channels, s02 3.
        TTestFileBuilder::Average(2, 3, 100, 5).WriteTo(dir.Path("s01.ave"));
        TTestFileBuilder::Average(1, 2, 120, 3).WriteTo(dir.Path("s02.ave"));
    }
    std::string RowsOf(const std::string& name, const TMeasureOptions& options)
    {
        TORVAFile file;
        file.LoadFromFile(dir.Path(name));
        TLineCollector lines;
        WriteMeasureRows(file, options, lines);
        return JoinLines(lines.Lines, "\n");
    }
    TTempDir dir;
};

TEST_F(OrvaMeasure, WritesTheRowsOfEveryFileInTheOrderGiven)
{
    TMeasureOptions options;
    options.WindowStart = -20.5;
    options.WindowEnd = 100;
    options.Measures = {TMeasureKind::PeakLatency, TMeasureKind::Mean, TMeasureKind::Peak};
    options.Polarity = TPolarity::Negative;
    options.Neighbours = 2;
    options.Channels = TSelectionList{2, 0};
    const std::string expected =
        std::string(kMeasureHeader) + "\n" + RowsOf("s02.ave", options) + RowsOf("s01.ave", options);
    for (const char* jobs : {"1", "2"}) {
        TOrvaRun run = RunOrva({"measure", dir.Path("s02.ave"), dir.Path("s01.ave"), "-o", dir.Path("m.csv"),
                                "--window", "-20.5", "100", "--measure", "peak-latency", "--measure", "mean",
                                "--measure", "peak", "--polarity", "negative", "--neighbours", "2", "--chans", "3 1",
                                "-j", jobs});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        EXPECT_EQ(ReadText(dir.Path("m.csv")), expected) << jobs;
    }
}

TEST_F(OrvaMeasure, LeavesOutAFileRefusedForItsSelection)
{
    TMeasureOptions options;
    options.WindowStart = 0;
    options.WindowEnd = 50;
    options.Measures = {TMeasureKind::Mean};
    options.Channels = TSelectionList{4};
    TOrvaRun run = RunOrva({"measure", dir.Path("s02.ave"), dir.Path("s01.ave"), "-o", dir.Path("m.csv"), "--window",
                            "0", "50", "--measure", "mean", "--chans", "5"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Err, "orva: " + dir.Path("s02.ave") + ": Channels: 5 is outside the valid range 1 to 3\n" +
                           "orva measure: 1 of 2 files failed\n");
    EXPECT_EQ(ReadText(dir.Path("m.csv")), std::string(kMeasureHeader) + "\n" + RowsOf("s01.ave", options));
}

TEST_F(OrvaMeasure, AWindowWithoutSamplesWritesNothing)
{
    // 100 samples from -200 ms every 4 ms: the last lies at 196 ms.
    TOrvaRun run = RunOrva({"measure", dir.Path("s01.ave"), "-o", dir.Path("m.csv"), "--window", "197", "300",
                            "--measure", "peak"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Err, "orva: " + dir.Path("s01.ave") +
                           ": Cell 1 has no sample in the window 197 to 300 ms: its samples lie from -200 to 196 ms\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("m.csv")));
}

TEST_F(OrvaMeasure, RefusesTheJackknifeOfSessionFilesAndSmallCells)
{
    // s01.ave has 3 subjects a cell: scored; s02.ave 2: refused; a session file: refused.
    TTestFileBuilder::Session(1, 4, 100, 2).WriteTo(dir.Path("s.ses"));
    TMeasureOptions options;
    options.WindowStart = 0;
    options.WindowEnd = 50;
    options.Measures = {TMeasureKind::FractionalAreaLatency, TMeasureKind::Integral};
    options.Fraction = 0.25;
    options.Jackknife = true;
    TOrvaRun run = RunOrva({"measure", dir.Path("s.ses"), dir.Path("s02.ave"), dir.Path("s01.ave"), "-o",
                            dir.Path("m.csv"), "--window", "0", "50", "--measure", "fractional-area-latency",
                            "--measure", "integral", "--fraction", "0.25", "--jackknife"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Err, "orva: " + dir.Path("s.ses") +
                           ": The jackknife takes an average file, whose observations are subjects; this is a "
                           "session file\norva: " +
                           dir.Path("s02.ave") + ": Cell 1 has 2 subjects; the jackknife needs at least 3\n" +
                           "orva measure: 2 of 3 files failed\n");
    EXPECT_EQ(ReadText(dir.Path("m.csv")), std::string(kMeasureHeader) + "\n" + RowsOf("s01.ave", options));
    EXPECT_NE(ReadText(dir.Path("m.csv")).find(",jackknife\n"), std::string::npos);
}

TEST_F(OrvaMeasure, RefusesMalformedArgumentsBeforeLoading)
{
    const std::string in = dir.Path("s01.ave");
    const std::string out = dir.Path("m.csv");
    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } cases[] = {
        {{"measure", in, "-o", out, "--measure", "mean"}, "--window is required"},
        {{"measure", in, "-o", out, "--window", "0", "10"}, "--measure is required"},
        {{"measure", in, "-o", out, "--window", "0", "10", "--measure", "amplitude"},
         "--measure is mean, peak, peak-latency, area, positive-area, negative-area, integral, "
         "fractional-area-latency or fractional-peak-latency, not \"amplitude\""},
        {{"measure", in, "-o", out, "--window", "0", "10", "--measure", "fractional-area-latency", "--fraction", "1.5"},
         "--fraction needs a number from 0 to 1, not \"1.5\""},
        {{"measure", in, "-o", out, "--window", "0", "10", "--measure", "fractional-peak-latency", "--fraction", "half"},
         "--fraction needs a number from 0 to 1, not \"half\""},
        {{"measure", in, "-o", out, "--window", "0", "10", "--measure", "fractional-peak-latency", "--onset",
          "--offset"},
         "--onset excludes --offset"},
        {{"measure", in, "-o", out, "--window", "0", "10", "--measure", "fractional-area-latency", "--area", "abs"},
         "--area is positive, negative, rectified or integral"},
        {{"measure", in, "-o", out, "--window", "0", "1o", "--measure", "mean"}, "not \"1o\""},
        {{"measure", in, "-o", out, "--window", "10", "0", "--measure", "mean"}, "the start comes after the end"},
        {{"measure", in, "-o", out, "--window", "0", "10", "--measure", "peak", "--neighbours", "0"},
         "--neighbours needs a whole number of at least 1, not \"0\""},
        {{"measure", in, "-o", out, "--window", "0", "10", "--measure", "peak", "--polarity", "up"},
         "--polarity is positive or negative"},
        {{"measure", in, "--window", "0", "10", "--measure", "peak"}, "-o is required"},
        {{"measure", in, "-o", in, "--window", "0", "10", "--measure", "peak"}, "The output would replace this input"},
    };
    for (const auto& c : cases) {
        TOrvaRun run = RunOrva(c.Args);
        EXPECT_EQ(run.ExitStatus, 1) << c.Message;
        EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.Message;
    }
}

} // namespace
} // namespace orva::test
