// The artifact report written and read back (as editors and spreadsheets save it), session
// files without their bad trials, and averages without them.
#include "model/ORVAError.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tools/ArtifactReject.h"
#include "tools/ArtifactReport.h"
#include "tools/ErpAverage.h"

#include <gtest/gtest.h>

namespace orva::test {
namespace {

// Two cells of 3 trials, 2 samples, 2 channels, values = raw samples: cell 1 trial 2 jumps by
// 300 on channel 2, cell 2 trial 1 is flat on both channels and trial 3 reaches -500.
TTestFileBuilder TwoCells()
{
    TTestFileBuilder b = TTestFileBuilder::Session(2, 3, 2, 2);
    b.Zeros = {0, 0};
    b.Gains = {400, 400};
    b.Cells[0].Name = "Caf\xE9, \"loud\""; // Windows-1252, a comma and quotes
    b.Cells[0].Data = {0, 0, 10, 10, 0, 0, 10, 300, 0, 5, 10, 15};
    b.Cells[1].Name = "quiet";
    b.Cells[1].Data = {4, 4, 4, 4, 0, 10, 20, 30, -500, 0, 0, 10};
    b.Cells[1].TrialSpecificsLength = 6;
    b.Cells[1].TrialSpecifics = {1, 2, 3, 21, 22, 23, 41, 42, 43};
    b.PaddingLength = 40;
    return b;
}

class ArtifactReportTest : public ::testing::Test {
protected:
    TORVAFile Load(const TTestFileBuilder& b, const std::string& name = "s01.ses")
    {
        b.WriteTo(dir.Path(name));
        return LoadChecked(dir.Path(name));
    }
    static TArtifactRules Rules()
    {
        TArtifactRules rules;
        rules.PeakToPeak = 100;
        rules.Flat = 1;
        rules.Absolute = 400;
        return rules;
    }
    std::string Refusal(const std::string& text, const TORVAFile& file)
    {
        try {
            FlagsFromRejectList(file, ParseRejectList(text, "r.csv"));
        } catch (const EORVAError& e) {
            return e.what();
        }
        return "";
    }
    TTempDir dir;
};

TEST_F(ArtifactReportTest, RowsNameRulesAndChannelsAndTheSummaryCountsThem)
{
    const TORVAFile f = Load(TwoCells());
    const auto flags = DetectArtifacts(f, Rules(), ChosenCells(f, std::nullopt));
    TLineCollector rows;
    WriteArtifactRows(f, flags, rows);
    EXPECT_EQ(rows.Lines, (std::vector<std::string>{
                              "s01.ses,1,\"Caf\xC3\xA9, \"\"loud\"\"\",1,good,,",
                              "s01.ses,1,\"Caf\xC3\xA9, \"\"loud\"\"\",2,bad,peak-to-peak,2",
                              "s01.ses,1,\"Caf\xC3\xA9, \"\"loud\"\"\",3,good,,",
                              "s01.ses,2,quiet,1,bad,flat,1 2",
                              "s01.ses,2,quiet,2,good,,",
                              "s01.ses,2,quiet,3,bad,peak-to-peak absolute,1",
                          }));
    EXPECT_EQ(ArtifactSummary(f, flags, kRulePeakToPeak | kRuleAbsolute),
              "  cell 1 \"Caf\xC3\xA9, \"loud\"\": 3 trials, 1 bad (33.3%); peak-to-peak 1, absolute 0\n"
              "  cell 2 \"quiet\": 3 trials, 2 bad (66.7%); peak-to-peak 1, absolute 1\n"
              "  total: 6 trials, 3 bad (50.0%); peak-to-peak 2, absolute 1\n");
    // --cells 2: the rows of cell 2 alone.
    const auto second = DetectArtifacts(f, Rules(), ChosenCells(f, TSelectionList{1, 1}));
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].Cell, 1);
}

TEST_F(ArtifactReportTest, ReportReadBackAsSavedBySpreadsheetsAndEditors)
{
    const TORVAFile f = Load(TwoCells());
    // A byte-order mark, CR LF, quoted numbers, a name holding a line end, an edited status,
    // rows of another file (ignored) and a trial without a row (kept).
    const std::string text = "\xEF\xBB\xBF"
                             "file,cell,cell_name,\"observation\",status,rules,channels\r\n"
                             "other.ses,9,x,9,bad,,\r\n"
                             "s01.ses,\"1\",\"two\r\nlines\",2,good,peak-to-peak,2\r\n"
                             "s01.ses,2,quiet,\"2\",bad,,\r\n"
                             "\r\n"
                             "s01.ses,2,quiet,3,bad,absolute,1\r\n";
    const TRejectList list = ParseRejectList(text, "r.csv");
    const auto flags = FlagsFromRejectList(f, list);
    const TTrialExclusions bad = ExclusionsOf(f, flags);
    EXPECT_EQ(bad, (TTrialExclusions{{false, false, false}, {false, true, true}}));
    EXPECT_EQ(list.Files.at("s01.ses")[2].Line, 7); // the quoted line end and the empty line count

    // What the report says, read back, is what the rules said.
    const auto detected = DetectArtifacts(f, Rules(), ChosenCells(f, std::nullopt));
    TLineCollector rows;
    rows.Line(kArtifactReportHeader);
    WriteArtifactRows(f, detected, rows);
    EXPECT_EQ(ExclusionsOf(f, FlagsFromRejectList(f, ParseRejectList(JoinLines(rows.Lines, "\n"), "r.csv"))),
              ExclusionsOf(f, detected));
}

