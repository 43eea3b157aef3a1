#include "export/StatsExport.h"
#include "model/LenientInteger.h"
#include "model/ORVAError.h"
#include "select/NumberFormat.h"
#include "tests/support/ExportDocument.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::ExportSample;
using test::MakeDocument;
using Lines = std::vector<std::string>;

TEST(SelectionList, ReadsBoxTextsAsZeroBasedIndices)
{
    const struct {
        std::string Text;
        TSelectionList Expected;
    } cases[] = {
        {"  2   4  ", {1, 3}},
        {"1,2,3", {0}},
        {"3 1 2", {2, 0, 1}},
        {"2 2", {1, 1}},
        {"", {}},
        {"   ", {}},
        {std::string("\t\r\n 5 \x01\x1f", 8), {4}},
        {"1\t2 3", {0, 2}}, // a tab belongs to its piece
        {"2-5", {1}},        // no ranges
        {"3, 4;", {2, 3}},
        {"abc 7", {-1, 6}},  // no leading number reads as 0
        {"-3 +7", {-4, 6}},
        {"$1F x10 X10 0x10", {30, 15, 15, 15}},
        {"99999999999", {INT_MAX - 1}},
        {"-99999999999", {INT_MIN}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseSelectionList(c.Text), c.Expected) << '"' << c.Text << '"';
}

TEST(SelectionList, SharedLenientReaderMatchesTheListRules)
{
    const struct {
        const char* Piece;
        int Expected;
    } cases[] = {
        {"3,", 3}, {"1,2", 1}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"-3,", -3}, {"+5", 5},
        {"$ff", 255}, {"0x1A", 26}, {"x7", 7}, {"-$10", -16}, {"-0x2", -2}, {"--2", 0}, {"2147483648", INT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadLenientInteger(c.Piece, TMinusSign::Always), c.Expected) << c.Piece;
}

TEST(SelectionList, NumberListText)
{
    EXPECT_EQ(NumberListText(1, 4), "1 2 3 4");
    EXPECT_EQ(NumberListText(5, 5), "5");
    EXPECT_EQ(NumberListText(3, 2), "");
    EXPECT_EQ(NumberListText(-1, 1), "-1 0 1");
    EXPECT_EQ(NumberListText(INT_MAX - 1, INT_MAX), "2147483646 2147483647"); // no overflow at the end
    EXPECT_EQ(ParseSelectionList(NumberListText(1, 250)).size(), 250u);
}

TEST(StatsProposal, SmallestCountsOverAllCells)
{
    const TStatsProposal p = ProposeStatsSelection(MakeDocument(true, {3, 5, 4}, {300, 250, 260}, 2));
    EXPECT_EQ(p.MinObservations, 3);
    EXPECT_EQ(p.MinSamples, 250);
    const TStatsProposal none = ProposeStatsSelection(MakeDocument(true, {}, {1}, 2));
    EXPECT_EQ(none.MinObservations, 0);
    EXPECT_EQ(none.MinSamples, 0);
}

Lines Build(const TORVAFile& f, const std::string& cells, const std::string& obs, const std::string& chans,
            const std::string& samples, char separator = '.')
{
    return BuildStatsExport(f, ParseSelectionList(cells), ParseSelectionList(obs), ParseSelectionList(chans),
                            ParseSelectionList(samples), separator);
}

std::string Cause(const TORVAFile& f, const std::string& cells, const std::string& obs, const std::string& chans,
                  const std::string& samples)
{
    try {
        Build(f, cells, obs, chans, samples);
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), f.FullFileName);
        return e.Cause();
    }
    return "built";
}

TEST(StatsExport, WorkedExampleLineForLine)
{
    const TORVAFile f = MakeDocument(true, {3, 4}, {12}, 8);
    const Lines lines = Build(f, "1 2", "1 3", "5 6", "10 11", ',');
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "cell# 1\tcell# 1\tcell# 1\tcell# 1\tcell# 2\tcell# 2\tcell# 2\tcell# 2");
    EXPECT_EQ(lines[1], "obs# 1\tobs# 1\tobs# 3\tobs# 3\tobs# 1\tobs# 1\tobs# 3\tobs# 3");
    EXPECT_EQ(lines[2], "chan# 5\tchan# 6\tchan# 5\tchan# 6\tchan# 5\tchan# 6\tchan# 5\tchan# 6");
    for (int row = 0; row < 2; ++row) {
        std::string expected;
        for (int cell : {0, 1})
            for (int o : {0, 2})
                for (int h : {4, 5})
                    expected += (expected.empty() ? "" : "\t") + Format5_2(ExportSample(cell, o, 9 + row, h) / 4.0, ',');
        EXPECT_EQ(lines[3 + static_cast<std::size_t>(row)], expected);
    }
}

