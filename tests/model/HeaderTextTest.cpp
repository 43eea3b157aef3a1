#include "model/ORVAFile.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using test::TTempDir;
using test::TTestFileBuilder;
using Lines = std::vector<std::string>;

Lines Report(const TTestFileBuilder& b)
{
    TTempDir dir;
    const std::string path = dir.Path("h.ses");
    b.WriteTo(path);
    TORVAFile f;
    f.LoadFromFile(path);
    f.FullFileName = "C:\\data\\h.ses"; // the report shows whatever path was loaded
    Lines lines = {"stale line"};
    f.GetHeaderText(lines);
    return lines;
}

TEST(HeaderText, SessionFileReportLineByLine)
{
    auto b = TTestFileBuilder::Session(1, 2, 3, 2);
    b.General = {9, 5, 2, 9, 5, 0, 17, 1, 2, 30, 4, 1, 1};
    b.Zeros = {-12345, 2041};
    b.Gains = {1638, 100000 % 32768};
    b.Cells[0].TrialSpecifics = {12, -3, 0, 7};
    b.Cells[0].CellNumber = 4;
    b.Cells[0].Name = "Target";
    const Lines expected = {
        "",
        " [File Description]",
        "   Full File Name : C:\\data\\h.ses",
        "   Byte order     : 16909060",
        "   Header version : 3 (session file)",
        "   Header length  : " + std::to_string(b.HeaderSize()),
        "   Data length    : 24",
        "   Experiment name: experiment",
        "",
        " [General Information]",
        "   Collection date : 9/5/2 (mm/dd/yy)",
        "   Collection time : 9:5:0",
        "   Subject ID      : 17",
        "   Handedness      : 1",
        "   Sex             : 2",
        "   Age             : 30",
        "   Experimenter ID : 4",
        "   Edit version    : 1",
        "   Calibration flag: 1",
        "",
        " [Data Description]",
        "   Number of cells   : 1",
        "   Number of channels: 2",
        "   Comment length    : 7",
        "   Text length       : 4",
        "   Padding length    : 0",
        "   Board gain        : 7",
        "",
        " [Channels Zeros and Gains]",
        "   channel     1    2",
        "   zero    -12345 2041",
        "   gain     1638 1696",
        "",
        " [Experimenter Comment]",
        "   .comment.",
        "",
        " [Text Segment]",
        "   .text.",
        "",
        " [Cell #4 Information]",
        "   Cell name              : Target",
        "   Number of observations : 2",
        "   Samples per observation: 3",
        "   Samples per second     : 250",
        "   Trial specifics length : 4",
        "   Obs.#1 Trial specifics : 12 -3",
        "   Obs.#2 Trial specifics : 0 7",
    };
    EXPECT_EQ(Report(b), expected);
}

TEST(HeaderText, AverageFileSectionsAndSubjects)
{
    auto b = TTestFileBuilder::Average(2, 2, 1, 1);
    b.Comment = "";
    b.Cells[0].TrialSpecifics.resize(28);
    for (int i = 0; i < 28; ++i)
        b.Cells[0].TrialSpecifics[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 14 == 0 ? 40 + i : -i);
    b.Cells[1].TrialSpecificsLength = 24;
    const Lines lines = Report(b);
    const auto at = [&](const std::string& text) { return std::find(lines.begin(), lines.end(), text) != lines.end(); };
    EXPECT_TRUE(at("   Header version : -1 (average file)"));
    EXPECT_TRUE(at("   Last subject done: 12"));
    EXPECT_TRUE(at("   Scale bins       : 10"));
    EXPECT_TRUE(at("   Scale calibration: 10"));
    EXPECT_TRUE(at("   Baseline duration: 200"));
    EXPECT_TRUE(at("   .."));
    EXPECT_TRUE(at("   Number of subjects     : 2"));
    EXPECT_TRUE(at("   Subj.#1 Number of obs. : 40"));
    EXPECT_TRUE(at("   Subj.#1 specifics      : -1 -2 -3 -4 -5 -6 -7 -8 -9 -10 -11 -12 -13"));
    EXPECT_TRUE(at("   Subj.#2 Number of obs. : 54"));
    EXPECT_EQ(lines.back(), "     error : Trial specifics length should be 28.");
    EXPECT_EQ(lines[lines.size() - 2], "   Trial specifics length : 24");
    EXPECT_FALSE(at("   Collection date : 0/0/0 (mm/dd/yy)"));
}

TEST(HeaderText, EdgeShapes)
{
    auto none = TTestFileBuilder::Session(0, 0, 0, 0);
    const Lines lines = Report(none);
    EXPECT_EQ(lines.back(), "   .text.");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "   channel "), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "   zero    "), lines.end());

    auto empty = TTestFileBuilder::Session(1, 2, 1, 1);
    empty.Cells[0].TrialSpecificsLength = 0;
    const Lines e = Report(empty);
    EXPECT_EQ(e[e.size() - 2], "   Obs.#1 Trial specifics :");
    EXPECT_EQ(e.back(), "   Obs.#2 Trial specifics :");
}

} // namespace
} // namespace orva
