// The ERP commands of the batch tool: the round trip from a session to its average, the
// batch forms (-o, --out-dir, -j), and what is said on stderr.
#include "model/ORVAFile.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

namespace orva::test {
namespace {

// The numbers of the sample rows ("smpl#..." then one value per channel) of a text export.
std::vector<double> SampleValues(const std::string& text)
{
    std::vector<double> values;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("smpl#", 0) != 0)
            continue;
        std::istringstream fields(line.substr(line.find('\t') + 1));
        for (std::string field; std::getline(fields, field, '\t');)
            values.push_back(std::stod(field));
    }
    return values;
}

TEST(OrvaAverage, AgreesWithTheTextExportAveragedOverTheSession)
{
    TTempDir dir;
    TTestFileBuilder::Session(2, 5, 20, 3).WriteTo(dir.Path("s.ses"));
    TOrvaRun run = RunOrva({"average", dir.Path("s.ses"), "-o", dir.Path("s.ave"), "--baseline-ms", "12"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const TORVAFile average = LoadChecked(dir.Path("s.ave"));
    EXPECT_EQ(average.GeneralInformation.BaselineDuration, 12);
    ASSERT_EQ(RunOrva({"export-text", dir.Path("s.ses"), dir.Path("a.txt"), "--all-cells", "--average",
                       "--all-chans", "--decimal-separator", "."})
                  .ExitStatus,
              0);
    ASSERT_EQ(RunOrva({"export-text", dir.Path("s.ave"), dir.Path("b.txt"), "--all-cells", "--all-obs",
                       "--all-chans", "--decimal-separator", "."})
                  .ExitStatus,
              0);
    const std::vector<double> session = SampleValues(ReadText(dir.Path("a.txt")));
    const std::vector<double> averaged = SampleValues(ReadText(dir.Path("b.txt")));
    ASSERT_EQ(session.size(), 2u * 20 * 3);
    ASSERT_EQ(averaged.size(), session.size());
    const double tolerance = 0.01 + 1.0 / average.GeneralInformation.ScaleBins;
    for (std::size_t i = 0; i < session.size(); ++i)
        EXPECT_NEAR(averaged[i], session[i], tolerance) << "value " << i;
}

TEST(OrvaAverage, ManyFilesNameTheirOutputsAndTheFailures)
{
    TTempDir dir;
    std::filesystem::create_directories(dir.Path("out"));
    TTestFileBuilder::Session(1, 3, 4, 2).WriteTo(dir.Path("a.ses"));
    TTestFileBuilder::Session(1, 2, 4, 2).WriteTo(dir.Path("b.ses"));
    TTestFileBuilder::Average(1, 2, 4, 2).WriteTo(dir.Path("c.ave"));
    TOrvaRun run = RunOrva({"average", "-j", "2", "--out-dir", dir.Path("out"), dir.Path("a.ses"), dir.Path("c.ave"),
                            dir.Path("b.ses"), "--obs", "1 2"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(dir.Path("c.ave") + ": Cannot average: this is an average file"), std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("orva average: 1 of 3 files failed"), std::string::npos) << run.Err;
    // With rules the refusal says why the rules have nothing to test.
    const TOrvaRun rules = RunOrva({"average", dir.Path("c.ave"), "--peak-to-peak", "100", "-o", dir.Path("x.ave")});
    EXPECT_EQ(rules.ExitStatus, 1);
    EXPECT_EQ(rules.Err, "orva: " + dir.Path("c.ave") +
                             ": Cannot average: this is an average file: its observations are subjects, not trials\n");
    EXPECT_EQ(LoadChecked(dir.Path("out/a.ave")).Cells[0].TrialSpecifics(0, 0), 2);
    EXPECT_TRUE(std::filesystem::exists(dir.Path("out/b.ave")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out/c.ave")));

    // -o takes one input; an observation beyond a cell is refused and nothing is written.
    EXPECT_EQ(RunOrva({"average", dir.Path("a.ses"), dir.Path("b.ses"), "-o", dir.Path("x.ave")}).ExitStatus, 1);
    TOrvaRun beyond = RunOrva({"average", dir.Path("b.ses"), "-o", dir.Path("x.ave"), "--obs", "3"});
    EXPECT_EQ(beyond.ExitStatus, 1);
    EXPECT_NE(beyond.Err.find("Observations: 3 is outside"), std::string::npos) << beyond.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("x.ave")));
}

TEST(OrvaErp, AStudyFromAveragesToDifferenceWave)
{
    TTempDir dir;
    TTestFileBuilder::Average(2, 2, 6, 3).WriteTo(dir.Path("s1.ave"));
    TTestFileBuilder::Average(2, 3, 6, 3).WriteTo(dir.Path("s2.ave"));
    TOrvaRun combine = RunOrva({"combine", dir.Path("s1.ave"), dir.Path("s2.ave"), "-o", dir.Path("all.ave")});
    ASSERT_EQ(combine.ExitStatus, 0) << combine.Err;
    EXPECT_EQ(LoadChecked(dir.Path("all.ave")).Cells[1].NumObservations, 5);
    TOrvaRun grand = RunOrva({"grand-average", dir.Path("all.ave"), "-o", dir.Path("grand.ave")});
    ASSERT_EQ(grand.ExitStatus, 0) << grand.Err;
    TOrvaRun diff = RunOrva({"difference", dir.Path("grand.ave"), "-o", dir.Path("diff.ave"), "--cells", "2", "1"});
    ASSERT_EQ(diff.ExitStatus, 0) << diff.Err;
    const TORVAFile d = LoadChecked(dir.Path("diff.ave"));
    ASSERT_EQ(d.NumCells(), 3);
    EXPECT_EQ(d.Cells[2].Name, "cell 2-cell 1");
    for (int s = 0; s < 6; ++s)
        EXPECT_NEAR(CalibratedValue(d, d.Cells[2].Data(0, s, 1), 1),
                    CalibratedValue(d, d.Cells[1].Data(0, s, 1), 1) - CalibratedValue(d, d.Cells[0].Data(0, s, 1), 1),
                    1.5 / d.GeneralInformation.ScaleBins);
    TOrvaRun baseline = RunOrva({"baseline", dir.Path("diff.ave"), "-o", dir.Path("base.ave")});
    EXPECT_EQ(baseline.ExitStatus, 0) << baseline.Err;
    TOrvaRun reref = RunOrva({"rereference", dir.Path("base.ave"), "-o", dir.Path("ref.ave"), "--exclude", "3 3"});
    EXPECT_EQ(reref.ExitStatus, 0) << reref.Err;

    // A file that does not match leaves the output unwritten, naming file and cell.
    TTestFileBuilder odd = TTestFileBuilder::Average(2, 1, 7, 3);
    odd.WriteTo(dir.Path("odd.ave"));
    TOrvaRun refused = RunOrva({"combine", dir.Path("s1.ave"), dir.Path("odd.ave"), "-o", dir.Path("no.ave")});
    EXPECT_EQ(refused.ExitStatus, 1);
    EXPECT_NE(refused.Err.find(dir.Path("odd.ave") + ": Cannot combine: cell 1 \"cell 1\" has 7 samples per observation"),
              std::string::npos)
        << refused.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no.ave")));
    TTestFileBuilder::Session(2, 1, 4, 2).WriteTo(dir.Path("x.ses"));
    TOrvaRun session = RunOrva({"difference", dir.Path("x.ses"), "-o", dir.Path("no.ave"), "--cells", "1", "2"});
    EXPECT_EQ(session.ExitStatus, 1);
    EXPECT_NE(session.Err.find("not paired"), std::string::npos) << session.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no.ave")));
    TOrvaRun grandOfSession = RunOrva({"grand-average", dir.Path("x.ses"), "-o", dir.Path("no.ave")});
    EXPECT_EQ(grandOfSession.ExitStatus, 1);
    EXPECT_NE(grandOfSession.Err.find(
                  "Cannot make a grand average: this is a session file; a grand average takes average files"),
              std::string::npos)
        << grandOfSession.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no.ave")));
}

TEST(OrvaErp, ClampedSessionValuesAreCountedOnStandardError)
{
    TTempDir dir;
    OvershootingSession().WriteTo(dir.Path("loud.ses"));
    TOrvaRun run = RunOrva({"baseline", dir.Path("loud.ses"), "-o", dir.Path("flat.ses"), "--window", "0", "0"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    // Sample 0 is -8000 raw; the 64 samples at 32000 go to 52000 and are clamped.
    EXPECT_NE(run.Err.find("orva baseline: 64 computed values were beyond the range"), std::string::npos) << run.Err;
    const TORVAFile flat = LoadChecked(dir.Path("flat.ses"));
    EXPECT_EQ(flat.Cells[0].Data(0, 0, 0), 12000);
    EXPECT_EQ(flat.Cells[0].Data(0, 8, 0), 32767);
    TOrvaRun noWindow = RunOrva({"baseline", dir.Path("loud.ses"), "-o", dir.Path("x.ses")});
    EXPECT_EQ(noWindow.ExitStatus, 1);
    EXPECT_NE(noWindow.Err.find("give the window"), std::string::npos) << noWindow.Err;
}

} // namespace
} // namespace orva::test