TEST(StatsExport, SessionValuesInDoublePrecision)
{
    TORVAFile f = MakeDocument(false, {1}, {1}, 2);
    f.DataDescription.Zeros = {0, -10};
    f.DataDescription.Gains = {3, 7};
    f.Cells[0].Data(0, 0, 0) = 1;  // 400/3 = 133.333
    f.Cells[0].Data(0, 0, 1) = -9; // 400/7 = 57.142857
    EXPECT_EQ(Build(f, "1", "1", "1 2", "1").back(), "133.33\t57.14");
}

TEST(StatsExport, ShapesOfEmptyAndSingleSelections)
{
    const TORVAFile f = MakeDocument(true, {3, 5}, {20, 30}, 4);
    // A new window unchanged: no channel, samples 1 .. MinSamples.
    EXPECT_EQ(Build(f, "1 2", "1 2 3", "", NumberListText(1, 20)), Lines(23, ""));
    EXPECT_EQ(Build(f, "1 2", "1", "1", "").size(), 3u);
    EXPECT_EQ(Build(f, "", "1", "1 2", "1 2"), Lines(5, ""));
    EXPECT_EQ(Build(f, "1", "", "1 2", "1 2"), Lines(5, ""));

    const Lines one = Build(f, "2", "5", "4", "30 1");
    EXPECT_EQ(one, (Lines{"cell# 2", "obs# 5", "chan# 4", Format5_2(ExportSample(1, 4, 29, 3) / 4.0, '.'),
                          Format5_2(ExportSample(1, 4, 0, 3) / 4.0, '.')}));

    const Lines doubled = Build(f, "1", "2 2", "1", "3 3");
    EXPECT_EQ(doubled[1], "obs# 2\tobs# 2");
    EXPECT_EQ(doubled[3], doubled[4]);
}

TEST(StatsExport, RefusesEntriesOutsideTheDocument)
{
    const TORVAFile f = MakeDocument(true, {3, 5}, {20, 30}, 64);
    const struct {
        const char* Cells;
        const char* Obs;
        const char* Chans;
        const char* Samples;
        const char* Cause;
    } cases[] = {
        {"1 0", "1", "1", "1", "Cells: 0 is outside the valid range 1 to 2"},
        {"3", "1", "1", "1", "Cells: 3 is outside the valid range 1 to 2"},
        {"x", "1", "1", "1", "Cells: 0 is outside the valid range 1 to 2"},
        {"1 2", "4", "1", "1", "Observations: 4 is outside the valid range 1 to 3 (cell 1 has 3 observations)"},
        {"1 2", "-2", "1", "1", "Observations: -2 is outside the valid range 1 to 3 (cell 1 has 3 observations)"},
        {"1", "1", "65", "1", "Channels: 65 is outside the valid range 1 to 64"},
        {"1", "1", "1", "0", "Samples: 0 is outside the valid range 1 to 20 (cell 1 has 20 samples)"},
        {"2 1", "1", "1", "25", "Samples: 25 is outside the valid range 1 to 20 (cell 1 has 20 samples)"},
        // No cell listed: no upper limit is known, but numbers still start at 1.
        {"", "0", "1", "1", "Observations: 0 is outside the valid range: numbers start at 1"},
        {"", "1", "1", "-1", "Samples: -1 is outside the valid range: numbers start at 1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cause(f, c.Cells, c.Obs, c.Chans, c.Samples), c.Cause);
    // What exists in every listed cell is accepted.
    EXPECT_EQ(Cause(f, "2", "5", "64", "30"), "built");

    const TORVAFile empty = MakeDocument(true, {2, 0}, {4}, 2);
    EXPECT_EQ(Cause(empty, "1 2", "1", "1", "1"),
              "Observations: 1 is outside the valid range: cell 2 has 0 observations");
    const TORVAFile noCells = MakeDocument(true, {}, {4}, 2);
    EXPECT_EQ(Cause(noCells, "1", "", "", ""), "Cells: 1 is outside the valid range: the file has no cells");
    EXPECT_EQ(Build(noCells, "", "", "", ""), Lines(3, ""));
}

TEST(StatsExport, RefusesDivisionsByZeroAndOversizedSelections)
{
    TORVAFile noGain = MakeDocument(false, {1}, {2}, 4);
    noGain.DataDescription.Gains[1] = 0;
    EXPECT_NE(Cause(noGain, "1", "1", "1 2", "1").find("Gain of channel 2 is 0"), std::string::npos);
    EXPECT_EQ(Cause(noGain, "1", "1", "1 3 4", "1 2"), "built");

    TORVAFile noScale = MakeDocument(true, {1}, {2}, 4);
    noScale.GeneralInformation.ScaleBins = 0;
    EXPECT_NE(Cause(noScale, "1", "1", "3", "1").find("Scale bins is 0"), std::string::npos);

    const TORVAFile f = MakeDocument(true, {1}, {2}, 64);
    std::string cells, chans;
    for (int i = 0; i < 3000; ++i)
        cells += "1 ";
    for (int i = 0; i < 300; ++i)
        chans += "1 ";
    EXPECT_NE(Cause(f, cells, cells, chans, "1").find("too many for one export"), std::string::npos);
}

} // namespace
} // namespace orva