TEST_F(ArtifactReportTest, RefusesReportsThatDoNotFitNamingTheLine)
{
    const TORVAFile f = Load(TwoCells());
    const std::string header = "file,cell,cell_name,observation,status,rules,channels\n";
    EXPECT_EQ(Refusal("file,cell,observation,status\n", f),
              "r.csv: line 1: the header is not \"file,cell,cell_name,observation,status,rules,channels\"");
    EXPECT_EQ(Refusal(header + "s01.ses,1,a,1,good,,\ns01.ses,1,a,2,maybe,,\n", f),
              "r.csv: line 3: the status is \"maybe\", not good or bad");
    EXPECT_EQ(Refusal(header + "s01.ses,3,a,1,bad,,\n", f), "r.csv: line 2: cell 3 is beyond the 2 cells of s01.ses");
    EXPECT_EQ(Refusal(header + "s01.ses,2,a,4,bad,,\n", f),
              "r.csv: line 2: observation 4 is beyond the 3 trials of cell 2 of s01.ses");
    EXPECT_EQ(Refusal(header + "s01.ses,2,a,1,bad,,\ns01.ses,2,a,1,good,,\n", f),
              "r.csv: line 3: cell 2, observation 1 of s01.ses is listed twice");
    EXPECT_EQ(Refusal(header + "s01.ses,0,a,1,bad,,\n", f), "r.csv: line 2: cell \"0\" is not a number from 1");
    EXPECT_EQ(Refusal(header + "s01.ses,1,a,1.5,bad,,\n", f),
              "r.csv: line 2: observation \"1.5\" is not a number from 1");
    EXPECT_EQ(Refusal(header + "s01.ses,1,a,1,bad\n", f), "r.csv: line 2: the row has 5 fields instead of 7");
    EXPECT_EQ(Refusal(header + "s01.ses,1,\"a,1,bad,,\n", f), "r.csv: line 2: a quoted field is not closed");
    EXPECT_EQ(Refusal(header + "s02.ses,1,a,1,bad,,\n", f), "r.csv: has no row of the file s01.ses");
}

TEST_F(ArtifactReportTest, RejectKeepsEveryOtherByteOfTheKeptTrials)
{
    const TORVAFile f = Load(TwoCells());
    const TTrialExclusions bad{{false, true, false}, {true, true, true}};
    TORVAFile cleaned = RejectTrials(f, bad);
    cleaned.SaveToFile(dir.Path("clean.ses"));
    const TORVAFile back = LoadChecked(dir.Path("clean.ses"));
    EXPECT_EQ(back.FileDescription.HeaderLength, f.FileDescription.HeaderLength);
    EXPECT_EQ(back.GeneralInformation, f.GeneralInformation);
    EXPECT_EQ(back.DataDescription.Zeros, f.DataDescription.Zeros);
    EXPECT_EQ(back.DataDescription.CellWords, f.DataDescription.CellWords);
    EXPECT_EQ(back.Cells[0].Name, f.Cells[0].Name);
    ASSERT_EQ(back.Cells[0].NumObservations, 2);
    for (int s = 0; s < 2; ++s)
        for (int h = 0; h < 2; ++h) {
            EXPECT_EQ(back.Cells[0].Data(0, s, h), f.Cells[0].Data(0, s, h));
            EXPECT_EQ(back.Cells[0].Data(1, s, h), f.Cells[0].Data(2, s, h));
        }
    ASSERT_EQ(back.Cells[0].TrialSpecifics.WordsPerObservation(), 2);
    for (int w = 0; w < 2; ++w)
        EXPECT_EQ(back.Cells[0].TrialSpecifics(1, w), f.Cells[0].TrialSpecifics(2, w));
    EXPECT_EQ(back.Cells[1].NumObservations, 0); // a cell may be left with no trial
    EXPECT_EQ(back.Cells[1].TrialSpecificsLength, 6);

    // Nothing rejected: the same bytes as the file itself.
    TORVAFile same = RejectTrials(f, TTrialExclusions{{false, false, false}, {false, false, false}});
    same.SaveToFile(dir.Path("same.ses"));
    EXPECT_EQ(ReadBytes(dir.Path("same.ses")), ReadBytes(dir.Path("s01.ses")));
}

TEST_F(ArtifactReportTest, AverageLeavesOutBadTrialsAfterTheChoiceOfObservations)
{
    const TORVAFile f = Load(TwoCells());
    TAverageOptions options;
    options.Excluded = TTrialExclusions{{false, true, false}, {true, false, false}};
    const TORVAFile a = AverageSession(f, options).File;
    EXPECT_EQ(a.Cells[0].TrialSpecifics(0, 0), 2);
    const double step = 0.5 / a.GeneralInformation.ScaleBins;
    EXPECT_NEAR(CalibratedValue(a, a.Cells[0].Data(0, 1, 1), 1), 12.5, step); // (10 + 15) / 2
    EXPECT_EQ(a.Cells[1].TrialSpecifics(0, 0), 2);
    EXPECT_NEAR(CalibratedValue(a, a.Cells[1].Data(0, 0, 0), 0), -250, step); // (0 - 500) / 2

    options.Observations = TSelectionList{0, 1};
    const TORVAFile b = AverageSession(f, options).File;
    EXPECT_EQ(b.Cells[0].TrialSpecifics(0, 0), 1);
    EXPECT_EQ(b.Cells[1].TrialSpecifics(0, 0), 1);
    options.Observations = TSelectionList{0};
    try {
        AverageSession(f, options);
        ADD_FAILURE() << "a cell without trials was averaged";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Cause(), "Cannot average: cell 2 \"quiet\" has no trial left once the bad trials are left out");
    }
}

} // namespace
} // namespace orva::test
