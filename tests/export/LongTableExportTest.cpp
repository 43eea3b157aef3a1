#include "export/LongTableExport.h"
#include "model/ORVAError.h"
#include "select/NumberFormat.h"
#include "select/Selection.h"
#include "tests/support/ExportDocument.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orva {
namespace {

using test::ExportSample;
using test::MakeDocument;
using test::TTestFileBuilder;
using Lines = std::vector<std::string>;

Lines Rows(const TORVAFile& f, const TLongTableOptions& options = {})
{
    TLineCollector lines;
    WriteLongTableRows(f, options, lines);
    return lines.Lines;
}

// The rows the selection gives as "cell,observation,channel,sample" (columns 2, 4, 5, 6).
Lines Positions(const Lines& rows)
{
    Lines positions;
    for (const auto& row : rows) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1)
            fields.push_back(row.substr(start, comma - start));
        positions.push_back(fields[1] + "," + fields[3] + "," + fields[4] + "," + fields[5]);
    }
    return positions;
}

std::string Cause(const TORVAFile& f, const TLongTableOptions& options)
{
    try {
        CheckLongTable(f, options);
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), f.FullFileName);
        return e.Cause();
    }
    return "accepted";
}

TEST(LongTable, HeaderRowIsExactlyTheDocumentedColumns)
{
    EXPECT_EQ(kLongTableHeader, "file,cell,cell_name,observation,channel,sample,time_ms,value_uv");
    EXPECT_EQ(kLongTableLineEnd, "\n");
}

// An average file: times count from the stimulus (baseline 200 ms), values are v / 8, whose
// halves must round away from zero; the cell name needs quoting and holds 8-bit characters.
TEST(LongTable, SmallAverageFileLineForLine)
{
    test::TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Average(1, 2, 3, 2);
    b.General[7] = 8;   // ScaleBins
    b.General[9] = 200; // BaselineDuration
    b.Cells[0].Name = "Std, \"A\" \x80\xe9";
    b.Cells[0].SamplesPerSecond = 300;
    // [observation][sample][channel]
    b.Cells[0].Data = {1, -1, 100, -3, 0, 32767, -32768, 2, 7, 4, -4, 12};
    const std::string n = "s01.ave,1,\"Std, \"\"A\"\" \xe2\x82\xac\xc3\xa9\",";
    EXPECT_EQ(Rows(test::LoadBuilt(b, dir, "s01.ave")), (Lines{
                                                 n + "1,1,1,-200,0.13",
                                                 n + "1,1,2,-196.667,12.50",
                                                 n + "1,1,3,-193.333,0.00",
                                                 n + "1,2,1,-200,-0.13",
                                                 n + "1,2,2,-196.667,-0.38",
                                                 n + "1,2,3,-193.333,4095.88",
                                                 n + "2,1,1,-200,-4096.00",
                                                 n + "2,1,2,-196.667,0.88",
                                                 n + "2,1,3,-193.333,-0.50",
                                                 n + "2,2,1,-200,0.25",
                                                 n + "2,2,2,-196.667,0.50",
                                                 n + "2,2,3,-193.333,1.50",
                                             }));
}

// A session file: values (v - zero) * 400 / gain, times from 0 at each cell's own rate, and
// by default every observation and sample that each cell has, although the cells differ.
TEST(LongTable, SmallSessionFileLineForLine)
{
    test::TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Session(2, 1, 2, 1);
    b.Zeros = {10};
    b.Gains = {1600};
    b.Cells[0].Name = "A,B";
    b.Cells[0].Data = {11, 9};
    b.Cells[1].Name = "x";
    b.Cells[1].NumObservations = 2;
    b.Cells[1].SamplesPerObservation = 3;
    b.Cells[1].SamplesPerSecond = 3;
    b.Cells[1].Data = {14, 6, 10, 1010, -990, 50};
    EXPECT_EQ(Rows(test::LoadBuilt(b, dir, "s01.ses")), (Lines{
                                                 "s01.ses,1,\"A,B\",1,1,1,0,0.25",
                                                 "s01.ses,1,\"A,B\",1,1,2,4,-0.25",
                                                 "s01.ses,2,x,1,1,1,0,1.00",
                                                 "s01.ses,2,x,1,1,2,333.333,-1.00",
                                                 "s01.ses,2,x,1,1,3,666.667,0.00",
                                                 "s01.ses,2,x,2,1,1,0,250.00",
                                                 "s01.ses,2,x,2,1,2,333.333,-250.00",
                                                 "s01.ses,2,x,2,1,3,666.667,10.00",
                                             }));
}

