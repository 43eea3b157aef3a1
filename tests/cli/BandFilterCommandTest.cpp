// `orva filter` with a kind (--low-pass, --high-pass, --band-pass, --notch): what is refused
// before anything is written, what is warned about, and that each cell gets its own design.
#include "model/ORVAFile.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

TEST(OrvaBandFilter, RefusesWhatNoFilterTakesAndWritesNothing)
{
    TTempDir dir;
    TTestFileBuilder::Session(1, 2, 100, 3).WriteTo(dir.Path("in.ses"));
    const std::string in = dir.Path("in.ses"), out = dir.Path("out.ses");
    struct TCase {
        std::vector<std::string> Args;
        std::string Said;
    };
    const std::vector<TCase> cases{
        {{"--low-pass", "30", "--high-pass", "1"}, "excludes"},
        {{"--cutoff", "20", "--low-pass", "30"}, "excludes"},
        {{"--band-pass", "30", "1"}, "LO must be below HI"},
        {{"--band-pass", "5", "5"}, "LO must be below HI"},
        {{"--low-pass", "30", "--order", "9"}, "--order"},
        {{"--low-pass", "30", "--order", "0"}, "--order"},
        {{"--low-pass", "30", "--design", "fir", "--order", "2"}, "--order is for --design iir"},
        {{"--low-pass", "-3"}, "positive finite number"},
        {{"--high-pass", "nan"}, "positive finite number"},
        {{"--low-pass", "inf"}, "positive finite number"},
        {{"--notch", "50", "--notch-width", "2"}, "--notch-width is for --design fir"},
        {{"--low-pass", "30", "--notch-width", "2", "--design", "fir"}, "--notch-width needs --notch"},
        {{"--cutoff", "20", "--order", "2"}, "not --cutoff"},
        {{"--design", "fir"}, "give --cutoff HZ"},
        {{"--low-pass", "125"}, "the low-pass cut-off of 125 Hz is not below the Nyquist frequency (125 Hz) of the "
                                "file's rate of 250 Hz"},
        {{"--band-pass", "1", "200"}, "the band's high edge of 200 Hz"},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> args{"filter", in, out};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TOrvaRun run = RunOrva(args);
        EXPECT_EQ(run.ExitStatus, 1) << c.Args[0] << " " << run.Err;
        EXPECT_NE(run.Err.find(c.Said), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(out)) << run.Err;
    }
}

TEST(OrvaBandFilter, WarnsAboutAHighPassLongerThanTheEpochAndStillFilters)
{
    TTempDir dir;
    TTestFileBuilder::Session(1, 2, 100, 3).WriteTo(dir.Path("in.ses"));
    const TOrvaRun slow = RunOrva({"filter", dir.Path("in.ses"), dir.Path("slow.ses"), "--high-pass", "0.1"});
    ASSERT_EQ(slow.ExitStatus, 0) << slow.Err;
    EXPECT_NE(slow.Err.find("warning: a high-pass at 0.1 Hz has a time constant of 1.59 s but the epoch lasts "
                            "0.4 s (100 samples at 250 Hz): the edges will be distorted"),
              std::string::npos)
        << slow.Err;
    EXPECT_NE(LoadChecked(dir.Path("slow.ses")).Cells[0].Data, LoadChecked(dir.Path("in.ses")).Cells[0].Data);
    // 1 / (2 pi 10 Hz) = 16 ms fits the epoch: nothing to say.
    const TOrvaRun fast = RunOrva({"filter", dir.Path("in.ses"), dir.Path("fast.ses"), "--band-pass", "10", "40"});
    ASSERT_EQ(fast.ExitStatus, 0) << fast.Err;
    EXPECT_EQ(fast.Err, "");
}

TEST(OrvaBandFilter, DesignsEachCellForItsOwnRate)
{
    // Cell 2 of a file at 250 and 500 Hz is filtered as the same trace alone at 500 Hz.
    TTempDir dir;
    TTestFileBuilder mixed = TTestFileBuilder::Session(2, 1, 64, 2);
    mixed.Cells[1].SamplesPerSecond = 500;
    TTestFileBuilder alone = TTestFileBuilder::Session(1, 1, 64, 2);
    alone.Cells[0].SamplesPerSecond = 500;
    alone.Cells[0].Data.clear();
    for (int s = 0; s < 64; ++s)
        for (int h = 0; h < 2; ++h)
            alone.Cells[0].Data.push_back(TTestFileBuilder::PatternSample(1, 0, s, h));
    mixed.Cells[1].Data = alone.Cells[0].Data;
    mixed.WriteTo(dir.Path("mixed.ses"));
    alone.WriteTo(dir.Path("alone.ses"));
    for (const char* out : {"a", "b"})
        std::filesystem::create_directory(dir.Path(out));
    // 100 Hz is below Nyquist at both rates; the many-file form writes each under its name.
    const TOrvaRun run = RunOrva({"filter", dir.Path("mixed.ses"), "--out-dir", dir.Path("a"), "--low-pass", "100",
                                  "--order", "4", "-j", "2"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const TOrvaRun one = RunOrva({"filter", dir.Path("alone.ses"), dir.Path("b/alone.ses"), "--low-pass", "100",
                                  "--order", "4"});
    ASSERT_EQ(one.ExitStatus, 0) << one.Err;
    const TORVAFile m = LoadChecked(dir.Path("a/mixed.ses"));
    const TORVAFile a = LoadChecked(dir.Path("b/alone.ses"));
    EXPECT_EQ(m.Cells[1].Data, a.Cells[0].Data);
    // and the 250 Hz cell is filtered with its own design, not left alone.
    EXPECT_NE(m.Cells[0].Data, LoadChecked(dir.Path("mixed.ses")).Cells[0].Data);
}

} // namespace
} // namespace orva::test