TEST(LongTable, TimesSubtractTheBaselineOfAverageFilesOnly)
{
    const struct {
        bool Average;
        int Rate;
        const char* First;
        const char* Second;
    } cases[] = {
        {true, 250, "-200", "-196"},  {true, 2000, "-200", "-199.5"}, {true, 3, "-200", "133.333"},
        {false, 250, "0", "4"},       {false, 6, "0", "166.667"},      {false, 16000, "0", "0.063"},
    };
    for (const auto& c : cases) {
        TORVAFile f = MakeDocument(c.Average, {1}, {2}, 1);
        f.GeneralInformation.BaselineDuration = 200; // also set in the session document: not used there
        f.Cells[0].SamplesPerSecond = c.Rate;
        const Lines rows = Rows(f);
        ASSERT_EQ(rows.size(), 2u);
        const std::string prefix = std::string(f.FileName) + ",1,,1,1,";
        EXPECT_EQ(rows[0].substr(0, rows[0].rfind(',')), prefix + "1," + c.First) << c.Rate;
        EXPECT_EQ(rows[1].substr(0, rows[1].rfind(',')), prefix + "2," + c.Second) << c.Rate;
    }
}

TEST(LongTable, ValuesAreTheCalibratedValuesOfTheStatsExport)
{
    // 64 channels, so that the texts of several channels meet in the table of remembered texts.
    const TORVAFile f = MakeDocument(false, {2}, {3}, 70);
    const Lines rows = Rows(f);
    ASSERT_EQ(rows.size(), 2u * 70u * 3u);
    std::size_t i = 0;
    for (int o = 0; o < 2; ++o)
        for (int h = 0; h < 70; ++h)
            for (int s = 0; s < 3; ++s, ++i) {
                std::string expected = Format5_2(CalibratedValue(f, ExportSample(0, o, s, h), h), '.');
                expected.erase(0, expected.find_first_not_of(' '));
                EXPECT_EQ(rows[i].substr(rows[i].rfind(',') + 1), expected) << o << " " << h << " " << s;
            }
}

TEST(LongTable, TypedListsKeepTheirOrderAndRepeats)
{
    const TORVAFile f = MakeDocument(true, {3, 2}, {4, 5}, 3);
    TLongTableOptions o;
    o.Cells = ParseSelectionList("2 1");
    o.Observations = ParseSelectionList("2 2");
    o.Channels = ParseSelectionList("3");
    o.Samples = ParseSelectionList("4 1");
    EXPECT_EQ(Positions(Rows(f, o)), (Lines{"2,2,3,4", "2,2,3,1", "2,2,3,4", "2,2,3,1", "1,2,3,4", "1,2,3,1",
                                            "1,2,3,4", "1,2,3,1"}));

    // Lists left out mean everything each cell has; one given list applies to every cell.
    TLongTableOptions samplesOnly;
    samplesOnly.Samples = ParseSelectionList("2");
    samplesOnly.Channels = ParseSelectionList("1");
    EXPECT_EQ(Positions(Rows(f, samplesOnly)), (Lines{"1,1,1,2", "1,2,1,2", "1,3,1,2", "2,1,1,2", "2,2,1,2"}));

    TLongTableOptions empty;
    empty.Channels = TSelectionList{};
    EXPECT_TRUE(Rows(f, empty).empty());
}

TEST(LongTable, RefusalsNameTheListTheNumberAndTheRange)
{
    TORVAFile f = MakeDocument(true, {3, 5}, {20, 30}, 4);
    auto with = [](const char* cells, const char* obs, const char* chans, const char* samples) {
        TLongTableOptions o;
        if (cells)
            o.Cells = ParseSelectionList(cells);
        if (obs)
            o.Observations = ParseSelectionList(obs);
        if (chans)
            o.Channels = ParseSelectionList(chans);
        if (samples)
            o.Samples = ParseSelectionList(samples);
        return o;
    };
    const struct {
        TLongTableOptions Options;
        const char* Cause;
    } cases[] = {
        {with("3", nullptr, nullptr, nullptr), "Cells: 3 is outside the valid range 1 to 2"},
        {with(nullptr, "4", nullptr, nullptr),
         "Observations: 4 is outside the valid range 1 to 3 (cell 1 has 3 observations)"},
        {with("2", "4", nullptr, nullptr), "accepted"},
        {with(nullptr, nullptr, "0", nullptr), "Channels: 0 is outside the valid range 1 to 4"},
        {with("2 1", nullptr, nullptr, "21"), "Samples: 21 is outside the valid range 1 to 20 (cell 1 has 20 samples)"},
        {with("2", nullptr, nullptr, "30"), "accepted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cause(f, c.Options), c.Cause);

    f.Cells[1].SamplesPerSecond = 0;
    EXPECT_EQ(Cause(f, {}), "Cell 2 has a sampling rate of 0, so the times of its samples cannot be computed");
    EXPECT_EQ(Cause(f, with("1", nullptr, nullptr, nullptr)), "accepted");

    TORVAFile noGain = MakeDocument(false, {1}, {2}, 3);
    noGain.DataDescription.Gains[1] = 0;
    EXPECT_NE(Cause(noGain, {}).find("Gain of channel 2 is 0"), std::string::npos);
    EXPECT_EQ(Cause(noGain, with(nullptr, nullptr, "1 3", nullptr)), "accepted");

    // The writer refuses before its first row.
    TLineCollector lines;
    EXPECT_THROW(WriteLongTableRows(f, {}, lines), EORVAError);
    EXPECT_TRUE(lines.Lines.empty());
}

} // namespace
} // namespace orva
